// Display forms of file names: appended, separators made "\", cut to fit.
#include <gtest/gtest.h>

#include <string>

#include "ulbrec32/ulbrec32.h"

TEST(DisplayNames, AppendsAndCuts) {
  char out[ULBREC_DISPLAY_NAME_SIZE] = "File: ";
  EXPECT_EQ(MakeDisplayFileName("C:/Data/run.kms", out), 21);
  EXPECT_STREQ(out, "File: C:\\Data\\run.kms");
  EXPECT_EQ(MakeDisplayFileName(nullptr, out), 21);
  char longOut[ULBREC_DISPLAY_NAME_SIZE] = "";
  const std::string longName(400, 'a');
  EXPECT_EQ(MakeDisplayFileName(longName.c_str(), longOut), ULBREC_DISPLAY_NAME_SIZE - 1);
  EXPECT_EQ(std::string(longOut), longName.substr(0, ULBREC_DISPLAY_NAME_SIZE - 1));
  EXPECT_EQ(MakeDisplayFileName("x", nullptr), 0);
}
