// Library names of a search's library list.
#include <cstring>
#include <string>

#include "fandor/fandor.h"
#include "win/win_profile.h"

BOOL GetLibraryName(int16_t index, const char* libraryList, char* buffer) {
  if (!buffer) return FALSE;
  buffer[0] = 0;
  if (index < 0) return FALSE;
  std::string path;
  if (libraryList) {
    const char* p = libraryList;
    for (int i = 0; *p && i < index; ++i) p += std::strlen(p) + 1;
    path = p;
  } else {
    const std::string key = "Library" + std::to_string(index + 1);
    char value[MAX_PATH] = {};
    GetPrivateProfileStringA("Libraries", key.c_str(), "", value, sizeof value, "fandor.ini");
    path = value;
  }
  if (path.empty() || path.size() >= MAX_PATH) return FALSE;
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return TRUE;
}
