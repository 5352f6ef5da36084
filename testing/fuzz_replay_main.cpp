// Runs a libFuzzer target over saved inputs without libFuzzer: every file
// named, and every file in every folder named, in name order. Used by the
// test run to replay the inputs that once broke a reader.
//   <target>_replay [--with-seeds] <file or folder>...
//       replay (with the target's seed files, made afresh, first)
//   <target>_replay --seeds <folder>      write the target's seed files
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" __attribute__((weak)) int KeltFuzzSeeds(const char* folder);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  if (argc == 3 && std::string(argv[1]) == "--seeds") {
    std::error_code ec;
    fs::create_directories(argv[2], ec);
    return KeltFuzzSeeds && KeltFuzzSeeds(argv[2]) == 0 ? 0 : 1;
  }
  std::vector<fs::path> files;
  int first = 1;
  std::string seedDir;
  if (argc > 1 && std::string(argv[1]) == "--with-seeds") {
    first = 2;
    char tmpl[] = "/tmp/kelt-seeds-XXXXXX";
    if (KeltFuzzSeeds && mkdtemp(tmpl)) {
      seedDir = tmpl;
      if (KeltFuzzSeeds(tmpl) != 0) {
        std::fprintf(stderr, "the seeds could not be made\n");
        return 1;
      }
      std::vector<fs::path> seeds;
      for (const auto& e : fs::directory_iterator(seedDir)) seeds.push_back(e.path());
      std::sort(seeds.begin(), seeds.end());
      files = seeds;
    }
  }
  const size_t seedCount = files.size();
  for (int i = first; i < argc; ++i) {
    std::error_code ec;
    if (fs::is_directory(argv[i], ec)) {
      for (const auto& e : fs::directory_iterator(argv[i]))
        if (e.is_regular_file() && e.path().filename().string()[0] != '.') files.push_back(e.path());
    } else if (fs::is_regular_file(argv[i], ec)) {
      files.push_back(argv[i]);
    } else {
      std::fprintf(stderr, "no such input: %s\n", argv[i]);
      return 1;
    }
  }
  std::sort(files.begin() + static_cast<std::ptrdiff_t>(seedCount), files.end());
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    std::printf("%s\n", f.string().c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(bytes.empty() ? nullptr : bytes.data(), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  if (!seedDir.empty()) {
    std::error_code ec;
    fs::remove_all(seedDir, ec);
  }
  return 0;
}
