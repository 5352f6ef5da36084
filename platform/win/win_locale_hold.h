#pragma once
// Keeps the calling thread's locale settings as they stand for a short job.
// Every number and date format otherwise checks the settings file for a
// change; a drawing that formats hundreds of numbers needs one look. Holds
// nest; the settings are looked at again once the outermost one ends.
#include "win_export.h"

namespace win::locale {
class WIN_CLASS SettingsHold {
 public:
  SettingsHold();
  ~SettingsHold();
  SettingsHold(const SettingsHold&) = delete;
  SettingsHold& operator=(const SettingsHold&) = delete;
};
}  // namespace win::locale
