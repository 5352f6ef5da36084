#include "run_state.h"

#include "script_format.h"

namespace setup {

RunState& TheRun() {
  static RunState state;
  return state;
}

void ResetRun() { TheRun() = RunState{}; }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool PlaceholderFolder(const std::string& keyword, std::string* folder) {
  const RunState& r = TheRun();
  if (EqualsNoCase(keyword, "DEST")) *folder = r.destFolder;
  else if (EqualsNoCase(keyword, "WINDOWS")) *folder = r.windowsFolder;
  else if (EqualsNoCase(keyword, "SYSTEM")) *folder = r.systemFolder;
  else if (EqualsNoCase(keyword, "ALTERNATE1")) *folder = r.alternate1;
  else if (EqualsNoCase(keyword, "ALTERNATE2")) *folder = r.alternate2;
  else if (EqualsNoCase(keyword, "SOURCE")) *folder = r.sourceFolder;
  else return false;
  return true;
}

bool ExpandSetupValue(std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') continue;
    if (c != '^') {
      out += c;
      continue;
    }
    const size_t close = text.find('^', i + 1);
    if (close == std::string::npos) return false;
    std::string folder;
    if (!PlaceholderFolder(text.substr(i + 1, close - i - 1), &folder)) return false;
    out += folder + "\\";
    i = close;
  }
  text = out;
  return true;
}

}  // namespace setup
