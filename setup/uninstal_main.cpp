// Undoes an uninstallable update: "uninstal <title>" puts back every file
// the update replaced or removed from its backups, removes the files it
// added and restores the validation file, saying what it did. Exit code 0
// when everything was undone, 1 when the update left nothing to undo, 2
// when a record could not be acted on (each is named).
#include <cstdio>
#include <string>

#include "uninstall.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: uninstal <title of the update>\n");
    return 1;
  }
  std::string title = argv[1];
  for (int i = 2; i < argc; ++i) title += std::string(" ") + argv[i];
  const setup::UninstallReport r = setup::UndoUpdate(title);
  if (!r.found) {
    std::fprintf(stderr, "no uninstall information for \"%s\"\n", title.c_str());
    return 1;
  }
  for (const std::string& path : r.restored) std::printf("Restored %s\n", path.c_str());
  for (const std::string& path : r.removed) std::printf("Removed %s\n", path.c_str());
  for (const std::string& problem : r.problems) std::fprintf(stderr, "Not undone: %s\n", problem.c_str());
  std::printf("%zu file(s) restored, %zu removed", r.restored.size(), r.removed.size());
  if (r.problems.empty()) {
    std::printf("; \"%s\" is uninstalled\n", title.c_str());
    return 0;
  }
  std::printf("; %zu record(s) could not be undone\n", r.problems.size());
  return 2;
}
