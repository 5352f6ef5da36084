// Sections by (file, name): open handles with a position, and the
// whole-section operations. A handle holds the section's bytes in memory;
// a writing handle commits them in one transaction when it closes, so a
// section is only ever seen old or new, whole.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "handle_registry.h"
#include "orvik32.h"
#include "orvik32_batches.h"
#include "section_reading.h"
#include "section_store.h"
#include "win/win_file_facts.h"
#include "win/win_large_buffer.h"

namespace orvik {
namespace {


// A growable byte buffer that does not zero what it will overwrite anyway.
// Big ones come from the system's large-buffer pages: filling a whole
// section then costs few page faults.
class Bytes {
 public:
  Bytes() = default;
  Bytes(const Bytes&) = delete;
  Bytes& operator=(const Bytes&) = delete;
  ~Bytes() { Release(p_, cap_); }

  uint8_t* data() const { return p_; }
  uint32_t size = 0;

  bool Reserve(uint64_t n) {
    if (n <= cap_) return true;
    if (n > MaxSectionSize()) return false;
    uint64_t newCap = cap_ < 4096 ? 4096 : static_cast<uint64_t>(cap_) * 2;
    if (newCap < n) newCap = n;
    if (newCap > MaxSectionSize()) newCap = MaxSectionSize();
    uint8_t* q = Acquire(newCap);
    if (!q) return false;
    if (size) std::memcpy(q, p_, size);
    Release(p_, cap_);
    p_ = q;
    cap_ = static_cast<uint32_t>(newCap);
    return true;
  }

 private:
  static constexpr uint64_t kLarge = 1u << 22;
  static uint8_t* Acquire(uint64_t n) {
    if (n >= kLarge) return static_cast<uint8_t*>(win::memory::AllocLarge(n));
    return new (std::nothrow) uint8_t[n];
  }
  static void Release(uint8_t* p, uint64_t n) {
    if (!p) return;
    if (n >= kLarge) {
      win::memory::FreeLarge(p, n);
    } else {
      delete[] p;
    }
  }
  uint8_t* p_ = nullptr;
  uint32_t cap_ = 0;
};

// Reads a whole section within one read transaction.
bool LoadSection(Conn* c, const char* name, Bytes* out) {
  SectionPlace place;
  SectionBlob blob;
  if (!LocateSection(c, name, &place, &blob) || !out->Reserve(place.size)) return false;
  // In steps, so that no single read asks for more than an int counts.
  constexpr uint32_t kStep = 1u << 30;
  for (uint64_t at = 0; at < place.size; at += kStep) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kStep, place.size - at));
    if (!blob.Read(out->data() + at, n, at)) return false;
  }
  out->size = static_cast<uint32_t>(place.size);
  return true;
}

// Stores (replacing) one section in its own write transaction.
bool StoreSection(Conn* c, const char* name, const void* data, uint32_t size) {
  Transaction t(c, true);
  return t.ok() && PutSection(c, name, data, size) && t.Commit();
}

// The staged changes of this thread's open batch: sections by name (any
// case), each new bytes or a deletion, in the order first staged.
struct Staged {
  std::string name;
  bool deleted = false;
  std::string bytes;
};
struct Batch {
  std::string path;
  std::vector<Staged> changes;
  Staged* Find(const char* name) {
    for (Staged& c : changes)
      if (strcasecmp(c.name.c_str(), name) == 0) return &c;
    return nullptr;
  }
  Staged& Put(const char* name) {
    if (Staged* c = Find(name)) return *c;
    changes.push_back(Staged{name, false, {}});
    return changes.back();
  }
};
thread_local Batch* t_batch = nullptr;

Batch* BatchOf(const char* path) {
  return t_batch && path && strcasecmp(t_batch->path.c_str(), path) == 0 ? t_batch : nullptr;
}

// A connection that may write, for files that are not write-protected.
ConnPtr ConnectForWriting(const char* path) {
  if (!path || !*path) return ConnPtr();
  bool writeProtected = false;
  ConnPtr c = Connect(path, &writeProtected);
  if (writeProtected || (c && sqlite3_db_readonly(c->db(), "main") != 0)) return ConnPtr();
  return c;
}

class SectionHandle : public SectionBase {
 public:
  SectionHandle(std::string path, std::string name, bool writable)
      : path_(std::move(path)), name_(std::move(name)), writable_(writable) {}

  bool Close() override {
    if (!writable_ || !dirty_) return true;
    // A write that could not be taken leaves the section as it was: what
    // came before it is no whole section.
    if (failed_) return false;
    if (Batch* b = BatchOf(path_.c_str())) {
      Staged& c = b->Put(name_.c_str());
      c.deleted = false;
      c.bytes.assign(reinterpret_cast<const char*>(bytes_.data()), bytes_.size);
      return true;
    }
    if (!WriteAllowed()) return false;
    ConnPtr c = ConnectForWriting(path_.c_str());
    return c && StoreSection(c.get(), name_.c_str(), bytes_.data(), bytes_.size);
  }

  uint32_t Size() override { return bytes_.size; }

  uint32_t Seek(int32_t offset, int32_t origin) override {
    int64_t base;
    switch (origin) {
      case 0: base = 0; break;
      case 1: base = pos_; break;
      case 2: base = bytes_.size; break;
      default: return 0xFFFFFFFFu;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > MaxSectionSize()) return 0xFFFFFFFFu;
    pos_ = static_cast<uint32_t>(target);
    return pos_;
  }

  uint32_t Read(void* buffer, uint32_t count) override {
    if (!buffer || pos_ >= bytes_.size) return 0;
    const uint32_t n = count < bytes_.size - pos_ ? count : bytes_.size - pos_;
    std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
  }

  uint32_t Write(const void* buffer, uint32_t count) override {
    if (!writable_ || !buffer || count == 0) return 0;
    const uint64_t end = static_cast<uint64_t>(pos_) + count;
    if (DataWriteFails() || end > MaxSectionSize() || !bytes_.Reserve(end)) {
      failed_ = true;
      return 0;
    }
    if (pos_ > bytes_.size) std::memset(bytes_.data() + bytes_.size, 0, pos_ - bytes_.size);
    std::memcpy(bytes_.data() + pos_, buffer, count);
    if (end > bytes_.size) bytes_.size = static_cast<uint32_t>(end);
    pos_ = static_cast<uint32_t>(end);
    dirty_ = true;
    return count;
  }

  Bytes& bytes() { return bytes_; }
  void MarkDirty() { dirty_ = true; }

 private:
  std::string path_;
  std::string name_;
  bool writable_;
  bool dirty_ = false;
  bool failed_ = false;
  Bytes bytes_;
  uint32_t pos_ = 0;
};

HSECTION OpenExisting(const char* path, const char* name, bool writable) {
  if (!path || !ValidSectionName(name)) return nullptr;
  if (Batch* b = BatchOf(path)) {
    if (const Staged* c = b->Find(name)) {
      if (c->deleted || (writable && !ConnectForWriting(path))) return nullptr;
      auto h = std::make_shared<SectionHandle>(path, name, writable);
      if (!h->bytes().Reserve(c->bytes.size())) return nullptr;
      if (!c->bytes.empty()) std::memcpy(h->bytes().data(), c->bytes.data(), c->bytes.size());
      h->bytes().size = static_cast<uint32_t>(c->bytes.size());
      return AddHandle(std::move(h));
    }
  }
  if (!writable) {
    auto h = OpenSectionInPlace(path, name);
    return h ? AddHandle(std::move(h)) : nullptr;
  }
  ConnPtr c = ConnectForWriting(path);
  if (!c) return nullptr;
  auto h = std::make_shared<SectionHandle>(path, name, writable);
  if (!LoadSection(c.get(), name, &h->bytes())) return nullptr;
  return AddHandle(std::move(h));
}

}  // namespace
}  // namespace orvik

using namespace orvik;

BOOL SectionExists(const char* path, const char* name) {
  try {
    if (!path || !ValidSectionName(name)) return FALSE;
    if (Batch* b = BatchOf(path))
      if (const Staged* staged = b->Find(name)) return staged->deleted ? FALSE : TRUE;
    ConnPtr c = Connect(path);
    if (!c) return FALSE;
    Query q(c.get(), kFindSectionSql);
    q.Text(1, name);
    return q.Row() ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL SectionExistsBeside(HSECTION handle, const char* path, const char* name) {
  try {
    if (!path || !ValidSectionName(name)) return FALSE;
    if (!BatchOf(path)) {
      auto h = FindHandle<SectionBase>(handle);
      const int there = h ? h->HasSection(name) : -1;
      if (there >= 0) return there ? TRUE : FALSE;
    }
    return SectionExists(path, name);
  } catch (...) {
    return FALSE;
  }
}

int32_t GetSectionFileTypeOfSection(HSECTION handle, uint16_t* formatWord) {
  try {
    auto h = FindHandle<SectionBase>(handle);
    FileHead head{};
    if (!h || !h->Head(&head)) return -1;
    if (formatWord) *formatWord = head.formatWord;
    return head.typeCode;
  } catch (...) {
    return -1;
  }
}

BOOL GetSectionReadState(HSECTION handle, uint64_t* reader, uint32_t* version) {
  try {
    auto h = FindHandle<SectionBase>(handle);
    uint64_t r = 0;
    uint32_t v = 0;
    if (!h || !reader || !version || !h->ReadState(&r, &v)) return FALSE;
    *reader = r;
    *version = v;
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

HSECTION OpenSection(const char* path, const char* name, void*) {
  try {
    return OpenExisting(path, name, true);
  } catch (...) {
    return nullptr;
  }
}

HSECTION OpenSectionReadOnly(const char* path, const char* name, void*) {
  try {
    return OpenExisting(path, name, false);
  } catch (...) {
    return nullptr;
  }
}

HSECTION OpenSectionReadOnlyShared(const char* path, const char* name, void* status) {
  return OpenSectionReadOnly(path, name, status);
}

HSECTION CreateSection(const char* path, const char* name, void*) {
  try {
    if (!path || !ValidSectionName(name)) return nullptr;
    if (!ConnectForWriting(path)) return nullptr;
    auto h = std::make_shared<SectionHandle>(path, name, true);
    h->MarkDirty();  // even left empty, the section is replaced at close
    return AddHandle(std::move(h));
  } catch (...) {
    return nullptr;
  }
}

BOOL CloseSection(HSECTION handle) {
  try {
    auto h = TakeHandle(handle);
    if (!h) return FALSE;
    return h->Close() ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

uint32_t GetSectionSize(HSECTION handle) {
  auto h = FindHandle<SectionBase>(handle);
  return h ? h->Size() : 0;
}

uint32_t SeekSection(HSECTION handle, int32_t offset, int32_t origin) {
  auto h = FindHandle<SectionBase>(handle);
  return h ? h->Seek(offset, origin) : 0xFFFFFFFFu;
}

uint32_t ReadSection(HSECTION handle, void* buffer, uint32_t count) {
  auto h = FindHandle<SectionBase>(handle);
  return h ? h->Read(buffer, count) : 0;
}

uint32_t WriteSection(HSECTION handle, const void* buffer, uint32_t count) {
  try {
    auto h = FindHandle<SectionBase>(handle);
    return h ? h->Write(buffer, count) : 0;
  } catch (...) {
    return 0;
  }
}

BOOL DeleteSection(const char* path, const char* name) {
  try {
    if (!ValidSectionName(name)) return FALSE;
    if (Batch* b = BatchOf(path)) {
      if (!SectionExists(path, name)) return FALSE;
      Staged& staged = b->Put(name);
      staged.deleted = true;
      staged.bytes.clear();
      return TRUE;
    }
    if (!WriteAllowed()) return FALSE;
    ConnPtr c = ConnectForWriting(path);
    if (!c) return FALSE;
    Transaction t(c.get(), true);
    return t.ok() && RemoveSection(c.get(), name) == 1 && t.Commit() ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL RenameSection(const char* path, const char* oldName, const char* newName) {
  try {
    if (!ValidSectionName(oldName) || !ValidSectionName(newName) || !WriteAllowed()) return FALSE;
    ConnPtr c = ConnectForWriting(path);
    if (!c) return FALSE;
    // An existing section under the new name is never overwritten: the
    // unique name refuses the update.
    Query q(c.get(), "UPDATE sections SET name = ?2 WHERE name = ?1");
    q.Text(1, oldName).Text(2, newName);
    return q.Done() && sqlite3_changes(c->db()) > 0 ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL CopySection(const char* sourcePath, const char* sourceName, const char* targetPath,
                 const char* targetName) {
  try {
    if (!sourcePath || !ValidSectionName(sourceName) || !ValidSectionName(targetName)) return FALSE;
    Bytes bytes;
    // Within a batch, a copy sees what was staged and is staged itself.
    const Staged* staged = nullptr;
    if (Batch* b = BatchOf(sourcePath)) staged = b->Find(sourceName);
    if (staged) {
      if (staged->deleted || !bytes.Reserve(staged->bytes.size())) return FALSE;
      if (!staged->bytes.empty()) std::memcpy(bytes.data(), staged->bytes.data(), staged->bytes.size());
      bytes.size = static_cast<uint32_t>(staged->bytes.size());
    } else {
      ConnPtr source = Connect(sourcePath);
      if (!source || !LoadSection(source.get(), sourceName, &bytes)) return FALSE;
    }
    ConnPtr target = ConnectForWriting(targetPath);
    if (!target) return FALSE;
    if (Batch* b = BatchOf(targetPath)) {
      Staged& change = b->Put(targetName);
      change.deleted = false;
      change.bytes.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size);
      return TRUE;
    }
    return StoreSection(target.get(), targetName, bytes.data(), bytes.size) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL BeginSectionBatch(const char* path) {
  try {
    if (t_batch || !path || !*path) return FALSE;
    t_batch = new Batch{path, {}};
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

void AbortSectionBatch(const char* path) {
  if (!BatchOf(path)) return;
  delete t_batch;
  t_batch = nullptr;
}

BOOL CommitSectionBatch(const char* path) {
  Batch* b = BatchOf(path);
  if (!b) return FALSE;
  std::unique_ptr<Batch> batch(b);
  t_batch = nullptr;
  try {
    if (batch->changes.empty()) return TRUE;
    if (!WriteAllowed()) return FALSE;
    ConnPtr c = ConnectForWriting(batch->path.c_str());
    if (!c) return FALSE;
    Transaction t(c.get(), true);
    if (!t.ok()) return FALSE;
    for (const Staged& change : batch->changes) {
      if (change.deleted) {
        if (RemoveSection(c.get(), change.name.c_str()) < 0) return FALSE;
      } else if (!PutSection(c.get(), change.name.c_str(), change.bytes.data(), change.bytes.size())) {
        return FALSE;
      }
    }
    return t.Commit() ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}
