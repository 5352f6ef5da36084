// The library-search, log and target-list reports of the sample run: the
// unknown peaks of the run are searched in a small spectrum library whose
// entries carry structures, and each peak's hit list goes into one report;
// the run's logs make a second report, and a target-list search of one
// spectrum against a list file of the run's compounds a third. Each is
// printed to PDF.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/mass_lists.h"
#include "common/preference_records.h"
#include "common/work_file.h"
#include "fandor/library_search.h"
#include "fixtures/identification_fixture.h"
#include "fixtures/msfixtures.h"
#include "host/report_printing.h"
#include "host/sample_overlay.h"
#include "host/spectra_samples.h"
#include "reportmakers/library_search_reports.h"
#include "reportmakers/log_reports.h"
#include "reportmakers/target_list_reports.h"
#include "reportpages/msr_functions.h"
#include "reportpages/reports_file.h"
#include "spectra/spectrum_pairs.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\LibrarySearch";
constexpr char kLibrary[] = "C:\\Workstation\\LibrarySearch\\SAMPLELIB.MSP";
constexpr char kTargets[] = "C:\\Workstation\\LibrarySearch\\TARGETS.MSP";
constexpr char kSearchReports[] = "C:\\Workstation\\Reports\\library-search.msr";
constexpr char kLogReports[] = "C:\\Workstation\\Reports\\log.msr";
constexpr char kTargetReports[] = "C:\\Workstation\\Reports\\target-list.msr";
constexpr char kSearchPdf[] = "C:\\Workstation\\Reports\\library-search-report.pdf";
constexpr char kLogPdf[] = "C:\\Workstation\\Reports\\log-report.pdf";
constexpr char kTargetPdf[] = "C:\\Workstation\\Reports\\target-list-report.pdf";

// A ring of six carbons with substituents, in structure coordinates: the
// bond lines and atom labels an MSP entry carries before its peaks.
std::vector<std::string> RingStructure(const std::vector<std::pair<int, std::string>>& substituents, bool aromatic) {
  const int c[6][2] = {{100, 70}, {126, 85}, {126, 115}, {100, 130}, {74, 115}, {74, 85}};
  const int out[6][2] = {{100, 40}, {152, 70}, {152, 130}, {100, 160}, {48, 130}, {48, 70}};
  std::vector<std::string> lines;
  for (int i = 0; i < 6; ++i) {
    const int kind = !aromatic && i % 2 == 0 ? 1 : 0;
    lines.push_back("Bond: " + std::to_string(c[i][0]) + " " + std::to_string(c[i][1]) + " " +
                    std::to_string(c[(i + 1) % 6][0]) + " " + std::to_string(c[(i + 1) % 6][1]) + " " +
                    std::to_string(kind));
  }
  if (aromatic) lines.push_back("Ring: 100 100");
  for (const auto& [at, label] : substituents) {
    lines.push_back("Bond: " + std::to_string(c[at][0]) + " " + std::to_string(c[at][1]) + " " +
                    std::to_string(out[at][0]) + " " + std::to_string(out[at][1]) + " 0");
    lines.push_back("Atom: " + std::to_string(out[at][0]) + " " + std::to_string(out[at][1]) + " " + label);
  }
  return lines;
}

// Nominal peaks of a compound's spectrum, the base peak at 999, with a
// little of the library's own scatter.
std::vector<std::pair<int, int>> NominalPeaks(const msfix::CompoundTruth& c, uint32_t seed, double scatter) {
  std::map<int, double> nominal;
  for (const auto& [m, share] : c.spectrum) nominal[int(std::lround(m))] += share;
  double top = 0;
  for (const auto& [m, v] : nominal) top = std::max(top, v);
  std::vector<std::pair<int, int>> peaks;
  uint32_t state = seed * 2654435761u + 1;
  for (const auto& [m, v] : nominal) {
    state = state * 1664525u + 1013904223u;
    const double wobble = 1.0 + scatter * ((state >> 8) / double(1 << 24) - 0.5);
    const int value = int(std::lround(std::min(999.0, v / top * 999.0 * wobble)));
    if (value >= 2) peaks.emplace_back(m, value);
  }
  return peaks;
}

struct Library {
  std::vector<msfix::LibrarySpectrum> spectra;
};

// The library: each compound of the run with a structure, and near
// neighbours (isomers with shifted or reweighted peaks) so that hit lists
// hold more than one candidate.
Library MakeLibrary(const std::vector<msfix::CompoundTruth>& compounds) {
  static const char* const formulas[] = {"C6H5Cl", "C7H8", "C8H10", "C6H4Cl2", "C7H7Cl", "C6H3Cl3", "C8H9Br",
                                         "C9H12", "C10H8", "C6H5Br", "C7H5N", "C8H8"};
  static const char* const cas[] = {"108-90-7", "108-88-3", "100-41-4", "95-50-1", "95-49-8", "120-82-1",
                                    "1585-07-5", "98-82-8", "91-20-3", "108-86-1", "100-47-0", "100-42-5"};
  static const std::vector<std::pair<int, std::string>> groups[] = {
      {{0, "Cl"}}, {{0, "CH3"}}, {{0, "C2H5"}}, {{0, "Cl"}, {1, "Cl"}}, {{0, "CH3"}, {1, "Cl"}},
      {{0, "Cl"}, {1, "Cl"}, {4, "Cl"}}, {{0, "C2H4"}, {3, "Br"}}, {{0, "C3H7"}}, {{0, "C4H4"}},
      {{0, "Br"}}, {{0, "CN"}}, {{0, "C2H3"}}};
  Library lib;
  for (size_t i = 0; i < compounds.size(); ++i) {
    const msfix::CompoundTruth& c = compounds[i];
    const size_t k = i % 12;
    msfix::LibrarySpectrum s;
    s.name = c.name;
    s.formula = formulas[k];
    s.cas = cas[k];
    s.molecularWeight = int(std::lround(c.baseMass)) + int(k % 3) * 14;
    s.peaks = NominalPeaks(c, uint32_t(i + 1), 0.12);
    s.details = RingStructure(groups[k], k % 4 != 3);
    s.details.push_back("NIST#: " + std::to_string(11200 + 37 * int(i)));
    s.details.push_back("Contributor: Sample laboratory, run library");
    s.details.push_back("Other DBs: TSCA EPA EINECS");
    lib.spectra.push_back(s);
    // Two isomers a little apart: the same ions, weighted otherwise.
    for (int j = 1; j <= 2; ++j) {
      msfix::LibrarySpectrum near = s;
      near.name = (j == 1 ? "1-Methyl-" : "2,4-Dimethyl-") + c.name;
      near.peaks = NominalPeaks(c, uint32_t(100 * j + i), 0.9 + 0.3 * j);
      for (auto& p : near.peaks)
        if (p.first % (j + 2) == 0) p.second = std::max(2, p.second / (j + 1));
      near.molecularWeight += 14 * j;
      near.details = RingStructure(groups[(k + j) % 12], true);
      near.details.push_back("NIST#: " + std::to_string(23500 + 41 * int(i) + j));
      lib.spectra.push_back(near);
    }
  }
  return lib;
}

std::vector<uint8_t> Exchange(const STRUCT_SPT_PLUS* spt) {
  std::vector<uint8_t> out(4);
  uint32_t count = 0;
  const int32_t n = PlusSpt_GetPairCount(spt);
  for (int32_t i = 0; i < n; ++i) {
    double mass = 0;
    uint32_t intensity = 0;
    if (!PlusSpt_GetMassInt(spt, uint32_t(i), &mass, &intensity) || intensity == 0) continue;
    uint8_t e[13] = {};
    std::memcpy(e + 1, &mass, 8);
    std::memcpy(e + 9, &intensity, 4);
    out.insert(out.end(), e, e + 13);
    ++count;
  }
  std::memcpy(out.data(), &count, 4);
  return out;
}

bool NewReports(const char* path) {
  DeleteFileA(path);
  CRptsFileHandler file(nullptr);
  if (file.MakeThisNewFile(path) == 1) return true;
  std::fprintf(stderr, "kelt_host: cannot start %s\n", path);
  return false;
}

STRUCT_REPORT_PREFS Prefs(const char* reports) {
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  std::snprintf(prefs.spooler.spoolFile, sizeof prefs.spooler.spoolFile, "%s", reports);
  prefs.spooler.previewReports = 0;
  prefs.sptsReport.flags[0] = 1;
  prefs.sptsPlots.showStructures = 1;
  return prefs;
}

// One search's records, owning the arrays the report reads.
struct SearchRecords {
  STRUCT_NIST_DEFS defs{};
  std::vector<char> list = std::vector<char>(FANDOR_LIBRARY_LIST_SIZE, 0);
  std::vector<int32_t> libraries, entries, forward, reverse, probability;
  STRUCT_NIST_HIT_TABLE table{};
  STRUCT_NIST_SEARCH search{};
};

// Searches the spectrum and fills the records; false when it fails.
bool Search(STRUCT_SPT_PLUS* unknown, const std::string& name, SearchRecords* r) {
  HSPECLIB lib = OpenSpectrumLibrary(kLibrary);
  if (!lib) return false;
  const std::vector<uint8_t> spectrum = Exchange(unknown);
  void* hits = nullptr;
  const int32_t n = SearchSpectrumLibrary(lib, spectrum.data(), 6, 0, &hits);
  CloseSpectrumLibrary(lib);
  if (n < 0) return false;
  double total = 0;
  std::vector<double> weight;
  for (int32_t i = 0; i < n; ++i) {
    FANDOR_HIT h{};
    if (!GetHitEntry(hits, i, &h)) continue;
    r->libraries.push_back(1);
    r->entries.push_back(h.entry + 1);
    r->forward.push_back(h.forward);
    r->reverse.push_back(h.reverse);
    // Probabilities from the spread of the forward matches.
    weight.push_back(std::exp((h.forward - 999) / 25.0));
    total += weight.back();
  }
  FreeBlock(hits);
  for (double w : weight) r->probability.push_back(int32_t(std::lround(w / total * 10000)));
  std::snprintf(r->defs.libraryPath, sizeof r->defs.libraryPath, "%s", kFolder);
  std::snprintf(r->list.data(), r->list.size(), "%s", "SAMPLELIB.MSP");
  r->defs.libraryList = r->list.data();
  r->defs.libraryCount = r->defs.activeLibraryCount = 1;
  r->defs.libraryOptions[0] = 1;
  r->table.hits = r->libraries.data();
  r->table.count = int16_t(r->libraries.size());
  r->table.forward = r->forward.data();
  r->table.reverse = r->reverse.data();
  r->table.probability = r->probability.data();
  STRUCT_NIST_SEARCH& s = r->search;
  s.kind = SEARCH_KIND_SPECTRUM;
  std::snprintf(s.targetName, sizeof s.targetName, "%s", name.c_str());
  std::snprintf(s.name, sizeof s.name, "%s", "Identity Search");
  s.hitTable = &r->table;
  s.entries = r->entries.data();
  s.preSearch = 100;
  s.finalSearch = 6;
  s.mode = SEARCH_MODE{'I', 0, 0, 35, 450, 1};
  s.defs = &r->defs;
  s.target = unknown;
  return true;
}

int LibrarySearchReport(const sample_overlay::Files& f) {
  std::printf("\nLibrary-search report of the unknown peaks of %s:\n", f.water.c_str());
  const std::vector<msfix::CompoundTruth>& compounds = f.truth.run.compounds;
  const Library lib = MakeLibrary(compounds);
  if (!msfix::WriteMspLibrary(kLibrary, lib.spectra)) {
    std::fprintf(stderr, "kelt_host: cannot write %s\n", kLibrary);
    return 1;
  }
  if (!NewReports(kSearchReports)) return 1;
  STRUCT_REPORT_PREFS prefs = Prefs(kSearchReports);
  // The peaks outside the method; the last compounds of the run when it has none.
  std::vector<std::pair<std::string, double>> peaks;
  for (const auto& u : f.truth.unknowns) peaks.emplace_back(u.name, u.retentionTime);
  for (size_t i = compounds.size(); peaks.size() < 2 && i-- > 0;)
    peaks.emplace_back(compounds[i].name, compounds[i].retentionTime);
  if (peaks.size() > 3) peaks.resize(3);
  char reports[MAX_PATH] = {};
  std::snprintf(reports, sizeof reports, "%s", kSearchReports);
  int made = 0;
  for (const auto& [name, time] : peaks) {
    char label[80];
    std::snprintf(label, sizeof label, "Unknown at %.3f min", time);
    sample_spectra::Owned unknown = sample_spectra::SpectrumAt(f.water, time, label);
    if (!unknown.get()) continue;
    SearchRecords r;
    if (!Search(unknown.get(), label, &r)) continue;
    if (RPTS_MakeHitListReport(reports, 0, &prefs, &r.search)) ++made;
  }
  const int32_t count = MSR_GetPageCount(kSearchReports);
  std::printf("  %d hit list(s), %d page(s) in %s\n", made, int(count), kSearchReports);
  if (!made || !PrintReports(kSearchReports, count, &prefs, kSearchPdf)) return 1;
  return DrawFirstPage(kSearchReports, "C:\\Workstation\\Reports\\library-search-page1.png") ? 0 : 1;
}

int LogReport(const sample_overlay::Files& f) {
  std::printf("\nLog report of %s:\n", f.water.c_str());
  if (!NewReports(kLogReports)) return 1;
  STRUCT_REPORT_PREFS prefs = Prefs(kLogReports);
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(f.water.c_str(), 0);
  if (!wf) return 1;
  char reports[MAX_PATH] = {};
  std::snprintf(reports, sizeof reports, "%s", kLogReports);
  const int32_t ms = RPTS_MakeMSLogReport(reports, &prefs, wf, nullptr, 0, 1, 1, 1, 1, 0, 0, 1, 1, 1);
  const int32_t log = RPTS_MakeLogReport(reports, &prefs, wf);
  FreeWorkFileStruct(wf);
  const int32_t count = MSR_GetPageCount(kLogReports);
  std::printf("  MS log %s, log %s: %d page(s) in %s\n", ms ? "made" : "not made", log ? "made" : "not made",
              int(count), kLogReports);
  if (!log || !PrintReports(kLogReports, count, &prefs, kLogPdf)) return 1;
  return 0;
}

int TargetListReport(const sample_overlay::Files& f) {
  std::printf("\nTarget-list search report of one spectrum of %s:\n", f.water.c_str());
  const std::vector<msfix::CompoundTruth>& compounds = f.truth.run.compounds;
  if (compounds.size() < 3) return 1;
  // The list file: the run's compounds as they were measured once before.
  std::vector<msfix::LibrarySpectrum> targets;
  for (size_t i = 0; i < compounds.size(); ++i) {
    msfix::LibrarySpectrum s;
    s.name = compounds[i].name;
    s.molecularWeight = int(std::lround(compounds[i].baseMass));
    s.peaks = NominalPeaks(compounds[i], uint32_t(500 + i), 0.25);
    targets.push_back(s);
  }
  const msfix::CompoundTruth& c = compounds[compounds.size() / 2];
  // Earlier measurements of the same compound, from runs of other days.
  for (int j = 1; j <= 3; ++j) {
    msfix::LibrarySpectrum s;
    s.name = c.name + " (run " + std::to_string(j + 1) + ")";
    s.molecularWeight = int(std::lround(c.baseMass));
    s.peaks = NominalPeaks(c, uint32_t(700 + j), 0.3 + 0.35 * j);
    targets.push_back(s);
  }
  if (!msfix::WriteMspLibrary(kTargets, targets)) return 1;
  sample_spectra::Owned spectrum = sample_spectra::SpectrumAt(f.water, c.retentionTime, "Target list spectrum");
  if (!spectrum.get()) return 1;
  // Every list entry compared with the spectrum, best first.
  HSPECLIB list = OpenSpectrumLibrary(kTargets);
  if (!list) return 1;
  const std::vector<uint8_t> unknown = Exchange(spectrum.get());
  std::vector<STRUCT_TLS_MATCH> matches;
  for (int32_t i = 0; i < CountLibrarySpectra(list); ++i) {
    uint16_t masses[400], values[400];
    const int32_t n = GetLibrarySpectrumPeaks(list, i, masses, values, 400);
    std::vector<uint8_t> ref(4);
    for (int32_t k = 0; k < n; ++k) {
      uint8_t e[13] = {};
      const double m = masses[k];
      const uint32_t v = values[k];
      std::memcpy(e + 1, &m, 8);
      std::memcpy(e + 9, &v, 4);
      ref.insert(ref.end(), e, e + 13);
    }
    const uint32_t count = uint32_t(std::max<int32_t>(n, 0));
    std::memcpy(ref.data(), &count, 4);
    int16_t forward = 0, reverse = 0;
    if (CompareSpectra(unknown.data(), ref.data(), &forward, &reverse) && forward >= 300)
      matches.push_back({0, 0, i, reverse, forward});
  }
  CloseSpectrumLibrary(list);
  std::sort(matches.begin(), matches.end(), [](auto& a, auto& b) { return a.forward > b.forward; });
  if (matches.size() > 5) matches.resize(5);
  for (size_t i = 0; i < matches.size(); ++i) matches[i].number = int16_t(i);
  char paths[1][260] = {};
  std::snprintf(paths[0], sizeof paths[0], "%s", kTargets);
  LIST_FILE_TABLE files{1, paths};
  STRUCT_TLS_SEARCH search{};
  search.spectrum = spectrum.get();
  search.files = &files;
  search.mode = SEARCH_MODE{'I', 0, 0, 35, 450, 1};
  search.threshold = 300;
  search.maxMatches = 5;
  search.matchCount = int16_t(matches.size());
  search.matches = matches.data();
  if (!NewReports(kTargetReports)) return 1;
  // Landscape, so that the long form shares the short table's page shape.
  STRUCT_REPORT_PREFS prefs = Prefs(kTargetReports);
  prefs.spooler.orientation = 2;
  char reports[MAX_PATH] = {};
  std::snprintf(reports, sizeof reports, "%s", kTargetReports);
  const int16_t last = int16_t(matches.size());
  const int32_t longForm = RPTS_MakeLongTargetListSearchASpectrum(reports, &prefs, &search, 1, last);
  const int32_t shortForm = RPTS_MakeShortTargetListSearchASpectrum(reports, &prefs, &search, 1, last);
  // Then every peak of the run against the same list.
  std::vector<STRUCT_TLS_PEAK_MATCH> peaks;
  for (const msfix::CompoundTruth& peak : compounds) {
    sample_spectra::Owned at = sample_spectra::SpectrumAt(f.water, peak.retentionTime, "peak");
    if (!at.get()) continue;
    const std::vector<uint8_t> measured = Exchange(at.get());
    HSPECLIB again = OpenSpectrumLibrary(kTargets);
    if (!again) break;
    STRUCT_TLS_PEAK_MATCH best{};
    for (int32_t i = 0; i < CountLibrarySpectra(again); ++i) {
      uint16_t masses[400], values[400];
      const int32_t n = GetLibrarySpectrumPeaks(again, i, masses, values, 400);
      std::vector<uint8_t> ref(4);
      for (int32_t k = 0; k < n; ++k) {
        uint8_t e[13] = {};
        const double m = masses[k];
        const uint32_t v = values[k];
        std::memcpy(e + 1, &m, 8);
        std::memcpy(e + 9, &v, 4);
        ref.insert(ref.end(), e, e + 13);
      }
      const uint32_t count = uint32_t(std::max<int32_t>(n, 0));
      std::memcpy(ref.data(), &count, 4);
      int16_t forward = 0, reverse = 0;
      if (CompareSpectra(measured.data(), ref.data(), &forward, &reverse) && forward > best.forward) {
        best.entry = i;
        best.forward = forward;
        best.reverse = reverse;
      }
    }
    CloseSpectrumLibrary(again);
    best.found = best.forward >= 600 ? 1 : 0;
    best.time = peak.retentionTime;
    best.scan = at.get()->tolSpt ? int32_t(at.get()->tolSpt->header.scanNumber) : 0;
    peaks.push_back(best);
  }
  STRUCT_PS plot{};
  KELT_InitMergedChanList(&plot.chanList);
  STRUCT_TLS_CHRO_SEARCH chro{};
  std::snprintf(chro.dataFile, sizeof chro.dataFile, "%s", f.water.c_str());
  chro.files = &files;
  chro.mode = search.mode;
  chro.top3Ions = 1;
  chro.minimumHeight = 150;
  chro.threshold = 600;
  chro.timeFrom = 2.0;
  chro.timeTo = 12.0;
  chro.plot = &plot;
  chro.peakCount = int32_t(peaks.size());
  chro.peaks = peaks.data();
  const int32_t chromatogram = RPTS_MakeTargetListSearchChromatogram(reports, &prefs, &chro);
  const int32_t count = MSR_GetPageCount(kTargetReports);
  std::printf("  %d match(es); long form %s, short form %s, chromatogram %s: %d page(s) in %s\n",
              int(matches.size()), longForm ? "made" : "not made", shortForm ? "made" : "not made",
              chromatogram ? "made" : "not made", int(count), kTargetReports);
  if (!longForm || !PrintReports(kTargetReports, count, &prefs, kTargetPdf)) return 1;
  return 0;
}

}  // namespace

// 0 when the three reports were made and printed.
int LibrarySearchDemo() {
  CreateDirectoryA("C:\\Workstation", nullptr);
  CreateDirectoryA("C:\\Workstation\\Reports", nullptr);
  CreateDirectoryA(kFolder, nullptr);
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) {
    std::fprintf(stderr, "kelt_host: cannot make the sample runs in %s\n", kFolder);
    return 1;
  }
  WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                             GetWorkstationIniPath());
  const int search = LibrarySearchReport(f);
  const int log = LogReport(f);
  const int target = TargetListReport(f);
  return search ? search : log ? log : target;
}
