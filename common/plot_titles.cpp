// Trace titles, units and segment drawing information.
#include "common/plot_titles.h"

#include <cctype>
#include <cstring>
#include <string>

#include "common/data_file_descriptions.h"
#include "common/list_text_helpers.h"
#include "common/plot_descriptors.h"
#include "common/plot_title_text.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "common/work_file_facts.h"
#include "orvik32/orvik32.h"

namespace {

bool DigitsOnly(const char* s) {
  if (!*s) return false;
  for (; *s; ++s)
    if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
  return true;
}

std::string ExtraColumnName(const STRUCT_WORK_FILE* wf, int k) {
  const MS_INFO_BLOCK* info = kelt::wff::Info(wf);
  if (!info || k < 0 || k >= info->extraColumnCount || k >= MS_MAX_EXTRA_COLUMNS) return {};
  return kelt::text::WideToAnsi(info->extraColumnNames[k], 14);
}

const STRUCT_DETECTOR_CHANNEL* Channel(const STRUCT_WORK_FILE* wf, int index) {
  if (!wf || !wf->channelTable || index < 0 || index >= wf->channelTable->channelCount) return nullptr;
  return DetectorChannelAt(wf->channelTable, index);
}

std::string Bounded(const char* text, size_t n) { return std::string(text, strnlen(text, n)); }

}  // namespace

void KELT_MakeWSPlotTitle(char* buffer, const STRUCT_WORK_FILE* workFile, int16_t channel) {
  if (!buffer) return;
  buffer[0] = 0;
  if (const STRUCT_DETECTOR_CHANNEL* c = Channel(workFile, channel))
    kelt::text::CopyBounded(buffer, KELT_PLOT_TITLE_SIZE, Bounded(c->label, sizeof c->label));
}

void KELT_FormatMassAndScanFuns(const STRUCT_WORK_FILE* workFile, int16_t dataType, int16_t segment,
                                const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList,
                                const STRUCT_SCAN_FUN_ARRAY* scanFuns, char* buffer, int16_t maxLength) {
  if (!buffer || maxLength < 1) return;
  buffer[0] = 0;
  const size_t max = size_t(maxLength);
  if (dataType == 301 && scanFuns) {
    if (maxLength > 2) SCAN_FUN_GetPlotTitle(workFile, massList, scanFuns, buffer, int16_t(maxLength - 2));
    return;
  }
  if (dataType == 300) return kelt::text::CopyBounded(buffer, max, "SEGMENT PLOT");
  if (dataType == 100) {
    char title[KELT_PLOT_TITLE_SIZE];
    KELT_MakeWSPlotTitle(title, workFile, segment);
    return kelt::text::CopyBounded(buffer, max, title);
  }
  if (dataType == 0 && (!massList || massList->kind == 0) && (!chanList || chanList->kind == 0))
    return kelt::text::CopyBounded(buffer, max, "TIC");

  std::string chan = "Chan: ";
  char chanText[512] = {};
  if (chanList && FormatChanList(chanText, chanList)) chan += chanText;
  std::string type;
  if (dataType == 1 && massList) {
    char ions[1024] = {};
    if (FormatMassListText(ions, massList, kelt::wff::MassDecimals(workFile))) {
      if (kelt::text::EqualsNoCase(ions, "RIC")) type = ions;
      else type = std::string(DigitsOnly(ions) ? "Ion: " : "Ions: ") + ions;
    }
  } else if (dataType == 2 || dataType == 3) {
    type = PD_GetDataTypeName(dataType);
  } else if (dataType >= 4 && dataType <= 99) {
    type = ExtraColumnName(workFile, dataType - 4);
  }
  if (type.size() < max) {
    // The blank comes even after an empty type text (" Chan: 1-2").
    if (type.size() + 2 + chan.size() < max) type += " " + chan;
    kelt::text::CopyBounded(buffer, max, type);
  } else {
    kelt::text::CopyBounded(buffer, max, type.substr(0, max - 1));
  }
}

void KELT_MakeTolmarPlotTitle(char* buffer, int16_t dataType, const STRUCT_MASS_LIST* massList,
                              const STRUCT_CHAN_LIST* chanList, const STRUCT_WORK_FILE* workFile) {
  if (!buffer) return;
  buffer[0] = 0;
  kelt::text::CopyBounded(buffer, KELT_PLOT_TITLE_SIZE,
                          kelt::titles::TolmarPlotTitle(dataType, massList, chanList, workFile));
}

void KELT_GetUnitsForDataType(int16_t dataType, uint32_t massListKind, int16_t segment,
                              const STRUCT_WORK_FILE* workFile, char* buffer) {
  if (!buffer) return;
  buffer[0] = 0;
  std::string units;
  if (dataType == 100) {
    if (const STRUCT_DETECTOR_CHANNEL* c = Channel(workFile, segment)) units = Bounded(c->yUnit, sizeof c->yUnit);
  } else if (dataType == 300) {
    units = "Counts";
  } else if (massListKind == 2) {
    units = "m/z";
  } else if (massListKind < 5) {
    units = "Counts";
  } else {
    units = ExtraColumnName(workFile, int(massListKind - 5));
  }
  kelt::text::CopyBounded(buffer, KELT_UNITS_SIZE, units);
}

STRUCT_SEG_DRAW_INFO* MakeSegmentDrawInfoStruct(STRUCT_WORK_FILE* workFile, int16_t* count, int16_t withText) {
  if (count) *count = 0;
  const int n = kelt::wff::SegmentCount(workFile);
  if (n <= 0) return nullptr;
  auto* info = static_cast<STRUCT_SEG_DRAW_INFO*>(AllocBlock(uint32_t(n) * sizeof(STRUCT_SEG_DRAW_INFO)));
  if (!info) return nullptr;
  for (int s = 0; s < n; ++s) {
    const MS_SEGMENT_BLOCK* b = kelt::wff::Segment(workFile, s);
    if (!b) continue;
    info[s].firstTime = b->startTime;
    info[s].lastTime = b->endTime;
    info[s].firstScan = b->firstScan;
    info[s].lastScan = b->lastScan;
    if (withText && !workFile->live) {
      char line[KELT_DESCRIPTION_LINE_MAX + 1] = {};
      if (KELT_GetOneTextLineForSegment(workFile, int16_t(s), line))
        kelt::text::CopyBounded(info[s].text, sizeof info[s].text, line);
    }
  }
  if (count) *count = int16_t(n);
  return info;
}
