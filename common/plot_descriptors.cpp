// Plot descriptors of a data file: the makers, copies and frees, the trace
// texts and the combining of scan functions.
#include "common/plot_descriptors.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/list_text_helpers.h"
#include "common/plot_descriptor_texts.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "common/work_file_facts.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

namespace {

typedef STRUCT_DH_GLOBAL_PARAMS STRUCT_GLOBAL_TABLE;

#pragma pack(push, 1)
// The quantitation engine's qualifier record of a compound, as far as the
// descriptors read it: the qualifier ions and their mass lists.
struct QualifierIon {
  float retentionTime;
  STRUCT_MASS_LIST massList;  // 4
  float abundance;            // 218
  uint8_t reserved222[34];
};
struct QualifierRecord {
  int32_t compoundId;
  uint8_t reserved4[8];
  uint16_t count;  // 12
  uint8_t reserved14[8];
  QualifierIon ions[5];  // 22
};
#pragma pack(pop)
static_assert(sizeof(QualifierIon) == 256);
static_assert(offsetof(QualifierRecord, ions) == 22);
static_assert(sizeof(QualifierRecord) == 1302);
constexpr int kMaxQualifiers = 5;

const char kDataTypeNames[5][PD_DATA_TYPE_NAME_SIZE] = {"RIC", "Ion(s)", "Intensity of Base Peak", "Base Peak Ion",
                                                        "Ion Time"};
const char kSdsSuffix[] = "  (all scans for SDS segments)";
const char kMethodTag[] = "1";

using kelt::pd::AppendBounded;
using kelt::pd::ChanListText;
using kelt::pd::IonText;

// An array block with room for n pointers, or 0.
STRUCT_PD_ARRAY* AllocArray(int16_t kind, uint32_t n) {
  auto* a = static_cast<STRUCT_PD_ARRAY*>(AllocBlock(PDArrayBytes(n)));
  if (a) a->kind = kind;
  return a;
}

uint32_t ArrayRoom(const STRUCT_PD_ARRAY* a) {
  const uint32_t bytes = GetBlockSize(a);
  const uint32_t head = static_cast<uint32_t>(offsetof(STRUCT_PD_ARRAY, pds));
  return bytes > head ? (bytes - head) / static_cast<uint32_t>(sizeof(STRUCT_PLOT_DESCRIPTOR*)) : 0;
}

// Appends pd, growing the block when full; false (pd not taken) when the
// block cannot grow.
bool Push(STRUCT_PD_ARRAY*& a, STRUCT_PLOT_DESCRIPTOR* pd) {
  if (a->count == INT16_MAX) return false;
  if (static_cast<uint32_t>(a->count) + 1 > ArrayRoom(a)) {
    const uint32_t want = static_cast<uint32_t>(a->count) * 2 + 8;
    auto* grown = static_cast<STRUCT_PD_ARRAY*>(ReallocBlock(a, PDArrayBytes(want)));
    if (!grown) return false;
    a = grown;
  }
  a->pds[a->count++] = pd;
  return true;
}

void SetName(STRUCT_PLOT_DESCRIPTOR* pd, const std::string& text) {
  kelt::text::CopyBounded(pd->name, sizeof pd->name, text);
}

// The short trace label of a descriptor: ion text and channels or scan
// functions, at most maxLength - 1 characters.
std::string ShortTraceLabel(const STRUCT_WORK_FILE* wf, const STRUCT_PLOT_DESCRIPTOR* pd, size_t maxLength) {
  std::string text;
  const bool ions = pd->massList.kind != 0;
  if (ions) text = IonText(&pd->massList, wf) + " (";
  if (pd->scanFuns.count == 0) {
    text += ChanListText(&pd->chanList);
  } else {
    std::vector<std::string> seen;
    for (int i = 0; i < pd->scanFuns.count; ++i) {
      const SCAN_FUN_ENTRY& e = pd->scanFuns.entries[i];
      std::string name(e.name, strnlen(e.name, sizeof e.name));
      if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
      if (!seen.empty()) text += " + ";
      seen.push_back(name);
      text += name;
      if (maxLength >= 5 && text.size() > maxLength - 1) {
        text.resize(maxLength - 5);
        return text + "...";
      }
    }
  }
  if (ions) text += ")";
  if (maxLength > 0 && text.size() > maxLength - 1) text.resize(maxLength - 1);
  return text;
}

// First segment (0-based) whose time range holds time, or -1.
int SegmentAt(const STRUCT_WORK_FILE* wf, double time) {
  for (int s = 0; s < kelt::wff::SegmentCount(wf); ++s) {
    const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(wf, s);
    if (b && b->startTime <= time && time <= b->endTime) return s;
  }
  return -1;
}

void CopyEntryText(SCAN_FUN_ENTRY& e, const STRUCT_SCAN_FUN_INFO& info) {
  kelt::text::CopyBounded(e.name, sizeof e.name, std::string(info.shortName, strnlen(info.shortName, 101)));
  kelt::text::CopyBounded(e.identity, sizeof e.identity, std::string(info.longName, strnlen(info.longName, 301)));
  kelt::text::CopyBounded(e.segments, sizeof e.segments,
                          std::string(info.segmentList, strnlen(info.segmentList, sizeof info.segmentList)));
}

int ListedChannelCount(const STRUCT_CHAN_LIST& list) {
  int n = 0;
  const int entries = std::min<int>(list.count, CHAN_LIST_MAX_ENTRIES);
  for (int i = 0; i < entries; ++i)
    if (list.entries[i].high >= list.entries[i].low) n += list.entries[i].high - list.entries[i].low + 1;
  return n;
}

// One compound of the method (and its qualifiers) into the array; false
// on an allocation failure.
bool AddCompound(STRUCT_PD_ARRAY*& out, const STRUCT_WORK_FILE* wf, const STRUCT_DH_COMPOUND& rec, int index,
                 const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount) {
  const double time = rec.retentionTime * 0.001;
  const int segment = SegmentAt(wf, time);
  STRUCT_CHAN_LIST chanList;
  STRUCT_MASS_LIST massList;
  static_assert(sizeof chanList == sizeof rec.chanList && sizeof massList == sizeof rec.massList);
  std::memcpy(&chanList, &rec.chanList, sizeof chanList);
  std::memcpy(&massList, &rec.massList, sizeof massList);
  const bool listed = chanList.kind == CHAN_LIST_LISTED && info && infoCount > 0;
  const int n = std::max(listed ? ListedChannelCount(chanList) : 0, 1);
  STRUCT_PLOT_DESCRIPTOR* pd = PD_AllocPD(static_cast<uint16_t>(std::min(n, 0xFFFF)));
  if (!pd) return false;
  pd->kind = PD_KIND_METHOD;
  pd->dataType = massList.kind != 0 ? PD_TYPE_IONS : PD_TYPE_RIC;
  pd->massList = massList;
  pd->chanList = chanList;
  pd->compoundId = rec.compoundNumber;
  pd->internalStandard = (rec.flags & DH_COMPOUND_INTERNAL_STANDARD) ? 1 : 0;
  pd->internalStandardGroup = rec.internalStandard;
  pd->time = time;

  if (listed) {
    const int entries = std::min<int>(chanList.count, CHAN_LIST_MAX_ENTRIES);
    for (int r = 0; r < entries; ++r) {
      for (int c = chanList.entries[r].low; c <= chanList.entries[r].high; ++c) {
        for (int k = 0; k < infoCount; ++k) {
          const STRUCT_SCAN_FUN_INFO& e = info[k];
          if (e.kind == 1 && e.ownEntry == 1 && segment >= 0 && e.segment == segment && e.channel == c) {
            if (pd->scanFuns.count < n) CopyEntryText(pd->scanFuns.entries[pd->scanFuns.count++], e);
            pd->dataType = PD_TYPE_SCAN_FUNCTIONS;
            break;
          }
        }
      }
    }
  } else {
    SCAN_FUN_ENTRY& e = pd->scanFuns.entries[0];
    const std::string chan = "Chan: " + ChanListText(&chanList);
    kelt::text::CopyBounded(e.name, sizeof e.name, chan);
    kelt::text::CopyBounded(e.identity, sizeof e.identity, chan);
    if (segment >= 0) std::snprintf(e.segments, sizeof e.segments, "%d", segment + 1);
  }

  const std::string recName(rec.name, strnlen(rec.name, sizeof rec.name));
  if (recName.empty()) {
    char text[32];
    std::snprintf(text, sizeof text, "Compound %d", index + 1);
    SetName(pd, text);
    kelt::text::CopyBounded(pd->compoundName, sizeof pd->compoundName, text);
  } else {
    SetName(pd, recName);
    kelt::text::CopyBounded(pd->compoundName, sizeof pd->compoundName, recName);
  }
  AppendBounded(pd->name, sizeof pd->name, ": ");
  const size_t room = sizeof pd->name - strlen(pd->name);
  AppendBounded(pd->name, sizeof pd->name, ShortTraceLabel(wf, pd, room));
  pd->invalid = PD_IsValidForTime(pd, info, infoCount, wf, time) ? 0 : 1;
  if (!Push(out, pd)) {
    PD_FreePD(pd);
    return false;
  }

  QualifierRecord qualifiers{};
  if (!KELT_ReadMatchingQualifier(wf, static_cast<int32_t>(pd->compoundId), &qualifiers)) return true;
  const int q = std::min<int>(qualifiers.count, kMaxQualifiers);
  const std::string compound(pd->compoundName, strnlen(pd->compoundName, sizeof pd->compoundName));
  for (int j = 0; j < q; ++j) {
    STRUCT_PLOT_DESCRIPTOR* copy = PD_CopyPD(pd);
    if (!copy) return false;
    copy->massList = qualifiers.ions[j].massList;
    if (copy->dataType != PD_TYPE_SCAN_FUNCTIONS)
      copy->dataType = copy->massList.kind != 0 ? PD_TYPE_IONS : PD_TYPE_RIC;
    copy->qualifierNumber = static_cast<int16_t>(j + 1);
    char label[32];
    std::snprintf(label, sizeof label, ": Qual%d ", j + 1);
    SetName(copy, compound + label + IonText(&copy->massList, wf));
    copy->invalid = PD_IsValidForTime(copy, info, infoCount, wf, time) ? 0 : 1;
    if (!Push(out, copy)) {
      PD_FreePD(copy);
      return false;
    }
  }
  return true;
}

// The method's unknowns descriptor, or 0.
STRUCT_PLOT_DESCRIPTOR* MakeUnknowns(const STRUCT_WORK_FILE* wf, const STRUCT_GLOBAL_TABLE& table,
                                     const STRUCT_SCAN_FUN_INFO* info, int16_t infoCount) {
  STRUCT_PLOT_DESCRIPTOR* pd = PD_AllocPD(0);
  if (!pd) return nullptr;
  pd->kind = PD_KIND_UNKNOWNS;
  std::memcpy(&pd->massList, &table.massList, sizeof pd->massList);
  std::memcpy(&pd->chanList, &table.chanList, sizeof pd->chanList);
  pd->dataType = pd->massList.kind != 0 ? PD_TYPE_IONS : PD_TYPE_RIC;
  char trace[PD_NAME_SIZE];
  PD_MakePlotDescriptor(trace, pd->dataType, &pd->massList, &pd->chanList, wf);
  SetName(pd, std::string("Unknowns, ") + trace);
  pd->invalid = 1;
  for (int s = 0; s < kelt::wff::SegmentCount(wf); ++s) {
    const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(wf, s);
    if (b && PD_IsValidForTime(pd, info, infoCount, wf, b->startTime)) {
      pd->invalid = 0;
      break;
    }
  }
  return pd;
}

STRUCT_PD_ARRAY* MakeMethodPDs(const STRUCT_WORK_FILE* wf) {
  int16_t infoCount = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf, &infoCount, 0);
  STRUCT_GLOBAL_TABLE table{};
  const bool haveTable = KELT_ReadGlobalTable(wf, &table) != FALSE;
  STRUCT_PD_ARRAY* out = nullptr;
  bool failed = false;
  if (HDHTABLE compounds = OpenCompoundTable(wf->filePath, wf->fileType, wf->module, kMethodTag)) {
    const int32_t n = CountDHRecords(compounds);
    out = AllocArray(PD_KIND_METHOD, n > 0 ? static_cast<uint32_t>(std::min(n, 0x7FFF)) : 0);
    failed = out == nullptr;
    if (out && GetDHRecordSize(compounds) == sizeof(STRUCT_DH_COMPOUND)) {
      std::vector<uint8_t> buffer(sizeof(STRUCT_DH_COMPOUND));
      for (int32_t i = 0; i < n && !failed; ++i) {
        if (!GetDHRecord(compounds, i, buffer.data())) continue;
        const auto& rec = *reinterpret_cast<const STRUCT_DH_COMPOUND*>(buffer.data());
        failed = !AddCompound(out, wf, rec, i, info, infoCount);
      }
    }
    FreeDHRecordSet(compounds);
  }
  if (!failed && out) {
    // Each compound refers to the first internal standard of its group.
    for (int i = 0; i < out->count; ++i) {
      STRUCT_PLOT_DESCRIPTOR* pd = out->pds[i];
      if (pd->qualifierNumber != 0 || pd->internalStandard || pd->internalStandardGroup == -1) continue;
      for (int k = 0; k < out->count; ++k) {
        const STRUCT_PLOT_DESCRIPTOR* is = out->pds[k];
        if (is->internalStandard && is->internalStandardGroup == pd->internalStandardGroup) {
          pd->internalStandardId = is->compoundId;
          break;
        }
      }
    }
  }
  if (!failed && haveTable) {
    if (!out) out = AllocArray(PD_KIND_METHOD, 1);
    STRUCT_PLOT_DESCRIPTOR* unknowns = out ? MakeUnknowns(wf, table, info, infoCount) : nullptr;
    if (!unknowns || !Push(out, unknowns)) {
      if (unknowns) PD_FreePD(unknowns);
      failed = true;
    }
  }
  if (info) FreeBlock(info);
  if (failed) {
    PD_FreePDArray(out);
    return nullptr;
  }
  return out;
}

STRUCT_PD_ARRAY* MakeDataFilePDs(const STRUCT_WORK_FILE* wf) {
  int16_t count = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf, &count, 1);
  STRUCT_PD_ARRAY* out = nullptr;
  bool failed = false;
  if (info && count > 0) {
    out = AllocArray(PD_KIND_DATA_FILE, static_cast<uint32_t>(count));
    failed = !out;
    for (int i = 0; out && !failed && i < count; ++i) {
      const STRUCT_SCAN_FUN_INFO& e = info[i];
      if (e.kind != 1) continue;
      STRUCT_PLOT_DESCRIPTOR* pd = PD_AllocPD(1);
      if (!pd) {
        failed = true;
        break;
      }
      pd->kind = PD_KIND_DATA_FILE;
      pd->dataType = PD_TYPE_SCAN_FUNCTIONS;
      pd->scanFuns.count = 1;
      CopyEntryText(pd->scanFuns.entries[0], e);
      // "short name (segments)", at most 98 characters.
      std::string name = std::string(e.shortName, strnlen(e.shortName, sizeof e.shortName)) + " (" +
                         std::string(e.segmentList, strnlen(e.segmentList, sizeof e.segmentList)) + ")";
      if (name.size() > 98) name.resize(98);
      SetName(pd, name);
      out->pds[out->count++] = pd;
    }
  } else {
    const int channels = std::min(kelt::wff::MostScanFunctions(wf), 0x7FFF);
    out = AllocArray(PD_KIND_DATA_FILE, static_cast<uint32_t>(std::max(channels, 0)));
    failed = !out;
    for (int c = 0; out && !failed && c < channels; ++c) {
      STRUCT_PLOT_DESCRIPTOR* pd = PD_AllocPD(0);
      if (!pd) {
        failed = true;
        break;
      }
      pd->kind = PD_KIND_DATA_FILE;
      pd->dataType = PD_TYPE_RIC;
      KELT_InitRICMassList(&pd->massList);
      pd->chanList.kind = CHAN_LIST_LISTED;
      pd->chanList.count = 1;
      pd->chanList.entries[0].low = pd->chanList.entries[0].high = static_cast<uint16_t>(c);
      std::snprintf(pd->name, sizeof pd->name, "RIC (Chan: %d)", c + 1);
      out->pds[out->count++] = pd;
    }
  }
  if (info) FreeBlock(info);
  if (failed) {
    PD_FreePDArray(out);
    return nullptr;
  }
  return out;
}

STRUCT_PD_ARRAY* CopyArray(const STRUCT_PD_ARRAY* a) {
  if (!a || a->count < 0) return nullptr;
  STRUCT_PD_ARRAY* copy = AllocArray(a->kind, static_cast<uint32_t>(a->count));
  if (!copy) return nullptr;
  for (int i = 0; i < a->count; ++i)
    if (STRUCT_PLOT_DESCRIPTOR* pd = PD_CopyPD(a->pds[i])) copy->pds[copy->count++] = pd;
  return copy;
}

}  // namespace

// ---- Exports ---------------------------------------------------------------------

const char* PD_GetDataTypeName(int16_t index) {
  return index >= 0 && index < 5 ? kDataTypeNames[index] : "";
}

STRUCT_PLOT_DESCRIPTOR* PD_AllocPD(uint16_t scanFunctions) {
  return static_cast<STRUCT_PLOT_DESCRIPTOR*>(AllocBlock(PlotDescriptorSize(scanFunctions) + PD_SLACK_BYTES));
}

void PD_FreePD(STRUCT_PLOT_DESCRIPTOR* pd) {
  if (pd) FreeBlock(pd);
}

STRUCT_PLOT_DESCRIPTOR* PD_CreateTICPD() {
  STRUCT_PLOT_DESCRIPTOR* pd = PD_AllocPD(0);
  if (!pd) return nullptr;
  pd->kind = PD_KIND_TIC;
  pd->dataType = PD_TYPE_RIC;
  pd->massList.kind = MASS_LIST_TOTAL_ION;
  pd->chanList.kind = CHAN_LIST_MERGED;
  SetName(pd, "TIC");
  return pd;
}

STRUCT_PLOT_DESCRIPTOR* PD_CreateIgnorePD() {
  STRUCT_PLOT_DESCRIPTOR* pd = PD_AllocPD(0);
  if (!pd) return nullptr;
  pd->kind = PD_KIND_IGNORE;
  pd->dataType = PD_TYPE_RIC;
  pd->massList.kind = MASS_LIST_TOTAL_ION;
  pd->chanList.kind = CHAN_LIST_IGNORED;
  SetName(pd, "All Scan Descriptors");
  return pd;
}

STRUCT_PD_ARRAY* PD_CreateDataFilePDs(const STRUCT_WORK_FILE* workFile) {
  if (!workFile) return nullptr;
  try {
    return MakeDataFilePDs(workFile);
  } catch (...) {
    return nullptr;
  }
}

STRUCT_PD_ARRAY* PD_ReadCreateDataFilePDs(const STRUCT_WORK_FILE* workFile) { return PD_CreateDataFilePDs(workFile); }

STRUCT_PD_ARRAY* PD_CreateMethodPDs(const STRUCT_WORK_FILE* workFile) {
  if (!workFile) return nullptr;
  try {
    return MakeMethodPDs(workFile);
  } catch (...) {
    return nullptr;
  }
}

STRUCT_PD_ARRAY* PD_ReadCreateMethodPDs(const STRUCT_WORK_FILE* workFile) { return PD_CreateMethodPDs(workFile); }

void PD_UpdateMethodPDsAfterRecalc(const STRUCT_WORK_FILE* workFile, STRUCT_ALL_PDS* all) {
  if (!all) return;
  PD_FreePDArray(all->method);
  all->method = PD_CreateMethodPDs(workFile);
}

STRUCT_PD_ARRAY* PD_CreateUserTracePDs(const STRUCT_WORK_FILE* workFile) {
  const MS_INFO_BLOCK* msInfo = kelt::wff::Info(workFile);
  if (!msInfo) return nullptr;
  const int columns = std::min<int>(msInfo->extraColumnCount, MS_MAX_EXTRA_COLUMNS);
  if (columns <= 0) return nullptr;
  try {
    STRUCT_PD_ARRAY* out = AllocArray(PD_KIND_USER_TRACE, static_cast<uint32_t>(columns));
    if (!out) return nullptr;
    for (int i = 0; i < columns; ++i) {
      STRUCT_PLOT_DESCRIPTOR* pd = PD_AllocPD(0);
      if (!pd) {
        PD_FreePDArray(out);
        return nullptr;
      }
      pd->kind = PD_KIND_USER_TRACE;
      pd->dataType = static_cast<int16_t>(PD_TYPE_EXTRA_COLUMN + i);
      SetName(pd, kelt::text::WideToAnsi(msInfo->extraColumnNames[i], 14));
      pd->massList.kind = static_cast<uint32_t>(MASS_LIST_EXTRA_COLUMN + i);
      pd->massList.count = 1;
      pd->massList.ranges[0].low = pd->massList.ranges[0].high = i;
      KELT_InitMergedChanList(&pd->chanList);
      out->pds[out->count++] = pd;
    }
    return out;
  } catch (...) {
    return nullptr;
  }
}

STRUCT_ALL_PDS* PD_CreateAllPDs(const STRUCT_WORK_FILE* workFile) {
  if (!workFile) return nullptr;
  auto* all = static_cast<STRUCT_ALL_PDS*>(AllocBlock(sizeof(STRUCT_ALL_PDS)));
  if (!all) return nullptr;
  all->tic = PD_CreateTICPD();
  if (all->tic && (workFile->allKind13 || workFile->kind13))
    AppendBounded(all->tic->name, sizeof all->tic->name, kSdsSuffix);
  if (workFile->allKind13) return all;
  all->ignore = PD_CreateIgnorePD();
  all->dataFile = PD_CreateDataFilePDs(workFile);
  all->method = PD_CreateMethodPDs(workFile);
  all->userPlots = PD_ReadPDArray(workFile->filePath, PD_KIND_USER_PLOT);
  all->userTraces = PD_CreateUserTracePDs(workFile);
  return all;
}

STRUCT_ALL_PDS* PD_ReadCreateAllPDs(const char* path) {
  if (!path || !*path) return nullptr;
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
  if (!wf) return nullptr;
  STRUCT_ALL_PDS* all = PD_CreateAllPDs(wf);
  FreeWorkFileStruct(wf);
  return all;
}

STRUCT_PLOT_DESCRIPTOR* PD_CopyPD(const STRUCT_PLOT_DESCRIPTOR* pd) {
  if (!pd) return nullptr;
  const uint32_t size = PlotDescriptorSize(pd);
  auto* copy = static_cast<STRUCT_PLOT_DESCRIPTOR*>(AllocBlock(size + PD_SLACK_BYTES));
  if (copy) std::memcpy(copy, pd, size);
  return copy;
}

STRUCT_PD_ARRAY* PD_CopyPDArray(const STRUCT_PD_ARRAY* array) {
  try {
    return CopyArray(array);
  } catch (...) {
    return nullptr;
  }
}

void PD_FreePDArray(STRUCT_PD_ARRAY* array) {
  if (!array) return;
  for (int i = 0; i < array->count; ++i)
    if (array->pds[i]) FreeBlock(array->pds[i]);
  FreeBlock(array);
}

STRUCT_ALL_PDS* PD_CopyAllPDs(const STRUCT_ALL_PDS* all) {
  if (!all) return nullptr;
  auto* copy = static_cast<STRUCT_ALL_PDS*>(AllocBlock(sizeof(STRUCT_ALL_PDS)));
  if (!copy) return nullptr;
  copy->tic = PD_CopyPD(all->tic);
  copy->ignore = PD_CopyPD(all->ignore);
  copy->dataFile = PD_CopyPDArray(all->dataFile);
  copy->method = PD_CopyPDArray(all->method);
  copy->userPlots = PD_CopyPDArray(all->userPlots);
  copy->userTraces = PD_CopyPDArray(all->userTraces);
  copy->extra = PD_CopyPDArray(all->extra);
  return copy;
}

void PD_FreeAllPDs(STRUCT_ALL_PDS* all) {
  if (!all) return;
  PD_FreePD(all->tic);
  PD_FreePD(all->ignore);
  PD_FreePDArray(all->dataFile);
  PD_FreePDArray(all->method);
  PD_FreePDArray(all->userPlots);
  PD_FreePDArray(all->userTraces);
  PD_FreePDArray(all->extra);
  FreeBlock(all);
}

STRUCT_SCAN_FUN_ARRAY* PD_GetScanFunArrayForPD(const STRUCT_WORK_FILE*, const STRUCT_PLOT_DESCRIPTOR* pd) {
  if (!pd || pd->kind == PD_KIND_TIC || pd->kind == PD_KIND_DETECTOR || pd->scanFuns.count == 0) return nullptr;
  const uint16_t n = pd->scanFuns.count;
  auto* out = static_cast<STRUCT_SCAN_FUN_ARRAY*>(
      AllocBlock(static_cast<uint32_t>(ScanFunArraySize(n)) + PD_SLACK_BYTES));
  if (out) std::memcpy(out, &pd->scanFuns, ScanFunArraySize(n));
  return out;
}

STRUCT_PLOT_DESCRIPTOR* PD_AddScanFunArrayToPD(const STRUCT_PLOT_DESCRIPTOR* pd, const STRUCT_SCAN_FUN_ARRAY* array) {
  if (!pd || pd->scanFuns.count == 0) return nullptr;
  const uint32_t extra = array ? array->count : 0;
  const uint32_t total = static_cast<uint32_t>(pd->scanFuns.count) + extra;
  if (total > 0xFFFF) return nullptr;
  STRUCT_PLOT_DESCRIPTOR* out = PD_AllocPD(static_cast<uint16_t>(total));
  if (!out) return nullptr;
  std::memcpy(out, pd, PlotDescriptorSize(pd));
  for (uint32_t i = 0; i < extra; ++i) {
    const SCAN_FUN_ENTRY& e = array->entries[i];
    bool present = false;
    for (int k = 0; k < out->scanFuns.count && !present; ++k)
      present = strncmp(out->scanFuns.entries[k].identity, e.identity, sizeof e.identity) == 0;
    if (!present) out->scanFuns.entries[out->scanFuns.count++] = e;
  }
  out->kind = PD_KIND_USER_PLOT;
  // The name: the short names joined by " + ", ended by "..." where the
  // next would reach 99 characters; an end within four of 99 steps back four.
  std::string name;
  for (int k = 0; k < out->scanFuns.count; ++k) {
    const SCAN_FUN_ENTRY& e = out->scanFuns.entries[k];
    std::string next = (k ? " + " : "") + std::string(e.name, strnlen(e.name, sizeof e.name));
    if (name.size() + next.size() >= 99) {
      if (name.size() > 95) name.resize(name.size() - 4);
      name += "...";
      break;
    }
    name += next;
  }
  SetName(out, name);
  return out;
}

void PD_MakePlotDescriptor(char* text, int16_t dataType, const STRUCT_MASS_LIST* massList,
                           const STRUCT_CHAN_LIST* chanList, const STRUCT_WORK_FILE* workFile) {
  if (!text) return;
  text[0] = 0;
  if (dataType == PD_TYPE_DETECTOR || !workFile || !massList || !chanList) return;
  try {
    std::string out;
    const bool ric = dataType == PD_TYPE_RIC || massList->kind == 0;
    if (ric && chanList->kind == CHAN_LIST_MERGED) {
      kelt::text::CopyBounded(text, PD_NAME_SIZE, "TIC");
      return;
    }
    if (ric) {
      out = "RIC";
    } else if (dataType == PD_TYPE_IONS) {
      const std::string ions = IonText(massList, workFile);
      out = kelt::text::EqualsNoCase(ions.c_str(), "RIC") ? "RIC" : "XIC " + ions;
    } else if (dataType == PD_TYPE_BASE_PEAK_INTENSITY || dataType == PD_TYPE_BASE_PEAK_ION) {
      out = kDataTypeNames[dataType];
    } else if (dataType >= PD_TYPE_EXTRA_COLUMN && dataType <= 99) {
      const MS_INFO_BLOCK* info = kelt::wff::Info(workFile);
      const int column = dataType - PD_TYPE_EXTRA_COLUMN;
      if (info && column < std::min<int>(info->extraColumnCount, MS_MAX_EXTRA_COLUMNS))
        out = kelt::text::WideToAnsi(info->extraColumnNames[column], 14);
    }
    if (!out.empty()) out += " - " + ChanListText(chanList);
    kelt::text::CopyBounded(text, PD_NAME_SIZE, out);
  } catch (...) {
    text[0] = 0;
  }
}
