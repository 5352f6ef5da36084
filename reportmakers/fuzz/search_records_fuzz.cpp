// libFuzzer target over the search records a host hands the library-search
// reports: search definitions (library list, library numbers and the
// constraints in their parameters), the search with its names, counts,
// mode, peaks and hit table, and a list search, all from the input, against
// a small library whose entries carry structures. Every maker runs on
// pages; nothing faults and every block allocated is freed.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "fixtures/identification_fixture.h"
#include "orvik32/orvik32.h"
#include "reportmakers/library_search_blocks.h"
#include "reportmakers/library_search_reports.h"
#include "reportpages/reports_file.h"
#include "testing/fuzz_support.h"
#include "win/win_kernel.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  void Take(void* out, size_t n) {
    std::memset(out, 0, n);
    const size_t k = at < size ? std::min(n, size - at) : 0;
    if (k) std::memcpy(out, data + at, k);
    at += n;
  }
  template <typename T>
  T Get() {
    T v{};
    Take(&v, sizeof v);
    return v;
  }
};

constexpr char kLibrary[] = "C:\\FUZZ\\FUZZLIB.MSP";
constexpr int kMostHits = 12;

void WriteLibrary() {
  static bool written = false;
  if (written) return;
  std::vector<msfix::LibrarySpectrum> lib(3);
  lib[0] = {"Chlorobenzene", "C6H5Cl", "108-90-7", 112, {{51, 120}, {77, 480}, {112, 999}, {114, 330}},
            {"Bond: 100 70 126 85 0", "Bond: 126 85 126 115 1", "Ring: 100 100", "Atom: 100 40 Cl",
             "Synon: Benzene chloride", "Replicate: 5013 in replib"}};
  lib[1] = {"Toluene", "C7H8", "108-88-3", 92, {{65, 80}, {91, 999}, {92, 610}}};
  lib[2] = {std::string(120, 'n'), "", "", 0, {{40, 1}}};
  written = msfix::WriteMspLibrary(kLibrary, lib);
}

void NewReports(const char* path) {
  DeleteFileA(path);
  CRptsFileHandler file(nullptr);
  fuzz::Check(file.MakeThisNewFile(path) == 1, "the reports file is made");
}

}  // namespace

extern "C" int KeltFuzzSeeds(const char* folder) {
  // Definitions naming the library once, hits on its three entries.
  std::string seed;
  auto put = [&seed](const void* p, size_t n) { seed.append(static_cast<const char*>(p), n); };
  const char list[64] = "FUZZLIB.MSP";
  put(list, sizeof list);
  const int16_t libraries = 1;
  put(&libraries, 2);
  const uint8_t numbers[17] = {1};
  put(numbers, sizeof numbers);
  uint8_t constraints[296] = {};
  const int32_t mw[2] = {80, 200};
  std::memcpy(constraints, mw, sizeof mw);
  put(constraints, sizeof constraints);
  const int16_t kind = 19, counts[2] = {50, 5}, flags[2] = {1, 0};
  put(&kind, 2);
  put(counts, 4);
  put(flags, 4);
  const int32_t mode[6] = {'I', 0, 0, 35, 450, 1};
  put(mode, sizeof mode);
  const uint8_t hits = 4;
  put(&hits, 1);
  const int32_t rows[4][5] = {{1, 1, 900, 920, 7000}, {-1, 0, 0, 0, 0}, {1, 2, 700, 650, 2000}, {1, 3, 300, 200, 0}};
  put(rows, sizeof rows);
  seed += std::string(200, 'T');
  std::ofstream(std::string(folder) + "/three_hits.bin", std::ios::binary) << seed;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  WriteLibrary();
  Reader in{data, size};
  const uint32_t blocks = GetLiveBlockCount();
  std::vector<char> list(FANDOR_LIBRARY_LIST_SIZE, 0);
  in.Take(list.data(), 64);
  STRUCT_NIST_DEFS defs{};
  std::strcpy(defs.libraryPath, "C:\\FUZZ");
  defs.libraryList = list.data();
  defs.activeLibraryCount = defs.libraryCount = in.Get<int16_t>();
  in.Take(defs.libraryOptions, sizeof defs.libraryOptions);
  in.Take(defs.searchParameters, sizeof defs.searchParameters);

  STRUCT_NIST_SEARCH search{};
  search.kind = in.Get<int16_t>();
  search.preSearch = in.Get<int16_t>();
  search.finalSearch = in.Get<int16_t>();
  search.constraintsOn = in.Get<int16_t>();
  search.alphaOnly = in.Get<int16_t>();
  in.Take(&search.mode, sizeof search.mode);
  const int n = in.Get<uint8_t>() % (kMostHits + 1);
  int32_t hits[kMostHits] = {}, entries[kMostHits] = {}, forward[kMostHits] = {}, reverse[kMostHits] = {},
          probability[kMostHits] = {};
  for (int i = 0; i < n; ++i) {
    hits[i] = in.Get<int32_t>();
    entries[i] = in.Get<int32_t>();
    forward[i] = in.Get<int32_t>();
    reverse[i] = in.Get<int32_t>();
    probability[i] = in.Get<int32_t>();
  }
  in.Take(&search.peaks, sizeof search.peaks);
  in.Take(search.name, sizeof search.name);  // unterminated when full
  in.Take(search.targetName, sizeof search.targetName);
  in.Take(search.nameFragment, sizeof search.nameFragment);
  STRUCT_NIST_HIT_TABLE table{hits, int16_t(n), forward, reverse, probability};
  search.hitTable = &table;
  search.entries = entries;
  search.defs = &defs;

  STRUCT_MSP_SEARCH msp{};
  std::memcpy(msp.name, search.name, sizeof msp.name);
  std::strcpy(msp.listPath, kLibrary);
  msp.count = std::min<int32_t>(n, 3);
  int16_t mspLibraries[kMostHits] = {};
  for (int i = 0; i < n; ++i) mspLibraries[i] = int16_t(hits[i]);
  msp.matched = entries;
  msp.libraries = mspLibraries;
  msp.forward = forward;
  msp.reverse = reverse;
  msp.probability = probability;
  msp.mode = search.mode;
  msp.defs = &defs;

  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  prefs.spooler.orientation = int16_t(in.Get<uint8_t>() % 3);
  prefs.sptsReport.flags[0] = in.Get<uint8_t>() & 1;
  prefs.sptsPlots.showStructures = 1;
  const int16_t best = in.Get<int8_t>();
  const int32_t index = in.Get<int8_t>();
  constexpr char kReports[] = "C:\\FUZZ\\search.msr";
  NewReports(kReports);
  char name[MAX_PATH];
  std::strcpy(name, kReports);
  RPTS_MakeHitListReport(name, 0, &prefs, &search);
  RPTS_MakeBestHitListReport(name, 0, int16_t(index & 1), &prefs, &search, best, 0);
  RPTS_MakeMatchHitReport(name, &prefs, &search, index, 0);
  NewReports(kReports);
  RPTS_MakeNISTSearchTopTenReport(name, &prefs, &search);
  RPTS_MakeMSPHitListReport(name, 0, &prefs, &msp, 0);
  char text[96];
  for (int i = -1; i <= n; ++i) {
    FormatNistHitSimilarity(&search, i, text);
    fuzz::Check(std::strlen(text) < 80, "the similarity text fits");
  }
  fuzz::Check(GetLiveBlockCount() == blocks, "every block is freed");
  return 0;
}
