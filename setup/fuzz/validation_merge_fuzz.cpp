// libFuzzer target over validation files: the input is taken once as the
// update's file and once as the workstation's. A merge leaves the
// workstation's file whole (its head and whole records) or, refused,
// untouched.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "run_state.h"
#include "testing/fuzz_support.h"
#include "validation.h"

namespace {
std::string Sample() {
  std::string f(93, '\0');
  std::memcpy(&f[0], "Zeph 6.2", 8);
  setup::ValRecord r{};
  std::memcpy(r.name, "a.dll", 5);
  r.size = 4;
  f.append(reinterpret_cast<const char*>(&r), sizeof r);
  return f;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string w = win::paths::ToHost("C:\\FUZZ\\ZEPH.VAL");
  const std::string u = win::paths::ToHost("C:\\FUZZ\\update.val");
  fuzz::WriteBytes(win::paths::ToHost("C:\\FUZZ\\a.dll"), reinterpret_cast<const uint8_t*>("aaaa"), 4);
  for (int as = 0; as < 2; ++as) {
    const std::string wBytes = as == 0 ? Sample() : input;
    const std::string uBytes = as == 0 ? input : Sample();
    fuzz::WriteBytes(w, reinterpret_cast<const uint8_t*>(wBytes.data()), wBytes.size());
    fuzz::WriteBytes(u, reinterpret_cast<const uint8_t*>(uBytes.data()), uBytes.size());
    std::remove(win::paths::ToHost("C:\\FUZZ\\ZEPH.hst").c_str());
    const int n = setup::MergeValidationStreams("C:\\FUZZ\\ZEPH.VAL", "C:\\FUZZ\\update.val", "");
    const std::string after = fuzz::ReadBytes(w);
    if (n < 0) {
      fuzz::Check(after == wBytes, "a refused merge changed the workstation's file");
      continue;
    }
    fuzz::Check(after.size() >= 93 && (after.size() - 93) % 94 == 0, "the workstation's file was torn");
    fuzz::Check(after.compare(0, 93, wBytes, 0, 93) == 0, "the head was changed");
  }
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string s = Sample();
  fuzz::WriteBytes(std::string(folder) + "/zeph.val", reinterpret_cast<const uint8_t*>(s.data()), s.size());
  return 0;
}
