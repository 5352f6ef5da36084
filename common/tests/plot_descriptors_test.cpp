// Plot descriptors: the makers for data-file traces, method compounds,
// user traces and the whole set; copies; trace texts; combining scan
// functions; validity tests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/plot_descriptors.h"
#include "descriptor_fixture.h"
#include "holbrin/holbrin.h"
#include "quorna/quorna.h"
#include "synthetic_work_file.h"

namespace {

std::vector<SyntheticSegment> ThreeSegments() {
  SyntheticFunction full{u"Full|scan 40-400", u"40.0-400.0"}, sim{u"SIM|91 92", u"91.0-92.0"},
      sim2{u"SIM2|105", u"105.0"};
  return {{1, 5, {full}}, {5, 10, {full, sim}}, {10, 15, {sim, sim2, full}}};
}

STRUCT_MASS_LIST Ion(double mass) {
  STRUCT_MASS_LIST m{};
  m.kind = MASS_LIST_RANGES;
  m.count = 1;
  m.ranges[0].low = m.ranges[0].high = mass;
  m.window = 0.5;
  return m;
}

STRUCT_CHAN_LIST Channels(std::initializer_list<std::pair<int, int>> ranges) {
  STRUCT_CHAN_LIST c{};
  c.kind = CHAN_LIST_LISTED;
  for (auto [lo, hi] : ranges) {
    c.entries[c.count].low = static_cast<uint16_t>(lo);
    c.entries[c.count++].high = static_cast<uint16_t>(hi);
  }
  return c;
}

std::string IonText(const STRUCT_MASS_LIST& m, int decimals = 1) {
  char text[512];
  FormatMassListText(text, &m, decimals);
  return text;
}

class PlotDescriptors : public DescriptorTest {
 protected:
  void SetUp() override {
    DescriptorTest::SetUp();
    wf_ = MakeSyntheticWorkFile(ThreeSegments());
  }
  void TearDown() override {
    FreeSyntheticWorkFile(wf_);
    DescriptorTest::TearDown();
  }
  STRUCT_WORK_FILE* wf_ = nullptr;
};

TEST_F(PlotDescriptors, TicAndIgnoreDescriptors) {
  STRUCT_PLOT_DESCRIPTOR* tic = PD_CreateTICPD();
  STRUCT_PLOT_DESCRIPTOR* ignore = PD_CreateIgnorePD();
  ASSERT_TRUE(tic && ignore);
  EXPECT_EQ(+tic->kind, PD_KIND_TIC);
  EXPECT_STREQ(tic->name, "TIC");
  EXPECT_EQ(+tic->chanList.kind, uint32_t{CHAN_LIST_MERGED});
  EXPECT_EQ(+ignore->kind, PD_KIND_IGNORE);
  EXPECT_STREQ(ignore->name, "All Scan Descriptors");
  EXPECT_EQ(+ignore->chanList.kind, uint32_t{CHAN_LIST_IGNORED});
  EXPECT_EQ(GetBlockSize(tic), 925u + PD_SLACK_BYTES);
  PD_FreePD(tic);
  PD_FreePD(ignore);
  EXPECT_STREQ(PD_GetDataTypeName(2), "Intensity of Base Peak");
  EXPECT_STREQ(PD_GetDataTypeName(3), "Base Peak Ion");
}

TEST_F(PlotDescriptors, CopyKeepsTheFormulaSizeAndNothingBeyond) {
  STRUCT_PLOT_DESCRIPTOR* pd = MakePD(PD_KIND_USER_PLOT, "three", {{"a", "A", "1"}, {"b", "B", "2"}, {"c", "C", "3"}});
  const uint32_t size = PlotDescriptorSize(pd);
  EXPECT_EQ(size, 2 * 453u + 925u);
  // Bytes past the formula size (the block's slack) are not part of it.
  std::memset(reinterpret_cast<char*>(pd) + size, 0x5A, PD_SLACK_BYTES);
  STRUCT_PLOT_DESCRIPTOR* copy = PD_CopyPD(pd);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(GetBlockSize(copy), size + PD_SLACK_BYTES);
  EXPECT_EQ(std::memcmp(copy, pd, size), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(copy) + size, PD_SLACK_BYTES), std::string(PD_SLACK_BYTES, '\0'));
  EXPECT_EQ(PD_CopyPD(nullptr), nullptr);

  STRUCT_PD_ARRAY* array = MakeArray(PD_KIND_USER_PLOT, {pd, PD_CreateTICPD()});
  STRUCT_PD_ARRAY* arrayCopy = PD_CopyPDArray(array);
  ASSERT_NE(arrayCopy, nullptr);
  EXPECT_EQ(+arrayCopy->kind, PD_KIND_USER_PLOT);
  ASSERT_EQ(+arrayCopy->count, 2);
  EXPECT_NE(+arrayCopy->pds[0], pd);
  EXPECT_EQ(std::memcmp(arrayCopy->pds[0], pd, size), 0);
  PD_FreePDArray(arrayCopy);
  PD_FreePDArray(array);
  PD_FreePD(copy);
}

TEST_F(PlotDescriptors, DataFileTracesFromMergedScanFunctions) {
  STRUCT_PD_ARRAY* a = PD_CreateDataFilePDs(wf_);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(+a->kind, PD_KIND_DATA_FILE);
  std::vector<std::string> names;
  for (int i = 0; i < a->count; ++i) {
    names.push_back(a->pds[i]->name);
    EXPECT_EQ(+a->pds[i]->dataType, PD_TYPE_SCAN_FUNCTIONS);
    EXPECT_EQ(+a->pds[i]->scanFuns.count, 1);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Full (1,2,3)", "SIM (2,3)", "SIM2 (3)"}));
  EXPECT_STREQ(a->pds[1]->scanFuns.entries[0].identity, "SIM 91 92");
  PD_FreePDArray(a);
}

TEST_F(PlotDescriptors, DataFileTracesPerChannelWithoutNames) {
  SyntheticFunction plain{u"", u""};
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile({{1, 5, {plain, plain, plain}}});
  wf->sectioned = 0;  // no names to read: one entry per channel
  STRUCT_PD_ARRAY* a = PD_CreateDataFilePDs(wf);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(+a->count, 3);
  for (int c = 0; c < 3; ++c) {
    SCOPED_TRACE(c);
    // Per-channel information names them by channel.
    EXPECT_EQ(std::string(a->pds[c]->name), "Chan: " + std::to_string(c + 1) + " (1)");
  }
  PD_FreePDArray(a);
  FreeSyntheticWorkFile(wf);
}

TEST_F(PlotDescriptors, AllSdsSegmentsGiveOnlyTheTic) {
  wf_->allKind13 = 1;
  wf_->kind13 = 1;
  STRUCT_ALL_PDS* all = PD_CreateAllPDs(wf_);
  ASSERT_NE(all, nullptr);
  ASSERT_NE(+all->tic, nullptr);
  EXPECT_STREQ(all->tic->name, "TIC  (all scans for SDS segments)");
  EXPECT_FALSE(all->ignore || all->dataFile || all->method || all->userPlots || all->userTraces);
  PD_FreeAllPDs(all);

  wf_->allKind13 = 0;
  all = PD_CreateAllPDs(wf_);
  ASSERT_NE(all, nullptr);
  EXPECT_STREQ(all->tic->name, "TIC  (all scans for SDS segments)");
  EXPECT_NE(+all->ignore, nullptr);
  EXPECT_NE(+all->dataFile, nullptr);
  STRUCT_ALL_PDS* copy = PD_CopyAllPDs(all);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(+copy->dataFile->count, all->dataFile->count);
  PD_FreeAllPDs(copy);
  PD_FreeAllPDs(all);
}

TEST_F(PlotDescriptors, UserTracesFromExtraColumns) {
  STRUCT_WORK_FILE* wf = MakeSyntheticWorkFile(ThreeSegments(), 1, 10, 1000, {u"Pressure", u"Oven"});
  STRUCT_PD_ARRAY* a = PD_CreateUserTracePDs(wf);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(+a->kind, PD_KIND_USER_TRACE);
  ASSERT_EQ(+a->count, 2);
  EXPECT_STREQ(a->pds[1]->name, "Oven");
  EXPECT_EQ(+a->pds[1]->dataType, 5);
  EXPECT_EQ(+a->pds[1]->massList.kind, 6u);
  EXPECT_EQ(+a->pds[1]->massList.ranges[0].low, 1.0);
  char text[PD_NAME_SIZE];
  PD_MakePlotDescriptor(text, a->pds[1]->dataType, &a->pds[1]->massList, &a->pds[1]->chanList, wf);
  EXPECT_STREQ(text, "Oven - Merged");
  PD_FreePDArray(a);
  FreeSyntheticWorkFile(wf);
  EXPECT_EQ(PD_CreateUserTracePDs(wf_), nullptr);  // no columns
}

TEST_F(PlotDescriptors, TraceTexts) {
  const STRUCT_MASS_LIST ric{}, ion = Ion(91), many = [] {
    STRUCT_MASS_LIST m{};
    m.kind = MASS_LIST_RANGES;
    m.count = 2;
    m.ranges[0].low = m.ranges[0].high = 91;
    m.ranges[1].low = 100;
    m.ranges[1].high = 110;
    m.window = 0.5;
    return m;
  }();
  STRUCT_MASS_LIST base{};
  base.kind = MASS_LIST_BASE_PEAK_ION;
  const STRUCT_CHAN_LIST merged{}, listed = Channels({{0, 1}});
  struct Case {
    int16_t type;
    const STRUCT_MASS_LIST* mass;
    const STRUCT_CHAN_LIST* chans;
    std::string want;
  } cases[] = {
      {0, &ric, &merged, "TIC"},
      {1, &ric, &merged, "TIC"},
      {0, &ric, &listed, "RIC - 1-2"},
      {1, &ion, &merged, "XIC " + IonText(ion) + " - Merged"},
      {1, &many, &listed, "XIC " + IonText(many) + " - 1-2"},
      {3, &base, &merged, "Base Peak Ion - Merged"},
      {2, &base, &listed, "Intensity of Base Peak - 1-2"},
      {7, &base, &merged, ""},  // no such extra column
      {100, &ion, &merged, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want);
    char text[PD_NAME_SIZE] = "stale";
    PD_MakePlotDescriptor(text, c.type, c.mass, c.chans, wf_);
    EXPECT_EQ(std::string(text), c.want);
  }
  char text[PD_NAME_SIZE] = "stale";
  PD_MakePlotDescriptor(text, 1, &ion, &merged, nullptr);
  EXPECT_STREQ(text, "");
}

TEST_F(PlotDescriptors, CombiningScanFunctionsSkipsOnesPresent) {
  STRUCT_PLOT_DESCRIPTOR* pd = MakePD(PD_KIND_DATA_FILE, "Full (1)", {{"Full", "Full scan", "1"}});
  auto* add = static_cast<STRUCT_SCAN_FUN_ARRAY*>(AllocBlock(static_cast<uint32_t>(ScanFunArraySize(3))));
  const SF more[] = {{"Full", "Full scan", "1"}, {"SIM", "SIM 91", "2"}, {"SIM2", "SIM2 105", "3"}};
  for (const SF& sf : more) {
    SCAN_FUN_ENTRY& e = add->entries[add->count++];
    std::strcpy(e.name, sf.name);
    std::strcpy(e.identity, sf.identity);
    std::strcpy(e.segments, sf.segments);
  }
  STRUCT_PLOT_DESCRIPTOR* combined = PD_AddScanFunArrayToPD(pd, add);
  ASSERT_NE(combined, nullptr);
  EXPECT_EQ(+combined->kind, PD_KIND_USER_PLOT);
  EXPECT_EQ(+combined->scanFuns.count, 3);
  EXPECT_STREQ(combined->name, "Full + SIM + SIM2");
  EXPECT_STREQ(combined->scanFuns.entries[2].identity, "SIM2 105");
  EXPECT_GE(GetBlockSize(combined), PlotDescriptorSize(3) + PD_SLACK_BYTES);
  EXPECT_EQ(+pd->scanFuns.count, 1);  // the given descriptor is unchanged
  EXPECT_EQ(+pd->kind, PD_KIND_DATA_FILE);

  STRUCT_SCAN_FUN_ARRAY* back = PD_GetScanFunArrayForPD(wf_, combined);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(+back->count, 3);
  FreeBlock(back);

  // Long names end with "..." before 99 characters.
  STRUCT_PLOT_DESCRIPTOR* longName = MakePD(PD_KIND_DATA_FILE, "x", {{std::string(40, 'a').c_str(), "A", "1"}});
  for (int i = 0; i < add->count; ++i) std::memset(add->entries[i].name, 'b', 40), add->entries[i].name[40] = 0;
  std::strcpy(add->entries[0].identity, "B0");
  std::strcpy(add->entries[1].identity, "B1");
  std::strcpy(add->entries[2].identity, "B2");
  STRUCT_PLOT_DESCRIPTOR* cut = PD_AddScanFunArrayToPD(longName, add);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(std::string(cut->name), std::string(40, 'a') + " + " + std::string(40, 'b') + "...");

  // A name that ends within four characters of 99 gets its "..." four
  // characters before that end.
  const struct {
    size_t first;
    std::string name;
  } cuts[] = {{90, std::string(90, 'a') + " + b"},
              {95, std::string(95, 'a') + "..."},
              {96, std::string(92, 'a') + "..."},
              {97, std::string(93, 'a') + "..."},
              {98, std::string(94, 'a') + "..."}};
  for (const auto& c : cuts) {
    SCOPED_TRACE(c.first);
    STRUCT_PLOT_DESCRIPTOR* start =
        MakePD(PD_KIND_DATA_FILE, "x", {{std::string(c.first, 'a').c_str(), "A", "1"}});
    std::strcpy(add->entries[0].name, "b");
    const uint16_t count = add->count;
    add->count = 1;
    STRUCT_PLOT_DESCRIPTOR* joined = PD_AddScanFunArrayToPD(start, add);
    add->count = count;
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(std::string(joined->name), c.name);
    PD_FreePD(start);
    PD_FreePD(joined);
  }

  STRUCT_PLOT_DESCRIPTOR* tic = PD_CreateTICPD();
  EXPECT_EQ(PD_AddScanFunArrayToPD(tic, add), nullptr);
  EXPECT_EQ(PD_GetScanFunArrayForPD(wf_, tic), nullptr);
  for (auto* p : {pd, combined, longName, cut, tic}) PD_FreePD(p);
  FreeBlock(add);
}

// ---- Method descriptors ---------------------------------------------------------

struct CompoundPlan {
  const char* name;
  double time;
  STRUCT_MASS_LIST mass;
  STRUCT_CHAN_LIST chans;
  bool is;
  int16_t group;
  uint32_t id;
};

class MethodDescriptors : public PlotDescriptors {
 protected:
  void WriteMethod(const std::vector<CompoundPlan>& compounds, bool globalTable) {
    const char* path = wf_->filePath;
    EnsureFolder(path);
    ASSERT_TRUE(CreateSectionFileAtPath(path, 1, 0, 0));
    HDHTABLE t = CreateCompoundTable(path, wf_->fileType, wf_->module, "1");
    ASSERT_NE(t, nullptr);
    for (const CompoundPlan& c : compounds) {
      STRUCT_DH_COMPOUND r{};
      std::strncpy(r.name, c.name, sizeof r.name - 1);
      r.retentionTime = static_cast<uint32_t>(c.time * 1000 + 0.5);
      r.flags = c.is ? DH_COMPOUND_INTERNAL_STANDARD : 0;
      r.internalStandard = c.group;
      r.compoundNumber = c.id;
      std::memcpy(&r.massList, &c.mass, sizeof r.massList);
      std::memcpy(&r.chanList, &c.chans, sizeof r.chanList);
      ASSERT_TRUE(AppendDHRecord(t, &r));
    }
    CloseSection(t);
    if (globalTable) {
      HDHTABLE g = CreateGlobalTable(path, wf_->fileType, wf_->module, "1");
      ASSERT_NE(g, nullptr);
      STRUCT_DH_GLOBAL_PARAMS params{};
      InitGlobalParams(&params);
      ASSERT_TRUE(WriteGlobalTable(g, &params));
      CloseSection(g);
    }
  }
};

TEST_F(MethodDescriptors, CompoundsUnknownsAndInternalStandards) {
  const STRUCT_CHAN_LIST merged{};
  WriteMethod({{"Toluene", 7.0, Ion(91), Channels({{1, 1}}), false, 1, 101},
               {"d8-Toluene", 7.1, Ion(98), merged, true, 1, 102},
               {"Late", 20.0, Ion(50), Channels({{0, 0}}), false, -1, 103},
               {"Bad", 3.0, Ion(60), Channels({{2, 2}}), false, -1, 104},
               {"", 12.0, STRUCT_MASS_LIST{}, Channels({{0, 2}}), false, 1, 105}},
              true);
  STRUCT_PD_ARRAY* a = PD_CreateMethodPDs(wf_);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(+a->kind, PD_KIND_METHOD);
  ASSERT_EQ(+a->count, 6);

  const STRUCT_PLOT_DESCRIPTOR* toluene = a->pds[0];
  EXPECT_EQ(std::string(toluene->name), "Toluene: " + IonText(Ion(91)) + " (SIM)");
  EXPECT_STREQ(toluene->compoundName, "Toluene");
  EXPECT_EQ(+toluene->dataType, PD_TYPE_SCAN_FUNCTIONS);
  ASSERT_EQ(+toluene->scanFuns.count, 1);
  EXPECT_STREQ(toluene->scanFuns.entries[0].identity, "SIM 91 92");
  EXPECT_STREQ(toluene->scanFuns.entries[0].segments, "2");
  EXPECT_DOUBLE_EQ(+toluene->time, 7.0);
  EXPECT_EQ(+toluene->invalid, 0);
  EXPECT_EQ(+toluene->internalStandardId, 102u);  // the standard of its group

  const STRUCT_PLOT_DESCRIPTOR* standard = a->pds[1];
  EXPECT_EQ(std::string(standard->name), "d8-Toluene: " + IonText(Ion(98)) + " (Merged)");
  EXPECT_EQ(+standard->internalStandard, 1);
  EXPECT_EQ(+standard->dataType, PD_TYPE_IONS);
  EXPECT_EQ(+standard->scanFuns.count, 0);
  EXPECT_STREQ(standard->scanFuns.entries[0].name, "Chan: Merged");
  EXPECT_STREQ(standard->scanFuns.entries[0].segments, "2");

  // A listed compound outside every segment gets no scan function.
  EXPECT_EQ(+a->pds[2]->dataType, PD_TYPE_IONS);
  EXPECT_EQ(+a->pds[2]->scanFuns.count, 0);
  EXPECT_EQ(+a->pds[2]->invalid, 0);
  // A channel the segment does not have makes it invalid.
  EXPECT_EQ(+a->pds[3]->invalid, 1);
  EXPECT_EQ(+a->pds[3]->internalStandardId, 0u);  // no group

  const STRUCT_PLOT_DESCRIPTOR* unnamed = a->pds[4];
  EXPECT_STREQ(unnamed->name, "Compound 5: SIM + SIM2 + Full");
  EXPECT_STREQ(unnamed->compoundName, "Compound 5");
  EXPECT_EQ(+unnamed->scanFuns.count, 3);

  const STRUCT_PLOT_DESCRIPTOR* unknowns = a->pds[5];
  EXPECT_EQ(+unknowns->kind, PD_KIND_UNKNOWNS);
  EXPECT_STREQ(unknowns->name, "Unknowns, TIC");
  EXPECT_EQ(+unknowns->invalid, 0);

  // After a recalculation the method array is made again.
  STRUCT_ALL_PDS* all = PD_CreateAllPDs(wf_);
  ASSERT_NE(all, nullptr);
  ASSERT_NE(+all->method, nullptr);
  // The old array is marked (a freed one may come back at the same address,
  // so the address tells nothing): what comes back is made from the file.
  std::strcpy(all->method->pds[0]->name, "stale");
  PD_UpdateMethodPDsAfterRecalc(wf_, all);
  ASSERT_NE(+all->method, nullptr);
  EXPECT_EQ(+all->method->count, 6);
  EXPECT_STREQ(all->method->pds[0]->name, a->pds[0]->name);
  PD_FreeAllPDs(all);
  PD_FreePDArray(a);
}

TEST_F(MethodDescriptors, NoMethodGivesNoArray) {
  EXPECT_EQ(PD_CreateMethodPDs(wf_), nullptr);
  WriteMethod({}, true);
  STRUCT_PD_ARRAY* a = PD_CreateMethodPDs(wf_);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(+a->count, 1);  // the unknowns alone
  EXPECT_EQ(+a->pds[0]->kind, PD_KIND_UNKNOWNS);
  PD_FreePDArray(a);
}

// ---- Validity ----------------------------------------------------------------------

TEST_F(PlotDescriptors, ValidityForSegmentsAndTimes) {
  int16_t n = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf_, &n, 0);
  ASSERT_NE(info, nullptr);
  STRUCT_PLOT_DESCRIPTOR* sim = MakePD(PD_KIND_USER_PLOT, "SIM", {{"SIM", "sim 91 92", "2"}});
  STRUCT_PLOT_DESCRIPTOR* ric = MakePD(PD_KIND_USER_PLOT, "RIC");
  EXPECT_FALSE(PD_IsValidForSegment(sim, info, n, 0));
  EXPECT_TRUE(PD_IsValidForSegment(sim, info, n, 1));  // long names compare without case
  EXPECT_FALSE(PD_IsValidForSegment(ric, info, n, 1));
  struct Case {
    double time;
    bool sim, ricListed;
  } cases[] = {{3.0, false, false}, {5.0, false, false}, {7.0, true, true}, {10.0, true, true},
               {12.0, true, true},  {16.0, false, true}};
  ric->chanList = Channels({{1, 1}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time);
    // A time on the last time of a segment belongs to that segment.
    EXPECT_EQ(PD_IsValidForTime(sim, info, n, wf_, c.time) != 0, c.sim);
    EXPECT_EQ(PD_IsValidForTime(ric, info, n, wf_, c.time) != 0, c.ricListed);
  }
  wf_->sectioned = 0;
  EXPECT_TRUE(PD_IsValidForTime(sim, info, n, wf_, 3.0));
  PD_FreePD(sim);
  PD_FreePD(ric);
  FreeBlock(info);
}

TEST_F(PlotDescriptors, ValidityForAnotherDataFile) {
  STRUCT_WORK_FILE* traces = MakeSyntheticWorkFile(ThreeSegments(), 1, 10, 1000, {u"Pressure"});
  STRUCT_ALL_PDS* all = PD_CreateAllPDs(traces);
  ASSERT_NE(all, nullptr);
  all->method = MakeArray(PD_KIND_METHOD, {MakePD(PD_KIND_METHOD, "Toluene: 91", {}, PD_TYPE_IONS)});
  std::strcpy(all->method->pds[0]->compoundName, "Toluene");
  all->method->pds[0]->massList = Ion(91);

  STRUCT_PLOT_DESCRIPTOR* detector = MakePD(PD_KIND_DETECTOR, "FID", {}, PD_TYPE_DETECTOR);
  STRUCT_PLOT_DESCRIPTOR* trace = MakePD(PD_KIND_USER_TRACE, "pressure", {}, 4);
  STRUCT_PLOT_DESCRIPTOR* otherTrace = MakePD(PD_KIND_USER_TRACE, "Flow", {}, 4);
  STRUCT_PLOT_DESCRIPTOR* method = MakePD(PD_KIND_METHOD, "toluene: 91", {}, PD_TYPE_IONS);
  std::strcpy(method->compoundName, "TOLUENE");
  method->massList = Ion(91);
  STRUCT_PLOT_DESCRIPTOR* otherMass = PD_CopyPD(method);
  otherMass->massList = Ion(92);
  STRUCT_PLOT_DESCRIPTOR* listedMethod = PD_CopyPD(method);
  listedMethod->chanList = Channels({{0, 0}});
  STRUCT_PLOT_DESCRIPTOR* sim = MakePD(PD_KIND_USER_PLOT, "SIM", {{"SIM", "SIM 91 92", "2"}});
  STRUCT_PLOT_DESCRIPTOR* missing = MakePD(PD_KIND_USER_PLOT, "X", {{"X", "Not here", "2"}});
  STRUCT_PLOT_DESCRIPTOR* ions = MakePD(PD_KIND_USER_PLOT, "ions", {}, PD_TYPE_IONS);
  ions->massList = Ion(91);
  ions->chanList = Channels({{2, 2}});
  STRUCT_PLOT_DESCRIPTOR* tooFar = PD_CopyPD(ions);
  tooFar->chanList = Channels({{3, 3}});
  struct Case {
    const char* what;
    STRUCT_PLOT_DESCRIPTOR* pd;
    bool valid;
  } cases[] = {{"detector kind on an MS file", detector, false},
               {"user trace of the same name", trace, true},
               {"user trace not in the file", otherTrace, false},
               {"method compound", method, true},
               {"method compound with other ions", otherMass, false},
               {"listed method against merged", listedMethod, false},
               {"scan function present", sim, true},
               {"scan function missing", missing, false},
               {"listed channel within the file", ions, true},
               {"listed channel past the file", tooFar, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PD_Is_lpPD_ValidWith_lpWF(c.pd, traces, all) != 0, c.valid);
    PD_FreePD(c.pd);
  }
  PD_FreeAllPDs(all);
  FreeSyntheticWorkFile(traces);
}

TEST_F(PlotDescriptors, SegmentPlotsForOneChannel) {
  STRUCT_SEG_PLOTS* plots = PLOT_SEG_InitPDsForChannel(wf_, 1);
  ASSERT_NE(plots, nullptr);
  ASSERT_EQ(+plots->count, 3);
  EXPECT_EQ(+plots->entries[0].excluded, 1);  // segment 1 has one function
  EXPECT_EQ(+plots->entries[1].excluded, 0);
  EXPECT_STREQ(plots->entries[1].title, "SIM");
  EXPECT_STREQ(plots->entries[2].title, "SIM2");
  EXPECT_EQ(+plots->entries[2].chanList.entries[0].low, 1);
  FreeBlock(plots);
  plots = PLOT_SEG_InitPDForSegChan(wf_, 0, 2);
  ASSERT_NE(plots, nullptr);
  EXPECT_EQ(+plots->entries[0].excluded, 1);
  EXPECT_EQ(+plots->entries[1].excluded, 1);
  EXPECT_STREQ(plots->entries[2].title, "SIM");
  FreeBlock(plots);
}

}  // namespace
