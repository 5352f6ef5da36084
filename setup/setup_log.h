#pragma once
// The setup log: a text file in the temporary folder ("setup.txt"), one
// CR LF line per step. Logging stops for good when the file cannot be
// opened (an empty log path).
#include <string>

namespace setup {
void LogLine(const std::string& text);
void LogStart();
void LogEnd();
}  // namespace setup
