#pragma once
// Undoing an uninstallable update from its records: every file it replaced
// or removed gets its backup back, every file it added is removed, and the
// validation file is the one from before the update.
#include <string>
#include <vector>

namespace setup {

struct UninstallReport {
  bool found = false;                 // the update left records to undo
  std::string backupFolder;
  std::vector<std::string> restored;  // put back from the backup folder
  std::vector<std::string> removed;   // added by the update, taken away
  // Records that could not be acted on, each with the reason.
  std::vector<std::string> problems;
};

// Undoes the update of this title. When every record was acted on, the
// update's records, its uninstall entry and its backup folder go too, so
// the update can be installed afresh.
UninstallReport UndoUpdate(const std::string& title);
// The same, as a count: -1 when there was nothing to undo, else the number
// of records that could not be acted on.
int UninstallUpdate(const std::string& title);

}  // namespace setup
