#pragma once
// Drawing tests: a white raster and a fresh workstation root per test.
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include "testing/raster.h"
#include "win/win_gdi.h"
#include "win/win_paths.h"

using RasterCanvas = testing_support::Raster;

// Every test runs in a fresh workstation root.
class GdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kelt-gdi-XXXXXX";
    root_ = mkdtemp(tmpl);
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
  }
  void TearDown() override { std::system(("rm -rf '" + root_ + "'").c_str()); }
  std::string root_;
};
