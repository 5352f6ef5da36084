// Small data-file helpers, the help call and the control-word check.
#include "common/data_file_utils.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

namespace {

constexpr int32_t kMethodFileType = 666;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

char* Truncate(const std::string& text, int16_t maxLength, char* buffer) {
  if (!buffer) return buffer;
  const size_t max = maxLength < 3 ? 3 : static_cast<size_t>(maxLength);
  std::string shown = text.size() <= max ? text : "..." + text.substr(text.size() - (max - 3));
  shown = Lower(shown);
  std::memcpy(buffer, shown.c_str(), shown.size() + 1);
  return buffer;
}

}  // namespace

BOOL KELT_IsDataHandlingMethodOnFile(const char* path, uint16_t moduleId, uint16_t moduleAddress) {
  if (!path || !*path) return FALSE;
  char global[80] = {}, peaks[80] = {};
  if (!BuildDHSectionName(global, "GlobalParams", moduleId, moduleAddress, "1") ||
      !BuildDHSectionName(peaks, "PeakTable", moduleId, moduleAddress, "1"))
    return FALSE;
  return SectionExists(path, global) && SectionExists(path, peaks) ? TRUE : FALSE;
}

BOOL KELT_IsMethodFile(const char* path, uint16_t moduleId, uint16_t moduleAddress) {
  if (!path || !*path || !FileExists(path) || !IsSectionFileOfType(path, kMethodFileType)) return FALSE;
  // Opening the tables lets the record library bring them up to date; whether they open does not matter.
  if (HDHTABLE t = OpenGlobalTable(path, moduleId, moduleAddress, "1")) CloseSection(static_cast<HSECTION>(t));
  if (HDHTABLE t = OpenDHTable(path, moduleId, moduleAddress, "1")) CloseSection(static_cast<HSECTION>(t));
  return KELT_IsDataHandlingMethodOnFile(path, moduleId, moduleAddress);
}

BOOL KELT_DoesFileExist(const char* path) {
  if (!path || !*path) return FALSE;
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  CloseHandle(h);
  return TRUE;
}

BOOL KELT_FromSectionGetModuleIDAddressChannel(const char* section, uint16_t* moduleId, uint16_t* moduleAddress,
                                               char* channel) {
  if (moduleId) *moduleId = 0;
  if (moduleAddress) *moduleAddress = 0;
  if (channel) channel[0] = 0;
  if (!section) return FALSE;
  // The base name is skipped rather than stored: no length limit to overflow.
  char rest[64] = {};
  unsigned short id = 0, address = 0;
  if (std::sscanf(section, " %*[^.].%4hx.%4hx.%63s", &id, &address, rest) != 3) return FALSE;
  if (moduleId) *moduleId = id;
  if (moduleAddress) *moduleAddress = address;
  if (channel) std::strcpy(channel, rest);
  return TRUE;
}

BOOL KELT_FromSectionGetModuleIDAndAddress(const char* section, uint16_t* moduleId, uint16_t* moduleAddress) {
  return KELT_FromSectionGetModuleIDAddressChannel(section, moduleId, moduleAddress, nullptr);
}

char* KELT_TruncateFileString(const char* path, int16_t maxLength, char* buffer) {
  if (!buffer) return buffer;
  buffer[0] = 0;
  if (!path) return buffer;
  return Truncate(std::string(path, strnlen(path, 4096)), maxLength, buffer);
}

char* KELT_TruncateFilenameString(const char* path, int16_t maxLength, char* buffer) {
  if (!buffer) return buffer;
  buffer[0] = 0;
  if (!path) return buffer;
  std::string name(path, strnlen(path, 4096));
  const size_t cut = name.find_last_of("\\/:");
  if (cut != std::string::npos) name = name.substr(cut + 1);
  return Truncate(name, maxLength, buffer);
}

BOOL KELT_ShowHelpTopic(uint32_t context, uint32_t command) {
  return ShowHelp(GetActiveWindow(), kelt::lib::HelpFilePath(), context, command);
}

unsigned int CheckFloatingPointControl(unsigned int expected, const char* driverName) {
  const unsigned int current = _control87(0, 0);
  if (current == expected) return current;
  std::string text;
  if (driverName && *driverName) {
    text = win::crt::FormatString(
        "The printer driver\n\n%s\n\nmodified the floating point control word\nfrom 0x%x to 0x%x and did not "
        "restore it.\n\nThis can lead to inaccurate results in all\ncalculations.\n\nPlease contact your printer "
        "manufacturer\nto correct the problem.",
        driverName, expected, current);
  } else {
    text = win::crt::FormatString(
        "A printer driver modified the\nfloating point control word from 0x%x\nto 0x%x and did not restore "
        "it.\n\nThis can lead to inaccurate results in all\ncalculations.\n\nPlease contact your printer "
        "manufacturer\nto correct the problem.",
        expected, current);
  }
  const int answer =
      MessageBoxA(GetActiveWindow(), text.c_str(), "Important Information", MB_OK | MB_ICONINFORMATION);
  // Put the word back so later calculations are not spoiled.
  _control87(expected, 0xFFFFFFFFu);
  return static_cast<unsigned int>(answer);
}
