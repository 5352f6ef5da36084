#pragma once
// A fresh workstation root per test, and a small sectioned file in it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "orvik32/orvik32.h"
#include "win/win_paths.h"

class DhRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/holbrin-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
    ASSERT_TRUE(CreateSectionFileAtPath(file_, 666, 0, 1));
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  // Writes raw bytes into a section, bypassing the library.
  void PutRaw(const char* name, const void* bytes, uint32_t size) {
    HSECTION s = CreateSection(file_, name, nullptr);
    ASSERT_NE(s, nullptr);
    if (size) {
      ASSERT_EQ(WriteSection(s, bytes, size), size);
    }
    ASSERT_TRUE(CloseSection(s));
  }

  const char* file_ = "C:\\TEMP\\method.mth";
  std::string root_;
};
