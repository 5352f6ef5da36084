// File-name pattern matching.
#include "wildcard.h"

#include <cctype>

namespace win {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool Glob(std::string_view p, std::string_view s) {
  size_t pi = 0, si = 0, starP = std::string_view::npos, starS = 0;
  while (si < s.size()) {
    if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starS = si;
    } else if (pi < p.size() && (p[pi] == '?' || Lower(p[pi]) == Lower(s[si]))) {
      ++pi;
      ++si;
    } else if (starP != std::string_view::npos) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

}  // namespace

bool MatchesFilePattern(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") pattern = "*";
  if (pattern.size() > 1 && pattern.back() == '.' && pattern != "..") {
    pattern.remove_suffix(1);
    const bool dots = name == "." || name == "..";
    return (dots || name.find('.') == std::string_view::npos) && Glob(pattern, name);
  }
  if (Glob(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos)
    return Glob(pattern.substr(0, pattern.size() - 2), name);
  return false;
}

}  // namespace win
