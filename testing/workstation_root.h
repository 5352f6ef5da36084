#pragma once
// Test support: a fresh workstation root per test under /tmp, removed
// afterwards, with raw access to the Linux files below it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "win/win_paths.h"

class WorkstationRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kelt-test-XXXXXX";
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
  // Host path of a file in the settings folder.
  std::string Settings(const std::string& name) const { return Host("c/WINDOWS/" + name); }
  static void WriteHostPath(const std::string& hostPath, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
    std::ofstream(hostPath, std::ios::binary) << bytes;
  }
  static std::string ReadHostPath(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteHostFile(const std::string& rel, const std::string& text) const { WriteHostPath(Host(rel), text); }
  std::string ReadHostFile(const std::string& rel) const { return ReadHostPath(Host(rel)); }
  bool HostExists(const std::string& rel) const { return std::filesystem::exists(Host(rel)); }

  std::string root_;
};
