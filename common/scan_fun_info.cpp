// Scan-function information of a data file, from the data file's scan-function
// list, else from the names in its segment blocks, else one entry per channel.
#include "common/scan_fun_info.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/list_text_helpers.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"

namespace {

using kelt::text::CopyBounded;
using kelt::text::EqualsNoCase;

// Type-61 files append the acquisition settings after ";ST ".
void CutSettings(std::string& longName) {
  for (size_t p = longName.find(';'); p != std::string::npos; p = longName.find(';', p + 1)) {
    if (longName.compare(p + 1, 3, "ST ") == 0) {
      longName.resize(p);
      return;
    }
  }
}

void AppendSegment(STRUCT_SCAN_FUN_INFO& e, int segment) {
  size_t len = strnlen(e.segmentList, sizeof e.segmentList);
  if (len < 43) {
    char more[16];
    std::snprintf(more, sizeof more, ",%d", segment + 1);
    CopyBounded(e.segmentList + len, sizeof e.segmentList - len, more);
  } else if (len < 45) {
    std::strcat(e.segmentList, "...");
  }
}

// Adds one scan function, or merges it into an earlier entry of the same
// long name. n is the count so far.
void AddFunction(STRUCT_SCAN_FUN_INFO* out, int16_t& n, int segment, int channel, const std::string& shortName,
                 std::string longName, bool type61, bool merge) {
  if (type61) CutSettings(longName);
  bool shared = false;
  for (int i = 0; i < n; ++i) {
    if (!EqualsNoCase(out[i].longName, longName.c_str())) continue;
    shared = true;
    if (merge) {
      AppendSegment(out[i], segment);
      out[i].ownEntry = 0;
      return;
    }
    break;
  }
  STRUCT_SCAN_FUN_INFO& e = out[n++];
  std::snprintf(e.segmentList, sizeof e.segmentList, "%d", segment + 1);
  e.kind = 1;
  e.ownEntry = 1;
  e.segment = static_cast<uint16_t>(segment);
  e.channel = static_cast<uint16_t>(channel);
  e.sharedName = shared ? 1 : 0;
  CopyBounded(e.shortName, sizeof e.shortName, shortName);
  CopyBounded(e.longName, sizeof e.longName, longName);
}

STRUCT_SCAN_FUN_INFO* Allocate(size_t entries) {
  return static_cast<STRUCT_SCAN_FUN_INFO*>(AllocBlock(static_cast<uint32_t>(entries * sizeof(STRUCT_SCAN_FUN_INFO))));
}

STRUCT_SCAN_FUN_INFO* FromFunctionList(const STRUCT_WORK_FILE* wf, int16_t* count, bool merge) {
  const char* path = kelt::wff::Path(wf);
  if (!path) return nullptr;
  DF_SCAN_FUNCTION_LIST* list = GetScanFunctionList(path, kelt::wff::FileType(wf), kelt::wff::Module(wf));
  if (!list) return nullptr;
  STRUCT_SCAN_FUN_INFO* out = nullptr;
  if (list->count > 0 && list->count < 0x7FFD) {
    out = Allocate(static_cast<size_t>(list->count) + 2);
    if (out) {
      int16_t n = 0;
      const int segments = kelt::wff::SegmentCount(wf);
      for (int32_t i = 0; i < list->count; ++i) {
        const DF_SCAN_FUNCTION& r = list->items[i];
        const int segment = r.segment - 1;
        if (r.segment < 1 || segment >= segments || r.channel < 1) continue;
        AddFunction(out, n, segment, r.channel - 1, std::string(r.shortName, strnlen(r.shortName, sizeof r.shortName)),
                    std::string(r.longName, strnlen(r.longName, sizeof r.longName)), kelt::wff::IsType61(wf), merge);
      }
      *count = n;
    }
  }
  FreeScanFunctionList(list);
  return out;
}

STRUCT_SCAN_FUN_INFO* FromSegmentNames(const STRUCT_WORK_FILE* wf, int16_t* count, bool merge, bool& tried) {
  tried = false;
  if (!kelt::wff::IsSectioned(wf) || !kelt::wff::IsMsData(wf)) return nullptr;
  const int segments = kelt::wff::SegmentCount(wf);
  size_t named = 0;
  for (int s = 0; s < segments; ++s)
    for (int f = 0; f < kelt::wff::FunctionCount(wf, s); ++f)
      if (kelt::wff::Segment(wf, s)->functions[f].name[0]) ++named;
  if (named == 0 || named > 0x7FFF) return nullptr;
  tried = true;
  STRUCT_SCAN_FUN_INFO* out = Allocate(named);
  if (!out) return nullptr;
  int16_t n = 0;
  for (int s = 0; s < segments; ++s) {
    const MS_SEGMENT_BLOCK* block = kelt::wff::Segment(wf, s);
    for (int f = 0; f < kelt::wff::FunctionCount(wf, s); ++f) {
      const MS_SCAN_FUNCTION& fn = block->functions[f];
      if (!fn.name[0]) continue;
      std::string name = kelt::text::WideToAnsi(fn.name, sizeof fn.name / sizeof(char16_t));
      size_t bar = name.find('|');
      std::string shortName = name.substr(0, bar);
      if (bar != std::string::npos) name[bar] = ' ';
      AddFunction(out, n, s, f, shortName, name, kelt::wff::IsType61(wf), merge);
    }
  }
  *count = n;
  return out;
}

STRUCT_SCAN_FUN_INFO* PerChannel(const STRUCT_WORK_FILE* wf, int16_t* count) {
  const int channels = kelt::wff::MostScanFunctions(wf);
  if (channels < 0 || channels > 0x7FFD) return nullptr;
  STRUCT_SCAN_FUN_INFO* out = Allocate(static_cast<size_t>(channels) + 2);
  if (!out) return nullptr;
  const int segments = kelt::wff::SegmentCount(wf);
  for (int c = 0; c < channels; ++c) {
    STRUCT_SCAN_FUN_INFO& e = out[c];
    if (segments > 1) std::snprintf(e.segmentList, sizeof e.segmentList, "1:%d", segments);
    else std::snprintf(e.segmentList, sizeof e.segmentList, "1");
    e.kind = 1;
    e.ownEntry = 0;
    e.channel = static_cast<uint16_t>(c);
    std::snprintf(e.shortName, sizeof e.shortName, "Chan: %d", c + 1);
    std::snprintf(e.longName, sizeof e.longName, "Chan: %d", c + 1);
  }
  *count = static_cast<int16_t>(channels);
  return out;
}

}  // namespace

KELT_API STRUCT_SCAN_FUN_INFO* PD_GetScanFunInfoForDataFile(const STRUCT_WORK_FILE* workFile, int16_t* count,
                                                            int16_t merge) {
  int16_t dummy = 0;
  if (!count) count = &dummy;
  *count = 0;
  if (!workFile) return nullptr;
  try {
    if (STRUCT_SCAN_FUN_INFO* a = FromFunctionList(workFile, count, merge != 0)) return a;
    *count = 0;
    bool tried = false;
    STRUCT_SCAN_FUN_INFO* a = FromSegmentNames(workFile, count, merge != 0, tried);
    if (tried) return a;
    return PerChannel(workFile, count);
  } catch (...) {
    *count = 0;
    return nullptr;
  }
}
