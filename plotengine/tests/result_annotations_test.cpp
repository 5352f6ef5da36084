// Result annotations built from a processed fixture run's quantitation
// results, read through the engine loaded by name.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/identification_fixture.h"
#include "win/win_kernel.h"
#include "plot_fixture.h"
#include "plotengine/result_annotations.h"
#include "win/win_script.h"

using kelt::annotations::JoinPieces;
using kelt::annotations::Piece;

namespace {

constexpr char kProcessed[] = "C:\\Data\\PROC01.KMS";

STRUCT_RESULT_ANNOTATIONS Prefs(std::vector<int16_t> items) {
  STRUCT_RESULT_ANNOTATIONS p{};
  p.show = 1;
  for (int k = 0; k < 5; ++k) p.kindFlags[k] = 1;
  p.itemCount = static_cast<int16_t>(items.size());
  for (size_t i = 0; i < items.size(); ++i) p.items[i] = items[i];
  p.textSize = 300;
  return p;
}

std::string Fmt(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// The trace value at t, by the straight line between the points around it.
double TraceValue(const STRUCT_NE_DATA_POINTS* dp, double t) {
  for (uint32_t k = 1; k < dp->pointCount; ++k) {
    const double t1 = NePointAt(dp->points, k)->time;
    if (t1 < t) continue;
    const double t0 = NePointAt(dp->points, k - 1)->time;
    const double v0 = NePointValue(dp->points, k - 1), v1 = NePointValue(dp->points, k);
    return t1 == t ? v1 : v0 + (v1 - v0) * (t - t0) / (t1 - t0);
  }
  return 0.0;
}

class ResultAnnotationsTest : public PlotRootTest {
 protected:
  void SetUp() override {
    PlotRootTest::SetUp();
    msfix::DHPlan plan;
    plan.unknowns = 1;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(kProcessed, "C:\\Data\\PROC01.MTH", plan, &truth_));
    overlay_ = NewOverlay();
    ASSERT_EQ(AddTic(overlay_.get(), 0, kProcessed), 1);
  }
  msfix::DHTruth truth_;
  OverlayPtr overlay_;
};

}  // namespace

TEST(AnnotationJoining, LineRule) {
  const std::vector<Piece> timeThenName = {{1, "12.345 min"}, {0, "Toluene"}};
  EXPECT_EQ(JoinPieces(timeThenName, 0, 20, 1, 0), "12.345 min\nToluene");
  EXPECT_EQ(JoinPieces(timeThenName, 0, 20, 0, 0), "12.345 min  Toluene");
  EXPECT_EQ(JoinPieces(timeThenName, 0, 10, 0, 0), "12.345 min\nToluene");  // 10 + 7 > 10
  EXPECT_EQ(JoinPieces(timeThenName, 900, 20, 1, 0), "12.345 min\nToluene");
  EXPECT_EQ(JoinPieces(timeThenName, 901, 5, 1, 0), "12.345 min  Toluene");
  EXPECT_EQ(JoinPieces(timeThenName, 2700, 20, 1, 0), "12.345 min\nToluene");
  // The line length restarts after a break and grows by 2 and the piece.
  const std::vector<Piece> three = {{1, "aaaa"}, {4, "bbbb"}, {5, "cccc"}, {6, "dd"}};
  EXPECT_EQ(JoinPieces(three, 0, 10, 0, 0), "aaaa  bbbb\ncccc  dd");
  EXPECT_EQ(JoinPieces({{0, ""}, {1, "x"}}, 0, 10, 1, 0), "x");
}

TEST_F(ResultAnnotationsTest, OneTextPerStepWithTimeAndName) {
  const STRUCT_RESULT_ANNOTATIONS prefs = Prefs({1, 0, 3});
  STRUCT_ANNOTATIONS* a = OPLOT_CreateDHAnnotationStrings(overlay_.get(), 0, 0, &prefs, 20, 1);
  ASSERT_NE(a, nullptr);
  const size_t compounds = truth_.compounds.size();
  ASSERT_EQ(a->count, compounds + truth_.unknowns.size());
  EXPECT_EQ(a->textLength, 300);
  const STRUCT_NE_DATA_POINTS* trace = overlay_->slots[0].trace;
  for (size_t i = 0; i < a->count; ++i) {
    const bool unknown = i >= compounds;
    const msfix::DHCompoundTruth& d = unknown ? truth_.unknowns[i - compounds] : truth_.compounds[i];
    const float rt = static_cast<float>(d.retentionTime);
    // A break follows the name; TIC steps (the library-identified unknowns) get no ID.
    const std::string want = Fmt("%.3f min", rt) + "\n" + d.name + (unknown ? "" : "\nID: " + std::to_string(i + 1));
    EXPECT_EQ(AnnotationText(a, static_cast<int>(i)), want) << i;
    EXPECT_DOUBLE_EQ(a->times[i], rt);
    if (!unknown) {
      EXPECT_DOUBLE_EQ(a->amounts[i], static_cast<float>(d.amount));
    }
    EXPECT_NEAR(a->values[i], TraceValue(trace, rt), 1e-6 * (1 + std::fabs(a->values[i])));
  }
  EXPECT_STREQ(a->dataFile, kProcessed);
  EXPECT_EQ(a->plotKind, overlay_->slots[0].plotKind);
  EXPECT_DOUBLE_EQ(a->valuesFrom, NePointAt(trace->points, 0)->time);
  EXPECT_EQ(GetBlockSize(a->texts), 301u * a->count + 18);
  EXPECT_EQ(GetBlockSize(a->times), 8u * a->count);
  OPLOT_FreeAnnotationStrings(a);
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
}

TEST_F(ResultAnnotationsTest, KindsAmountsAndStatus) {
  STRUCT_RESULT_ANNOTATIONS prefs = Prefs({8, 7});
  prefs.kindFlags[3] = 0;  // no TIC steps
  prefs.marker.angle = 901;
  STRUCT_ANNOTATIONS* a = OPLOT_CreateDHAnnotationStrings(overlay_.get(), 0, 0, &prefs, 5, 1);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->count, truth_.compounds.size());
  for (int i = 0; i < a->count; ++i) {
    const double amount = static_cast<float>(truth_.compounds[static_cast<size_t>(i)].amount);
    const int decimals = amount == 0 ? 0 : amount < 10 ? 3 : amount < 100 ? 2 : amount < 1000 ? 1 : 0;
    char number[64];
    std::snprintf(number, sizeof number, "%.*f", decimals, amount);
    EXPECT_EQ(AnnotationText(a, i), std::string(number) + " ng  Identified") << i;
  }
  OPLOT_FreeAnnotationStrings(a);
  // Nothing included: no record.
  for (int16_t& f : prefs.kindFlags) f = 0;
  EXPECT_EQ(OPLOT_CreateDHAnnotationStrings(overlay_.get(), 0, 0, &prefs, 20, 1), nullptr);
}

TEST_F(ResultAnnotationsTest, NoResultsNoRecord) {
  WriteMsRun();
  ASSERT_EQ(AddTic(overlay_.get(), 1, kMsPath), 1);
  const STRUCT_RESULT_ANNOTATIONS prefs = Prefs({1});
  EXPECT_EQ(OPLOT_CreateDHAnnotationStrings(overlay_.get(), 1, 0, &prefs, 20, 1), nullptr);
  EXPECT_EQ(OPLOT_CreateDHAnnotationStrings(overlay_.get(), 2, 0, &prefs, 20, 1), nullptr);
  EXPECT_EQ(OPLOT_CreateDHAnnotationStrings(overlay_.get(), 25, 0, &prefs, 20, 1), nullptr);
  STRUCT_ANNOTATIONS* all[OVERLAY_SLOTS] = {};
  all[3] = OPLOT_CreateDHAnnotationStrings(overlay_.get(), 0, 0, &prefs, 20, 1);
  ASSERT_NE(all[3], nullptr);
  OPLOT_FreeAllAnnotations(all);
  EXPECT_EQ(all[3], nullptr);
  OPLOT_FreeAnnotationStrings(nullptr);
}

TEST_F(ResultAnnotationsTest, DeconvolutionIdentificationsFromTheirFile) {
  // What the deconvolution identified, with fitted times off the scan grid.
  std::vector<std::string> names;
  std::vector<double> times;
  std::vector<uint32_t> scans;
  for (size_t i = 0; i < truth_.compounds.size(); ++i) {
    names.push_back(truth_.compounds[i].name);
    times.push_back(truth_.compounds[i].retentionTime);
    scans.push_back(static_cast<uint32_t>(40 + 25 * i));
  }
  const std::vector<FIN_IDENTIFIED> found = msfix::MakeIdentifications(5, names, times, scans);
  ASSERT_TRUE(msfix::WriteIdentificationFile("C:\\Data\\PROC01.FIN", found));
  STRUCT_AMDIS_ANNOTATIONS prefs{};
  prefs.show = 1;
  prefs.itemCount2 = 4;
  const int16_t items[4] = {1, 2, 0, 6};
  std::memcpy(prefs.items2, items, sizeof items);
  prefs.textSize = 200;
  STRUCT_ANNOTATIONS* a = OPLOT_CreateFINAnnotationStrings(overlay_.get(), 0, 0, &prefs, 30, 1);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->count, found.size());
  const uint32_t firstScan = overlay_->slots[0].workFile->msInfo.firstScan;
  const STRUCT_NE_DATA_POINTS* trace = overlay_->slots[0].trace;
  for (int i = 0; i < a->count; ++i) {
    const FIN_IDENTIFIED& e = found[static_cast<size_t>(i)];
    const std::string want = Fmt("%.3f min.", e.time) + "\n" + e.name + "\nScan:" +
                             std::to_string(e.scan + static_cast<int64_t>(firstScan) - 1) + "  Purity:" + e.purity;
    EXPECT_EQ(AnnotationText(a, i), want) << i;
    EXPECT_DOUBLE_EQ(a->times[i], e.time);
    EXPECT_DOUBLE_EQ(a->amounts[i], -1.0);
    EXPECT_NEAR(a->values[i], TraceValue(trace, e.time), 1e-6 * (1 + std::fabs(a->values[i])));
  }
  EXPECT_EQ(GetBlockSize(a->times), 8u * a->count + 10);
  EXPECT_EQ(GetBlockSize(a->texts), 201u * a->count + 18);
  OPLOT_FreeAnnotationStrings(a);
  // Components asked for, or nothing shown: no record.
  prefs.useELU = 1;
  EXPECT_EQ(OPLOT_CreateFINAnnotationStrings(overlay_.get(), 0, 0, &prefs, 30, 1), nullptr);
  prefs.useELU = 0;
  prefs.show = 0;
  EXPECT_EQ(OPLOT_CreateFINAnnotationStrings(overlay_.get(), 0, 0, &prefs, 30, 1), nullptr);
}

TEST_F(ResultAnnotationsTest, DamagedIdentificationFilesAreRefused) {
  STRUCT_AMDIS_ANNOTATIONS prefs{};
  prefs.show = 1;
  prefs.itemCount2 = 1;
  prefs.items2[0] = 2;
  // No file at all.
  EXPECT_EQ(OPLOT_CreateFINAnnotationStrings(overlay_.get(), 0, 0, &prefs, 30, 1), nullptr);
  const std::vector<FIN_IDENTIFIED> found =
      msfix::MakeIdentifications(9, {"Benzene", "Toluene"}, {4.1, 5.3}, {10, 20});
  ASSERT_TRUE(msfix::WriteIdentificationFile("C:\\Data\\PROC01.FIN", found));
  std::string bytes = ReadHostPath(Host("c/Data/PROC01.FIN"));
  // Cut short: the head promises two records.
  WriteHostPath(Host("c/Data/PROC01.FIN"), bytes.substr(0, bytes.size() - 10));
  EXPECT_EQ(OPLOT_CreateFINAnnotationStrings(overlay_.get(), 0, 0, &prefs, 30, 1), nullptr);
  // Not an identification file.
  bytes[0] = 'X';
  WriteHostPath(Host("c/Data/PROC01.FIN"), bytes);
  EXPECT_EQ(OPLOT_CreateFINAnnotationStrings(overlay_.get(), 0, 0, &prefs, 30, 1), nullptr);
}

TEST_F(ResultAnnotationsTest, TargetMatchesWithTheirLibrarySpectra) {
  const std::vector<msfix::LibrarySpectrum> library = {
      {"Benzene", "C6 H6", "71-43-2", 78, {{78, 999}, {77, 220}, {52, 190}, {51, 180}, {50, 150}, {39, 120}}},
      {"Toluene", "C7H8", "108-88-3", 92, {{91, 999}, {92, 630}, {65, 90}}},
      {"Octane, 2,2,4-trimethyl- (isooctane, a name past eighty characters to be cut where the piece ends)",
       "C8H18", "", 114, {{57, 999}, {41, 250}, {56, 220}}},
  };
  ASSERT_TRUE(msfix::WriteMspLibrary("C:\\Data\\TARGETS.MSP", library));
  STRUCT_TARGET_MATCH matches[4] = {};
  const struct {
    int16_t spectrum, matched;
    double time;
    int32_t scan;
    int16_t r, f;
  } plan[4] = {{1, 1, 5.0153, 301, 912, 874}, {0, 0, 6.2, 360, 400, 380}, {2, 1, 7.1371, 420, 801, 777},
               {0, 1, 8.0104, 471, 955, 930}};
  for (int i = 0; i < 4; ++i) {
    matches[i].library = 0;
    matches[i].spectrum = plan[i].spectrum;
    matches[i].matched = plan[i].matched;
    matches[i].time = plan[i].time;
    matches[i].scan = plan[i].scan;
    matches[i].reverseMatch = plan[i].r;
    matches[i].forwardMatch = plan[i].f;
  }
  auto result = std::make_unique<STRUCT_TARGET_SEARCH_RESULT>();
  result->count = 4;
  result->entries = matches;
  result->libraryCount = 1;
  std::strcpy(result->libraryPaths[0], "C:\\Data\\TARGETS.MSP");
  STRUCT_TCHRO_ANNOTATIONS prefs{};
  prefs.show = 1;
  prefs.itemCount = 6;
  const int16_t items[6] = {1, 4, 5, 6, 7, 2};
  std::memcpy(prefs.items, items, sizeof items);
  prefs.textSize = 200;
  STRUCT_ANNOTATIONS* a = OPLOT_CreateTCHROAnnotationStrings(overlay_.get(), 0, 0, &prefs, result.get(), 24, 1);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->count, 3);
  const std::string cut = library[2].name.substr(0, 80);
  EXPECT_EQ(AnnotationText(a, 0), std::string("5.015 min.\nToluene\n108-88-3  MW=92  C7H8\nR.Match=912"));
  EXPECT_EQ(AnnotationText(a, 1), "7.137 min.\n" + cut + "\nMW=114  C8H18  R.Match=801");
  EXPECT_EQ(AnnotationText(a, 2), std::string("8.010 min.\nBenzene\n71-43-2  MW=78  C6 H6\nR.Match=955"));
  EXPECT_DOUBLE_EQ(a->times[1], 7.1371);
  // The library's index table is kept for the next reads.
  EXPECT_EQ(result->indexTables[0].size(), 3u);
  OPLOT_FreeAnnotationStrings(a);
  // A spectrum past the library's end ends the build without a record.
  matches[3].spectrum = 7;
  EXPECT_EQ(OPLOT_CreateTCHROAnnotationStrings(overlay_.get(), 0, 0, &prefs, result.get(), 24, 1), nullptr);
  // Items that need no spectrum do without the library.
  prefs.itemCount = 3;
  const int16_t plain[3] = {0, 3, 1};
  std::memcpy(prefs.items, plain, sizeof plain);
  a = OPLOT_CreateTCHROAnnotationStrings(overlay_.get(), 0, 0, &prefs, result.get(), 40, 0);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(AnnotationText(a, 0), std::string("Scan=301  F.Match=874  5.015 min."));
  OPLOT_FreeAnnotationStrings(a);
  EXPECT_EQ(OPLOT_CreateTCHROAnnotationStrings(overlay_.get(), 0, 0, &prefs, nullptr, 40, 0), nullptr);
}

// The search result holds each library's index table: an annotation reads
// the bytes of its own entry, not the library again for every match.
TEST_F(ResultAnnotationsTest, TargetMatchesReadOnlyTheirEntriesOnceTheIndexIsKnown) {
  std::vector<msfix::LibrarySpectrum> library;
  for (int i = 0; i < 400; ++i) {
    msfix::LibrarySpectrum e;
    e.name = "Compound " + std::to_string(i);
    e.formula = "C" + std::to_string(6 + i % 20) + "H" + std::to_string(6 + i % 30);
    e.molecularWeight = 78 + i;
    for (int m = 0; m < 40; ++m) e.peaks.push_back({39 + (m * 7 + i) % (60 + i), 999 - (m * 23 + i) % 990});
    library.push_back(e);
  }
  ASSERT_TRUE(msfix::WriteMspLibrary("C:\\Data\\BIG.MSP", library));
  HANDLE f = CreateFileA("C:\\Data\\BIG.MSP", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  const uint64_t librarySize = GetFileSize(f, nullptr);
  CloseHandle(f);

  constexpr int kMatches = 40;
  std::vector<STRUCT_TARGET_MATCH> matches(kMatches);
  for (int i = 0; i < kMatches; ++i) {
    matches[size_t(i)].library = 0;
    matches[size_t(i)].spectrum = int16_t((i * 37 + 11) % 400);
    matches[size_t(i)].matched = 1;
    matches[size_t(i)].time = 3.0 + 0.05 * i;
    matches[size_t(i)].scan = 200 + 3 * i;
  }
  auto result = std::make_unique<STRUCT_TARGET_SEARCH_RESULT>();
  result->count = kMatches;
  result->entries = matches.data();
  result->libraryCount = 1;
  std::strcpy(result->libraryPaths[0], "C:\\Data\\BIG.MSP");
  STRUCT_TCHRO_ANNOTATIONS prefs{};
  prefs.show = 1;
  prefs.itemCount = 2;
  prefs.items[0] = 4;
  prefs.items[1] = 6;
  prefs.textSize = 200;
  auto bytesRead = [] {
    IO_COUNTERS io{};
    EXPECT_TRUE(GetProcessIoCounters(GetCurrentProcess(), &io));
    return io.ReadTransferCount;
  };
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "index table built" : "index table held");
    const uint64_t before = bytesRead();
    STRUCT_ANNOTATIONS* a = OPLOT_CreateTCHROAnnotationStrings(overlay_.get(), 0, 0, &prefs, result.get(), 60, 0);
    const uint64_t read = bytesRead() - before;
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->count, kMatches);
    for (int i = 0; i < kMatches; ++i) {
      const int k = matches[size_t(i)].spectrum;
      EXPECT_EQ(AnnotationText(a, i), "Compound " + std::to_string(k) + "  MW=" + std::to_string(78 + k));
    }
    OPLOT_FreeAnnotationStrings(a);
    EXPECT_EQ(result->indexTables[0].size(), 400u);
    // The whole library at most once (to build the table), then one entry
    // (a four-hundredth of it) for each match.
    const uint64_t most = (pass == 0 ? librarySize : 0) + librarySize * kMatches / 400 * 2;
    EXPECT_LE(read, most);
  }
}

TEST_F(ResultAnnotationsTest, DeconvolutionComponentsThroughTheReadersOrdinals) {
  std::vector<double> times;
  std::vector<uint32_t> scans;
  for (size_t i = 0; i < truth_.compounds.size(); ++i) {
    times.push_back(truth_.compounds[i].retentionTime);
    scans.push_back(static_cast<uint32_t>(40 + 25 * i));
  }
  const std::vector<ELU_COMPONENT> found = msfix::MakeComponents(3, times, scans);
  ASSERT_TRUE(msfix::WriteComponentFile("C:\\Data\\PROC01.ELU", found));
  STRUCT_AMDIS_ANNOTATIONS prefs{};
  prefs.show = 1;
  prefs.useELU = 1;
  prefs.itemCount1 = 4;
  const int16_t items[4] = {1, 3, 5, 7};
  std::memcpy(prefs.items1, items, sizeof items);
  prefs.textSize = 200;
  STRUCT_ANNOTATIONS* a = OPLOT_CreateELUAnnotationStrings(overlay_.get(), 0, 0, &prefs, 22, 1);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->count, found.size());
  for (int i = 0; i < a->count; ++i) {
    const ELU_COMPONENT& c = found[static_cast<size_t>(i)];
    // "x.xxx min." (10) and "Purity=nn" (9) share a line; S/N and Amount follow as they fit in 22.
    std::string line1 = Fmt("%.3f min.", c.time) + "  Purity=" + std::to_string(c.purity);
    const std::string sn = Fmt("S/N=%.0f", c.signalToNoise), amount = Fmt("Amount=%.1f", c.amount);
    std::string want = line1 + "\n" + sn;
    want += (sn.size() + amount.size() > 22 ? "\n" : "  ") + amount;
    EXPECT_EQ(AnnotationText(a, i), want) << i;
    EXPECT_DOUBLE_EQ(a->times[i], c.time);
  }
  OPLOT_FreeAnnotationStrings(a);
  // Identifications asked for: no components.
  prefs.useELU = 0;
  EXPECT_EQ(OPLOT_CreateELUAnnotationStrings(overlay_.get(), 0, 0, &prefs, 22, 1), nullptr);
  // A file cut short is refused whole.
  prefs.useELU = 1;
  const std::string bytes = ReadHostPath(Host("c/Data/PROC01.ELU"));
  WriteHostPath(Host("c/Data/PROC01.ELU"), bytes.substr(0, bytes.size() - 1));
  EXPECT_EQ(OPLOT_CreateELUAnnotationStrings(overlay_.get(), 0, 0, &prefs, 22, 1), nullptr);
}
