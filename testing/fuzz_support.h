#pragma once
// Shared by the libFuzzer targets: a workstation root of the process's
// own, files written there by their workstation paths, and the check that
// turns a broken promise into a crash the fuzzer reports.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "win/win_paths.h"

namespace fuzz {

inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

// Points the workstation root at a fresh temporary folder, once per
// process; removed when the process ends normally.
inline void UseOwnRoot() {
  static const std::string root = [] {
    char tmpl[] = "/tmp/kelt-fuzz-XXXXXX";
    std::string r = mkdtemp(tmpl) ? tmpl : "/tmp";
    setenv("KELT_ROOT", r.c_str(), 1);
    win::paths::ResetRoot();
    std::filesystem::create_directories(r + "/c/FUZZ");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(getenv("KELT_ROOT"), ec);
    });
    return r;
  }();
  (void)root;
}

inline void WriteBytes(const std::string& hostPath, const uint8_t* data, size_t size) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  if (size) out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline std::string ReadBytes(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace fuzz
