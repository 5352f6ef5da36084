// Deconvolution and analysis of generated runs: the components found
// against the compounds planted in the run, the identifications against a
// library holding them, and the checks' refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fandor/amdis_runs.h"
#include "fandor/component_files.h"
#include "fandor/identification_files.h"
#include "fixtures/msfixtures.h"
#include "fixtures/identification_fixture.h"
#include "fixtures/msp_library.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

class AmdisRunsTest : public WorkstationRootTest {
 protected:
  static std::vector<ELU_COMPONENT> Components(const char* dataPath) {
    std::vector<ELU_COMPONENT> out;
    if (!Ordinal712(dataPath)) return out;
    ELU_COMPONENT c;
    while (Ordinal700(&c)) out.push_back(c);
    Ordinal701();
    return out;
  }
  static std::vector<FIN_IDENTIFIED> Identified(const char* dataPath) {
    std::vector<FIN_IDENTIFIED> out;
    CAccessFINFile fin;
    char path[MAX_PATH + 1] = {};
    int32_t n = 0;
    if (!fin.GetFINFileFromKMSFile(dataPath, path) || !fin.OpenReadInOrder(path, &n)) return out;
    FIN_IDENTIFIED e;
    while (fin.ReadNextIdentified(&e)) out.push_back(e);
    return out;
  }
  // Compounds whose strongest ion stands well out of the noise and no
  // neighbour sits on their apex: what any deconvolution must find.
  static std::vector<const msfix::CompoundTruth*> Clear(const msfix::RunTruth& truth, double noise) {
    std::vector<const msfix::CompoundTruth*> out;
    for (size_t i = 0; i < truth.compounds.size(); ++i) {
      const auto& c = truth.compounds[i];
      double base = 0;
      for (const auto& [m, share] : c.spectrum) base = std::max(base, share);
      if (c.height * base / noise < 40) continue;
      bool crowded = false;
      for (size_t k = 0; k < truth.compounds.size(); ++k)
        crowded = crowded || (k != i && std::fabs(truth.compounds[k].retentionTime - c.retentionTime) < 0.08);
      if (!crowded) out.push_back(&c);
    }
    return out;
  }
};

TEST_F(AmdisRunsTest, DeconvolutionFindsThePlantedCompounds) {
  for (uint32_t seed : {3u, 8u}) {
    msfix::RunPlan plan;
    plan.seed = seed;
    plan.compounds = 8;
    plan.saturation = 400000;  // the strongest ions clip
    const std::string run = "C:\\TEMP\\decon" + std::to_string(seed) + ".kms";
    msfix::RunTruth truth;
    ASSERT_TRUE(msfix::WriteMsDataFile(run, plan, &truth));
    char reason[AMDIS_TEXT_SIZE] = "x";
    ASSERT_TRUE(CheckAMDISDeconvolution(run.c_str(), reason));
    EXPECT_STREQ(reason, "");
    const int32_t n = DoAMDISDeconvolutionForFile(run.c_str(), nullptr, nullptr, 0);
    const std::vector<ELU_COMPONENT> found = Components(run.c_str());
    ASSERT_EQ(n, int32_t(found.size()));
    const auto clear = Clear(truth, plan.noise);
    ASSERT_GE(clear.size(), 3u) << seed;
    for (const msfix::CompoundTruth* c : clear) {
      const ELU_COMPONENT* hit = nullptr;
      // The strongest component there (a weak one may sit on its tail).
      for (const ELU_COMPONENT& e : found)
        if (std::fabs(e.time - c->retentionTime) < 0.03 && (!hit || e.signalToNoise > hit->signalToNoise)) hit = &e;
      ASSERT_NE(hit, nullptr) << c->name << " at " << c->retentionTime << " seed " << seed;
      const float sn = hit->signalToNoise;
      EXPECT_GT(sn, 10.0f);
      const int32_t purity = hit->purity;
      EXPECT_GT(purity, 0);
      EXPECT_LE(purity, 100);
      EXPECT_GT(std::atoi(hit->model), 0);
    }
    // In time order, numbered from 1; noise does not make a component of
    // its own for every planted one.
    for (size_t i = 0; i < found.size(); ++i) {
      const int32_t index = found[i].index;
      EXPECT_EQ(index, int32_t(i + 1));
      if (i) {
        const double t = found[i].time, before = found[i - 1].time;
        EXPECT_GE(t, before);
      }
    }
    EXPECT_LE(found.size(), 3 * truth.compounds.size());
  }
}

TEST_F(AmdisRunsTest, AnalysisNamesTheCompoundsFromTheLibrary) {
  msfix::RunPlan plan;
  plan.seed = 5;
  plan.compounds = 8;
  plan.segments = {{1.0, 1, ""}};
  const std::string run = "C:\\Data\\mix.kms";
  CreateDirectoryA("C:\\Data", nullptr);
  msfix::RunTruth truth;
  ASSERT_TRUE(msfix::WriteMsDataFile(run, plan, &truth));
  char reason[AMDIS_TEXT_SIZE] = {}, library[AMDIS_TEXT_SIZE] = {}, result[AMDIS_TEXT_SIZE] = {};
  // Without a library the analysis is refused, saying why.
  EXPECT_FALSE(CheckAMDISAnalysis(run.c_str(), 0, 100, reason, library, result));
  EXPECT_NE(std::string(reason).find("library"), std::string::npos) << reason;

  msfix::MspLibraryPlan lp;
  lp.entries = 300;
  std::vector<msfix::MspEntryTruth> entries;
  CreateDirectoryA("C:\\Libs", nullptr);
  ASSERT_TRUE(msfix::WriteMspLibrary("C:\\Libs\\main.msp", lp, truth.compounds, &entries));
  ASSERT_TRUE(WritePrivateProfileStringA("Libraries", "Library1", "C:\\Libs\\main.msp", "fandor.ini"));
  ASSERT_TRUE(CheckAMDISAnalysis(run.c_str(), 0, 100, reason, library, result)) << reason;
  EXPECT_STREQ(library, "C:\\Libs\\main.msp");
  EXPECT_STREQ(result, "C:\\Data\\mix.FIN");

  const int32_t n = DoAMDISAnalysisForFile(run.c_str(), nullptr, nullptr, 0);
  const std::vector<FIN_IDENTIFIED> found = Identified(run.c_str());
  ASSERT_EQ(n, int32_t(found.size()));
  const auto clear = Clear(truth, plan.noise);
  ASSERT_GE(clear.size(), 3u);
  int named = 0;
  for (const msfix::CompoundTruth* c : clear)
    for (const FIN_IDENTIFIED& e : found)
      if (std::fabs(e.time - c->retentionTime) < 0.03 && c->name == e.name) ++named;
  EXPECT_GE(named, int(clear.size()) - 1) << "of " << clear.size();
  for (const FIN_IDENTIFIED& e : found) EXPECT_GE(std::atoi(e.net), AMDIS_MIN_MATCH);
  // The components were written too.
  EXPECT_GE(Components(run.c_str()).size(), found.size());
}

TEST_F(AmdisRunsTest, UnfitFilesAreRefusedAndEarlierResultsKept) {
  msfix::RunPlan small;
  small.scans = 12;
  small.compounds = 1;
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\TEMP\\short.kms", small, nullptr));
  msfix::RunPlan live;
  live.live = true;
  ASSERT_TRUE(msfix::WriteMsDataFile("C:\\TEMP\\live.kms", live, nullptr));
  ASSERT_TRUE(msfix::WriteComponentFile("C:\\TEMP\\short.ELU", msfix::MakeComponents(1, {3.0, 4.0}, {10, 20})));
  const struct {
    const char* path;
    const char* why;
  } cases[] = {
      {"C:\\TEMP\\missing.kms", "no MS scans"},
      {"C:\\TEMP\\short.kms", "too few scans"},
      {"C:\\TEMP\\live.kms", "still being acquired"},
      {"", "No data file"},
  };
  for (const auto& k : cases) {
    char reason[AMDIS_TEXT_SIZE] = {};
    EXPECT_FALSE(CheckAMDISDeconvolution(k.path, reason)) << k.path;
    EXPECT_NE(std::string(reason).find(k.why), std::string::npos) << reason;
    EXPECT_EQ(DoAMDISDeconvolutionForFile(k.path, nullptr, nullptr, 0), -1) << k.path;
  }
  EXPECT_FALSE(CheckAMDISDeconvolution(nullptr, nullptr));
  // The refused run left the earlier component file as it was.
  EXPECT_EQ(Components("C:\\TEMP\\short.kms").size(), 2u);
}

}  // namespace
