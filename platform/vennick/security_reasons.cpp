// The reasons for a version change, as the security database lists them.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "vennick.h"
#include "win/win_profile.h"
#include "win/win_user.h"

namespace {

const char kSection[] = "VersionReasons";

// A whole decimal number, nothing else.
bool ReadNumber(const std::string& text, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtol(text.c_str(), &end, 10);
  return end && *end == 0;
}

std::string Value(const char* key) {
  char buffer[512] = "";
  GetPrivateProfileStringA(kSection, key, "", buffer, sizeof buffer, GetWorkstationIniPath());
  return buffer;
}

}  // namespace

BOOL WSecFillReasonCB(HWND dialog, HWND combo) {
  (void)dialog;
  if (!combo) return FALSE;
  try {
    const std::string countText = Value("Count");
    long count = 0;
    if (countText.empty()) return TRUE;  // no reasons are kept
    if (!ReadNumber(countText, &count) || count < 0 || count > 1000) return FALSE;
    struct Entry {
      long kind;
      std::string text;
    };
    std::vector<Entry> entries;
    for (long n = 1; n <= count; ++n) {
      const std::string value = Value(("Reason" + std::to_string(n)).c_str());
      const size_t comma = value.find(',');
      long kind = 0;
      if (comma == std::string::npos || !ReadNumber(value.substr(0, comma), &kind) || (kind != 0 && kind != 1))
        return FALSE;
      entries.push_back({kind, value.substr(comma + 1)});
    }
    for (const auto& e : entries) {
      const LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.text.c_str()));
      if (index >= 0) SendMessageA(combo, CB_SETITEMDATA, WPARAM(index), LPARAM(e.kind));
    }
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}
