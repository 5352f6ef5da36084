#pragma once
// A fresh workstation root with the library started up in it: the load
// that ran when the test program started is undone, settings and locale
// files the test writes first are read by the new start-up.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/library_state.h"
#include "win/win_paths.h"
#include "win/win_script.h"

class StartupRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kelt::lib::ProcessDetach();
    char pattern[] = "/tmp/kelt-startup-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
    win::script::ResetLogs();
  }

  void TearDown() override {
    kelt::lib::ProcessDetach();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // A Linux path under the root for a workstation path.
  std::string Host(const std::string& winPath) const { return win::paths::ToHost(winPath); }

  void WriteText(const std::string& winPath, const std::string& text) const {
    const std::string host = Host(winPath);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    std::ofstream(host, std::ios::binary) << text;
  }

  // Start-up with a locale ("en-US", "de-DE" ...).
  void Attach(const std::string& locale = "en-US") {
    WriteText("C:\\WINDOWS\\locale.ini", "[Locale]\r\nName=" + locale + "\r\n");
    kelt::lib::ClearStartupSteps();
    kelt::lib::ProcessAttach();
  }

  std::string root_;
};
