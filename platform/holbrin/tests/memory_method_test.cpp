// A one-compound method handed to the engine from memory integrates as the
// same method in a file does, and a held file's results read back once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/dh_engine.h"
#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"
#include "win/win_kernel.h"

namespace {

struct Read {
  std::vector<STRUCT_DH_RESULT> results;
  std::vector<DH_POINT> points;
  std::vector<DH_BOUNDARY> boundaries;
  DH_RESULT_HEADER header{};
  STRUCT_DH_ERROR_LOG log{};
  float scale = 0;
};

template <class T>
std::vector<T> Every(HDHTABLE h) {
  std::vector<T> out;
  for (int32_t i = 0; h && i < CountDHRecords(h); ++i) {
    T x;
    if (GetDHRecord(h, i, &x)) out.push_back(x);
  }
  if (h) FreeDHRecordSet(h);
  return out;
}

Read ReadBack(const char* path, uint16_t id, uint16_t address) {
  Read r;
  r.results = Every<STRUCT_DH_RESULT>(OpenDHResultTable(path, id, address, "1"));
  r.points = Every<DH_POINT>(OpenDHPointTable(path, id, address, "1"));
  r.boundaries = Every<DH_BOUNDARY>(OpenDHBoundaryTable(path, id, address, "1"));
  ReadDHResultHeader(path, id, address, "1", &r.header);
  r.header.timeStamp = 0;  // the clock's
  GetDHIntensityScale(path, id, address, "1", &r.scale);
  if (HDHTABLE h = OpenDHErrorRecord(path, id, address, "1")) {
    GetDHLogEntry(h, &r.log);
    CloseSection(h);
  }
  return r;
}

template <class T>
bool SameBytes(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Two files' results, points, boundaries, header, log and scale, byte for byte.
void ExpectSameResults(const Read& x, const Read& y) {
  EXPECT_TRUE(SameBytes(x.results, y.results));
  EXPECT_TRUE(SameBytes(x.points, y.points));
  EXPECT_TRUE(SameBytes(x.boundaries, y.boundaries));
  EXPECT_EQ(std::memcmp(&x.header, &y.header, sizeof x.header), 0);
  EXPECT_EQ(std::memcmp(&x.log, &y.log, sizeof x.log), 0);
  EXPECT_EQ(x.scale, y.scale);
}

class MemoryMethodTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    CreateDirectoryA("C:\\TEMP", nullptr);
    msfix::DHPlan plan;
    plan.run.seed = 7;
    plan.run.compounds = 4;
    ASSERT_TRUE(msfix::WriteProcessedDataFile(data_, method_, plan, &truth_));
    id_ = truth_.moduleId, address_ = truth_.moduleAddress;
    compounds_ = Every<STRUCT_DH_COMPOUND>(OpenCompoundTable(method_, id_, address_, "1"));
    ASSERT_GE(compounds_.size(), 2u);
    HDHTABLE g = OpenGlobalTable(method_, id_, address_, "1");
    ASSERT_TRUE(g && ReadGlobalTable(g, &global_));
    FreeDHRecordSet(g);
  }

  // A fresh copy of the data file for one engine run.
  std::string Working(const char* name) {
    const std::string path = std::string("C:\\TEMP\\") + name + ".kms";
    EXPECT_TRUE(CopyFileA(data_, path.c_str(), FALSE));
    return path;
  }

  // The one-compound method written to a file: the compound, the time
  // events, and for the global table that of tablesFrom where it has one,
  // else global (none: an empty table).
  void WriteMethodFile(const char* path, const char* tablesFrom, const STRUCT_DH_GLOBAL_PARAMS* global,
                       const STRUCT_DH_COMPOUND& c, const std::vector<DH_TIME_EVENT>& events) {
    ASSERT_TRUE(PrepareDHFile(path));
    HDHTABLE t = CreateCompoundTable(path, id_, address_, "1");
    ASSERT_TRUE(t && PutDHRecord(t, 0, &c));
    FreeDHRecordSet(t);
    t = CreateGlobalTable(path, id_, address_, "1");
    ASSERT_TRUE(t);
    if (global) { ASSERT_TRUE(WriteGlobalTable(t, global)); }
    FreeDHRecordSet(t);
    char name[64];
    ASSERT_TRUE(BuildDHSectionName(name, "GlobalParams", id_, address_, "1"));
    if (tablesFrom && SectionExists(tablesFrom, name)) { ASSERT_TRUE(CopySection(tablesFrom, name, path, name)); }
    HSECTION s = CreateDHSection(path, id_, address_, "1");
    ASSERT_TRUE(s);
    if (!events.empty()) { ASSERT_TRUE(WriteDHItem(s, 0, events.data(), int16_t(events.size()))); }
    ASSERT_TRUE(CloseSection(s));
  }

  const char* data_ = "C:\\TEMP\\memory.kms";
  const char* method_ = "C:\\TEMP\\memory.mth";
  msfix::DHTruth truth_;
  uint16_t id_ = 0, address_ = 0;
  std::vector<STRUCT_DH_COMPOUND> compounds_;
  STRUCT_DH_GLOBAL_PARAMS global_{};
};

// Where the global record comes from (the method's table, the record handed
// in, the defaults, a damaged table) and with or without time events, the
// engine leaves the same results from memory as from the file.
TEST_F(MemoryMethodTest, IntegratesAsTheSameMethodInAFile) {
  const char* damaged = "C:\\TEMP\\damaged.mth";
  ASSERT_TRUE(PrepareDHFile(damaged));
  char globalName[64];
  ASSERT_TRUE(BuildDHSectionName(globalName, "GlobalParams", id_, address_, "1"));
  {
    HSECTION s = CreateSection(damaged, globalName, nullptr);
    ASSERT_TRUE(s);
    const char junk[] = "DHT1 not a table";
    WriteSection(s, junk, sizeof junk);
    ASSERT_TRUE(CloseSection(s));
  }
  STRUCT_DH_GLOBAL_PARAMS wide = global_;
  wide.peakWidthTenths = 60;  // differs from the method's, so the source shows
  const STRUCT_DH_COMPOUND& c = compounds_[1];
  const int32_t rt = int32_t(c.retentionTime) * 10;
  // Out of time order on purpose: the engine takes them as given.
  const std::vector<DH_TIME_EVENT> events = {{rt + 2000, 12, 50}, {rt - 3000, 1, rt - 1500}, {10, 0, 6}};
  struct Case {
    const char* name;
    const char* tablesFrom;
    const STRUCT_DH_GLOBAL_PARAMS* global;
    std::vector<DH_TIME_EVENT> events;
    int32_t ran;
  };
  const Case cases[] = {
      {"method's table", method_, &wide, events, 1},
      {"record handed in", nullptr, &wide, events, 1},
      {"defaults", nullptr, nullptr, events, 1},
      {"no events", method_, &wide, {}, 1},
      {"damaged table", damaged, &wide, events, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const char* file = "C:\\TEMP\\one.mth";
    DeleteFileA(file);
    WriteMethodFile(file, k.tablesFrom, k.global, c, k.events);
    const std::string a = Working("fromfile"), b = Working("frommemory");
    EXPECT_EQ(RunDataHandling(nullptr, nullptr, file, a.c_str(), nullptr, "1", 0, 0, 0, 1, "TestDH", "TestDH",
                              "TestDH", "TestDH"),
              k.ran);
    const char* unwritten = "C:\\TEMP\\unwritten.mth";
    void* m = BeginDHMethodInMemory(unwritten, k.tablesFrom, id_, address_, "1", k.global, &c, k.events.data(),
                                    int32_t(k.events.size()));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(RunDataHandling(nullptr, nullptr, unwritten, b.c_str(), nullptr, "1", 0, 0, 0, 1, "TestDH", "TestDH",
                              "TestDH", "TestDH"),
              k.ran);
    EndDHMethodInMemory(m);
    const Read x = ReadBack(a.c_str(), id_, address_), y = ReadBack(b.c_str(), id_, address_);
    if (k.ran) { EXPECT_FALSE(x.results.empty()); }
    ExpectSameResults(x, y);
  }
  // Once ended, the path is a file name again, of no file: the engine
  // integrates the whole chromatogram, no compound.
  const std::string w = Working("ended");
  EXPECT_EQ(RunDataHandling(nullptr, nullptr, "C:\\TEMP\\unwritten.mth", w.c_str(), nullptr, "1", 0, 0, 0, 1,
                            "TestDH", "TestDH", "TestDH", "TestDH"),
            1);
  const Read whole = ReadBack(w.c_str(), id_, address_);
  EXPECT_FALSE(whole.results.empty());
  for (const STRUCT_DH_RESULT& r : whole.results) EXPECT_EQ(r.compound, -1);
}

// While a file is held its results are read once: a change made behind the
// library's back meanwhile is not seen until the hold ends, and the
// engine's own run on the file is seen at once.
TEST_F(MemoryMethodTest, HeldResultsAreReadOnceAndDroppedByTheEngine) {
  const std::string w = Working("held");
  ASSERT_EQ(RunDataHandling(nullptr, nullptr, method_, w.c_str(), nullptr, "1", 0, 0, 0, 0, "TestDH", "TestDH",
                            "TestDH", "TestDH"),
            1);
  const Read before = ReadBack(w.c_str(), id_, address_);
  ASSERT_FALSE(before.results.empty());
  char name[64];
  ASSERT_TRUE(BuildDHSectionName(name, "EngineResults", id_, address_, "1"));
  void* hold = BeginDHResultReads(w.c_str());
  ASSERT_NE(hold, nullptr);
  EXPECT_TRUE(SameBytes(ReadBack(w.c_str(), id_, address_).results, before.results));
  ASSERT_TRUE(DeleteSection(w.c_str(), name));
  EXPECT_TRUE(SameBytes(ReadBack(w.c_str(), id_, address_).results, before.results));  // kept
  // The engine integrating one compound only writes the file again.
  const char* one = "C:\\TEMP\\held.mth";
  WriteMethodFile(one, method_, &global_, compounds_[0], {});
  ASSERT_EQ(RunDataHandling(nullptr, nullptr, one, w.c_str(), nullptr, "1", 0, 0, 0, 1, "TestDH", "TestDH",
                            "TestDH", "TestDH"),
            1);
  const Read after = ReadBack(w.c_str(), id_, address_);
  EXPECT_LT(after.results.size(), before.results.size());
  ASSERT_TRUE(DeleteSection(w.c_str(), name));
  EXPECT_TRUE(SameBytes(ReadBack(w.c_str(), id_, address_).results, after.results));  // kept again
  EndDHResultReads(hold);
  EXPECT_TRUE(ReadBack(w.c_str(), id_, address_).results.empty());
}

}  // namespace

// A working file that reads its MS data in place from the data file leaves
// the same results as a whole copy of the data file, with the method from
// a file or from memory; the working file needs no data of its own, and
// without the data in place it integrates nothing.
TEST_F(MemoryMethodTest, DataReadInPlaceIntegratesAsAWholeCopy) {
  const STRUCT_DH_COMPOUND& c = compounds_[0];
  const std::vector<DH_TIME_EVENT> none;
  for (bool fromMemory : {false, true}) {
    SCOPED_TRACE(fromMemory ? "method from memory" : "method file");
    const char* file = "C:\\TEMP\\inplace.mth";
    DeleteFileA(file);
    void* m = nullptr;
    if (fromMemory) {
      m = BeginDHMethodInMemory(file, method_, id_, address_, "1", nullptr, &c, nullptr, 0);
      ASSERT_NE(m, nullptr);
    } else {
      WriteMethodFile(file, method_, nullptr, c, none);
    }
    const std::string copy = Working("wholecopy");
    const char* bare = "C:\\TEMP\\bare.kms";
    DeleteFileA(bare);
    ASSERT_TRUE(PrepareDHFile(bare));
    EXPECT_EQ(RunDataHandling(nullptr, nullptr, file, bare, nullptr, "1", 0, 0, 0, 1, "TestDH", "TestDH", "TestDH",
                              "TestDH"),
              0);
    void* inPlace = BeginDHDataInPlace("c:\\temp\\BARE.kms", data_);  // any case
    ASSERT_NE(inPlace, nullptr);
    EXPECT_EQ(RunDataHandling(nullptr, nullptr, file, copy.c_str(), nullptr, "1", 0, 0, 0, 1, "TestDH", "TestDH",
                              "TestDH", "TestDH"),
              1);
    EXPECT_EQ(RunDataHandling(nullptr, nullptr, file, bare, nullptr, "1", 0, 0, 0, 1, "TestDH", "TestDH", "TestDH",
                              "TestDH"),
              1);
    EndDHDataInPlace(inPlace);
    if (m) EndDHMethodInMemory(m);
    EXPECT_FALSE(SectionExists(bare, "MSData"));
    const Read x = ReadBack(copy.c_str(), id_, address_), y = ReadBack(bare, id_, address_);
    EXPECT_FALSE(x.results.empty());
    ExpectSameResults(x, y);
  }
  EXPECT_EQ(BeginDHDataInPlace(nullptr, data_), nullptr);
  EXPECT_EQ(BeginDHDataInPlace("C:\\TEMP\\bare.kms", ""), nullptr);
}
