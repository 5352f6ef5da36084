// Undoes an uninstallable update: "uninstal <title>" puts back every file
// the update replaced or removed from its backups, removes the files it
// added and restores the validation file. Exit code 0 when every file was
// restored.
#include <cstdio>
#include <string>

#include "installer_run.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: uninstal <title of the update>\n");
    return 1;
  }
  std::string title = argv[1];
  for (int i = 2; i < argc; ++i) title += std::string(" ") + argv[i];
  const int failures = setup::UninstallUpdate(title);
  if (failures < 0) {
    std::fprintf(stderr, "no uninstall information for \"%s\"\n", title.c_str());
    return 1;
  }
  if (failures > 0) std::fprintf(stderr, "%d file(s) could not be restored\n", failures);
  return failures ? 2 : 0;
}
