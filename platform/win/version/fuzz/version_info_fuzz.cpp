// libFuzzer target over file version blocks: the input is a whole file.
// A block found is within the file, and its fixed block, when accepted,
// lies inside the block.
#include <cstdint>
#include <vector>

#include "testing/fuzz_support.h"
#include "win/win_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  fuzz::WriteBytes(win::paths::ToHost("C:\\FUZZ\\v.dll"), data, size);
  DWORD handle = 0;
  const DWORD n = GetFileVersionInfoSizeA("C:\\FUZZ\\v.dll", &handle);
  if (!n) return 0;
  fuzz::Check(n < size, "a block as long as the file");
  std::vector<BYTE> block(n + 8, 0xCD);
  if (!GetFileVersionInfoA("C:\\FUZZ\\v.dll", handle, n, block.data())) return 0;
  for (size_t i = n; i < block.size(); ++i) fuzz::Check(block[i] == 0xCD, "written past the block");
  void* fixed = nullptr;
  UINT len = 0;
  if (VerQueryValueA(block.data(), "\\", &fixed, &len)) {
    const BYTE* f = static_cast<const BYTE*>(fixed);
    fuzz::Check(f >= block.data() && f + len <= block.data() + n, "the fixed block lies outside the block");
  }
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  fuzz::WriteBytes(win::paths::ToHost("C:\\FUZZ\\seed.dll"), reinterpret_cast<const uint8_t*>("MZ program"), 10);
  win::version::StampFileVersion("C:\\FUZZ\\seed.dll", 0x00060002u, 0x00010000u, VS_FF_PRERELEASE);
  const std::string bytes = fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\seed.dll"));
  fuzz::WriteBytes(std::string(folder) + "/stamped.dll", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 0;
}
