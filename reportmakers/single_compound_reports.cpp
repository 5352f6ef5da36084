// The single-compound report makers and their page makers.
#include "reportmakers/single_compound_reports.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "common/number_format.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "common/results_facts.h"
#include "common/scan_fun_info.h"
#include "common/work_file.h"
#include "holbrin/dh_records.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "reportmakers/criteria_tables.h"
#include "reportmakers/report_format_section.h"
#include "reportpages/report_output.h"
#include "reportpages/single_file_header.h"

namespace {

namespace r = kelt::reports;

constexpr int16_t kColumn = 2;
constexpr uint32_t kSettingsAt = 2, kFormatBlockAt = 1607;

enum class PageKind { Target, IonRatio, Unidentified };

const char* Title(PageKind kind) {
  switch (kind) {
    case PageKind::Target: return "Target Compound Report";
    case PageKind::IonRatio: return "Ion Ratio Report";
    default: return "Unidentified Peak Report";
  }
}

struct WorkFileFree {
  void operator()(STRUCT_WORK_FILE* wf) const { FreeWorkFileStruct(wf); }
};

// The amount decimals of the report settings (the format's word at 30).
uint16_t AmountDecimals(const void* settings) {
  if (!settings) return 3;
  const int16_t d = r::FieldAt<int16_t>(settings, 30 - kSettingsAt);
  return d >= 0 && d <= 6 ? uint16_t(d) : 3;
}

// The title at the head of every page, then the data-file block.
void StartPage(CReportOutput& out, PageKind kind, const STRUCT_WORK_FILE* workFile, const char* titleName,
               int32_t dateTime) {
  // Header texts hold 80 characters and their end.
  std::snprintf(out.HeaderText[0], sizeof out.HeaderText[0], "%s", Title(kind));
  out.HeaderUsed[0] = 1;
  out.HeaderLine[0] = 1;
  out.HeaderColumn[0] = uint16_t(kColumn);
  out.HeaderFont[0] = kFontLarge;
  out.CreatedAt = uint32_t(dateTime);  // the pages' time stamp in the reports file
  out.SetPageNumberTitle(Title(kind));
  out.PageNumberOn = 1;
  out.PageNumberHeader = 0;
  out.FirstBodyLine = 3;
  out.WriteHeaderLines();
  if (out.Page && out.Ok)
    out.Line = int16_t(MPM_AddSingleFileHeader(out.Page, out.Line, kColumn, workFile, titleName, 0) + 1);
}

// The graphics under a page's text: the panel of the definition's six
// slot codes (target or unidentified), or the ion-ratio chromatograms,
// then the segment line when the definition asks for it.
void PageGraphics(CReportOutput& out, PageKind kind, const void* definition, STRUCT_WORK_FILE* workFile,
                  int16_t index, const void* step, const void* standard, const void* compound, const void* table) {
  if (!out.Ok || !definition) return;
  const bool libraryHits = table && r::FieldAt<uint32_t>(table, r::table::kLibrarySearchUnknowns) == 1;
  const uint32_t segmentAt = kind == PageKind::Unidentified ? 963 : 561;
  const uint32_t codesAt = kind == PageKind::Unidentified ? (libraryHits ? 965 : 977) : 563;
  const bool segmentLine = r::FieldAt<uint16_t>(definition, segmentAt) != 0;
  const int16_t bottom = int16_t(out.LastLine - (segmentLine ? 1 : 0));
  if (kind == PageKind::IonRatio) {
    std::vector<uint8_t> qualifier(1302), standardQualifier(1302), standardCompound(r::kCompoundRecordSize);
    const bool haveQualifier =
        KELT_ReadMatchingQualifier(workFile, r::FieldAt<int32_t>(step, r::step::kCompoundNumber), qualifier.data());
    const bool haveStandardQualifier =
        standard && KELT_ReadMatchingQualifier(workFile, r::FieldAt<int32_t>(standard, r::step::kCompoundNumber),
                                               standardQualifier.data());
    const bool haveStandardCompound =
        standard && RPTS_ReadCompoundRecord(workFile, standard, standardCompound.data());
    if (haveQualifier && compound && out.Line + 8 < bottom)
      out.DrawIonRatioChromatograms(workFile, step, qualifier.data(), standard,
                                    haveStandardQualifier ? standardQualifier.data() : nullptr, compound,
                                    haveStandardCompound ? standardCompound.data() : nullptr, kColumn,
                                    int16_t(out.Columns - kColumn), bottom);
  } else {
    int16_t codes[6];
    for (int i = 0; i < 6; ++i) codes[i] = r::FieldAt<int16_t>(definition, codesAt + 2 * uint32_t(i));
    const int rows = std::max((codes[0] != 0) + (codes[1] != 0) + (codes[2] != 0),
                              (codes[3] != 0) + (codes[4] != 0) + (codes[5] != 0));
    if (rows && out.Line + 1 + 10 * rows > bottom && !out.NewPage()) return;
    if (rows)
      out.DrawCompoundGraphics(workFile, index, step, standard, compound, table, codes, kColumn,
                               int16_t(out.Columns - kColumn), bottom);
  }
  if (segmentLine && out.Ok) {
    out.Line = std::max(out.Line, bottom);
    out.WriteSegmentLine(workFile, r::FieldAt<float>(step, r::step::kRetentionTime), kColumn);
  }
}

int32_t CompoundPages(PageKind kind, const void* step, const void* settings, STRUCT_WORK_FILE* workFile,
                      STRUCT_SCAN_FUN_INFO* scanFunctions, uint16_t scanFunctionCount, int16_t index,
                      char* reportsFile, STRUCT_REPORT_PREFS* prefs, int32_t dateTime, const char* titleName,
                      uint16_t* pages, const void* definition = nullptr) {
  if (pages) *pages = 0;
  if (!step || !workFile || !reportsFile || !prefs) return 0;
  CReportOutput output(reportsFile, prefs, 80, 70, 2, REPORT_OUTPUT_PAGES);
  if (!output.Ok) return 0;
  CReportOutput* out = &output;
  out->ScanFunInfo = scanFunctions;
  out->ScanFunCount = scanFunctionCount;
  StartPage(output, kind, workFile, titleName, dateTime);

  std::vector<uint8_t> header(r::kResultsHeaderSize), table(r::kGlobalTableSize), compound(r::kCompoundRecordSize),
      standard(r::kResultStepSize);
  const char* dataFile = workFile->filePath;
  if (RPTS_ReadResults(dataFile, header.data())) {
    const bool haveTable = KELT_ReadGlobalTable(workFile, table.data());
    const bool haveCompound = RPTS_ReadCompoundRecord(workFile, step, compound.data());
    const bool haveStandard = RPTS_ReadISResultStep(dataFile, step, standard.data());
    const void* t = haveTable ? table.data() : nullptr;
    const void* c = haveCompound ? compound.data() : nullptr;
    const uint16_t decimals = AmountDecimals(settings);
    switch (kind) {
      case PageKind::Target:
        RPTS_WriteTargetCriteriaFull(out, header.data(), index, step, haveStandard ? standard.data() : nullptr,
                                     c, t, workFile, decimals, uint16_t(kColumn));
        break;
      case PageKind::Unidentified:
        RPTS_WriteUnknownCriteria(out, workFile, header.data(), uint16_t(index), step, t, decimals,
                                  uint16_t(kColumn));
        break;
      case PageKind::IonRatio: {
        STRUCT_RPT_LEGEND legend;
        RPTS_WriteCompoundInfo(out, header.data(), index, step, uint16_t(kColumn));
        RPTS_WriteCriteriaHeader(out, 1, uint16_t(kColumn));
        out->SelectNormalFont();
        RPTS_RowRetentionTime(out, step, c, uint16_t(kColumn));
        RPTS_RowQualIonRatios(out, workFile, step, c, uint16_t(kColumn));
        RPTS_LegendAddStatusLetters(&legend, step);
        RPTS_RowStatus(out, step, uint16_t(kColumn));
        RPTS_WriteLegend(&legend, out, uint16_t(kColumn));
        break;
      }
    }
    PageGraphics(output, kind, definition, workFile, index, step, haveStandard ? standard.data() : nullptr, c, t);
  }
  out->EndPage();
  if (pages) *pages = out->PagesStored;
  return out->HasPages() ? 1 : 0;
}

using IndexCheck = bool (*)(const char*, int16_t);

int32_t MakeReport(PageKind kind, IndexCheck check, const char* methodSource, const char* sectionName,
                   const char* dataFile, int16_t index, char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                   const char* titleName, uint16_t value8, uint16_t value9) {
  try {
    if (!dataFile || (check && !check(dataFile, index))) return 0;
    std::vector<uint8_t> method(sizeof(STRUCT_REPORT_FORMAT), 0);
    if (!(methodSource && sectionName && ReadReportFormat(methodSource, sectionName, method.data())) &&
        !ResetReportFormat(method.data()))
      return 0;
    std::unique_ptr<STRUCT_WORK_FILE, WorkFileFree> wf(MakeWorkFileStruct(dataFile, 0));
    if (!wf) return 0;
    std::vector<uint8_t> step(r::kResultStepSize);
    if (index < 0 || !RPTS_ReadResultStep(wf->filePath, uint16_t(index), step.data())) return 0;
    int16_t count = 0;
    STRUCT_SCAN_FUN_INFO* functions = PD_GetScanFunInfoForDataFile(wf.get(), &count, 0);
    const int32_t now = GetCurrentDateTime();
    const void* settings = method.data() + kSettingsAt;
    const void* format = method.data() + kFormatBlockAt;
    const uint16_t n = uint16_t(functions && count > 0 ? count : 0);
    int32_t made = 0;
    uint16_t pages = 0;
    switch (kind) {
      case PageKind::Target:
        made = RPTS_TargetCompoundPages(step.data(), format, settings, wf.get(), functions, n, index, reportsFile,
                                        prefs, now, 1, titleName, value8, value9, &pages);
        break;
      case PageKind::IonRatio:
        made = RPTS_IonRatioCompoundPages(step.data(), format, settings, wf.get(), functions, n, index, reportsFile,
                                          prefs, now, 1, titleName, value8, value9);
        break;
      case PageKind::Unidentified:
        made = RPTS_UnidentifiedCompoundPages(step.data(), format, settings, wf.get(), functions, n, index,
                                              reportsFile, prefs, now, 1, titleName, value8, value9, &pages);
        break;
    }
    if (functions) FreeBlock(functions);
    return made;
  } catch (...) {
    return 0;
  }
}

}  // namespace

int32_t RPTS_TargetCompoundPages(const void* step, const void* definition, const void* settings, STRUCT_WORK_FILE* workFile,
                                 STRUCT_SCAN_FUN_INFO* scanFunctions, uint16_t scanFunctionCount, int16_t index,
                                 char* reportsFile, STRUCT_REPORT_PREFS* prefs, int32_t dateTime, int16_t,
                                 const char* titleName, uint16_t, uint16_t, uint16_t* pages) {
  return CompoundPages(PageKind::Target, step, settings, workFile, scanFunctions, scanFunctionCount, index,
                       reportsFile, prefs, dateTime, titleName, pages, definition);
}

int32_t RPTS_IonRatioCompoundPages(const void* step, const void* definition, const void* settings, STRUCT_WORK_FILE* workFile,
                                   STRUCT_SCAN_FUN_INFO* scanFunctions, uint16_t scanFunctionCount, int16_t index,
                                   char* reportsFile, STRUCT_REPORT_PREFS* prefs, int32_t dateTime, int16_t,
                                   const char* titleName, uint16_t, uint16_t) {
  return CompoundPages(PageKind::IonRatio, step, settings, workFile, scanFunctions, scanFunctionCount, index,
                       reportsFile, prefs, dateTime, titleName, nullptr, definition);
}

int32_t RPTS_UnidentifiedCompoundPages(const void* step, const void* definition, const void* settings,
                                       STRUCT_WORK_FILE* workFile, STRUCT_SCAN_FUN_INFO* scanFunctions,
                                       uint16_t scanFunctionCount, int16_t index, char* reportsFile,
                                       STRUCT_REPORT_PREFS* prefs, int32_t dateTime, int16_t, const char* titleName,
                                       uint16_t, uint16_t, uint16_t* pages) {
  return CompoundPages(PageKind::Unidentified, step, settings, workFile, scanFunctions, scanFunctionCount, index,
                       reportsFile, prefs, dateTime, titleName, pages, definition);
}

int32_t RPTS_MakeTargetCompoundReport(const char* methodSource, const char* sectionName, const char* dataFile,
                                      int16_t index, char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                      const char* titleName, uint16_t value8, uint16_t value9) {
  return MakeReport(PageKind::Target, RPTS_IsTargetStepIndex, methodSource, sectionName, dataFile, index,
                    reportsFile, prefs, titleName, value8, value9);
}

int32_t RPTS_MakeIonRatioCompoundReport(const char* methodSource, const char* sectionName, const char* dataFile,
                                        int16_t index, char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                        const char* titleName, uint16_t value8, uint16_t value9) {
  return MakeReport(PageKind::IonRatio, nullptr, methodSource, sectionName, dataFile, index, reportsFile, prefs,
                    titleName, value8, value9);
}

int32_t RPTS_MakeUnidentifiedCompoundReport(const char* methodSource, const char* sectionName, const char* dataFile,
                                            int16_t index, char* reportsFile, STRUCT_REPORT_PREFS* prefs,
                                            const char* titleName, uint16_t value8, uint16_t value9) {
  return MakeReport(PageKind::Unidentified, RPTS_IsUnidentifiedStepIndex, methodSource, sectionName, dataFile, index,
                    reportsFile, prefs, titleName, value8, value9);
}
