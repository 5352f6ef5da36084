#include "fandor/search_groups.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/workstation_root.h"

namespace {

TEST(SearchGroups, HandlesAreReleasedOnceAndOnlyByTheirOwnKind) {
  const uint32_t a = CreateSearchGroupHandleA();
  const uint32_t b = CreateSearchGroupHandleB();
  EXPECT_NE(a, 0u);
  EXPECT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_FALSE(ReleaseSearchGroupHandleB(a));
  EXPECT_FALSE(ReleaseSearchGroupHandleA(b));
  EXPECT_TRUE(ReleaseSearchGroupHandleA(a));
  EXPECT_FALSE(ReleaseSearchGroupHandleA(a));
  EXPECT_TRUE(ReleaseSearchGroupHandleB(b));
  EXPECT_FALSE(ReleaseSearchGroupHandleB(b));
  EXPECT_FALSE(ReleaseSearchGroupHandleA(0));
  EXPECT_FALSE(ReleaseSearchGroupHandleB(0xDEADBEEF));
}

class MspFiles : public WorkstationRootTest {
 protected:
  // Writes the text under C:\Lib and returns its workstation path.
  std::string Put(const std::string& name, const std::string& text) {
    WriteHostFile("c/Lib/" + name, text);
    return "C:\\Lib\\" + name;
  }
};

const char kTwoEntries[] =
    "Name: Benzene\r\n"
    "Formula: C6H6\r\n"
    "MW: 78\r\n"
    "CASNO: 71-43-2\r\n"
    "Num Peaks: 5\r\n"
    "50 194; 51 182; 52 190;\r\n"
    "77 142; 78 999;\r\n"
    "\r\n"
    "NAME: Toluene\r\n"
    "Comment: a line: with colons\r\n"
    "num peaks: 3\r\n"
    "65.05 120 \"frag\"\r\n"
    "91.0547\t999\r\n"
    "(92 570)\r\n";

TEST_F(MspFiles, AcceptsWellFormedLists) {
  struct Case {
    const char* what;
    std::string text;
  } cases[] = {
      {"two entries, CR LF, annotations, tabs, brackets", kTwoEntries},
      {"LF only, no blank line at the end", "Name: A\nNum Peaks: 1\n41 999\n"},
      {"entries not apart by a blank line", "Name: A\nNum Peaks: 1\n41 999\nName: B\nNum Peaks: 0\n"},
      {"byte-order mark and leading blank lines", "\xEF\xBB\xBF\n\nName: A\nNum Peaks: 2\n41 1 42 2\n\n\n"},
  };
  for (const Case& c : cases) EXPECT_TRUE(CheckMSPFile(Put("good.msp", c.text).c_str())) << c.what;
}

TEST_F(MspFiles, RejectsWhatIsNoSpectrumList) {
  struct Case {
    const char* what;
    std::string text;
  } cases[] = {
      {"empty file", ""},
      {"blank lines only", "\r\n\r\n"},
      {"no name", "MW: 78\nNum Peaks: 1\n41 999\n"},
      {"empty name", "Name:\nNum Peaks: 1\n41 999\n"},
      {"no peak count", "Name: A\nMW: 78\n\n"},
      {"fewer pairs than counted", "Name: A\nNum Peaks: 3\n41 999; 42 10\n"},
      {"pairs cut by a blank line", "Name: A\nNum Peaks: 2\n41 999\n\n42 10\n"},
      {"more pairs than counted", "Name: A\nNum Peaks: 1\n41 999; 42 10\n"},
      {"a mass without intensity", "Name: A\nNum Peaks: 1\n41\n"},
      {"a word among the peaks", "Name: A\nNum Peaks: 1\n41 lots\n"},
      {"negative intensity", "Name: A\nNum Peaks: 1\n41 -5\n"},
      {"zero mass", "Name: A\nNum Peaks: 1\n0 5\n"},
      {"negative peak count", "Name: A\nNum Peaks: -1\n"},
      {"peak count not a number", "Name: A\nNum Peaks: many\n41 1\n"},
      {"text after the peaks", "Name: A\nNum Peaks: 1\n41 999\nrubbish\n"},
      {"header line without key", "Name: A\njust text\nNum Peaks: 1\n41 999\n"},
      {"second entry damaged", std::string(kTwoEntries) + "\nName: C\nNum Peaks: 2\n41 1\n"},
      {"binary bytes", std::string("Name: A\nNum Peaks: 1\n41 9\0\x01\x02", 26)},
      {"a line longer than any list holds", "Name: A\nNum Peaks: 1\n41 999" + std::string(70000, ' ') + "\n"},
      {"annotation splitting a pair", "Name: A\nNum Peaks: 1\n41 \"x\" 999\n"},
  };
  for (const Case& c : cases) EXPECT_FALSE(CheckMSPFile(Put("bad.msp", c.text).c_str())) << c.what;
}

TEST_F(MspFiles, MissingFileOrPathIsRejected) {
  EXPECT_FALSE(CheckMSPFile("C:\\Lib\\none.msp"));
  EXPECT_FALSE(CheckMSPFile(""));
  EXPECT_FALSE(CheckMSPFile(nullptr));
  // Names are found without regard to case, as on the workstation.
  Put("Mixed.MSP", kTwoEntries);
  EXPECT_TRUE(CheckMSPFile("c:\\lib\\mixed.msp"));
}

}  // namespace
