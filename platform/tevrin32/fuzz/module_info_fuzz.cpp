// libFuzzer target over a module's information section: the input's first
// byte is the module address, the rest the "ModuleInfo:B.<address>" section
// of a data file. Its text is written out: nothing faults, every line ends
// in CR LF and holds no other control character, and the text is bounded
// by what the section holds.
#include <cstdint>
#include <cstdio>
#include <string>

#include "orvik32/orvik32.h"
#include "tevrin32/tevrin32.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {
const char kData[] = "C:\\FUZZ\\modules.kms";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  const uint16_t address = data[0];
  ++data, --size;
  win::facts::RemoveFile(kData);
  if (!CreateSectionFileAtPath(kData, 23, 0, 1)) return 0;
  char name[32];
  std::snprintf(name, sizeof name, "ModuleInfo:B.%02u", unsigned(address));
  HSECTION s = CreateSection(kData, name, nullptr);
  if (!s) return 0;
  if (size) WriteSection(s, data, uint32_t(size));
  if (!CloseSection(s)) return 0;
  FILE* f = std::tmpfile();
  if (!f) return 0;
  const int32_t written = WriteModuleInfoText(0, address, kData, f);
  fuzz::Check(WriteModuleInfoText(0, uint16_t(address + 1), kData, f) == 0, "text for a module without a section");
  std::string text;
  std::rewind(f);
  for (int c; (c = std::fgetc(f)) != EOF;) text += char(c);
  std::fclose(f);
  fuzz::Check(written == (size > 0 ? 1 : 0), "a section's text not written, or an empty one written");
  if (written) {
    // The title, then each byte at most once and per line two blanks,
    // ": " and CR LF more.
    fuzz::Check(text.size() <= 64 + size * 7, "a text beyond what the section holds");
    for (size_t i = 0; i < text.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      if (c == '\r') fuzz::Check(i + 1 < text.size() && text[i + 1] == '\n', "a CR without LF");
      else if (c == '\n') fuzz::Check(i > 0 && text[i - 1] == '\r', "an LF without CR");
      else fuzz::Check(c >= 0x20, "a control character in the text");
    }
  }
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string a = std::string(1, '\x01') + "Model=Kelt 5\r\nSerial=123\r\nFirmware=2.1.7\r\n";
  fuzz::WriteBytes(std::string(folder) + "/module", reinterpret_cast<const uint8_t*>(a.data()), a.size());
  const std::string b = std::string(1, '\x63') + "no equals\n=only value\nname=\n\x01\x02tab\there\r";
  fuzz::WriteBytes(std::string(folder) + "/odd", reinterpret_cast<const uint8_t*>(b.data()), b.size());
  return 0;
}
