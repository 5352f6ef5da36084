#pragma once
// Blocks of a report written as a text report (kind 2) and read back as
// lines, with the cells of a criteria row picked out by column.
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "reportpages/report_output.h"
#include "reportpages/text_report_file.h"
#include "win/win_paths.h"

namespace report_text {

inline std::vector<std::string> Render(const std::function<void(CReportOutput*)>& write,
                                       const char* path = "C:\\Data\\criteria.txt") {
  std::vector<std::string> lines;
  {
    CReportOutput out(nullptr, nullptr, 120, 200, 2, REPORT_OUTPUT_TEXT);
    if (!out.Ok || !out.TextFile || !out.TextFile->OpenAFile(path, "\n", 1)) return lines;
    write(&out);
    out.NextLine();
    out.TextFile->CloseAFile();
  }
  std::ifstream file(win::paths::ToHost(path), std::ios::binary);
  std::istringstream in(std::string(std::istreambuf_iterator<char>(file), {}));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

inline std::string Cut(const std::string& line, size_t from, size_t to) {
  if (line.size() <= from) return {};
  return Trim(line.substr(from, to - from));
}

// A criteria row at base column c: Parameter, Required, Actual, Status.
// A parameter longer than its 21 columns is found by what is left of it.
struct Row {
  std::string parameter, required, actual, status;
  bool found = false;
};

inline Row Find(const std::vector<std::string>& lines, const std::string& parameter, size_t c = 0) {
  Row r;
  for (const std::string& l : lines) {
    if (Cut(l, c + 2, c + 23) != Trim(parameter.substr(0, 21))) continue;
    r.found = true;
    r.parameter = parameter;
    r.required = Cut(l, c + 23, c + 44);
    r.actual = Cut(l, c + 44, c + 65);
    r.status = Cut(l, c + 65, l.size());
    break;
  }
  return r;
}

}  // namespace report_text
