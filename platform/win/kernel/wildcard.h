#pragma once
// File-name patterns as the original file system matched them.
#include <string_view>

namespace win {

// "*" any run, "?" one character, letters without regard to case;
// "*.*" and a trailing ".*" also match names without an extension; a
// trailing "." ("*.", "name.") matches only names without a dot.
bool MatchesFilePattern(std::string_view pattern, std::string_view name);

}  // namespace win
