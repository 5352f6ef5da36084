// The reports file a report is written to.
#include "dialogs/reports_file_choice.h"

#include <cstdio>
#include <cstring>

#include "common/preference_records.h"
#include "dialogs/report_entry_points.h"
#include "reportpages/reports_file.h"
#include "ulbrec32/file_paths.h"
#include "win/win_user.h"

BOOL RPTS_GetReportsFile(char* path, int16_t* temporary) {
  if (!path || !temporary) return FALSE;
  path[0] = 0;
  *temporary = 1;
  STRUCT_REPORT_PREFS& defaults = kelt::prefs::DefaultReportPrefs();
  if (!kelt::dlg::SpoolerInUse(defaults)) return TRUE;
  char* spooler = defaults.spooler.spoolFile;
  const size_t n = strnlen(spooler, sizeof defaults.spooler.spoolFile);
  if (n == sizeof defaults.spooler.spoolFile) spooler[0] = 0;  // no terminator: no usable name
  bool full = false;
  if (spooler[0]) {
    int32_t count = -1;
    {
      CRptsFileHandler file(nullptr);
      if (file.UseThisExistingFile(spooler)) count = file.GetCountOfPages();
    }
    if (count >= 0 && count < kReportsFilePageLimit) {
      std::memcpy(path, spooler, n + 1);
      *temporary = 0;
      return TRUE;
    }
    full = count >= kReportsFilePageLimit;
  }
  int answer;
  if (full) {
    char folder[260] = {}, name[260] = {}, ext[260] = {};
    SplitFilePath(spooler, folder, name, ext);
    char caption[600];
    std::snprintf(caption, sizeof caption, "%s%s", name, ext);
    answer = MessageBoxA(GetActiveWindow(), "The spooler file is full.\nDo you want to create a new reports file?",
                         caption, MB_YESNOCANCEL | MB_ICONQUESTION);
  } else {
    answer = MessageBoxA(GetActiveWindow(), "Do you want to create a new reports file?", "No spooler file selected.",
                         MB_YESNOCANCEL | MB_ICONQUESTION);
  }
  if (answer == IDCANCEL) return FALSE;
  CRptsFileHandler file(nullptr);
  const int made = answer == IDYES ? file.LetUserCreateNewFile() : file.LetUserSelectExistingFile();
  if (made && file.m_FileName[0]) {
    // Kept for this session only; the settings file is not written here.
    std::snprintf(defaults.spooler.spoolFile, sizeof defaults.spooler.spoolFile, "%s", file.m_FileName);
    std::snprintf(path, 260, "%s", file.m_FileName);
    *temporary = 0;
  }
  return TRUE;
}
