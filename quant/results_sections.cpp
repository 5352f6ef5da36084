// "MSResults:h4": create, open, read, write, copy, rewrite and delete the
// results of a data file, and the test for results of an older format.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "quant/results_sections.h"
#include "quorna/quorna.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

const char* const kOlderSections[] = {"MSResults:h3",     "MSQualifiers:h3",     "MSTICs:h3",
                                      "TolmarResults:h2", "TolmarQualifiers:h2", "TolmarTICs:h2"};
const char* const kOldestSections[] = {"TolmarResults",           "TolmarResults:g",
                                       "TolmarResults:h",         "TolmarResults:h1",
                                       "REV1_TolmarResults:h2",   "REV1_TolmarQualifiers:h2",
                                       "REV2_TolmarResults:h2",   "REV2_TolmarQualifiers:h2",
                                       "REV2_TolmarTICs:h2"};
const char kWorkstationSection[] = "Corvane Zeph Workstation";
const char kQuestionTitle[] = "MS Data Handling Results Format";
const char kQuestion[] =
    "The results contained in %s are not compatible with this version of the Halvern.  They will be "
    "deleted if you proceed.  Reprocess the file to generate results that are compatible with the new "
    "file format.  Press 'Cancel' if you do not wish to delete these results.";

char g_question[sizeof kQuestion + MAX_PATH + 16];

bool Seek(HSECTION s, uint32_t at) { return SeekSection(s, static_cast<int32_t>(at), 0) == at; }

uint32_t StepOffset(uint16_t index) { return RESULTS_HEADER_SIZE + uint32_t(index) * RESULT_STEP_SIZE; }

HSECTION NewResults(HSECTION s, int16_t n) {
  if (!s) return nullptr;
  std::vector<uint8_t> zeros(RESULT_STEP_SIZE > RESULTS_HEADER_SIZE ? RESULT_STEP_SIZE : RESULTS_HEADER_SIZE, 0);
  bool ok = WriteSectionBytes(s, zeros.data(), RESULTS_HEADER_SIZE) == RESULTS_HEADER_SIZE;
  for (int i = 0; ok && i < n; ++i) ok = WriteSectionBytes(s, zeros.data(), RESULT_STEP_SIZE) == RESULT_STEP_SIZE;
  if (!ok) {
    CloseSection(s);
    return nullptr;
  }
  return s;
}

// A results section this engine can read: a header and whole steps, of
// the current format version.
bool IsSoundResults(HSECTION s) {
  const uint32_t size = GetSectionSize(s);
  if (size < RESULTS_HEADER_SIZE || (size - RESULTS_HEADER_SIZE) % RESULT_STEP_SIZE != 0) return false;
  int16_t version = 0;
  if (!Seek(s, offsetof(STRUCT_RESULTS_HEADER, version)) || ReadSectionBytes(s, &version, 2) != 2) return false;
  return version == RESULTS_FORMAT_VERSION && Seek(s, 0);
}

HSECTION OpenSound(const char* dataFile, bool update) {
  if (!dataFile || !OpenResultsSection(dataFile)) return nullptr;
  HSECTION s = update ? OpenSection(dataFile, RESULTS_SECTION, nullptr)
                      : OpenSectionReadOnly(dataFile, RESULTS_SECTION, nullptr);
  if (s && !IsSoundResults(s)) {
    CloseSection(s);
    return nullptr;
  }
  return s;
}

bool Delete(const char* dataFile, const char* name) { return DeleteSection(dataFile, name) != FALSE; }

bool DeleteBuilt(const char* dataFile, const char* base, uint16_t id, uint16_t address) {
  char name[128] = {};
  return BuildDHSectionName(name, base, id, address, "1") && Delete(dataFile, name);
}

std::string TempSectionFile(const char* prefix) {
  char folder[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder) return {};
  char name[MAX_PATH + 1] = {};
  if (!GetTempFileNameA(folder, prefix, 0, name)) return {};
  SECTION_FILE_RECORD record{};
  bool ok = CreateSectionFile(&record, 0, 0, 0) != FALSE;
  const HSECTFILE file = ok ? OpenSectionFile(name, &record, SECTION_FILE_READ_WRITE, 2) : -1;
  ok = file != -1;
  if (ok) CloseSectionFile(file);
  if (!ok) {
    DeleteFileA(name);
    return {};
  }
  return name;
}

}  // namespace

uint32_t WriteSectionBytes(HSECTION section, const void* buffer, uint32_t n) {
  if (!section || (!buffer && n)) return 0;
  const uint32_t moved = WriteSection(section, buffer, n);
  return moved == 0xFFFFFFFFu ? 0 : moved;
}

uint32_t ReadSectionBytes(HSECTION section, void* buffer, uint32_t n) {
  if (!section || (!buffer && n)) return 0;
  const uint32_t moved = ReadSection(section, buffer, n);
  return moved == 0xFFFFFFFFu ? 0 : moved;
}

HSECTION CreateTolResults(const char* dataFile, int16_t n) {
  if (!dataFile || n < 0) return nullptr;
  return NewResults(CreateSection(dataFile, RESULTS_SECTION, nullptr), n);
}

// The store has one create call; every writer's section appears whole on close.
HSECTION CreateTolResultsShared(const char* dataFile, int16_t n) { return CreateTolResults(dataFile, n); }

HSECTION OpenTolResults(const char* dataFile) { return OpenSound(dataFile, true); }

HSECTION OpenTolResultsReadOnly(const char* dataFile, char*) { return OpenSound(dataFile, false); }

BOOL ReadTolResults(HSECTION section, STRUCT_RESULTS_HEADER* header) {
  if (!section || !header || !Seek(section, 0)) return FALSE;
  return ReadSectionBytes(section, header, RESULTS_HEADER_SIZE) == RESULTS_HEADER_SIZE;
}

BOOL WriteTolResults(HSECTION section, const STRUCT_RESULTS_HEADER* header) {
  if (!section || !header || !Seek(section, 0)) return FALSE;
  return WriteSectionBytes(section, header, RESULTS_HEADER_SIZE) == RESULTS_HEADER_SIZE;
}

int32_t CountTolResultSteps(HSECTION section) {
  if (!section) return 0;
  const uint32_t size = GetSectionSize(section);
  return size >= RESULTS_HEADER_SIZE ? int32_t((size - RESULTS_HEADER_SIZE) / RESULT_STEP_SIZE) : 0;
}

BOOL ReadTolResultStep(HSECTION section, uint16_t index, STRUCT_RESULT_STEP* step, int16_t) {
  if (!section || !step || !Seek(section, StepOffset(index))) return FALSE;
  return ReadSectionBytes(section, step, RESULT_STEP_SIZE) == RESULT_STEP_SIZE;
}

BOOL WriteTolResultStep(HSECTION section, uint16_t index, const STRUCT_RESULT_STEP* step) {
  if (!section || !step || !Seek(section, StepOffset(index))) return FALSE;
  return WriteSectionBytes(section, step, RESULT_STEP_SIZE) == RESULT_STEP_SIZE;
}

int32_t ResultKindCountOffset(int32_t kind) {
  switch (kind) {
    case RESULT_KIND_IDENTIFIED: return offsetof(STRUCT_RESULTS_HEADER, countIdentified);
    case RESULT_KIND_MISSING: return offsetof(STRUCT_RESULTS_HEADER, countMissing);
    case RESULT_KIND_FAILED: return offsetof(STRUCT_RESULTS_HEADER, countFailed);
    case RESULT_KIND_TIC: return offsetof(STRUCT_RESULTS_HEADER, countTIC);
    case RESULT_KIND_UNKNOWN: return offsetof(STRUCT_RESULTS_HEADER, countUnknown);
    case RESULT_KIND_DUPLICATE: return offsetof(STRUCT_RESULTS_HEADER, countDuplicate);
    default: return 0;
  }
}

int16_t GetResultKindCount(const STRUCT_RESULTS_HEADER* header, int32_t kind) {
  const int32_t at = ResultKindCountOffset(kind);
  int16_t n = 0;
  if (header && at) std::memcpy(&n, reinterpret_cast<const uint8_t*>(header) + at, 2);
  return n;
}

void AddResultKindCount(STRUCT_RESULTS_HEADER* header, int32_t kind, int16_t delta) {
  const int32_t at = ResultKindCountOffset(kind);
  if (!header || !at) return;
  const int16_t n = int16_t(GetResultKindCount(header, kind) + delta);
  std::memcpy(reinterpret_cast<uint8_t*>(header) + at, &n, 2);
}

void MoveResultStepKind(STRUCT_RESULTS_HEADER* header, int32_t from, int32_t to) {
  const auto compound = [](int32_t k) { return k >= RESULT_KIND_IDENTIFIED && k <= RESULT_KIND_FAILED; };
  if (compound(from)) AddResultKindCount(header, from, -1);
  if (compound(to)) AddResultKindCount(header, to, 1);
}

BOOL CopyTolResults(const char* destination, const char* source) {
  if (!destination || !source) return FALSE;
  return CopySection(source, RESULTS_SECTION, destination, RESULTS_SECTION);
}

BOOL MORVEX_CopyDHResults(const char* destination, const char* source) {
  const bool results = CopyTolResults(destination, source);
  const bool qualifiers = CopyQualifierData(destination, source);
  const bool tics = CopyTICData(destination, source);
  return results && qualifiers && tics;
}

BOOL DeleteFullChromatogram(const char* dataFile) {
  return dataFile && Delete(dataFile, FULL_CHROMATOGRAM_SECTION);
}

BOOL DeleteRunSection(const char* dataFile, int32_t compoundNumber) {
  if (!dataFile) return FALSE;
  char name[32];
  std::snprintf(name, sizeof name, "Run%ld", static_cast<long>(compoundNumber));
  return Delete(dataFile, name);
}

int32_t DeleteRunSections(const char* dataFile) {
  if (!dataFile) return 0;
  char* names = ListSectionNames(dataFile, "Run");
  if (!names) return 0;
  // Copy the names first: deleting while walking the block is fine, but the
  // block is the lister's.
  std::vector<std::string> runs;
  const uint32_t size = GetBlockSize(names);
  for (uint32_t at = 0; at + 32 <= size && names[at]; at += 32) {
    const char* n = names + at;
    if (n[0] == 'R' && n[1] == 'u' && n[2] == 'n' && n[3] >= '1' && n[3] <= '9')
      runs.emplace_back(n, strnlen(n, 32));
  }
  FreeBlock(names);
  int32_t deleted = 0;
  for (const std::string& n : runs) deleted += Delete(dataFile, n.c_str()) ? 1 : 0;
  return deleted;
}

BOOL DeleteTolResults(const char* dataFile) {
  if (!dataFile) return FALSE;
  for (const char* name : kOlderSections) Delete(dataFile, name);
  if (!StoreRunFiles()) {
    DeleteFullChromatogram(dataFile);
    DeleteRunSections(dataFile);
  }
  bool ok = Delete(dataFile, RESULTS_SECTION);
  for (const char* name : {QUALIFIERS_SECTION, TICS_SECTION})
    if (SectionExists(dataFile, name)) ok = Delete(dataFile, name) && ok;
  return ok;
}

// The store keeps no free space that a compaction could give back, so the
// oldest names go and nothing else is needed. Every open of the results
// comes here: a name is deleted only when present, so that reading stays
// a read.
BOOL DeleteOldResultsSections(const char* dataFile) {
  if (!dataFile) return FALSE;
  for (const char* name : kOldestSections)
    if (SectionExists(dataFile, name)) Delete(dataFile, name);
  return TRUE;
}

BOOL UpgradeOldResults(const char* dataFile) {
  if (!dataFile) return FALSE;
  for (const char* name : kOlderSections) Delete(dataFile, name);
  DeleteFullChromatogram(dataFile);
  DeleteRunSections(dataFile);
  std::vector<uint8_t> info(MS_INFO_BLOCK_SIZE + 16, 0);
  uint32_t acquired = 0;
  if (!ReadMSFileInfo(dataFile, &acquired, info.data())) return FALSE;
  MS_INFO_BLOCK block;
  std::memcpy(&block, info.data(), sizeof block);
  // The MS data carries the data-handling module id as its file type and
  // the module address as its module word.
  const uint16_t id = block.fileType, address = block.module;
  for (const char* base : {"GlobalParams", "DataMethod", "PeakTable", "TimeEvents", "CalibrationLog", "RecalcLog"})
    DeleteBuilt(dataFile, base, id, address);
  Delete(dataFile, "RevisionLog");
  DeleteBuilt(dataFile, "MSReportFormat2", id, address);
  return TRUE;
}

BOOL OpenResultsSection(const char* dataFile) {
  if (!dataFile) return FALSE;
  const char* found = nullptr;
  HSECTION s = nullptr;
  for (const char* name : {RESULTS_SECTION, "MSResults:h3", "TolmarResults:h2"}) {
    s = OpenSectionReadOnly(dataFile, name, nullptr);
    if (s) {
      found = name;
      break;
    }
  }
  if (!s) return TRUE;
  const uint32_t length = GetSectionSize(s);
  STRUCT_RESULTS_HEADER header;
  std::memset(&header, 0, sizeof header);
  const uint32_t got = Seek(s, 0) ? ReadSectionBytes(s, &header, RESULTS_HEADER_SIZE) : 0;
  CloseSection(s);
  DeleteOldResultsSections(dataFile);
  if (got == 0) return TRUE;
  const int16_t v = header.version;
  const bool format1 = length >= 2268 && (length - 2268) % 772 == 0 && v <= 2;
  const bool format2 = length >= 2288 && (length - 2288) % 900 == 0 && v <= 2;
  if (!format1 && !format2 && v >= RESULTS_FORMAT_VERSION) return TRUE;

  bool upgrade = GetPrivateProfileIntA(kWorkstationSection, "AutoUpgrade", 0, GetWorkstationIniPath()) != 0;
  if (!upgrade) {
    std::snprintf(g_question, sizeof g_question, kQuestion, dataFile);
    upgrade = MessageBoxA(GetActiveWindow(), g_question, kQuestionTitle,
                          MB_OKCANCEL | MB_ICONINFORMATION | MB_SETFOREGROUND) == IDOK;
  }
  if (upgrade) {
    // Old results kept under the current name go as well, or the question
    // would come back at every open although the user agreed.
    if (std::strcmp(found, RESULTS_SECTION) == 0)
      for (const char* name : {RESULTS_SECTION, QUALIFIERS_SECTION, TICS_SECTION}) Delete(dataFile, name);
    UpgradeOldResults(dataFile);
  }
  return FALSE;
}

BOOL RewriteTolResults(const char* dataFile, int16_t n) {
  if (!dataFile || n < 0) return FALSE;
  HSECTION results = OpenTolResults(dataFile);
  if (!results) return FALSE;
  const std::string temp = TempSectionFile("RSLT");
  HSECTION copy = temp.empty() ? nullptr : CreateTolResults(temp.c_str(), 0);
  bool ok = copy != nullptr;
  STRUCT_RESULTS_HEADER header;
  ok = ok && ReadTolResults(results, &header);
  if (ok) {
    if (n == 0) header.countIdentified = header.countMissing = header.countFailed = 0;
    header.countTIC = header.countUnknown = header.countDuplicate = 0;
    // A step that cannot be copied fails the rewrite: the old results stay.
    STRUCT_RESULT_STEP step;
    for (int16_t i = 0; ok && i < n; ++i)
      ok = ReadTolResultStep(results, uint16_t(i), &step) && WriteTolResultStep(copy, uint16_t(i), &step);
    ok = ok && WriteTolResults(copy, &header);
  }
  CloseSection(results);
  if (copy) ok = CloseSection(copy) && ok;
  ok = ok && CopySection(temp.c_str(), RESULTS_SECTION, dataFile, RESULTS_SECTION);
  if (!temp.empty()) DeleteFileA(temp.c_str());
  return ok;
}
