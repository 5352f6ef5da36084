// The reports file handler. Every change is ordered so that the header,
// rewritten whole in one commit, is the last thing written: until it lands
// the file still reads as it was, so a failed or interrupted change never
// leaves earlier pages unreadable.
#include "reportpages/reports_file.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "reportpages/file_selection.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

constexpr uint32_t kPiece = 4000;
constexpr int32_t kMaxCapacity = 16000;  // the slot limit rounded up to a whole step
constexpr uint32_t kSlotStep = 40;       // directory records added at a time (about one store page)
const char kHeaderSection[] = "MSRHeader";
const char kSlotSection[] = "MSRSlotInfo";
const char kUpgradeCaption[] = "Report File Upgrade";

// Reads count bytes at offset of a section, whole or not at all.
bool ReadAt(const char* path, const char* name, uint32_t offset, void* buffer, uint32_t count) {
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return false;
  bool ok = SeekSection(s, int32_t(offset), 0) == offset;
  auto* p = static_cast<uint8_t*>(buffer);
  for (uint32_t done = 0; ok && done < count;) {
    const uint32_t n = count - done < kPiece ? count - done : kPiece;
    ok = ReadSection(s, p + done, n) == n;
    done += n;
  }
  CloseSection(s);
  return ok;
}

bool WritePieces(HSECTION s, const void* data, uint32_t count) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (uint32_t done = 0; done < count;) {
    const uint32_t n = count - done < kPiece ? count - done : kPiece;
    if (WriteSection(s, p + done, n) != n) return false;
    done += n;
  }
  return true;
}

// Replaces a section with the bytes, committed at once.
bool WriteWhole(const char* path, const char* name, const void* data, uint32_t count) {
  HSECTION s = CreateSection(path, name, nullptr);
  if (!s) return false;
  const bool ok = WritePieces(s, data, count);
  return CloseSection(s) && ok;
}

uint32_t SectionLength(const char* path, const char* name) {
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return 0;
  const uint32_t n = GetSectionSize(s);
  CloseSection(s);
  return n;
}

void OldPageSectionName(int32_t slot, char* out, size_t size) { std::snprintf(out, size, "MSRPage%03d", int(slot)); }

// The writes of one change, committed together when the store can batch
// them (it cannot inside another batch of this thread: the writes then go
// one by one, in an order that keeps the file readable after each).
class WriteBatch {
 public:
  explicit WriteBatch(const char* path) : path_(path), on_(BeginSectionBatch(path) != 0) {}
  ~WriteBatch() {
    if (on_) AbortSectionBatch(path_);
  }
  WriteBatch(const WriteBatch&) = delete;
  WriteBatch& operator=(const WriteBatch&) = delete;
  bool batched() const { return on_; }
  bool Commit() {
    if (!on_) return true;
    on_ = false;
    return CommitSectionBatch(path_) != 0;
  }

 private:
  const char* path_;
  bool on_;
};

// Counts that a sound file can hold; anything else is damage.
bool SoundCounts(const RptsFileHeader& h) {
  return h.capacity >= 0 && h.capacity <= kMaxCapacity && h.usedSlots >= 0 && h.usedSlots <= MSR_MAX_SLOTS &&
         h.usedSlots <= h.capacity && h.pageCount >= 0 && h.pageCount <= h.usedSlots;
}

}  // namespace

CRptsFileHandler::CRptsFileHandler(const char* path, const char* secondName)
    : m_WriteProtected(0), m_Header(nullptr), m_Status(nullptr) {
  m_FileName[0] = 0;
  m_PageSection[0] = 0;
  std::snprintf(m_SecondName, sizeof m_SecondName, "%s", secondName ? secondName : "");
  if (path && path[0]) OpenFile(path);
}

CRptsFileHandler::CRptsFileHandler(const char* secondName) : CRptsFileHandler(nullptr, secondName) {}

CRptsFileHandler::~CRptsFileHandler() { Close(); }

void CRptsFileHandler::Close() {
  if (m_Header) FreeBlock(m_Header);
  if (m_Status) FreeBlock(m_Status);
  m_Header = nullptr;
  m_Status = nullptr;
  m_FileName[0] = 0;
  m_SecondName[0] = 0;
  m_WriteProtected = 0;
}

void CRptsFileHandler::PageSectionName(int32_t slot, char* out, size_t size) {
  std::snprintf(out, size, "MSRPage%07d", int(slot));
}

int CRptsFileHandler::UseThisExistingFile(const char* path) { return OpenFile(path); }

int CRptsFileHandler::OpenFile(const char* path) {
  Close();
  if (!path || !path[0]) return 0;
  std::string file(path, strnlen(path, sizeof m_FileName - 1));
  RptsFileHeader head{};
  for (int reads = 0;; ++reads) {
    if (!ReadAt(file.c_str(), kHeaderSection, 0, &head, sizeof head)) return 0;
    if (head.version == 2) break;
    if (head.version != 1 || reads > 0) return 0;
    if (!UpgradeVersion1(file.c_str())) return 0;
  }
  if (!SoundCounts(head) || SectionLength(file.c_str(), kHeaderSection) < sizeof head + uint32_t(head.capacity))
    return 0;
  m_Header = static_cast<uint8_t*>(AllocBlock(54));
  m_Status = static_cast<uint8_t*>(AllocBlock(uint32_t(head.capacity) + 20));
  if (!m_Header || !m_Status ||
      (head.capacity > 0 && !ReadAt(file.c_str(), kHeaderSection, sizeof head, m_Status, uint32_t(head.capacity)))) {
    Close();
    return 0;
  }
  std::memcpy(m_Header, &head, sizeof head);
  // Every page has its slot and every slot marked as a page is counted:
  // with fewer pages counted than marked, the page-to-slot walk would hand
  // out another page's content for a page added later.
  int32_t pages = 0;
  for (int32_t i = 0; i < head.usedSlots; ++i) pages += m_Status[i] == MSR_SLOT_PAGE;
  if (pages != head.pageCount) {
    Close();
    return 0;
  }
  std::memcpy(m_FileName, file.c_str(), file.size() + 1);
  m_WriteProtected = IsFileReadOnly(m_FileName) ? 1 : 0;
  return 1;
}

int CRptsFileHandler::UpgradeVersion1(const char* path) {
  char text[600];
  if (GetPrivateProfileIntA("Corvane Zeph Workstation", "AutoUpgrade", 0, GetWorkstationIniPath()) == 0) {
    std::snprintf(text, sizeof text,
                  "Ready to upgrade '%s'.\n\nAfter the upgrade is finished, this file will no longer be usable by "
                  "any previous version of the Halvern.\n\nPress 'Cancel' if you are not ready to upgrade now.",
                  path);
    if (MessageBoxA(GetActiveWindow(), text, kUpgradeCaption, MB_OKCANCEL | MB_ICONINFORMATION | MB_SYSTEMMODAL) ==
        IDCANCEL)
      return 0;
  }
  if (IsFileReadOnly(path)) {
    std::snprintf(text, sizeof text, "The file'%s'\ncannot be upgraded because it is write protected", path);
    MessageBoxA(GetActiveWindow(), text, kUpgradeCaption, MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL);
    return 0;
  }
  RptsFileHeaderV1 old{};
  if (!ReadAt(path, kHeaderSection, 0, &old, sizeof old)) return 0;
  if (old.pageCount < 0 || old.usedSlots < old.pageCount || old.usedSlots > 500) return 0;
  std::vector<uint8_t> bytes(sizeof(RptsFileHeader) + MSR_CAPACITY_STEP, 0);
  RptsFileHeader head{};
  head.version = 2;
  head.createdAt = old.createdAt;
  head.pageCount = old.pageCount;
  head.usedSlots = old.usedSlots;
  head.capacity = MSR_CAPACITY_STEP;
  std::memcpy(bytes.data(), &head, sizeof head);
  std::memcpy(bytes.data() + sizeof head, old.status, size_t(old.usedSlots));

  // Renames that fail are undone and the file stays as it was; a page
  // already under its new name (an upgrade cut short) is taken as done.
  std::vector<int32_t> renamed;
  auto undo = [&] {
    char from[32], to[32];
    for (int32_t slot : renamed) {
      PageSectionName(slot, from, sizeof from);
      OldPageSectionName(slot, to, sizeof to);
      RenameSection(path, from, to);
    }
  };
  for (int32_t slot = 1; slot <= old.usedSlots; ++slot) {
    if (old.status[slot - 1] != MSR_SLOT_PAGE) continue;
    char from[32], to[32];
    OldPageSectionName(slot, from, sizeof from);
    PageSectionName(slot, to, sizeof to);
    if (!SectionExists(path, from)) continue;
    if (!RenameSection(path, from, to)) {
      undo();
      return 0;
    }
    renamed.push_back(slot);
  }
  if (!WriteWhole(path, kHeaderSection, bytes.data(), uint32_t(bytes.size()))) {
    undo();
    return 0;
  }
  return 1;
}

int CRptsFileHandler::MakeThisNewFile(const char* path) {
  if (!path || !path[0]) return 0;
  const std::string file(path, strnlen(path, sizeof m_FileName - 1));
  SECTION_FILE_RECORD record{};
  if (!CreateSectionFile(&record, MSR_FILE_TYPE, 0, 0)) return 0;
  const HSECTFILE h = OpenSectionFile(file.c_str(), &record, SECTION_FILE_READ_WRITE, 2);
  if (h == -1) return 0;
  CloseSectionFile(h);

  const std::string second = m_SecondName;
  Close();
  std::snprintf(m_SecondName, sizeof m_SecondName, "%s", second.c_str());
  m_Header = static_cast<uint8_t*>(AllocBlock(54));
  m_Status = static_cast<uint8_t*>(AllocBlock(MSR_CAPACITY_STEP + 20));
  bool ok = m_Header && m_Status;
  if (ok) {
    RptsFileHeader& head = Head();
    head.version = 2;
    head.createdAt = uint32_t(GetCurrentDateTime());
    head.capacity = MSR_CAPACITY_STEP;
    std::memcpy(m_FileName, file.c_str(), file.size() + 1);
    WriteBatch batch(m_FileName);
    HSECTION s = CreateSection(m_FileName, kSlotSection, nullptr);
    ok = s && CloseSection(s) && WriteHeader() && batch.Commit();
  }
  if (!ok) {
    Close();
    DeleteFileA(file.c_str());
    return 0;
  }
  return 1;
}

int CRptsFileHandler::LetUserSelectExistingFile() {
  char path[MAX_PATH] = {};
  if (m_FileName[0]) std::snprintf(path, sizeof path, "%s", m_FileName);
  if (!Dlg_SelectReportsFile(GetActiveWindow(), path, 0, nullptr)) return 0;
  return OpenFile(path);
}

int CRptsFileHandler::LetUserCreateNewFile() {
  // The second name (a data file, say) suggests the new file's name.
  char path[MAX_PATH] = {};
  std::snprintf(path, sizeof path, "%s", m_SecondName);
  if (!Dlg_SelectSaveAsFile(GetActiveWindow(), 11, path, 0, nullptr)) return 0;
  return MakeThisNewFile(path);
}

int32_t CRptsFileHandler::GetCountOfPages() const { return IsOpen() ? Head().pageCount : -1; }
int32_t CRptsFileHandler::GetUsedSlotCount() const { return IsOpen() ? Head().usedSlots : -1; }
int32_t CRptsFileHandler::GetFreeSlotCount() const {
  return IsOpen() ? MSR_MAX_SLOTS - Head().usedSlots : MSR_MAX_SLOTS;
}

int32_t CRptsFileHandler::SlotOfPage(int32_t index) const {
  if (!IsOpen() || index < 0) return 0;
  const int32_t used = Head().usedSlots;
  for (int32_t slot = 0, seen = 0; slot < used; ++slot) {
    if (m_Status[slot] != MSR_SLOT_PAGE) continue;
    if (seen++ == index) return slot + 1;
  }
  return 0;
}

int CRptsFileHandler::WriteHeader() {
  HSECTION s = CreateSection(m_FileName, kHeaderSection, nullptr);
  if (!s) return 0;
  const bool ok = WritePieces(s, m_Header, sizeof(RptsFileHeader)) &&
                  WritePieces(s, m_Status, uint32_t(Head().capacity));
  return CloseSection(s) && ok ? 1 : 0;
}

void* CRptsFileHandler::GetPage(int32_t index, RptsPageRecord* record, uint32_t* size) {
  if (size) *size = 0;
  if (!IsOpen() || index < 0 || index >= Head().pageCount) return nullptr;
  const int32_t slot = SlotOfPage(index);
  if (!slot) return nullptr;
  RptsPageRecord r{};
  if (!ReadAt(m_FileName, kSlotSection, uint32_t(index) * MSR_PAGE_RECORD_SIZE, &r, sizeof r)) return nullptr;
  PageSectionName(slot, m_PageSection, sizeof m_PageSection);
  HSECTION s = OpenSectionReadOnly(m_FileName, m_PageSection, nullptr);
  if (!s) return nullptr;
  const uint32_t n = GetSectionSize(s);
  auto* block = static_cast<uint8_t*>(AllocBlock(n ? n : 1));
  bool ok = block != nullptr;
  for (uint32_t done = 0; ok && done < n;) {
    const uint32_t piece = n - done < kPiece ? n - done : kPiece;
    ok = ReadSection(s, block + done, piece) == piece;
    done += piece;
  }
  CloseSection(s);
  if (!ok) {
    if (block) FreeBlock(block);
    return nullptr;
  }
  if (record) std::memcpy(record, &r, sizeof r);
  if (size) *size = n;
  return block;
}

int CRptsFileHandler::AddPageToFile(const void* content, uint32_t size, uint16_t kind, uint16_t columns,
                                    uint16_t lines, uint16_t orientation, uint16_t fontFlag, uint16_t colorMode,
                                    uint16_t logicalWidth, uint16_t logicalHeight, uint16_t pageNumber,
                                    uint32_t dateTime, const char* title) {
  if (!IsOpen() || m_WriteProtected || (!content && size)) return 0;
  uint8_t kept[sizeof(RptsFileHeader)];
  std::memcpy(kept, m_Header, sizeof kept);
  RptsFileHeader& head = Head();
  if (head.usedSlots >= MSR_MAX_SLOTS) return 0;
  if (head.usedSlots >= head.capacity) {
    void* grown = ReallocBlock(m_Status, uint32_t(head.capacity) + MSR_CAPACITY_STEP + 20);
    if (!grown) return 0;
    m_Status = static_cast<uint8_t*>(grown);
    std::memset(m_Status + head.capacity, 0, MSR_CAPACITY_STEP + 20);
    head.capacity += MSR_CAPACITY_STEP;
  }
  RptsPageRecord r{};
  r.kind = kind;
  r.columns = columns;
  r.lines = lines;
  r.orientation = orientation;
  r.fontFlag = fontFlag;
  r.colorMode = colorMode;
  r.logicalWidth = logicalWidth;
  r.logicalHeight = logicalHeight;
  r.pageNumber = pageNumber;
  r.dateTime = dateTime;
  if (title) std::memcpy(r.title, title, strnlen(title, 79));
  auto restore = [&] {
    std::memcpy(m_Header, kept, sizeof kept);
    return 0;
  };
  // The record goes beyond the valid ones, the content into a slot never
  // used: neither is read until the header counts them.
  WriteBatch batch(m_FileName);
  HSECTION s = OpenSection(m_FileName, kSlotSection, nullptr);
  if (!s) return restore();
  const uint32_t at = uint32_t(head.pageCount) * MSR_PAGE_RECORD_SIZE;
  bool ok = SeekSection(s, int32_t(at), 0) == at && WriteSection(s, &r, sizeof r) == sizeof r;
  // The directory grows by a step of zeroed records at a time (records
  // beyond the page count are never read): a section that keeps its length
  // is rewritten in place, only where it changed, while one that grows is
  // written whole again.
  const uint32_t length = ok ? GetSectionSize(s) : 0;
  if (ok && length == at + sizeof r) {
    static const uint8_t kZeros[kSlotStep * MSR_PAGE_RECORD_SIZE] = {};
    const uint32_t records = uint32_t(head.pageCount) + 1;
    const uint32_t end = (records + kSlotStep - 1) / kSlotStep * kSlotStep * MSR_PAGE_RECORD_SIZE;
    ok = WritePieces(s, kZeros, end - length);
  }
  if (!CloseSection(s) || !ok) return restore();
  const int32_t slot = head.usedSlots + 1;
  PageSectionName(slot, m_PageSection, sizeof m_PageSection);
  if (!WriteWhole(m_FileName, m_PageSection, content, size)) return restore();
  head.pageCount += 1;
  head.usedSlots += 1;
  m_Status[slot - 1] = MSR_SLOT_PAGE;
  if (!WriteHeader() || !batch.Commit()) {
    restore();
    if (!batch.batched()) DeleteSection(m_FileName, m_PageSection);
    return 0;
  }
  return 1;
}

int CRptsFileHandler::ReplacePage(int32_t index, const void* content, uint32_t size) {
  if (!IsOpen() || m_WriteProtected || index < 0 || index >= Head().pageCount || (!content && size)) return 0;
  const int32_t slot = SlotOfPage(index);
  if (!slot) return 0;
  PageSectionName(slot, m_PageSection, sizeof m_PageSection);
  // The store may empty a section as soon as it is created, so the new
  // content is committed only once it is whole: a failed write keeps the
  // old page.
  WriteBatch batch(m_FileName);
  if (batch.batched()) return WriteWhole(m_FileName, m_PageSection, content, size) && batch.Commit() ? 1 : 0;
  // Inside a batch of this thread's own: a scratch section first.
  const std::string scratch = std::string(m_PageSection) + "~new";
  const bool ok = WriteWhole(m_FileName, scratch.c_str(), content, size) &&
                  CopySection(m_FileName, scratch.c_str(), m_FileName, m_PageSection);
  DeleteSection(m_FileName, scratch.c_str());
  return ok ? 1 : 0;
}

int CRptsFileHandler::DeletePage(int32_t index) {
  if (!IsOpen() || m_WriteProtected || index < 0 || index >= Head().pageCount) return 0;
  RptsFileHeader& head = Head();
  const int32_t slot = SlotOfPage(index);
  if (!slot) return 0;
  PageSectionName(slot, m_PageSection, sizeof m_PageSection);
  // The later records move down one place, in one commit; the old ones are
  // kept to put back when the header cannot be written.
  const uint32_t from = uint32_t(index) * MSR_PAGE_RECORD_SIZE;
  const uint32_t tail = uint32_t(head.pageCount - index - 1) * MSR_PAGE_RECORD_SIZE;
  std::vector<uint8_t> old(tail + MSR_PAGE_RECORD_SIZE);
  WriteBatch batch(m_FileName);
  const bool batched = batch.batched();
  if (tail) {
    if (!ReadAt(m_FileName, kSlotSection, from, old.data(), uint32_t(old.size()))) return 0;
    if (!WriteAt(from, old.data() + MSR_PAGE_RECORD_SIZE, tail)) return 0;
  }
  uint8_t kept[sizeof(RptsFileHeader)];
  std::memcpy(kept, m_Header, sizeof kept);
  head.pageCount -= 1;
  m_Status[slot - 1] = MSR_SLOT_DELETED;
  bool ok = WriteHeader() != 0;
  // Once the header is written the page is gone for every reader; its
  // content section only takes room if it cannot be removed.
  if (ok) DeleteSection(m_FileName, m_PageSection);
  ok = ok && batch.Commit();
  if (!ok) {
    std::memcpy(m_Header, kept, sizeof kept);
    m_Status[slot - 1] = MSR_SLOT_PAGE;
    if (!batched && tail) WriteAt(from, old.data(), tail);
    return 0;
  }
  return 1;
}

bool CRptsFileHandler::WriteAt(uint32_t offset, const void* data, uint32_t count) {
  HSECTION s = OpenSection(m_FileName, kSlotSection, nullptr);
  if (!s) return false;
  const bool ok = SeekSection(s, int32_t(offset), 0) == offset && WritePieces(s, data, count);
  return CloseSection(s) && ok;
}

RptsPageRecord* CRptsFileHandler::GetSlotRange(int32_t first, int32_t last) {
  if (!IsOpen() || first < 0 || first > last || last >= Head().pageCount) return nullptr;
  const uint32_t count = uint32_t(last - first + 1);
  auto* block = static_cast<RptsPageRecord*>(AllocBlock(count * MSR_PAGE_RECORD_SIZE));
  if (!block) return nullptr;
  if (!ReadAt(m_FileName, kSlotSection, uint32_t(first) * MSR_PAGE_RECORD_SIZE, block,
              count * MSR_PAGE_RECORD_SIZE)) {
    FreeBlock(block);
    return nullptr;
  }
  for (uint32_t i = 0; i < count; ++i)
    if (block[i].colorMode > 4) block[i].colorMode = 2;
  return block;
}
