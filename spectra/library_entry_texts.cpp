// Texts of library entries and spectra, and thresholded reference copies.
#include "spectra/library_entry_texts.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/preference_records.h"
#include "common/scan_fun_info.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "quorna/quorna.h"

KELT_API void FormatCASNumber(uint32_t casNumber, char* text) {
  if (!text) return;
  if (casNumber == 0) {
    std::strcpy(text, "None");
    return;
  }
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%lu", static_cast<unsigned long>(casNumber));
  if (n < 3) {  // registry numbers have more; keep the digits as they are
    std::strcpy(text, digits);
    return;
  }
  char* out = text;
  std::memcpy(out, digits, size_t(n - 3));
  out += n - 3;
  if (n > 3) *out++ = '-';
  *out++ = digits[n - 3];
  *out++ = digits[n - 2];
  *out++ = '-';
  *out++ = digits[n - 1];
  *out = 0;
}

KELT_API void FormatFormula(const char* formula, char* text) {
  if (!text) return;
  std::strcpy(text, formula && formula[0] ? formula : "None");
}

KELT_API void FormatDBText(uint32_t flags, char* text) {
  if (!text) return;
  static const char* const kNames[] = {"Fine ", "TSCA ", "RTECS ", "EPA ", "USP ",
                                       "HODOC ", "NIH ", "EINECS ", "IR "};
  text[0] = 0;
  if (flags == 0) {
    std::strcpy(text, "None");
    return;
  }
  for (unsigned bit = 0; bit < 9; ++bit)
    if (flags & (1u << bit)) std::strcat(text, kNames[bit]);
}

KELT_API int16_t KELT_GetMassDecimalsAndFormat(const STRUCT_SPT_PLUS* spt, char* format) {
  int decimals = 0;
  if (spt && !spt->nominalMasses) {
    if (spt->ownDecimals) {
      decimals = spt->massDecimals;
    } else {
      STRUCT_GLOBAL_PREFS prefs;
      KELT_GetCurrDefGlobalPrefs(&prefs);
      decimals = prefs.features.value2;
    }
  }
  decimals = std::clamp(decimals, 0, 6);
  if (format) std::snprintf(format, 8, "%%.%df", decimals);
  return int16_t(decimals);
}

KELT_API int32_t KELT_GetMergedChannelText(const STRUCT_TOL_SPT* tol, char* text, uint16_t* isChannel) {
  if (text) text[0] = 0;
  if (isChannel) *isChannel = 0;
  if (!tol || !text) return 1;
  if (tol->scanFuns) {
    SCAN_FUN_GetSegmentTitle(tol->scanFuns, tol->segmentIndex, text, 60);
    return 1;
  }
  const STRUCT_CHAN_LIST& list = tol->chanList;
  const unsigned function = tol->header.function;
  const bool oneScan = tol->scansAveraged <= 1;
  const bool single = (list.kind == CHAN_LIST_IGNORED && oneScan && function < 255) ||
                      (list.kind == CHAN_LIST_MERGED && tol->segment.functionCount == 1 && function != 255);
  if (single) {
    if (STRUCT_WORK_FILE* wf = MakeWorkFileStruct(tol->dataFilePath, 0)) {
      int16_t count = 0;
      STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf, &count, 0);
      bool found = false;
      for (int16_t i = 0; info && i < count && !found; ++i) {
        const STRUCT_SCAN_FUN_INFO& r = info[i];
        if (!ScanFunInfoInSegment(r, tol->segmentIndex) || r.channel != tol->scanFunIndex) continue;
        const char* name = r.shortName[0] ? r.shortName : r.longName;
        std::snprintf(text, 301, "%s", name);
        found = true;
      }
      FreeBlock(info);
      FreeWorkFileStruct(wf);
      if (found) return 1;
    }
  }
  if (list.kind != CHAN_LIST_MERGED) {
    if (list.kind == CHAN_LIST_IGNORED && oneScan && function <= 254)
      std::snprintf(text, 8, "%d", int(function) + 1);
    else
      FormatChanList(text, &list);
    if (isChannel) *isChannel = 1;
    return 1;
  }
  std::strcpy(text, "Merged");
  return 1;
}

KELT_API int32_t REF_EX_CopyWithThreshold(const STRUCT_REF_EX_SPT* src, int32_t level, STRUCT_REF_EX_SPT* dst) {
  if (!src || !dst) return 0;
  // The count is bounded in the copy only: the source stays as it was.
  const int count = std::clamp<int>(src->pairCount, 0, SPT_REF_MAX_PAIRS);
  if (dst != src) std::memmove(dst, src, sizeof *dst);
  dst->pairCount = int16_t(count);
  if (count == 0) return 1;
  uint32_t largest = 0;
  for (int i = 0; i < count; ++i) largest = std::max<uint32_t>(largest, +src->pairs[i].intensity);
  const float hundredth = 0.01f;
  const double scaled = double(largest) * double(hundredth) * double(level);
  const uint32_t threshold =
      scaled <= 0 ? 0 : scaled >= double(largest) ? largest : static_cast<uint32_t>(scaled);
  XTOL_PAIR kept[SPT_REF_MAX_PAIRS];
  int n = 0;
  for (int i = 0; i < count; ++i)
    if (src->pairs[i].intensity >= threshold) kept[n++] = src->pairs[i];
  std::memcpy(dst->pairs, kept, sizeof(XTOL_PAIR) * size_t(n));
  dst->pairCount = int16_t(n);
  return 1;
}
