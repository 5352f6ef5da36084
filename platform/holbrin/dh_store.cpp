// Section I/O and the fixed-record tables behind the table handles.
#include "dh_store.h"

#include <cctype>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "holbrin.h"
#include "orvik32/orvik32_batches.h"
#include "win/win_crt.h"
#include "orvik32/whole_sections.h"

namespace holbrin {
namespace {

constexpr char kMagic[4] = {'D', 'H', 'T', '1'};
constexpr uint32_t kMaxSection = 256u * 1024u * 1024u;

uint32_t Checksum(const uint8_t* p, size_t n) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::mutex g_lock;
std::unordered_set<Table*> g_tables;

void CloseFromStore(void* handle) {
  Table* t = static_cast<Table*>(handle);
  {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_tables.erase(t)) return;
  }
  delete t;
}

}  // namespace

MemoryWorking*& MemoryWorkings() {
  thread_local MemoryWorking* top = nullptr;
  return top;
}

MemoryWorking* MemoryWorkingOf(const char* path) {
  if (!path) return nullptr;
  for (MemoryWorking* m = MemoryWorkings(); m; m = m->previous)
    if (_stricmp(m->path.c_str(), path) == 0) return m;
  return nullptr;
}

std::string SectionKey(const std::string& name) {
  std::string key = name;
  for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

MethodReads*& MethodReadsHeld() {
  thread_local MethodReads* top = nullptr;
  return top;
}

bool ReadMethodSection(const char* path, const std::string& name, std::vector<uint8_t>& out) {
  MethodReads* held = nullptr;
  for (MethodReads* m = path ? MethodReadsHeld() : nullptr; m && !held; m = m->previous)
    if (_stricmp(m->path.c_str(), path) == 0) held = m;
  if (!held) return ReadWholeSection(path, name, out);
  const std::string key = SectionKey(name);
  auto it = held->kept.find(key);
  if (it == held->kept.end()) {
    MethodReads::Kept k;
    k.present = ReadWholeSection(path, name, k.bytes);
    it = held->kept.emplace(key, std::move(k)).first;
  }
  if (it->second.present) out = it->second.bytes;
  else out.clear();
  return it->second.present;
}

void ForgetKeptSection(const char* path, const std::string& name) {
  if (!path) return;
  const std::string key = SectionKey(name);
  for (MethodReads* m = MethodReadsHeld(); m; m = m->previous)
    if (_stricmp(m->path.c_str(), path) == 0) m->kept.erase(key);
}

bool ReadWholeSection(const char* path, const std::string& name, std::vector<uint8_t>& out) {
  if (MemoryWorking* m = MemoryWorkingOf(path)) {
    auto it = m->sections.find(SectionKey(name));
    if (it == m->sections.end()) return false;
    out = it->second;
    return true;
  }
  return orvik::ReadWholeSection(path, name.c_str(), &out, kMaxSection);
}

bool ReplaceSection(const char* path, const std::string& name, const void* bytes, size_t size) {
  if (!path || !*path || size > kMaxSection) return false;
  ForgetKeptSection(path, name);
  // The section is staged and committed alone, in one transaction: a short
  // write commits nothing, and the file is synced once, not three times.
  if (BeginSectionBatch(path)) {
    HSECTION s = CreateSection(path, name.c_str(), nullptr);
    bool ok = s && (size == 0 || WriteSection(s, bytes, uint32_t(size)) == size);
    if (s) ok = CloseSection(s) && ok;
    if (!ok) {
      AbortSectionBatch(path);
      return false;
    }
    return CommitSectionBatch(path) != 0;
  }
  // Inside a batch of the caller's own (or one on another file), a short
  // write would still be committed at close, so the new bytes go to
  // a scratch section first and replace the old section only when whole.
  const std::string scratch = name + "~w";
  HSECTION s = CreateSection(path, scratch.c_str(), nullptr);
  if (!s) return false;
  bool ok = size == 0 || WriteSection(s, bytes, uint32_t(size)) == size;
  ok = CloseSection(s) && ok;  // the close commits the scratch section
  if (ok) ok = CopySection(path, scratch.c_str(), path, name.c_str()) != 0;
  DeleteSection(path, scratch.c_str());
  return ok;
}

bool DecodeTable(const std::vector<uint8_t>& section, uint32_t recordSize,
                 std::vector<uint8_t>& records) {
  records.clear();
  if (recordSize == 0 || section.size() < kTableHeadSize) return false;
  const uint8_t* p = section.data();
  if (std::memcmp(p, kMagic, 4) != 0) return false;
  if (GetU32(p + 4) != recordSize) return false;  // another version of the record
  uint64_t count = GetU32(p + 8);
  if (kTableHeadSize + count * recordSize != section.size()) return false;
  if (Checksum(p + kTableHeadSize, section.size() - kTableHeadSize) != GetU32(p + 12)) return false;
  records.assign(section.begin() + kTableHeadSize, section.end());
  return true;
}

std::vector<uint8_t> EncodeTable(uint32_t recordSize, const std::vector<uint8_t>& records) {
  std::vector<uint8_t> out(kTableHeadSize + records.size());
  std::memcpy(out.data(), kMagic, 4);
  PutU32(out.data() + 4, recordSize);
  PutU32(out.data() + 8, uint32_t(records.size() / recordSize));
  PutU32(out.data() + 12, Checksum(records.data(), records.size()));
  if (!records.empty()) std::memcpy(out.data() + kTableHeadSize, records.data(), records.size());
  return out;
}

bool Table::Save() const {
  if (raw) return ReplaceSection(path.c_str(), section, records.data(), records.size());
  std::vector<uint8_t> bytes = EncodeTable(recordSize, records);
  return ReplaceSection(path.c_str(), section, bytes.data(), bytes.size());
}

void* Register(Table* table) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_tables.insert(table);
  }
  RegisterForeignHandle(table, &CloseFromStore);
  return table;
}

Table* Lookup(void* handle) {
  if (!handle) return nullptr;
  std::lock_guard<std::mutex> hold(g_lock);
  auto it = g_tables.find(static_cast<Table*>(handle));
  return it == g_tables.end() ? nullptr : *it;
}

void Release(void* handle) {
  Table* t = static_cast<Table*>(handle);
  {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!t || !g_tables.erase(t)) return;
  }
  UnregisterForeignHandle(t);
  delete t;
}

void* OpenTable(const char* path, const std::string& section, uint32_t recordSize, bool forUpdate) {
  if (!path || !*path || section.empty() || recordSize == 0) return nullptr;
  std::vector<uint8_t> bytes;
  if (!ReadWholeSection(path, section, bytes)) return nullptr;
  auto* t = new Table;
  if (!DecodeTable(bytes, recordSize, t->records)) {
    delete t;
    return nullptr;
  }
  t->path = path;
  t->section = section;
  t->recordSize = recordSize;
  t->writable = forUpdate;
  return Register(t);
}

void* CreateTable(const char* path, const std::string& section, uint32_t recordSize) {
  if (!path || !*path || section.empty() || recordSize == 0) return nullptr;
  auto* t = new Table;
  t->path = path;
  t->section = section;
  t->recordSize = recordSize;
  t->writable = true;
  if (!t->Save()) {
    delete t;
    return nullptr;
  }
  return Register(t);
}

bool ReplaceTable(const char* path, const std::string& section, uint32_t recordSize, const void* records,
                  uint32_t count) {
  if (!path || !*path || section.empty() || recordSize == 0 || (count && !records)) return false;
  if (uint64_t(count) * recordSize > kMaxSection) return false;
  Table t;
  t.path = path;
  t.section = section;
  t.recordSize = recordSize;
  const auto* p = static_cast<const uint8_t*>(records);
  t.records.assign(p, p + size_t(count) * recordSize);
  return t.Save();
}

bool ReadRecords(void* handle, int32_t index, int32_t count, void* out) {
  Table* t = Lookup(handle);
  if (!t || !out || index < 0 || count < 1) return false;
  uint64_t end = uint64_t(index) + uint64_t(count);
  if (end > t->Count()) return false;
  std::memcpy(out, t->records.data() + uint64_t(index) * t->recordSize, size_t(count) * t->recordSize);
  return true;
}

bool WriteRecords(void* handle, int32_t index, int32_t count, const void* in) {
  Table* t = Lookup(handle);
  if (!t || !t->writable || !in || index < 0 || count < 1) return false;
  if (uint32_t(index) > t->Count()) return false;  // no gaps
  const uint64_t begin = uint64_t(index) * t->recordSize;
  const uint64_t bytes = uint64_t(count) * t->recordSize;
  if (begin + bytes > kMaxSection) return false;
  // Records the table holds already, byte for byte: saving would store the
  // same table again (a file quantitated again writes the same times).
  if (begin + bytes <= t->records.size() && std::memcmp(t->records.data() + begin, in, bytes) == 0) return true;
  std::vector<uint8_t> old = t->records;
  if (begin + bytes > t->records.size()) t->records.resize(begin + bytes);
  std::memcpy(t->records.data() + begin, in, bytes);
  if (!t->Save()) {
    t->records.swap(old);
    return false;
  }
  return true;
}

std::string BuiltName(const char* base, uint16_t id, uint16_t address, const char* tag) {
  char name[300];
  if (!BuildDHSectionName(name, base, id, address, tag)) return {};
  return name;
}

}  // namespace holbrin
