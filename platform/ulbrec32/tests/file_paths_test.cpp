// Splitting paths into folder, name and extension.
#include <gtest/gtest.h>

#include <string>

#include "ulbrec32/file_paths.h"

TEST(FilePaths, SplitsAndCuts) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
    const char* ext;
  } cases[] = {{"C:\\Data\\run1.xms", "C:\\Data\\", "run1", ".xms"},
               {"C:\\Data.d\\run1", "C:\\Data.d\\", "run1", ""},
               {"run.a.kms", "", "run.a", ".kms"},
               {"C:\\", "C:\\", "", ""},
               {"", "", "", ""}};
  for (const Case& c : cases) {
    char folder[260], name[260], ext[260];
    EXPECT_EQ(SplitFilePath(c.path, folder, name, ext), 1) << c.path;
    EXPECT_STREQ(folder, c.folder) << c.path;
    EXPECT_STREQ(name, c.name) << c.path;
    EXPECT_STREQ(ext, c.ext) << c.path;
  }
  const std::string longPath = "C:\\" + std::string(400, 'f') + "\\x.kms";
  char folder[260];
  EXPECT_EQ(SplitFilePath(longPath.c_str(), folder, nullptr, nullptr), 1);
  EXPECT_EQ(std::string(folder).size(), 259u);
  EXPECT_EQ(SplitFilePath(nullptr, folder, nullptr, nullptr), 0);
}
