#pragma once
// Test support: audit-trail text without its time stamps, for comparison.
#include <string>

// The trail with each entry's "yyyy-mm-dd hh:mm:ss" replaced by "<time>".
inline std::string StripTimes(const std::string& trail) {
  std::string out;
  size_t start = 0;
  while (start < trail.size()) {
    size_t end = trail.find('\n', start);
    end = end == std::string::npos ? trail.size() : end + 1;
    std::string line = trail.substr(start, end - start);
    const char* shape = "dddd-dd-dd dd:dd:dd";
    bool stamped = line.size() >= 19;
    for (int i = 0; stamped && i < 19; ++i)
      stamped = shape[i] == 'd' ? (line[i] >= '0' && line[i] <= '9') : line[i] == shape[i];
    out += stamped ? "<time>" + line.substr(19) : line;
    start = end;
  }
  return out;
}
