// libFuzzer target over the calibration block's text file: the compound
// table of a method is replaced by the input (after its first byte, which
// picks the output format of the report format). The writer answers
// without faulting and, when it writes, every row holds the header's
// number of fields.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kPath[] = "C:\\FUZZ\\method.kmt";
const char kOut[] = "C:\\FUZZ\\block.txt";
const char kFormat[] = "MSReportFormat2.fuzz";

void MakeMethod(const char* path) {
  CreateSectionFileAtPath(path, SECTION_FILE_TYPE_METHOD, 0, 1);
  if (HDHTABLE t = CreateCompoundTable(path, 1, 1, "1")) {
    STRUCT_DH_COMPOUND c{};
    std::strcpy(c.name, "Atrazine \"std\"");
    c.coefficients[1] = 4187.25f;
    c.levels[0] = {2.0f, 0x3, 2, {8361.0f, 8402.5f}, {}};
    c.levels[1] = {10.0f, 0x1, 1, {41870.0f}, {}};
    AppendDHRecord(t, &c);
    STRUCT_DH_COMPOUND d{};
    std::strcpy(d.name, "Simazine");
    AppendDHRecord(t, &d);
    CloseSection(static_cast<HSECTION>(t));
  }
}

std::string CompoundSection() {
  char name[80] = {};
  return BuildDHSectionName(name, "PeakTable", 1, 1, "1") ? name : "";
}

int Fields(const std::string& row, char sep) {
  int n = 1;
  bool quoted = false;
  for (char c : row) {
    if (c == '"') quoted = !quoted;
    else if (c == sep && !quoted) ++n;
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  static const std::string pristine = [] {
    MakeMethod("C:\\FUZZ\\pristine.kmt");
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\pristine.kmt"));
  }();
  static const std::string section = CompoundSection();
  if (section.empty()) return 0;
  win::facts::RemoveFile(kPath);
  win::facts::RemoveFile(kOut);
  fuzz::WriteBytes(win::paths::ToHost(kPath), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  if (HSECTION s = CreateSection(kPath, section.c_str(), nullptr)) {
    if (size > 1) WriteSection(s, data + 1, static_cast<uint32_t>(size - 1));
    CloseSection(s);
  }
  std::vector<uint8_t> format(sizeof(STRUCT_REPORT_FORMAT), 0);
  ResetReportFormat(format.data());
  const int16_t kind = int16_t(data[0] % 4);  // 3: any other value
  std::memcpy(format.data() + 24, &kind, 2);
  WriteReportFormat(kPath, kFormat, format.data());
  const char sep = kind == 1 ? '\t' : kind == 2 ? ' ' : ',';
  if (!WriteCalibrationBlockText(kPath, "1", 1, 1, kPath, kFormat, kOut, 1, 0, 1, nullptr, nullptr)) return 0;
  const std::string text = fuzz::ReadBytes(win::paths::ToHost(kOut));
  fuzz::Check(text.size() >= 2 && text.substr(text.size() - 2) == "\r\n", "rows end with CR LF");
  int header = -1;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    fuzz::Check(end != std::string::npos, "a row without its end");
    const std::string row = text.substr(at, end - at);
    fuzz::Check(row.find('\n') == std::string::npos && row.find('\r') == std::string::npos, "a line break in a row");
    const int n = Fields(row, sep);
    if (header < 0) header = n;
    fuzz::Check(n == header, "a row with other fields than the header");
    at = end + 2;
  }
  return 0;
}

// Seeds: the pristine compound table under each output format.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const char* path = "C:\\FUZZ\\seed.kmt";
  MakeMethod(path);
  const std::string name = CompoundSection();
  HSECTION s = name.empty() ? nullptr : OpenSectionReadOnly(path, name.c_str(), nullptr);
  if (!s) return 1;
  std::string bytes(1 + GetSectionSize(s), '\0');
  ReadSection(s, bytes.data() + 1, static_cast<uint32_t>(bytes.size() - 1));
  CloseSection(s);
  for (int kind = 0; kind < 4; ++kind) {
    bytes[0] = static_cast<char>(kind);
    fuzz::WriteBytes(std::string(folder) + "/format-" + std::to_string(kind),
                     reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  return 0;
}
