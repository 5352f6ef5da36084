// Validation data: checksums, merging an update's records into the
// workstation's file, and the history of each merge.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "orvik32.h"
#include "setup_run_fixture.h"
#include "validation.h"

namespace setup {
namespace {

std::string ValHead(const std::string& description) {
  std::string head(93, '\0');
  std::memcpy(&head[0], description.data(), std::min<size_t>(description.size(), 80));
  std::memcpy(&head[80], "keep these 13", 13);
  return head;
}

std::string ValRec(const std::string& name, uint32_t size, uint32_t sum, char tag = 'w') {
  ValRecord r{};
  std::memcpy(r.name, name.data(), std::min<size_t>(name.size(), 80));
  r.size = size;
  r.checksum = sum;
  std::memset(r.extra, tag, 6);
  return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

class ValidationTest : public InstallRunTest {
 protected:
  uint32_t Sum(const std::string& rel, uint32_t* size) {
    std::string win = "C:\\" + rel.substr(2);
    for (char& c : win)
      if (c == '/') c = '\\';
    return ComputeFileChecksum(win, size);
  }
  // Workstation with a.dll (as recorded), b.dll (already the update's),
  // c.dll (neither); the update records a, b, c and the new d.dll.
  void MakeFiles() {
    WriteHostFile("c/Workstation/a.dll", "aaaa-installed");
    WriteHostFile("c/Workstation/b.dll", "bbbb-new");
    WriteHostFile("c/Workstation/c.dll", "cccc-edited by hand");
    WriteHostFile("c/Workstation/d.dll", "dddd");
    uint32_t sa, sb, sd;
    const uint32_t ca = Sum("c/Workstation/a.dll", &sa), cb = Sum("c/Workstation/b.dll", &sb),
                   cd = Sum("c/Workstation/d.dll", &sd);
    workstation_ = ValHead("Zeph 6.2 release") + ValRec("a.dll", sa, ca) + ValRec("B.DLL", 7, 0x1234) +
                   ValRec("c.dll", 9, 0x9999);
    WriteHostFile("c/Workstation/ZEPH.VAL", workstation_);
    updateB_ = ValRec("b.dll", sb, cb, 'u');
    update_ = ValHead("Service pack 3\r\nfor Zeph") + ValRec("a.dll", 1, 2, 'u') + updateB_ +
              ValRec("c.dll", 3, 4, 'u') + ValRec("d.dll", sd, cd, 'u');
    WriteHostFile("d/PATCH/sp3.val", update_);
  }
  std::string workstation_, update_, updateB_;
};

TEST_F(ValidationTest, ChecksumsOfWorkedExamples) {
  WriteHostFile("c/five.bin", std::string("\x01\x02\x03\x04\x05", 5));
  WriteHostFile("c/empty.bin", "");
  uint32_t size = 99;
  EXPECT_EQ(ComputeFileChecksum("C:\\five.bin", &size), 0x04030204u);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(ComputeFileChecksum("C:\\empty.bin", &size), 0u);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(ComputeFileChecksum("C:\\none.bin", &size), 0u);
  std::string big(10001, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  WriteHostFile("c/big.bin", big);
  uint32_t expect = 0;
  for (size_t i = 0; i < big.size(); i += 4) {
    uint32_t w = 0;
    for (size_t k = 0; k < 4 && i + k < big.size(); ++k) w |= uint32_t(uint8_t(big[i + k])) << (8 * k);
    expect ^= w;
  }
  EXPECT_EQ(ComputeFileChecksum("C:\\big.bin", &size), expect);
  EXPECT_EQ(size, 10001u);
}

TEST_F(ValidationTest, OlderWorkstationsMergeIntoTheFileAndItsHistoryFile) {
  MakeFiles();
  ASSERT_EQ(MergeValidationStreams("C:\\Workstation\\ZEPH.VAL", "D:\\PATCH\\sp3.val", ""), 4);
  const std::string after = ReadHostFile("c/Workstation/ZEPH.VAL");
  // a kept, b replaced by the update's record, c kept, d added.
  EXPECT_EQ(after, workstation_.substr(0, 93 + 94) + updateB_ + workstation_.substr(93 + 2 * 94, 94) +
                       update_.substr(93 + 3 * 94, 94));
  const std::string hst = ReadHostFile("c/Workstation/ZEPH.hst");
  EXPECT_NE(hst.find("\nZeph 6.2 release\nCreated        a.dll       14 bytes 0x"), std::string::npos) << hst;
  EXPECT_NE(hst.find("Installed: Service pack 3  for Zeph\n"), std::string::npos) << hst;
  EXPECT_NE(hst.find("   Kept        a.dll        1 bytes 0x00000002 \n"), std::string::npos) << hst;
  EXPECT_NE(hst.find("Updated        b.dll        8 bytes 0x"), std::string::npos) << hst;
  EXPECT_NE(hst.find("Kept ??        c.dll        3 bytes 0x00000004 \n"), std::string::npos) << hst;
  EXPECT_NE(hst.find("  Added        d.dll        4 bytes 0x"), std::string::npos) << hst;
  // A second merge adds no second dump, and its own description wins.
  ASSERT_EQ(MergeValidationStreams("C:\\Workstation\\ZEPH.VAL", "D:\\PATCH\\sp3.val", "Hot fix 12"), 4);
  const std::string hst2 = ReadHostFile("c/Workstation/ZEPH.hst");
  EXPECT_EQ(hst2.find("Created", hst.size()), std::string::npos);
  EXPECT_NE(hst2.find("Installed: Hot fix 12\n"), std::string::npos);
  EXPECT_EQ(MergeValidationStreams("C:\\Workstation\\NONE.VAL", "D:\\PATCH\\sp3.val", ""), -2);
}

TEST_F(ValidationTest, ATornWorkstationFileIsLeftAlone) {
  MakeFiles();
  WriteHostFile("c/Workstation/ZEPH.VAL", workstation_ + "torn");
  EXPECT_EQ(MergeValidationStreams("C:\\Workstation\\ZEPH.VAL", "D:\\PATCH\\sp3.val", ""), -2);
  EXPECT_EQ(ReadHostFile("c/Workstation/ZEPH.VAL"), workstation_ + "torn");
}

TEST_F(ValidationTest, NewerWorkstationsKeepTheHistoryInTheirConfigurationAndLeaveTheOldFile) {
  MakeFiles();
  WriteHostFile("c/Workstation/ZEPH.hst", "history from version 5\n");
  WriteHostFile("c/Workstation/workstation.ini",
                "[Corvane Zeph Workstation]\nDirectory=C:\\Workstation\nConfigFile=C:\\Workstation\\zeph.cfg\n");
  ASSERT_EQ(MergeValidationHistory("C:\\Workstation\\ZEPH.VAL", "D:\\PATCH\\sp3.val", ""), 4);
  EXPECT_EQ(ReadHostFile("c/Workstation/ZEPH.hst"), "history from version 5\n");
  HSECTION s = OpenSectionReadOnly("C:\\Workstation\\zeph.cfg", "History-ZEPH", nullptr);
  ASSERT_NE(s, nullptr);
  std::string text(GetSectionSize(s), '\0');
  ReadSection(s, text.data(), static_cast<uint32_t>(text.size()));
  CloseSection(s);
  EXPECT_NE(text.find("Created        a.dll"), std::string::npos) << text;
  EXPECT_NE(text.find("  Added        d.dll"), std::string::npos) << text;
  ASSERT_EQ(MergeValidationHistory("C:\\Workstation\\ZEPH.VAL", "D:\\PATCH\\sp3.val", "again"), 4);
  s = OpenSectionReadOnly("C:\\Workstation\\zeph.cfg", "History-ZEPH", nullptr);
  std::string text2(GetSectionSize(s), '\0');
  ReadSection(s, text2.data(), static_cast<uint32_t>(text2.size()));
  CloseSection(s);
  EXPECT_EQ(text2.rfind("Created"), text.rfind("Created")) << "one dump only";
  EXPECT_NE(text2.find("Installed: again\n"), std::string::npos);
  EXPECT_EQ(TheRun().failed, 0);
  // No workstation folder recorded: nothing merged, and said so.
  WriteHostFile("c/Workstation/workstation.ini", "[Corvane Zeph Workstation]\nDirectory=\n");
  EXPECT_EQ(MergeValidationHistory("C:\\Workstation\\ZEPH.VAL", "D:\\PATCH\\sp3.val", ""), -2);
  EXPECT_EQ(MergeValidationHistory("C:\\Workstation\\ZEPH.VAL", "D:\\PATCH\\none.val", ""), -2);
  EXPECT_EQ(win::script::MessageBoxLog().back().caption, "Validation File ERROR");
}

}  // namespace
}  // namespace setup
