// Tables of a method and of a processed data file, written and read back
// through the calls their callers make.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "dh_test_root.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32_batches.h"
#include "orvik32/orvik32_faults.h"

namespace {
constexpr uint16_t kId = 0x14, kAddress = 1;

STRUCT_DH_COMPOUND Compound(uint32_t number, const char* name, uint32_t rtThousandths) {
  STRUCT_DH_COMPOUND c;
  std::memset(&c, 0, sizeof c);
  c.compoundNumber = number;
  std::snprintf(c.name, sizeof c.name, "%s", name);
  c.retentionTime = rtThousandths;
  c.massList.kind = 4;
  c.massList.count = 1;
  c.massList.ranges[0] = {0, 91.0, 91.0};
  c.internalStandard = -1;
  return c;
}
}  // namespace

using DhTables = DhRootTest;

TEST_F(DhTables, GlobalTableRoundTripAndClosedBySectionStore) {
  STRUCT_DH_GLOBAL_PARAMS g;
  ASSERT_TRUE(InitGlobalParams(&g));
  g.quant.calculationType = 3;
  g.massList.kind = 4;
  g.massList.count = 1;
  g.massList.ranges[0] = {0, 50.0, 550.0};
  HDHTABLE t = CreateGlobalTable(file_, kId, kAddress, "1");
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(WriteGlobalTable(t, &g));
  EXPECT_TRUE(CloseSection(t));

  EXPECT_EQ(OpenGlobalTable(file_, kId, kAddress, "2"), nullptr);  // another tag
  HDHTABLE r = OpenGlobalTable(file_, kId, kAddress, "1");
  ASSERT_NE(r, nullptr);
  STRUCT_DH_GLOBAL_PARAMS back;
  ASSERT_TRUE(ReadGlobalTable(r, &back));
  EXPECT_EQ(std::memcmp(&g, &back, sizeof g), 0);
  EXPECT_FALSE(WriteGlobalTable(r, &g));  // opened for reading
  EXPECT_TRUE(CloseSection(r));
  EXPECT_FALSE(ReadGlobalTable(r, &back));  // closed handle is refused, not used
}

TEST_F(DhTables, CompoundRecordSetsReadUpdateAndRefuseOutOfRange) {
  HDHTABLE t = CreateCompoundTable(file_, kId, kAddress, "1");
  ASSERT_NE(t, nullptr);
  for (uint32_t i = 0; i < 3; ++i) {
    STRUCT_DH_COMPOUND c = Compound(100 + i, "Toluene", 5000 + 1000 * i);
    ASSERT_TRUE(AppendDHRecord(t, &c));
  }
  FreeDHRecordSet(t);

  HDHTABLE set = OpenDHRecordSetForUpdate(file_, kId, kAddress, "1");
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(CountDHRecords(set), 3);
  STRUCT_DH_COMPOUND c;
  ASSERT_TRUE(GetDHRecord(set, 1, &c));
  EXPECT_EQ(+c.compoundNumber, 101u);
  c.coefficients[0] = 2.5f;
  ASSERT_TRUE(PutDHRecord(set, 1, &c));
  EXPECT_FALSE(PutDHRecord(set, 5, &c));  // no gaps
  EXPECT_FALSE(GetDHRecord(set, 3, &c));
  EXPECT_FALSE(GetDHRecord(set, -1, &c));
  FreeDHRecordSet(set);

  HDHTABLE read = OpenCompoundTable(file_, kId, kAddress, "1");
  ASSERT_NE(read, nullptr);
  ASSERT_TRUE(GetDHRecord(read, 1, &c));
  EXPECT_EQ(+c.coefficients[0], 2.5f);
  EXPECT_STREQ(c.name, "Toluene");
  EXPECT_FALSE(PutDHRecord(read, 0, &c));
  EXPECT_TRUE(CloseSection(read));
}

// Several records in one write: replacing and appending past the end at
// once; a range starting past the end, a bad count or a read-only table
// writes nothing.
TEST_F(DhTables, SeveralRecordsPutInOneWrite) {
  HDHTABLE t = CreateCompoundTable(file_, kId, kAddress, "1");
  ASSERT_NE(t, nullptr);
  for (uint32_t i = 0; i < 2; ++i) {
    STRUCT_DH_COMPOUND c = Compound(100 + i, "Toluene", 5000 + 1000 * i);
    ASSERT_TRUE(AppendDHRecord(t, &c));
  }
  std::vector<STRUCT_DH_COMPOUND> three = {Compound(201, "Xylene", 7000), Compound(202, "Styrene", 8000),
                                           Compound(203, "Cumene", 9000)};
  ASSERT_TRUE(PutDHRecords(t, 1, 3, three.data()));
  EXPECT_FALSE(PutDHRecords(t, 5, 1, three.data()));
  EXPECT_FALSE(PutDHRecords(t, 0, 0, three.data()));
  EXPECT_FALSE(PutDHRecords(t, 0, 1, nullptr));
  FreeDHRecordSet(t);

  HDHTABLE read = OpenCompoundTable(file_, kId, kAddress, "1");
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(CountDHRecords(read), 4);
  STRUCT_DH_COMPOUND c;
  const uint32_t numbers[] = {100, 201, 202, 203};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(GetDHRecord(read, i, &c));
    EXPECT_EQ(+c.compoundNumber, numbers[i]);
  }
  EXPECT_FALSE(PutDHRecords(read, 0, 1, three.data()));
  FreeDHRecordSet(read);
}

// Records put back as the table holds them change nothing and store
// nothing: with every store write failing they still succeed, while a
// changed record, a grown table and a read-only table still fail.
TEST_F(DhTables, RecordsPutBackUnchangedAreNotStoredAgain) {
  const std::vector<STRUCT_DH_COMPOUND> two = {Compound(1, "A", 1000), Compound(2, "B", 2000)};
  ASSERT_TRUE(ReplaceDHTable(file_, "Generic", sizeof two[0], two.data(), 2));
  HDHTABLE t = OpenDHTableSection(file_, "Generic", sizeof two[0], TRUE);
  ASSERT_NE(t, nullptr);
  FailSectionWrites(0, -1);
  EXPECT_TRUE(PutDHRecords(t, 0, 2, two.data()));
  EXPECT_TRUE(PutDHRecord(t, 1, &two[1]));
  STRUCT_DH_COMPOUND moved = two[1];
  moved.retentionTime = 2500;
  EXPECT_FALSE(PutDHRecord(t, 1, &moved));
  EXPECT_FALSE(AppendDHRecord(t, &two[0]));
  FailSectionWrites(-1, 0);
  STRUCT_DH_COMPOUND c;
  ASSERT_TRUE(GetDHRecord(t, 1, &c));  // the failed write left the handle as it was
  EXPECT_EQ(+c.retentionTime, 2000u);
  EXPECT_EQ(CountDHRecords(t), 2);
  FreeDHRecordSet(t);
  HDHTABLE read = OpenDHTableSection(file_, "Generic", sizeof two[0], FALSE);
  ASSERT_NE(read, nullptr);
  EXPECT_FALSE(PutDHRecord(read, 0, &two[0]));
  FreeDHRecordSet(read);
}

TEST_F(DhTables, WrongRecordSizeAndDamagedSectionsAreRefused) {
  char name[64];
  ASSERT_TRUE(BuildDHSectionName(name, "PeakTable", kId, kAddress, "1"));
  // An older record size of the same table.
  HDHTABLE old = CreateDHTable(file_, name, 4000);
  std::vector<uint8_t> rec(4000, 7);
  ASSERT_TRUE(AppendDHRecord(old, rec.data()));
  FreeDHRecordSet(old);
  EXPECT_EQ(OpenCompoundTable(file_, kId, kAddress, "1"), nullptr);
  HDHTABLE own = OpenDHTableSection(file_, name, 4000, FALSE);  // its own size still reads
  EXPECT_NE(own, nullptr);
  FreeDHRecordSet(own);

  // Read the stored bytes and damage them in three ways.
  HSECTION s = OpenSectionReadOnly(file_, name, nullptr);
  std::vector<uint8_t> bytes(GetSectionSize(s));
  ASSERT_EQ(ReadSection(s, bytes.data(), uint32_t(bytes.size())), bytes.size());
  CloseSection(s);
  std::vector<std::vector<uint8_t>> damaged = {
      std::vector<uint8_t>(bytes.begin(), bytes.end() - 1),  // cut short
      bytes, bytes, {}};
  damaged[1][100] ^= 0xFF;  // a flipped record byte
  damaged[2][0] = 'X';      // not a table
  for (const auto& d : damaged) {
    PutRaw(name, d.data(), uint32_t(d.size()));
    EXPECT_EQ(OpenDHTableSection(file_, name, 4000, FALSE), nullptr);
  }
  EXPECT_EQ(OpenGlobalTable("C:\\TEMP\\missing.mth", kId, kAddress, "1"), nullptr);
  EXPECT_EQ(OpenCompoundTable(nullptr, kId, kAddress, "1"), nullptr);
}

TEST_F(DhTables, BadHandlesGetFailureValues) {
  int notAHandle = 0;
  STRUCT_DH_COMPOUND c;
  EXPECT_EQ(CountDHRecords(nullptr), -1);
  EXPECT_EQ(CountDHRecords(&notAHandle), -1);
  EXPECT_FALSE(GetDHRecord(&notAHandle, 0, &c));
  EXPECT_EQ(CountDHTableRows(nullptr), -1);
  EXPECT_EQ(CountDHEvents(&notAHandle), -1);
  EXPECT_EQ(CountDHLogEntries(&notAHandle), -1);
  FreeDHRecordSet(&notAHandle);  // ignored
  CloseRecalcList(nullptr);
}

TEST_F(DhTables, CalibrationLogRows) {
  HDHTABLE t = CreateCalibrationLog(file_, kId, kAddress, "1");
  ASSERT_NE(t, nullptr);
  DH_CALIBRATION_LOG_ROW row{};
  for (int i = 0; i < 2; ++i) {
    row.sampleKey = 1700000000 + i;
    row.recalcTime = 1700003600 + i;
    std::snprintf(row.path, sizeof row.path, "C:\\DATA\\CAL%d.KMS", i + 1);
    ASSERT_TRUE(AppendDHRecord(t, &row));
  }
  CloseSection(t);
  HDHTABLE log = OpenDHTable(file_, kId, kAddress, "1");
  ASSERT_NE(log, nullptr);
  ASSERT_EQ(CountDHTableRows(log), 2);
  DH_CALIBRATION_LOG_ROW back;
  ASSERT_TRUE(GetDHTableRow(log, 1, &back, 1));
  EXPECT_EQ(+back.recalcTime, 1700003601);
  EXPECT_STREQ(back.path, "C:\\DATA\\CAL2.KMS");
  EXPECT_FALSE(GetDHTableRow(log, 2, &back, 1));
  EXPECT_FALSE(GetDHTableRow(log, 1, &back, 2));
  CloseSection(log);
}

TEST_F(DhTables, InjectionErrorAndRevisionRecords) {
  STRUCT_DH_INJECTION_RECORD inj{};
  inj.injectionTime = 1700000000;
  std::snprintf(inj.methodPath, sizeof inj.methodPath, "C:\\METHODS\\VOC.MTH");
  std::snprintf(inj.description, sizeof inj.description, "Spiked water sample");
  EXPECT_EQ(OpenDHRecord(file_), nullptr);
  ASSERT_TRUE(WriteDHInjectionRecord(file_, &inj));
  for (HDHTABLE (*open)(const char*) : {OpenDHRecord, OpenDataFileDHRecord, OpenDHDescriptionRecord}) {
    HDHTABLE h = open(file_);
    ASSERT_NE(h, nullptr);
    char buffer[sizeof inj];
    ASSERT_TRUE(ReadDHRecord(h, buffer));
    EXPECT_STREQ(buffer + 415, "C:\\METHODS\\VOC.MTH");
    CloseSection(h);
  }

  STRUCT_DH_ERROR_LOG errors{};
  errors.lists[0].count = 1;
  errors.lists[0].ids[0] = 2;
  errors.lists[2].count = 2;
  errors.lists[2].ids[0] = 25;
  errors.lists[2].ids[1] = 46;
  ASSERT_TRUE(WriteDHErrorRecord(file_, kId, kAddress, "1", &errors));
  HDHTABLE e = OpenDHErrorLog(file_, kId, kAddress, "1");
  ASSERT_NE(e, nullptr);
  STRUCT_DH_ERROR_LOG back;
  ASSERT_TRUE(GetDHLogEntry(e, &back));
  EXPECT_EQ(std::memcmp(&back, &errors, sizeof back), 0);
  CloseSection(e);
  errors.lists[1].count = 51;  // more ids than the list holds
  EXPECT_FALSE(WriteDHErrorRecord(file_, kId, kAddress, "1", &errors));

  EXPECT_EQ(OpenDHLog(file_, kId, kAddress, "1"), nullptr);
  ASSERT_TRUE(AppendDHLogText(file_, "Method created."));
  ASSERT_TRUE(AppendDHLogText(file_, "Compound 2 window widened."));
  HDHTABLE log = OpenDHLog(file_, kId, kAddress, "1");
  ASSERT_NE(log, nullptr);
  const std::string expected = "Method created.\nCompound 2 window widened.\n";
  ASSERT_EQ(CountDHLogEntries(log), int32_t(expected.size()));
  std::string text(expected.size(), '\0');
  ASSERT_TRUE(ReadDHLogText(log, text.data(), int32_t(text.size())));
  EXPECT_EQ(text, expected);
  char big[200];
  EXPECT_FALSE(ReadDHLogText(log, big, sizeof big));  // more than the log holds
  CloseSection(log);
}

TEST_F(DhTables, RecalculationListAndProcessingLog) {
  HDHTABLE list = CreateRecalcList(file_);
  DH_RECALC_LIST_ENTRY entry{};
  for (int i = 0; i < 3; ++i) {
    entry.excluded = i == 1;
    std::snprintf(entry.path, sizeof entry.path, "C:\\DATA\\RUN%d.KMS", i + 1);
    ASSERT_TRUE(AppendDHRecord(list, &entry));
  }
  CloseRecalcList(list);
  list = OpenRecalcList(file_);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(CountRecalcEntries(list), 3);
  ASSERT_TRUE(GetRecalcEntry(list, 1, &entry));
  EXPECT_EQ(+entry.excluded, 1);
  EXPECT_STREQ(entry.path, "C:\\DATA\\RUN2.KMS");
  EXPECT_FALSE(GetRecalcEntry(list, 3, &entry));
  CloseRecalcList(list);

  HDHTABLE recalc = CreateRecalcLog(file_, kId, kAddress, "1");
  STRUCT_RECALC_ENTRY r{};
  ASSERT_TRUE(GetDHLibraryTexts(r.libraryDescription, r.libraryVersion));
  r.sequence = 0;
  ASSERT_TRUE(AppendDHRecord(recalc, &r));
  CloseSection(recalc);
  recalc = OpenRecalcLog(file_, kId, kAddress, "1");
  ASSERT_EQ(CountDHRecords(recalc), 1);
  ASSERT_TRUE(GetDHRecord(recalc, 0, &r));
  EXPECT_GT(std::strlen(r.libraryDescription), 0u);
  CloseSection(recalc);
}

TEST_F(DhTables, ReportFormatReadAndDefaults) {
  char name[64];
  ASSERT_TRUE(BuildDHSectionName(name, "MSReportFormat2", 0x14, 1, "1"));
  STRUCT_REPORT_FORMAT f;
  EXPECT_FALSE(ReadReportFormat(file_, name, &f));
  ASSERT_TRUE(ResetReportFormat(&f));
  EXPECT_EQ(+f.summaryReport, 1);
  EXPECT_GT(+f.sampleColumns.count, 0);
  f.chartReport = 1;
  f.groupKey = 3;
  ASSERT_TRUE(WriteReportFormat(file_, name, &f));
  STRUCT_REPORT_FORMAT back;
  ASSERT_TRUE(ReadReportFormat(file_, name, &back));
  EXPECT_EQ(std::memcmp(&f, &back, sizeof f), 0);
  EXPECT_FALSE(ResetReportFormat(nullptr));
}

TEST_F(DhTables, ScaleFactorsAndSectionListing) {
  float factor = 1.0f;
  EXPECT_FALSE(GetDataScaleFactor(file_, 3, &factor));
  EXPECT_EQ(factor, 1.0f);
  ASSERT_TRUE(SetDataScaleFactor(file_, 3, 0.25f));
  ASSERT_TRUE(SetDataScaleFactor(file_, 4, 2.0f));
  ASSERT_TRUE(SetDataScaleFactor(file_, 3, 0.5f));  // replaces
  EXPECT_FALSE(SetDataScaleFactor(file_, 5, 0.0f));
  ASSERT_TRUE(GetDataScaleFactor(file_, 3, &factor));
  EXPECT_EQ(factor, 0.5f);
  EXPECT_FALSE(GetDataScaleFactor(file_, 9, &factor));

  HDHTABLE t = CreateGlobalTable(file_, kId, kAddress, "1");
  CloseSection(t);
  char* names = ListSectionNames(file_, nullptr);
  ASSERT_NE(names, nullptr);
  std::vector<std::string> listed;
  for (char* n = names; *n; n += 32) listed.emplace_back(n);
  FreeBlock(names);
  EXPECT_EQ(listed, (std::vector<std::string>{"DataScaleFactors", "GlobalParams.0014.0001.1"}));
  names = ListSectionNames(file_, "Global");
  ASSERT_NE(names, nullptr);
  EXPECT_STREQ(names, "GlobalParams.0014.0001.1");
  EXPECT_STREQ(names + 32, "");
  FreeBlock(names);
  EXPECT_EQ(ListSectionNames("C:\\TEMP\\none.mth", nullptr), nullptr);
}

// A rewrite is whole or not at all, alone or inside the caller's batch,
// and leaves no scratch section behind.
TEST_F(DhTables, RewritesAreWholeOrNothingAloneAndInABatch) {
  auto log = [&] {
    HSECTION s = OpenSectionReadOnly(file_, "RevisionLog", nullptr);
    if (!s) return std::string("<missing>");
    std::string out(GetSectionSize(s), '\0');
    if (!out.empty()) ReadSection(s, out.data(), uint32_t(out.size()));
    CloseSection(s);
    return out;
  };
  ASSERT_TRUE(AppendDHLogText(file_, "one"));
  FailSectionWrites(0, 1);
  EXPECT_FALSE(AppendDHLogText(file_, "two"));
  FailSectionWrites(-1, 0);
  EXPECT_EQ(log(), "one\n");
  ASSERT_TRUE(AppendDHLogText(file_, "three"));
  EXPECT_EQ(log(), "one\nthree\n");

  ASSERT_TRUE(BeginSectionBatch(file_));
  ASSERT_TRUE(AppendDHLogText(file_, "four"));
  ASSERT_TRUE(AppendDHLogText(file_, "five"));
  EXPECT_EQ(log(), "one\nthree\nfour\nfive\n");  // seen inside the batch
  AbortSectionBatch(file_);
  EXPECT_EQ(log(), "one\nthree\n");
  ASSERT_TRUE(BeginSectionBatch(file_));
  ASSERT_TRUE(AppendDHLogText(file_, "six"));
  ASSERT_TRUE(CommitSectionBatch(file_));
  EXPECT_EQ(log(), "one\nthree\nsix\n");
  EXPECT_FALSE(SectionExists(file_, "RevisionLog~w"));
}

namespace {

DH_QUANT_BLOCK Block(int16_t mark) {
  DH_QUANT_BLOCK b;
  std::memset(&b, 0, sizeof b);
  b.responseBasis = 1;
  b.calculationType = 3;
  b.reportNotFound = mark;
  return b;
}

// The quantitation block's mark, -1 when it cannot be read.
int ReadMark(const char* file) {
  DH_QUANT_BLOCK b;
  return ReadDataMethod(file, kId, kAddress, "1", &b) ? b.reportNotFound : -1;
}

}  // namespace

// A one-record section is rewritten in one commit: whichever write of the
// store fails, the old record or the new one reads back, never an empty table.
TEST_F(DhTables, OneRecordRewritesAreOneCommit) {
  const DH_QUANT_BLOCK a = Block(11), b = Block(22);
  for (int failAt = 0; failAt < 3; ++failAt) {
    ASSERT_TRUE(WriteDataMethod(file_, kId, kAddress, "1", &a));
    FailSectionWrites(failAt, -1);
    const bool written = WriteDataMethod(file_, kId, kAddress, "1", &b) != FALSE;
    FailSectionWrites(-1, 0);
    EXPECT_EQ(ReadMark(file_), written ? 22 : 11) << "failing from write " << failAt;
  }
  // A whole table replaced in one commit, the same way.
  const STRUCT_DH_COMPOUND three[3] = {Compound(1, "A", 1000), Compound(2, "B", 2000), Compound(3, "C", 3000)};
  ASSERT_TRUE(ReplaceDHTable(file_, "Generic", sizeof three[0], three, 3));
  FailSectionWrites(0, 1);
  EXPECT_FALSE(ReplaceDHTable(file_, "Generic", sizeof three[0], three, 1));
  FailSectionWrites(-1, 0);
  HDHTABLE t = OpenDHTableSection(file_, "Generic", sizeof three[0], FALSE);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(CountDHRecords(t), 3);
  FreeDHRecordSet(t);
  EXPECT_FALSE(ReplaceDHTable(file_, "Generic", sizeof three[0], nullptr, 2));
  EXPECT_FALSE(ReplaceDHTable(file_, "Generic", sizeof three[0], three, -1));
}

// A writer killed at any moment leaves the old block or the new one.
TEST_F(DhTables, KilledWriterLeavesTheQuantitationBlock) {
  const DH_QUANT_BLOCK a = Block(11), b = Block(22);
  ASSERT_TRUE(WriteDataMethod(file_, kId, kAddress, "1", &a));
  for (int round = 0; round < 8; ++round) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (unsigned i = 0;; ++i) WriteDataMethod(file_, kId, kAddress, "1", i % 2 ? &a : &b);
    }
    usleep(useconds_t(20000 + 7000 * round));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    const int mark = ReadMark(file_);
    EXPECT_TRUE(mark == 11 || mark == 22) << "round " << round << ": " << mark;
  }
}
