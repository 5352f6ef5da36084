// libFuzzer target over spectrum libraries in MSP text: the input is the
// library. It is opened and searched as a processing run does (the library
// check of the method's definitions, then a search of the active
// libraries), searched alone, and its entries read as the result
// annotations read them, with a kept index table that no longer fits, and
// read as list and library entries with their details, as the spectrum
// information shows them. No read faults; hits are ranked, within 0..999
// and name entries that exist; details stay within their tables.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fandor/library_entry_details.h"
#include "fandor/library_search.h"
#include "fandor/msp_library_files.h"
#include "fixtures/identification_fixture.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"

namespace {

// An exchange buffer of (mass, intensity) pairs.
std::vector<uint8_t> Exchange(const std::vector<std::pair<double, uint32_t>>& peaks) {
  std::vector<uint8_t> out(4 + 13 * peaks.size(), 0);
  const uint32_t n = uint32_t(peaks.size());
  std::memcpy(out.data(), &n, 4);
  for (size_t i = 0; i < peaks.size(); ++i) {
    std::memcpy(&out[5 + 13 * i], &peaks[i].first, 8);
    std::memcpy(&out[13 + 13 * i], &peaks[i].second, 4);
  }
  return out;
}

bool Ended(const char* text, size_t size) { return strnlen(text, size) < size; }

// A library entry as the spectrum information shows it.
void CheckNist(STRUCT_NIST_SPT* n) {
  if (!n) return;
  fuzz::Check(n->pairCount >= 0 && n->aux != nullptr, "a library entry without its data");
  for (int16_t k = 1; k < n->pairCount; ++k) fuzz::Check(n->pairs[k - 1].mass < n->pairs[k].mass, "pairs out of order");
  const NIST_ENTRY_DETAILS* d = NistEntryDetails(n->aux);
  fuzz::Check(d != nullptr, "a library entry without its details");
  fuzz::Check(d->synonymCount <= ENTRY_MAX_SYNONYMS && d->replicateCount <= ENTRY_MAX_REPLICATES &&
                  d->estimates.warningCount <= ENTRY_MAX_WARNINGS,
              "a count beyond its table");
  for (int k = 0; k < d->synonymCount; ++k) fuzz::Check(Ended(d->synonyms[k], ENTRY_SYNONYM_SIZE), "a synonym without its end");
  fuzz::Check(Ended(d->contributor, sizeof d->contributor) && Ended(n->aux->name, sizeof n->aux->name),
              "a text without its end");
  if (n->chemStruct) {
    // Counts of the connection table stay within its arrays.
    int32_t ends, rings, atoms;
    std::memcpy(&ends, n->chemStruct + 2036, 4);
    std::memcpy(&rings, n->chemStruct + 4326, 4);
    std::memcpy(&atoms, n->chemStruct + 6362, 4);
    fuzz::Check(ends >= 0 && ends <= 254 && ends % 2 == 0 && rings >= 0 && rings <= 254 && atoms >= 0 && atoms <= 254,
                "a structure count beyond its table");
  }
  ReleaseNistAuxData(n->aux);
  FreeBlock(n->chemStruct);
  FreeBlock(n);
}

// A list entry as the spectrum information shows it.
void CheckList(STRUCT_LIST_SPT* l) {
  if (!l) return;
  fuzz::Check(ListEntryBytes(l->pairCount) <= GetBlockSize(l), "more pairs than the record holds");
  for (uint32_t k = 1; k < l->pairCount; ++k) fuzz::Check(l->pairs[k - 1].mass <= l->pairs[k].mass, "pairs out of order");
  const LIST_ENTRY_DETAILS& d = l->details;
  fuzz::Check(d.importItems <= 0x1FF, "an import item that does not exist");
  fuzz::Check(Ended(l->name, sizeof l->name) && Ended(d.contributor, sizeof d.contributor) &&
                  Ended(d.dataFile, sizeof d.dataFile) && Ended(d.scanFunctionText, sizeof d.scanFunctionText),
              "a text without its end");
  fuzz::Check(!(d.importItems & LIST_IMPORT_SCAN_RANGE) || d.firstScan <= d.lastScan, "a scan range backwards");
  if (l->attached) {
    const ENTRY_ESTIMATES* e = ListEntryEstimates(l);
    fuzz::Check(e != nullptr && e->warningCount <= ENTRY_MAX_WARNINGS, "estimates out of shape");
  }
  FreeBlock(l->attached);
  FreeBlock(l);
}

void CheckHits(void* hits, int32_t count, int32_t entries) {
  if (count < 0) {
    fuzz::Check(hits == nullptr, "a failed search hands out hits");
    return;
  }
  fuzz::Check(hits != nullptr && CountHits(hits) == count, "the hit count differs from the list");
  int16_t last = 999;
  for (int32_t i = 0; i < count; ++i) {
    FANDOR_HIT h{};
    fuzz::Check(GetHitEntry(hits, i, &h), "a counted hit cannot be read");
    fuzz::Check(h.forward >= 0 && h.forward <= 999 && h.reverse >= 0 && h.reverse <= 999, "a match outside 0..999");
    fuzz::Check(h.forward <= last, "hits out of rank");
    fuzz::Check(h.entry >= 0 && (entries < 0 || h.entry < entries), "a hit names an entry that is not there");
    fuzz::Check(strnlen(h.name, sizeof h.name) < sizeof h.name, "a hit name without its end");
    char name[16];
    GetHitName(hits, i, name, sizeof name);
    fuzz::Check(strnlen(name, sizeof name) < sizeof name, "a cut hit name without its end");
    last = h.forward;
  }
  FreeBlock(hits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  // Searches keep libraries loaded by path and size: each input goes to one
  // of a few names whose last library had another size, so no search meets
  // an earlier library under a new one's name, and the loaded ones stay few.
  // When every name last held this size, the text gets one more line end
  // (a library that ends in a blank line is the same library).
  static size_t lastSize[16] = {};
  static bool used[16] = {};
  size_t slot = 0;
  while (slot < 16 && used[slot] && lastSize[slot] == size) ++slot;
  std::string text(reinterpret_cast<const char*>(data), size);
  if (slot == 16) {
    slot = 0;
    text += '\n';
  }
  used[slot] = true;
  lastSize[slot] = text.size();
  const std::string name = "LIB" + std::to_string(slot) + ".MSP";
  const std::string path = "C:\\FUZZ\\" + name;
  fuzz::WriteBytes(win::paths::ToHost(path), reinterpret_cast<const uint8_t*>(text.data()), text.size());

  // The entries as the annotations read them.
  MSP_SPECTRUM* spectrum = new MSP_SPECTRUM;
  std::vector<std::pair<double, uint32_t>> query;
  CAccessMSPFile msp(0);
  if (msp.Open(path.c_str())) {
    std::vector<uint32_t> table;
    const int32_t n = msp.GetIndexes(&table);
    fuzz::Check(n == int32_t(table.size()), "the index count differs from the table");
    for (int32_t i = 0; i < n && i < 64; ++i) {
      if (!msp.ReadSpectrum(i, spectrum)) continue;
      fuzz::Check(spectrum->peakCount >= 0 && spectrum->peakCount <= MSP_MOST_PEAKS, "a peak count out of range");
      fuzz::Check(strnlen(spectrum->name, MSP_NAME_SIZE) < MSP_NAME_SIZE, "a name without its end");
      if (query.empty())
        for (int16_t k = 0; k < spectrum->peakCount; ++k)
          query.emplace_back(spectrum->masses[k], spectrum->intensities[k] > 0 && spectrum->intensities[k] < 4e9f
                                                      ? uint32_t(spectrum->intensities[k])
                                                      : 0u);
    }
    fuzz::Check(!msp.ReadSpectrum(n, spectrum), "an entry past the table");
    // As spectrum list entries and as library entries, with all they tell.
    for (int32_t i = -1; i <= n && i < 64; ++i) {
      CheckList(msp.ReadSpectrum(i));
      CheckNist(msp.ReadLibraryEntry(i));
    }
    fuzz::Check(msp.CountSpectra() == n, "the count differs from the table");
    // A table kept from an earlier library of the same name.
    const uint32_t stale[] = {0, 7, uint32_t(text.size()), uint32_t(text.size()) + 100, 0xFFFFFFFFu};
    CAccessMSPFile again(0);
    if (again.Open(path.c_str()) && again.SetIndexes(stale, 5))
      for (int32_t i = -1; i < 6; ++i) again.ReadSpectrum(i, spectrum);
  }
  delete spectrum;
  if (query.empty()) query = {{91.0, 9990}, {92.0, 6100}, {65.0, 1100}, {39.1, 700}, {63.0, 420}};
  const std::vector<uint8_t> unknown = Exchange(query);

  // Alone.
  int32_t entries = -1;
  if (HSPECLIB lib = OpenSpectrumLibrary(path.c_str())) {
    entries = CountLibrarySpectra(lib);
    fuzz::Check(entries > 0, "an open library without entries");
    char entryName[8];
    for (int32_t i = -1; i <= entries && i < 64; ++i) {
      if (GetLibrarySpectrumName(lib, i, entryName, sizeof entryName))
        fuzz::Check(strnlen(entryName, sizeof entryName) < sizeof entryName, "an entry name without its end");
    }
    // Hits' entries read again from the file.
    for (int32_t i = -1; i <= entries && i < 64; ++i) {
      STRUCT_NIST_SPT* e = GetLibraryEntrySpectrum(lib, i);
      fuzz::Check(!e || (i >= 0 && i < entries), "an entry outside the library");
      if (e && GetLibrarySpectrumName(lib, i, entryName, sizeof entryName))
        fuzz::Check(std::strncmp(e->aux->name, entryName, std::strlen(entryName)) == 0, "another entry's data");
      CheckNist(e);
    }
    void* hits = nullptr;
    int32_t count = SearchSpectrumLibrary(lib, unknown.data(), 0, 0, &hits);
    CheckHits(hits, count, entries);
    hits = nullptr;
    count = SearchSpectrumLibrary(lib, unknown.data(), 3, 500, &hits);
    CheckHits(hits, count, entries);
    CloseSpectrumLibrary(lib);
  }

  // Through a method's definitions.
  STRUCT_NIST_DEFS defs{};
  std::snprintf(defs.libraryPath, sizeof defs.libraryPath, "%s", "C:\\FUZZ");
  std::vector<char> list(FANDOR_LIBRARY_LIST_SIZE, 0);
  std::memcpy(list.data(), name.c_str(), name.size());
  defs.libraryList = list.data();
  defs.libraryCount = defs.activeLibraryCount = 1;
  int32_t differs = 0;
  const int32_t usable = CheckSearchLibraries(&defs, &differs);
  fuzz::Check(usable == (entries > 0 ? 1 : 0), "the library check and the open disagree");
  void* hits = nullptr;
  const int32_t count = SearchLibraries(&defs, unknown.data(), &hits);
  if (usable == 0) fuzz::Check(count < 0, "a search of no library found hits");
  CheckHits(hits, count, entries);
  return 0;
}

// Seeds: a library as written by hand (CR LF lines, peaks five to a line),
// a few entries with odd but valid layouts, and an entry with every detail.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  std::vector<msfix::LibrarySpectrum> spectra = {
      {"Toluene", "C7H8", "108-88-3", 92, {{39, 40}, {51, 35}, {63, 40}, {65, 110}, {91, 999}, {92, 610}}},
      {"Ethylbenzene", "C8H10", "100-41-4", 106, {{51, 60}, {77, 80}, {91, 999}, {105, 60}, {106, 320}}},
      {"Naphthalene", "C10H8", "91-20-3", 128, {{64, 50}, {102, 70}, {127, 100}, {128, 999}, {129, 110}}},
  };
  if (!msfix::WriteMspLibrary("C:\\FUZZ\\SEED.MSP", spectra)) return 1;
  const std::string written = fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\SEED.MSP"));
  const std::string detailed =
      "Name: 1,2,4-Trichlorobenzene\r\nFormula: C6H3Cl3\r\nMW: 180\r\nCAS#: 120-82-1; NIST#: 228\r\n"
      "Contributor: NIST Mass Spectrometry Data Center\r\nOther DBs: Fine TSCA EINECS\r\n"
      "Synon: Benzene, 1,2,4-trichloro-\r\nReplicate: 5013 in replib\r\nMW Estimate: 180 71.2\r\n"
      "Cl Br Estimate: 3 0 83.6 99.1 97.5 3.8\r\nWarning: Isotope pattern of Cl3 assumed\r\nError: none\r\n"
      "Scan Function: 1: EI+\r\nImport Date: 2026-11-03\r\nData File: C:\\Data\\RUN7.KMS\r\n"
      "Retention Time: 7.4185\r\nScan Range: 612 - 618\r\nTime Range: 7.402 - 7.436\r\n"
      "Baseline Correction: Yes\r\nCID: 0 40\r\nMass Range: 40 - 400\r\n"
      "Bond: 100 70 126 85 0\r\nBond: 126 85 126 115 1\r\nRing: 100 100\r\nAtom: 100 40 Cl\r\n"
      "Bond: 1 2 3\r\nAtom: 5 5\r\nBond: 99999 0 0 0 7\r\n"
      "Num Peaks: 4\r\n179.9144 99812; 181.9116 97020; 144.9447 38030; 108.9685 14002\r\n\r\n";
  const std::string odd =
      "NAME: Benzene, chloro-\nMW: 112\nCAS#: 108-90-7; NIST#: 12\nNum Peaks: 4\n"
      "77 100; 112 999; 114 330; 51 20\n\n"
      "Name: no peaks\nNum Peaks: 0\n\n"
      "Name:   Phenol  \r\nFormula: C6H6O\r\nNum peaks: 3\r\n94 999 66 300\r\n65 220\r\n";
  const std::pair<const char*, const std::string*> seeds[] = {{"written", &written}, {"odd", &odd}, {"detailed", &detailed}};
  for (const auto& s : seeds)
    fuzz::WriteBytes(std::string(folder) + "/" + s.first, reinterpret_cast<const uint8_t*>(s.second->data()),
                     s.second->size());
  return 0;
}
