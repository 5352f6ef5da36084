// Segment plots: one mass and channel list per acquisition segment.
#include "common/segment_plots.h"

#include <cstring>
#include <string>

#include "common/list_text_helpers.h"
#include "common/plot_title_text.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"

KELT_API STRUCT_SEG_PLOTS* PLOT_SEG_Init(const STRUCT_WORK_FILE* workFile) {
  const int n = kelt::wff::SegmentCount(workFile);
  if (n <= 0 || n > 0xFFFF) return nullptr;
  auto* plots = static_cast<STRUCT_SEG_PLOTS*>(AllocBlock(static_cast<uint32_t>(SegPlotsSize(static_cast<size_t>(n)))));
  if (!plots) return nullptr;
  try {
    plots->count = static_cast<uint16_t>(n);
    for (int i = 0; i < n; ++i) {
      SEG_PLOT_ENTRY& e = plots->entries[i];
      e.excluded = 0;
      KELT_InitMergedChanList(&e.chanList);
      KELT_InitRICMassList(&e.massList);
      std::string title = kelt::titles::TolmarPlotTitle(KELT_GetDataTypeFromMassType(e.massList.kind), &e.massList,
                                                        &e.chanList, workFile);
      kelt::text::CopyBounded(e.title, sizeof e.title, title);
    }
    return plots;
  } catch (...) {
    FreeBlock(plots);
    return nullptr;
  }
}

KELT_API STRUCT_SEG_PLOTS* PLOT_SEG_Copy(const STRUCT_SEG_PLOTS* plots) {
  if (!plots) return nullptr;
  const size_t bytes = SegPlotsSize(plots->count);
  auto* copy = static_cast<STRUCT_SEG_PLOTS*>(AllocBlock(static_cast<uint32_t>(bytes)));
  if (!copy) return nullptr;
  std::memcpy(copy, plots, bytes);
  return copy;
}

KELT_API BOOL PLOT_SEG_Compare(const STRUCT_SEG_PLOTS* a, const STRUCT_SEG_PLOTS* b) {
  if (!a || !b) return 0;
  if (a == b) return 1;
  if (a->count != b->count) return 0;
  return std::memcmp(a, b, SegPlotsSize(a->count)) == 0 ? 1 : 0;
}

KELT_API void PLOT_SEG_GetPlotTitle(const STRUCT_WORK_FILE* workFile, const STRUCT_SEG_PLOTS* plots, char* text,
                                    int16_t maxLength) {
  if (!text || maxLength < 1) return;
  text[0] = 0;
  if (!plots) return;
  try {
    // At most maxLength - 1 characters, so the text fits a buffer of maxLength.
    const size_t room = static_cast<size_t>(maxLength - 1);
    std::string t;
    for (int i = 0; i < plots->count; ++i) {
      const SEG_PLOT_ENTRY& e = plots->entries[i];
      std::string title = kelt::titles::TolmarPlotTitle(1, &e.massList, &e.chanList, workFile);
      const size_t add = title.size() + (i ? 3 : 0);
      if (t.size() + add > room) break;
      if (i) t += " + ";
      t += title;
    }
    kelt::text::CopyBounded(text, static_cast<size_t>(maxLength), t);
  } catch (...) {
    text[0] = 0;
  }
}
