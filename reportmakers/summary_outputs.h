#pragma once
// The one way the summary and the control charts come out: as pages into a
// reports file (made when missing, and removed again when nothing was
// stored in it), or as a separated text file beside the list.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "reportmakers/report_makers.h"
#include "reportmakers/summary_report.h"
#include "reportpages/reports_file.h"
#include "win/win_kernel.h"

namespace kelt::reports {

// Output: constructed from (reports file or null, prefs, kind, list name,
// format); has Ok, TextFile, Separator and Make(rows). suffix names the
// text file when outputName is empty; evenOutRows pads every row of a
// separated file to the widest.
template <class Output>
int32_t MakeSummaryOutput(int16_t kind, char* outputName, STRUCT_REPORT_PREFS* prefs, const char* listName,
                          const STRUCT_SUMMARY_ROW_LIST* rows, const void* format, const char* suffix,
                          bool evenOutRows) {
  try {
    if (!outputName || !format || (kind != SUMMARY_REPORT_PAGES && kind != SUMMARY_REPORT_TEXT)) return 0;
    STRUCT_REPORT_PREFS defaults{};
    if (!prefs) {
      KELT_GetCurrDefReportPrefs(&defaults);
      prefs = &defaults;
    }
    if (kind == SUMMARY_REPORT_PAGES) {
      bool made = false;
      if (outputName[0] && !FileExists(outputName)) {
        CRptsFileHandler maker(nullptr);
        if (!maker.MakeThisNewFile(outputName)) return 0;
        made = true;
      }
      Output out(outputName, prefs, kind, listName, format);
      if (!out.Ok) return 0;
      const int32_t result = out.Make(rows);
      if (made && !result) DeleteFileA(outputName);
      return result;
    }
    // The report format's output field: 0 comma, 1 tab, 2 blank.
    int16_t textFormat = 0;
    std::memcpy(&textFormat, static_cast<const uint8_t*>(format) + 24, sizeof textFormat);
    std::string name = outputName;
    if (name.empty()) name = SummaryTextFileName(listName, suffix, textFormat);
    if (name.size() >= MAX_PATH) return 0;
    Output out(nullptr, prefs, kind, listName, format);
    if (!out.Ok || !out.TextFile) return 0;
    if (textFormat == 1) std::snprintf(out.Separator, sizeof out.Separator, "\t");
    if (textFormat == 2) std::snprintf(out.Separator, sizeof out.Separator, " ");
    // A comma-separated file takes the user's list separator, unless that
    // is a blank (which would make it the blank-separated form).
    if (textFormat != 1 && textFormat != 2 && (out.Separator[0] == ' ' || !out.Separator[0]))
      std::snprintf(out.Separator, sizeof out.Separator, ",");
    if (!out.TextFile->OpenAFile(name.c_str(), "\r\n", 1)) return 0;
    out.Make(rows);
    out.TextFile->CloseAFile();
    if (evenOutRows && out.Separator[0] != ' ' && out.Ok) EvenOutSeparatedRows(name.c_str(), out.Separator[0]);
    if (!outputName[0]) std::snprintf(outputName, MAX_PATH, "%s", name.c_str());
    return 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace kelt::reports
