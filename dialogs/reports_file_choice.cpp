// The reports file a report is written to.
#include "dialogs/reports_file_choice.h"

#include <cstring>

#include "common/preference_records.h"
#include "reportpages/reports_file.h"
#include "win/win_user.h"

BOOL RPTS_GetReportsFile(char* path, int16_t* temporary) {
  if (!path || !temporary) return FALSE;
  path[0] = 0;
  *temporary = 1;
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  const size_t n = strnlen(prefs.spooler.spoolFile, sizeof prefs.spooler.spoolFile);
  if (n == 0 || n == sizeof prefs.spooler.spoolFile) return TRUE;
  const char* question;
  {
    CRptsFileHandler file(nullptr);
    const bool open = file.UseThisExistingFile(prefs.spooler.spoolFile) != 0;
    if (open && file.GetCountOfPages() < kReportsFilePageLimit) {
      std::memcpy(path, prefs.spooler.spoolFile, n);
      path[n] = 0;
      *temporary = 0;
      return TRUE;
    }
    question = open ? "The spooler file is full.\nDo you want to create a new reports file?"
                    : "No spooler file selected.\nDo you want to create a new reports file?";
  }
  if (MessageBoxA(GetActiveWindow(), question, "Reports", MB_YESNO | MB_ICONQUESTION) != IDYES) return FALSE;
  return TRUE;
}
