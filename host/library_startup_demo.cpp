// The display library's start-up as the host sees it: where it looked, what
// it read, and how it writes numbers and dates in the user's locale.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/last_files.h"
#include "common/library_state.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "win/win_profile.h"

namespace {

template <class Record>
void ShowRecord(const char* name, const char* section, const Record& current) {
  Record stored{};
  const bool onFile = GetPrivateProfileStructA(section, kelt::prefs::kParamsKey, &stored, sizeof stored,
                                               kelt::prefs::PreferencesIniPath().c_str()) != FALSE;
  std::printf("  %-8s [%s] %4zu bytes, %s, %s\n", name, section, sizeof(Record),
              onFile ? "stored" : "not stored",
              onFile && std::memcmp(&stored, &current, sizeof stored) == 0 ? "in use" : "differs from the copy in use");
}

}  // namespace

void ShowLibraryStartup() {
  std::printf("\nkelt32 start-up (%s):\n", kelt::lib::IsAttached() ? "loaded" : "not loaded");
  for (const auto& step : kelt::lib::StartupSteps()) std::printf("  %s\n", step.c_str());
  const auto& s = kelt::lib::Settings();
  std::printf("settings from %s: search window %d, noise window %d, AMDIS for XMS %d, research mode %d,\n"
              "  old spectrum titles %d, deconvolution for centroid %d\n",
              kelt::lib::SettingsIniPath(), s.searchWindowWidth, s.noiseWindowWidth, s.amdisForXmsFiles,
              s.canShowHalfHeights, s.oldSptTitles, s.deconForCentroid);
  TEXTMETRICA tm{};
  const bool metrics = kelt::lib::DisplayTextMetrics(&tm);
  std::printf("display: colour depth %d, text height %d%s\n", kelt::lib::ColourDepth(), metrics ? tm.tmHeight : 0,
              metrics ? "" : " (no metrics)");
  std::printf("preference records in %s:\n", kelt::prefs::PreferencesIniPath().c_str());
  ShowRecord("chro", kelt::prefs::kChroSection, kelt::prefs::DefaultChroPrefs());
  ShowRecord("spectra", kelt::prefs::kSptsSection, kelt::prefs::DefaultSptsPrefs());
  ShowRecord("report", kelt::prefs::kReportSection, kelt::prefs::DefaultReportPrefs());
  ShowRecord("general", kelt::prefs::kGlobalSection, kelt::prefs::DefaultGlobalPrefs());
  int recent = 0;
  for (const auto& entry : KELT_GetKeltLastFiles()->reportsFiles) recent += entry[0] ? 1 : 0;
  std::printf("last-used files from %s: %d recent reports files\n", kelt::lib::LastFilesIniPath(), recent);

  const NUMBERFMTA& f = kelt::lib::NumberFormat();
  std::printf("number format: decimal \"%s\", thousands \"%s\", grouping %u, list separator \"%s\"\n",
              f.lpDecimalSep, f.lpThousandSep, f.Grouping, kelt::lib::ListSeparator());
  char text[kNumberTextSize];
  std::printf("  intensity 999999      -> %s\n", KELT_FormatIntensity(999999, text));
  std::printf("  intensity 12345678    -> %s\n", KELT_FormatIntensity(12345678, text));
  std::printf("  amount 1234.567 ng    -> [%s]\n", KELT_FormatResultAmount(10, 2, 1234.567, "ng", text));
  std::printf("  amount -1             -> [%s]\n", KELT_FormatResultAmount(8, 2, -1.0, "ng", text));
  std::printf("  area 9876543.2        -> [%s]\n", KELT_FormatAreaOrHeight(12, 9876543.2, text));
  char date[20], time[20];
  if (KELT_FormatDateTime(3, 14, 98, 15, 7, date, time))
    std::printf("  1998-03-14 15:07      -> %s %s\n", date, time);
  const time32_t y2k = 946684800;
  if (KELT_FormatDateTimeFromLong(&y2k, date, time)) std::printf("  2000-01-01 00:00 UTC  -> %s %s (local)\n", date, time);
  if (!KELT_FormatDateTime(1, 1, 74, 0, 0, date, time)) std::printf("  1974-01-01            -> (before 1975: none)\n");
}
