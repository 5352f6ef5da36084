// Reading the install script: absent keys, comma fields, numbered keys,
// component lines, keywords and placeholders.
#include <gtest/gtest.h>

#include "run_state.h"
#include "script_format.h"
#include "setup_test_root.h"

namespace setup {
namespace {

using ScriptFormatTest = SetupRootTest;

TEST(ScriptFields, SplitAtCommasKeepingTrailingBlanks) {
  struct Case {
    const char* value;
    int n;
    bool present;
    const char* field;
  } cases[] = {
      {"a,b,c", 1, true, "a"},
      {"a,b,c", 3, true, "c"},
      {"a,b,c", 4, false, ""},
      {"  \tlead, trail  ,x", 1, true, "lead"},
      {"  \tlead, trail  ,x", 2, true, "trail  "},
      {"a,,c", 2, true, ""},
      {"a,b,", 3, true, ""},
      {"", 1, false, ""},
      {"only", 1, true, "only"},
      {"only", 2, false, ""},
      {"a,b", 0, false, ""},
  };
  for (const Case& c : cases) {
    std::string f = "unset";
    EXPECT_EQ(GetField(c.value, c.n, &f), c.present) << c.value << " field " << c.n;
    if (c.present) {
      EXPECT_EQ(f, c.field) << c.value << " field " << c.n;
    }
  }
}

TEST_F(ScriptFormatTest, ZnoneCountsAsAbsentAndNumberedKeysStopAtTheFirstGap) {
  WriteScript("[General]\nWSTitle=zNone\nWelcomeMessage=Hello\n[c]\n1=one\n3=three\nR1=r\nR2=zNONE\nR3=x\n");
  const std::string s = ScriptPath();
  EXPECT_TRUE(IsNone(ReadScriptValue(s, "General", "WSTitle")));
  EXPECT_EQ(ReadScriptText(s, "General", "WSTitle", "default"), "default");
  EXPECT_EQ(ReadScriptText(s, "General", "WelcomeMessage", "d"), "Hello");
  EXPECT_TRUE(IsNone(ReadScriptValue(s, "General", "Missing")));
  EXPECT_EQ(ReadNumberedValues(s, "c", ""), std::vector<std::string>{"one"});
  EXPECT_EQ(ReadNumberedValues(s, "c", "R"), std::vector<std::string>{"r"});
}

TEST_F(ScriptFormatTest, ValuesAreCutToTheirReadLength) {
  WriteScript("[General]\nHotFix=" + std::string(2000, '7') + "\n");
  EXPECT_EQ(ReadScriptValue(ScriptPath(), "General", "HotFix", kHotFixLength).size(), 1023u);
  EXPECT_EQ(ReadScriptValue(ScriptPath(), "General", "HotFix").size(), 259u);
}

TEST(ScriptLines, FileLineCompletenessAndComponentNames) {
  // Five fields with the second and fourth empty is complete; three is not.
  std::string f;
  EXPECT_TRUE(GetField("a.dll,,DEST,,ALWAYS", 5, &f));
  EXPECT_EQ(f, "ALWAYS");
  EXPECT_FALSE(GetField("a.dll,,DEST", 5, &f));
  std::string name;
  EXPECT_TRUE(ComponentSectionName("Core=Core Files", &name));
  EXPECT_EQ(name, "Core Files");
  EXPECT_TRUE(ComponentSectionName("x=a=b", &name));
  EXPECT_EQ(name, "a=b");
  EXPECT_TRUE(ComponentSectionName(";Skip=this", &name));
  EXPECT_EQ(name, "");
  EXPECT_FALSE(ComponentSectionName("no equals sign", &name));
}

TEST(ScriptLines, KeywordsIgnoreCase) {
  EXPECT_EQ(ParseDestKeyword("dest"), kDest);
  EXPECT_EQ(ParseDestKeyword("As_Is"), kAsIs);
  EXPECT_EQ(ParseDestKeyword("ALTERNATE2"), kAlternate2);
  EXPECT_EQ(ParseDestKeyword("SOURCE"), -1);
  EXPECT_EQ(ParseFileMode("remove"), kRemove);
  EXPECT_EQ(ParseFileMode("Update"), kUpdate);
  EXPECT_EQ(ParseFileMode("COPY"), -1);
}

TEST(ScriptPlaceholders, ExpandToFoldersOrFail) {
  ResetRun();
  TheRun().destFolder = "C:\\Workstation";
  TheRun().windowsFolder = "C:\\WINDOWS";
  TheRun().sourceFolder = "D:\\PATCH";
  struct Case {
    const char* in;
    bool ok;
    const char* out;
  } cases[] = {
      {"^dest^bin", true, "C:\\Workstation\\bin"},
      {"\"^SOURCE^setup.exe\" /x", true, "D:\\PATCH\\setup.exe /x"},
      {"^Windows^^DEST^", true, "C:\\WINDOWS\\C:\\Workstation\\"},
      {"plain \"text\"", true, "plain text"},
      {"^BROWSE^x", false, ""},
      {"^AS_IS^x", false, ""},
      {"^NOWHERE^x", false, ""},
      {"^DEST", false, ""},
  };
  for (const Case& c : cases) {
    std::string t = c.in;
    EXPECT_EQ(ExpandSetupValue(t), c.ok) << c.in;
    EXPECT_EQ(t, c.ok ? std::string(c.out) : std::string(c.in)) << c.in;
  }
}

}  // namespace
}  // namespace setup
