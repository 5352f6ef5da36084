// libFuzzer target over the method sections whose texts the small
// libraries write (loaded by name, as the log files load them): the first
// input byte picks the section ("GlobalParams", "PeakTable",
// "MSReportFormat2", an instrument "Method" text, the "VersionLog" or a
// module's "ModuleInfo"), its top bit stores the rest as bare bytes instead
// of a sound table of whole records. The method text files are then
// written. Nothing faults; every text line ends in CR LF.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/log_text_files.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

const char kMethod[] = "C:\\FUZZ\\method.mth";
const char kOut[] = "C:\\FUZZ\\method.txt";
constexpr uint16_t kId = 0x14, kAddress = 1;

const char* const kSections[] = {"GlobalParams.0014.0001.1", "PeakTable.0014.0001.1", "MSReportFormat2.0014.0001.1",
                                 "Method.0014.0001.0001",    "VersionLog",            "ModuleInfo:B.01"};

uint32_t Fnv(const uint8_t* p, size_t n) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

void PutU32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
}

// A stored table of the records' whole bytes: "DHT1", record size, count,
// checksum.
std::string Table(const uint8_t* data, size_t size, uint32_t recordSize) {
  const size_t whole = size / recordSize * recordSize;
  std::string s = "DHT1";
  PutU32(s, recordSize);
  PutU32(s, uint32_t(whole / recordSize));
  PutU32(s, Fnv(data, whole));
  s.append(reinterpret_cast<const char*>(data), whole);
  return s;
}

bool Put(const char* name, const std::string& bytes) {
  HSECTION s = CreateSection(kMethod, name, nullptr);
  if (!s) return false;
  if (!bytes.empty()) WriteSection(s, bytes.data(), uint32_t(bytes.size()));
  return CloseSection(s) != 0;
}

void CheckLines(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') fuzz::Check(i > 0 && text[i - 1] == '\r', "a line ended by LF alone");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  // The libraries stay loaded between inputs: the fuzzer keeps counters in
  // every instrumented library and cannot have one unloaded under it.
  static const bool pinned = [] {
    char folder[MAX_PATH + 1] = {};
    if (!GetProgramDirectory(folder)) return false;
    for (const char* name : {"Ferrow.dll", "Orsank.drv", "Tevrin32.dll"})
      LoadLibraryA((std::string(folder) + "\\" + name).c_str());
    return true;
  }();
  (void)pinned;
  if (size < 1) return 0;
  // The record sizes of the three tables: global parameters, compounds,
  // report format.
  static const uint32_t sizes[3] = {5887, 4793, 2871};
  const unsigned pick = (data[0] & 0x7F) % 6;
  const bool bare = data[0] & 0x80;
  ++data, --size;
  win::facts::RemoveFile(kMethod);
  if (!CreateSectionFileAtPath(kMethod, SECTION_FILE_TYPE_METHOD, 0, 1)) return 0;
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!bare && pick < 3) bytes = Table(data, size, sizes[pick]);
  if (!Put(kSections[pick], bytes)) return 0;
  for (int which = 0; which < 3; ++which) {
    win::facts::RemoveFile(kOut);
    if (which == 0) KELT_MakeDataHandlingMethodTextFile(kOut, kMethod, 1, 1, kId, kAddress);
    if (which == 1) KELT_MakeReportsMethodTextFile(kOut, kMethod, kId, kAddress);
    if (which == 2) KELT_MakeModuleMethodTextFile(kOut, kMethod, kId, kAddress);
    CheckLines(fuzz::ReadBytes(win::paths::ToHost(kOut)));
  }
  if (FILE* f = std::tmpfile()) {
    WriteVersionLogText(f, kMethod, "method.mth");
    std::fclose(f);
  }
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  auto write = [&](const char* name, uint8_t pick, const std::string& body) {
    std::string bytes(1, char(pick));
    bytes += body;
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  write("global", 0, std::string(5887, '\0'));
  std::string compound(4793, '\0');
  std::memcpy(&compound[4], "Toluene", 7);
  write("peaks", 1, compound + compound);
  write("report", 2, std::string(2871, '\x01'));
  write("instrument", 3, "Oven=40 C\r\nRamp=10 C/min\r\nno equals sign\r\n");
  write("versions", 4, "1700000000|chemist|Method made\n1700003600|chemist|Peak added\nbroken line\n");
  write("module", 5, "Model=Kelt 5\r\nSerial=123\r\n");
  return 0;
}
