// Descriptor arrays kept in the data file's descriptor sections, and the
// saving of user plot descriptors into one or many data files.
//
// Section layout: i16 n; n x (u32 offset, u32 size) from the start of the
// section; the descriptors' byte images. An empty array is no section.
#include <cstring>
#include <string>
#include <vector>

#include "common/file_finder.h"
#include "common/list_text_helpers.h"
#include "common/plot_descriptors.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

namespace {

constexpr uint32_t kHeadBlock = 1610;  // count and 201 directory entries
constexpr int kHeadEntries = 200;
constexpr uint32_t kDirEntry = 8;
const char kAuditCreated[] = "Created Run Audit Trail";
const char kAuditChanged[] = "User Plot Descriptions Changed";

uint32_t U32At(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Frees a block and its descriptors on every path out.
struct ArrayGuard {
  STRUCT_PD_ARRAY* array = nullptr;
  ~ArrayGuard() { PD_FreePDArray(array); }
  STRUCT_PD_ARRAY* Release() {
    STRUCT_PD_ARRAY* a = array;
    array = nullptr;
    return a;
  }
};

struct BlockGuard {
  void* block = nullptr;
  ~BlockGuard() {
    if (block) FreeBlock(block);
  }
};

struct SectionGuard {
  HSECTION section = nullptr;
  ~SectionGuard() {
    if (section) CloseSection(section);
  }
};

// The descriptor behind a stored image is whole: its embedded count needs no
// more than the stored size. A longer image (room kept by another writer) is
// read as it is; the descriptor simply ignores the rest.
bool ImageIsWhole(const uint8_t* image, uint32_t size) {
  if (size < sizeof(STRUCT_PLOT_DESCRIPTOR)) return false;
  const uint16_t n = static_cast<uint16_t>(image[PD_HEAD_SIZE] | image[PD_HEAD_SIZE + 1] << 8);
  return PlotDescriptorSize(n) <= size;
}

void WriteAudit(const char* path, const char* section) {
  if (!IsSecurityEnabled()) return;
  if (!AuditTrailExists(path)) {
    char info[AUDIT_INFO_TEXT_SIZE] = "";
    FillAuditTrailInfo(info, sizeof info);
    char user[AUDIT_USER_NAME_SIZE] = "";
    GetCurrentUserName(user);
    CreateAuditTrail(path, user, kAuditCreated, info);
  }
  if (AuditTrailExists(path)) {
    NoteAuditSection(path, section);
    AddAuditTrailEntry(path, kAuditChanged);
  }
}

// The descriptors of an array in order, each checked against its block.
bool Collect(const STRUCT_PD_ARRAY* array, std::vector<const STRUCT_PLOT_DESCRIPTOR*>* out) {
  if (array->count < 0) return false;
  for (int i = 0; i < array->count; ++i) {
    const STRUCT_PLOT_DESCRIPTOR* pd = array->pds[i];
    if (!pd || GetBlockSize(pd) < PlotDescriptorSize(pd)) return false;
    out->push_back(pd);
  }
  return true;
}

BOOL WriteArray(const char* path, const STRUCT_PD_ARRAY* array, const char* name) {
  std::vector<const STRUCT_PLOT_DESCRIPTOR*> pds;
  if (array && !Collect(array, &pds)) return FALSE;
  if (pds.empty()) {
    if (!DeleteSection(path, name) && SectionExists(path, name)) return FALSE;
    WriteAudit(path, name);
    return TRUE;
  }
  const uint32_t n = static_cast<uint32_t>(pds.size());
  const uint32_t dirBytes = 2 + kDirEntry * n;
  BlockGuard dir{AllocBlock(dirBytes + PD_SLACK_BYTES)};
  if (!dir.block) return FALSE;
  auto* d = static_cast<uint8_t*>(dir.block);
  d[0] = static_cast<uint8_t>(n);
  d[1] = static_cast<uint8_t>(n >> 8);
  uint64_t offset = dirBytes;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t size = PlotDescriptorSize(pds[i]);
    if (offset > UINT32_MAX) return FALSE;
    PutU32(d + 2 + kDirEntry * i, static_cast<uint32_t>(offset));
    PutU32(d + 6 + kDirEntry * i, size);
    offset += size;
  }
  HSECTION s = CreateSection(path, name, nullptr);
  if (!s) return FALSE;
  bool whole = WriteSection(s, d, dirBytes) == dirBytes;
  for (uint32_t i = 0; whole && i < n; ++i) {
    const uint32_t size = PlotDescriptorSize(pds[i]);
    whole = WriteSection(s, pds[i], size) == size;
  }
  // The section commits only when it closes; a failed commit leaves the old one.
  const bool committed = CloseSection(s) != FALSE;
  if (!whole) {
    // Only a short section that was committed anyway goes; an uncommitted
    // one left the old section, which stays.
    if (committed) DeleteSection(path, name);
    return FALSE;
  }
  if (!committed) return FALSE;
  WriteAudit(path, name);
  return TRUE;
}

STRUCT_PD_ARRAY* ReadArray(const char* path, int16_t kind, const char* name) {
  SectionGuard section{OpenSectionReadOnly(path, name, nullptr)};
  if (!section.section) return nullptr;
  const uint32_t length = SeekSection(section.section, 0, 2);
  if (length == 0xFFFFFFFFu) return nullptr;
  BlockGuard head{AllocBlock(kHeadBlock)};
  if (!head.block) return nullptr;
  const uint32_t headBytes = length < kHeadBlock ? length : kHeadBlock;
  if (SeekSection(section.section, 0, 0) != 0) return nullptr;
  if (headBytes > 0 && ReadSection(section.section, head.block, headBytes) != headBytes) return nullptr;
  if (length > 0 && length < 2) return nullptr;
  const auto* h = static_cast<const uint8_t*>(head.block);
  const int16_t count = static_cast<int16_t>(h[0] | h[1] << 8);
  if (count < 0) return nullptr;
  const uint64_t dirBytes = 2 + static_cast<uint64_t>(kDirEntry) * static_cast<uint32_t>(count);
  if (dirBytes > length && length > 0) return nullptr;
  BlockGuard directory;
  const uint8_t* dir = h;
  if (count > kHeadEntries) {
    // The head block holds 201 entries: read the whole directory again.
    const uint32_t bytes = static_cast<uint32_t>(count) * kDirEntry + 10;
    directory.block = AllocBlock(bytes);
    if (!directory.block) return nullptr;
    const uint32_t want = static_cast<uint32_t>(dirBytes);
    if (SeekSection(section.section, 0, 0) != 0 || ReadSection(section.section, directory.block, want) != want)
      return nullptr;
    dir = static_cast<const uint8_t*>(directory.block);
  }
  ArrayGuard out{static_cast<STRUCT_PD_ARRAY*>(AllocBlock(PDArrayBytes(static_cast<uint32_t>(count))))};
  if (!out.array) return nullptr;
  out.array->kind = kind;
  for (int i = 0; i < count; ++i) {
    const uint32_t offset = U32At(dir + 2 + kDirEntry * i);
    const uint32_t size = U32At(dir + 6 + kDirEntry * i);
    // Entries pointing outside the section, or at an image too short for
    // its own count, make the section damaged.
    if (static_cast<uint64_t>(offset) + size > length || offset < dirBytes) return nullptr;
    if (size < sizeof(STRUCT_PLOT_DESCRIPTOR) || size > length) return nullptr;
    auto* pd = static_cast<STRUCT_PLOT_DESCRIPTOR*>(AllocBlock(size + PD_SLACK_BYTES));
    if (!pd) return nullptr;
    out.array->pds[out.array->count++] = pd;
    if (SeekSection(section.section, static_cast<int32_t>(offset), 0) != offset) return nullptr;
    if (ReadSection(section.section, pd, size) != size) return nullptr;
    if (!ImageIsWhole(reinterpret_cast<const uint8_t*>(pd), size)) return nullptr;
  }
  return out.Release();
}

// Whether pd can be saved into the data file and was.
bool SaveIfValid(const char* dataPath, const STRUCT_PLOT_DESCRIPTOR* pd) {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(dataPath, 0);
  if (!wf) return false;
  bool saved = false;
  if (STRUCT_ALL_PDS* all = PD_CreateAllPDs(wf)) {
    if (PD_Is_lpPD_ValidWith_lpWF(pd, wf, all)) saved = PD_SaveUserPD_DataFile(dataPath, pd) != FALSE;
    PD_FreeAllPDs(all);
  }
  FreeWorkFileStruct(wf);
  return saved;
}

}  // namespace

const char* PD_GetSectionName(int16_t kind) {
  switch (kind) {
    case PD_KIND_DATA_FILE:
      return PD_SECTION_CAL_DATA;
    case PD_KIND_METHOD:
      return PD_SECTION_METHOD;
    case PD_KIND_USER_PLOT:
      return PD_SECTION_USER;
    default:
      return nullptr;
  }
}

BOOL PD_WritePDArray(const char* path, const STRUCT_PD_ARRAY* array, int16_t kind) {
  const char* name = PD_GetSectionName(kind);
  if (!name || !path || !*path) return FALSE;
  try {
    return WriteArray(path, array, name);
  } catch (...) {
    return FALSE;
  }
}

STRUCT_PD_ARRAY* PD_ReadPDArray(const char* path, int16_t kind) {
  const char* name = PD_GetSectionName(kind);
  if (!name || !path || !*path) return nullptr;
  try {
    return ReadArray(path, kind, name);
  } catch (...) {
    return nullptr;
  }
}

STRUCT_PD_ARRAY* PD_CreateUserPD(STRUCT_PLOT_DESCRIPTOR* pd) {
  if (!pd) return nullptr;
  auto* a = static_cast<STRUCT_PD_ARRAY*>(AllocBlock(PDArrayBytes(1)));
  if (!a) return nullptr;
  a->kind = PD_KIND_USER_PLOT;
  a->count = 1;
  a->pds[0] = pd;
  return a;
}

STRUCT_PD_ARRAY* PD_AddUserPD(STRUCT_PD_ARRAY* array, STRUCT_PLOT_DESCRIPTOR* pd) {
  if (!array || !pd || array->count < 0 || array->count == INT16_MAX) return array;
  auto* a = static_cast<STRUCT_PD_ARRAY*>(AllocBlock(PDArrayBytes(static_cast<uint32_t>(array->count) + 1)));
  if (!a) return array;
  a->kind = array->kind;
  a->count = array->count;
  for (int i = 0; i < array->count; ++i) a->pds[i] = array->pds[i];
  a->pds[a->count++] = pd;
  return a;
}

void PD_DeleteUserPD(STRUCT_PD_ARRAY* array, int16_t index, const char* path) {
  if (!array || index < 0 || index >= array->count) return;
  // The removed descriptor stays the caller's.
  for (int i = index; i + 1 < array->count; ++i) array->pds[i] = array->pds[i + 1];
  array->pds[array->count - 1] = nullptr;
  --array->count;
  if (path && *path) PD_WritePDArray(path, array, PD_KIND_USER_PLOT);
}

BOOL PD_SaveUserPD_DataFile(const char* path, const STRUCT_PLOT_DESCRIPTOR* pd) {
  if (!path || !*path || !pd) return FALSE;
  try {
    STRUCT_PLOT_DESCRIPTOR* copy = PD_CopyPD(pd);
    if (!copy) return FALSE;
    STRUCT_PD_ARRAY* existing = PD_ReadPDArray(path, PD_KIND_USER_PLOT);
    STRUCT_PD_ARRAY* array = existing ? PD_AddUserPD(existing, copy) : PD_CreateUserPD(copy);
    if (!array || array == existing) {
      // Nothing could be made: nothing is written.
      PD_FreePD(copy);
      PD_FreePDArray(existing);
      return FALSE;
    }
    const BOOL written = PD_WritePDArray(path, array, PD_KIND_USER_PLOT);
    PD_FreePDArray(array);              // the old descriptors and the copy
    if (existing) FreeBlock(existing);  // its block only
    return written;
  } catch (...) {
    return FALSE;
  }
}

BOOL PD_SaveUserPD_RecalcFile(const char* recalcPath, const STRUCT_PLOT_DESCRIPTOR* pd) {
  if (!recalcPath || !*recalcPath || !pd) return FALSE;
  try {
    HDHTABLE list = OpenRecalcList(recalcPath);
    if (!list) return FALSE;
    bool any = false;
    const int32_t n = CountRecalcEntries(list);
    for (int32_t i = 0; i < n; ++i) {
      DH_RECALC_LIST_ENTRY entry{};
      if (!GetRecalcEntry(list, i, &entry) || entry.excluded != 0) continue;
      const std::string dataPath(entry.path, strnlen(entry.path, sizeof entry.path));
      if (!dataPath.empty() && SaveIfValid(dataPath.c_str(), pd)) any = true;
    }
    CloseRecalcList(list);
    return any ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

BOOL PD_SaveUserPD_Directory(const char* path, const STRUCT_PLOT_DESCRIPTOR* pd) {
  if (!path || !*path || !pd) return FALSE;
  try {
    char drive[MAX_PATH] = "", dir[MAX_PATH] = "";
    _splitpath(path, drive, dir, nullptr, nullptr);
    const std::string folder = std::string(drive) + dir;
    bool any = false;
    CFileFinder finder;
    for (const char* pattern : {"*.KMS", "*.XMS"}) {
      // The matches first: saving adds sections to the files searched.
      std::vector<std::string> names;
      for (bool more = finder.FindFirst((folder + pattern).c_str()); more; more = finder.FindNext())
        if (!(finder.m_findData.dwFileAttributes & 0x16))  // directories, hidden and system entries
          names.push_back(finder.m_findData.cFileName);
      for (const std::string& name : names)
        if (SaveIfValid((folder + name).c_str(), pd)) any = true;
    }
    finder.Close();
    return any ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}
