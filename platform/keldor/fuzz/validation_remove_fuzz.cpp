// libFuzzer target over validation files: the input is a whole file. A
// removal either refuses the file and leaves it as it was, or leaves a
// file of whole records without the removed name.
#include <strings.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "keldor.h"
#include "testing/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  const std::string host = win::paths::ToHost("C:\\FUZZ\\ZEPH.VAL");
  fuzz::WriteBytes(host, data, size);
  std::string name = "A.DLL";
  if (size >= 94 + 93) name.assign(reinterpret_cast<const char*>(data) + 93, strnlen(reinterpret_cast<const char*>(data) + 93, 80));
  if (name.empty()) return 0;
  const int32_t removed = RemoveFileFromValidationData("C:\\FUZZ\\ZEPH.VAL", name.c_str());
  const std::string after = fuzz::ReadBytes(host);
  if (removed <= 0) {
    fuzz::Check(after == std::string(reinterpret_cast<const char*>(data), size), "a refused file was changed");
    return 0;
  }
  fuzz::Check(after.size() == size - 94u * static_cast<size_t>(removed), "records lost or torn");
  for (size_t at = 93; at + 94 <= after.size(); at += 94)
    fuzz::Check(strcasecmp(std::string(&after[at], strnlen(&after[at], 80)).c_str(), name.c_str()) != 0,
                "a record of the name was kept");
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  std::string file = std::string("Zeph 6.2") + std::string(85, '\0');
  for (const char* n : {"BIN\\A.DLL", "B.EXE", "bin\\a.dll"}) {
    std::string r(94, '\0');
    std::memcpy(&r[0], n, std::strlen(n));
    file += r;
  }
  fuzz::WriteBytes(std::string(folder) + "/zeph.val", reinterpret_cast<const uint8_t*>(file.data()), file.size());
  return 0;
}
