#pragma once
// PNG bytes kept byte for byte in a folder of stored pictures. With
// KELT_UPDATE_GOLDEN set a picture is stored anew; one that differs is left
// beside the test programs (KELT_BIN_DIR, else /tmp) for a look.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace testing_support {

// name: the stored picture's name without ".png".
inline void ExpectPngAsStored(const std::string& drawn, const std::string& goldenDir, const std::string& name) {
  const std::string golden = goldenDir + "/" + name + ".png";
  if (std::getenv("KELT_UPDATE_GOLDEN")) {
    std::ofstream(golden, std::ios::binary) << drawn;
    return;
  }
  std::ifstream in(golden, std::ios::binary);
  const std::string stored(std::istreambuf_iterator<char>(in), {});
  if (drawn != stored) {
    const char* bin = std::getenv("KELT_BIN_DIR");
    const std::string where = std::string(bin ? bin : "/tmp") + "/" + name + ".differs.png";
    std::ofstream(where, std::ios::binary) << drawn;
    FAIL() << "the drawing differs from " << golden << "; it is in " << where;
  }
}

}  // namespace testing_support
