// Instrument module information sections of a data file.
#include <cstring>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "tevrin32.h"

namespace {

std::string SectionName(uint16_t address) {
  char name[32];
  std::snprintf(name, sizeof name, "ModuleInfo:B.%02u", unsigned(address));
  return name;
}

}  // namespace

TEVRIN_API int32_t WriteModuleInfoText(int32_t, uint16_t moduleAddress, const char* dataPath, FILE* stream) {
  if (!dataPath || !stream) return 0;
  HSECTION s = OpenSectionReadOnly(dataPath, SectionName(moduleAddress).c_str(), nullptr);
  if (!s) return 0;
  const uint32_t size = GetSectionSize(s);
  std::vector<char> text(size);
  const bool ok = size > 0 && ReadSection(s, text.data(), size) == size;
  CloseSection(s);
  if (!ok) return 0;
  char title[64];
  std::snprintf(title, sizeof title, "Module Information, Address %u\r\n", unsigned(moduleAddress));
  std::fputs(title, stream);
  // "name=value" lines shown as "  name: value"; other lines as they are.
  std::string line;
  auto flush = [&] {
    if (line.empty()) return;
    size_t eq = line.find('=');
    std::string out = eq == std::string::npos ? "  " + line : "  " + line.substr(0, eq) + ": " + line.substr(eq + 1);
    std::fputs(out.c_str(), stream);
    std::fputs("\r\n", stream);
    line.clear();
  };
  for (char c : text) {
    if (c == '\n' || c == '\r') flush();
    else if (static_cast<unsigned char>(c) >= 0x20) line += c;
  }
  flush();
  return 1;
}

TEVRIN_API int32_t WriteModuleInfo(const char* dataPath, uint16_t moduleAddress, const char* text) {
  if (!dataPath || !text) return 0;
  HSECTION s = CreateSection(dataPath, SectionName(moduleAddress).c_str(), nullptr);
  if (!s) return 0;
  const uint32_t n = uint32_t(std::strlen(text));
  const bool ok = WriteSection(s, text, n) == n;
  return CloseSection(s) && ok;
}
