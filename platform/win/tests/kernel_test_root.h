#pragma once
// A fresh workstation root per test, removed afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "win/win_kernel.h"
#include "win/win_paths.h"

class KernelRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kelt-kernel-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // The Linux path of a name under the root ("c/TEMP/x").
  std::string Host(const std::string& rel) const { return root_ + "/" + rel; }
  void WriteHostFile(const std::string& rel, const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(Host(rel)).parent_path());
    std::ofstream(Host(rel), std::ios::binary) << text;
  }
  std::string ReadHostFile(const std::string& rel) const {
    std::ifstream in(Host(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool HostExists(const std::string& rel) const { return std::filesystem::exists(Host(rel)); }

  std::string root_;
};
