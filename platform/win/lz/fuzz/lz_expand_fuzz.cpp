// libFuzzer target over LZ-compressed files: the input is a file that
// claims to be compressed. Expansion either gives exactly the length the
// header states or fails; what it gives compresses and expands back to
// itself.
#include <cstdint>
#include <vector>

#include "testing/fuzz_support.h"
#include "win/win_lz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A', 0};
  bytes.insert(bytes.end(), data, data + size);
  if (bytes.size() >= 14 && (bytes[13] | bytes[12]) != 0) return 0;  // keep the claimed length small
  std::vector<uint8_t> out;
  if (!win::lz::Expand(bytes, &out)) return 0;
  const uint32_t claimed = bytes[10] | (bytes[11] << 8);
  fuzz::Check(out.size() == claimed, "an expansion of another length was accepted");
  std::vector<uint8_t> again;
  fuzz::Check(win::lz::Expand(win::lz::Compress(out), &again) && again == out, "a round trip changed the bytes");
  return 0;
}

extern "C" int KeltFuzzSeeds(const char* folder) {
  const std::string text = "Corvane workstation patch file, patch file, patch file.";
  auto packed = win::lz::Compress(std::vector<uint8_t>(text.begin(), text.end()));
  packed.erase(packed.begin(), packed.begin() + 10);
  fuzz::WriteBytes(std::string(folder) + "/text.bin", packed.data(), packed.size());
  return 0;
}
