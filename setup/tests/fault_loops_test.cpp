// Kill and full-disk loops over whole runs of the sample update: the
// programs "setup" and "uninstal" as built, each run in a workstation of
// its own, killed at its Nth file call or meeting a full disk from its Nth
// write. After every fault the uninstaller brings back the workstation
// byte for byte, and so does a rerun followed by the uninstaller.
//
// The tests take a short spread of points; KELT_SETUP_FAULT_POINTS sets
// how many ("all": every file call and every write), which is how
// scripts/setup_fault_loops.sh runs them in full.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sample_patch.h"
#include "testing/workstation_root.h"
#include "win/win_paths.h"
#include "win/win_services.h"

extern char** environ;

namespace setup {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Copies of the programs and the starts of programs are never at the same
// time: a start would hand the child a copy still open for writing, and
// starting that copy would fail as busy.
std::mutex& CopyOrStart() {
  static std::mutex m;
  return m;
}

void CopyTree(const fs::path& from, const fs::path& to) {
  std::lock_guard<std::mutex> lock(CopyOrStart());
  fs::remove_all(to);
  fs::copy(from, to, fs::copy_options::recursive);
}

struct Outcome {
  bool killed = false;  // by the planned SIGKILL
  int signal = 0;       // any other signal (an error of the program)
  int code = -1;
  std::string output;
};

// Runs a program of the build with the workstation root and extra
// environment, its output kept.
Outcome RunProgram(const fs::path& root, const fs::path& program, const std::vector<std::string>& args,
                   const std::vector<std::string>& extraEnv) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("KELT_ROOT=", 0) == 0 || v.rfind("TEMP=", 0) == 0 || v.rfind("ASAN_OPTIONS=", 0) == 0 ||
        v.rfind("KELT_KILL_AT_FILE_CALL=", 0) == 0 || v.rfind("KELT_DISK_FULL_AT_WRITE=", 0) == 0 ||
        v.rfind("KELT_FILE_CALL_COUNTS=", 0) == 0)
      continue;
    env.push_back(v);
  }
  env.push_back("KELT_ROOT=" + root.string());
  env.push_back("TEMP=C:\\TEMP");
  // The programs unload the workstation's libraries, which the leak check
  // cannot follow; every other sanitizer finding still ends the run.
  env.push_back("ASAN_OPTIONS=detect_leaks=0:abort_on_error=1");
  for (const std::string& e : extraEnv) env.push_back(e);
  std::vector<char*> envp, argv;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string prog = program.string();
  std::vector<std::string> a = args;
  argv.push_back(prog.data());
  for (std::string& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  const std::string out = (root / ".output").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  Outcome o;
  pid_t pid = 0;
  int rc = 0;
  {
    std::lock_guard<std::mutex> lock(CopyOrStart());
    rc = posix_spawn(&pid, prog.c_str(), &actions, nullptr, argv.data(), envp.data());
  }
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    o.output = "could not start " + prog + ": " + std::strerror(rc);
    return o;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) {
    o.killed = WTERMSIG(status) == SIGKILL;
    if (!o.killed) o.signal = WTERMSIG(status);
  } else {
    o.code = WEXITSTATUS(status);
  }
  o.output = ReadText(out);
  fs::remove(out);
  return o;
}

// The workstation's files by relative path, less what the update keeps
// about itself: its backups, the settings and history it records (with the
// history store's journal, which its next opening plays back), the
// uninstaller. Temporary files of a run count: none may be left.
std::map<std::string, std::string> Files(const fs::path& root) {
  std::map<std::string, std::string> files;
  const fs::path base = root / "c" / "Workstation";
  for (auto it = fs::recursive_directory_iterator(base); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = fs::relative(it->path(), base).string();
    if (it->is_directory() && rel.rfind("Patch", 0) == 0) {
      it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file() || rel == "workstation.ini" || rel == "zeph.cfg" || rel == "zeph.cfg-journal" ||
        rel == "uninstal.exe")
      continue;
    files[rel] = ReadText(it->path());
  }
  return files;
}

std::string Differences(const std::map<std::string, std::string>& want, const std::map<std::string, std::string>& got) {
  std::string d;
  for (const auto& [name, bytes] : want) {
    auto it = got.find(name);
    if (it == got.end()) d += name + " is missing; ";
    else if (it->second != bytes) d += name + " differs; ";
  }
  for (const auto& [name, bytes] : got)
    if (!want.count(name)) d += name + " is left over; ";
  return d;
}

// Package folders of a run (and the names they were made from) in the
// temporary folder.
std::string LeftInTemp(const fs::path& root) {
  std::string left;
  for (const auto& e : fs::directory_iterator(root / "c" / "TEMP")) {
    const std::string name = e.path().filename().string();
    if (name.size() > 3 && (name.rfind("stp", 0) == 0 || name.rfind("STP", 0) == 0)) left += name + " ";
  }
  return left;
}

bool ServiceRunning(const fs::path& root) {
  const std::string hive = ReadText(root / "c" / "WINDOWS" / "REGISTRY" / "LOCAL_MACHINE.HIV");
  const size_t at = hive.find("[SYSTEM\\CurrentControlSet\\Services\\ZephMonitor]");
  if (at == std::string::npos) return false;
  const size_t end = hive.find("\n[", at + 1);
  const std::string section = hive.substr(at, end == std::string::npos ? std::string::npos : end - at);
  return section.find("State=4:04000000") != std::string::npos;
}

class SetupFaultLoops : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    setup_ = bin / "setup";
    uninstal_ = bin / "uninstal";
    if (!fs::exists(setup_) || !fs::exists(uninstal_)) return;
    char tmpl[] = "/tmp/kelt-faults-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    base_ = tmpl;
    const fs::path made = base_ / "made";
    fs::create_directories(made);
    setenv("KELT_ROOT", made.c_str(), 1);
    win::paths::ResetRoot();
    ASSERT_TRUE(MakeSampleWorkstation());
    ASSERT_TRUE(MakeSamplePatch());
    fs::copy_file(setup_, made / "d" / "PATCH" / "setup", fs::copy_options::overwrite_existing);
    fs::copy_file(uninstal_, made / "d" / "PATCH" / "uninstal.exe", fs::copy_options::overwrite_existing);
    // The workstation as its user has it: the service running, nothing of
    // this process holding its files.
    pristine_ = base_ / "pristine";
    CopyTree(made, pristine_);
    win::services::SetStopDelay("ZephMonitor", 0);
    original_ = Files(pristine_);
    const fs::path counts = base_ / "counts";
    const fs::path probe = Fresh("probe");
    const Outcome o = RunProgram(probe, probe / "d" / "PATCH" / "setup", {"/a"},
                                 {"KELT_FILE_CALL_COUNTS=" + counts.string()});
    ASSERT_EQ(o.code, 0) << o.output;
    std::ifstream(counts) >> calls_ >> writes_;
    ASSERT_GT(calls_, 20);
    ASSERT_GT(writes_, 20);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    if (!base_.empty()) fs::remove_all(base_, ec);
  }
  void SetUp() override {
    if (base_.empty()) GTEST_SKIP() << "the setup and uninstal programs are not built";
  }

  static fs::path Fresh(const std::string& name) {
    const fs::path dir = base_ / name;
    CopyTree(pristine_, dir);
    return dir;
  }

  // The points of a loop over 1..total: KELT_SETUP_FAULT_POINTS of them
  // spread evenly ("all": every one), else `spread`; the last few always,
  // where the run registers itself.
  static std::vector<long> Points(long total, long spread) {
    long n = spread;
    if (const char* v = std::getenv("KELT_SETUP_FAULT_POINTS"); v && *v)
      n = std::string(v) == "all" ? total : std::max(1L, std::atol(v));
    std::set<long> points;
    for (long i = 0; i < n; ++i) points.insert(1 + i * total / n);
    for (long last = std::max(1L, total - 2); last <= total; ++last) points.insert(last);
    return {points.begin(), points.end()};
  }

  // One fault, then both ways back on copies of what it left.
  void CheckFault(const std::string& what, long point, const std::string& plan) {
    const std::string name = what + "-" + std::to_string(point);
    SCOPED_TRACE(name);
    const fs::path once = Fresh(name);
    const fs::path setup = once / "d" / "PATCH" / "setup";
    const Outcome faulted = RunProgram(once, setup, {"/a"}, {plan});
    ASSERT_EQ(faulted.signal, 0) << faulted.output;
    const std::string ini = ReadText(once / "c" / "Workstation" / "workstation.ini");
    const bool registered = ini.find("ServicePackLevel=2") != std::string::npos;
    if (!faulted.killed) {
      // A run that meets a full disk says so: a failure, or everything done.
      if (faulted.code == 0) {
        EXPECT_TRUE(registered) << "exit code 0, yet the level was not recorded\n" << faulted.output;
      } else {
        EXPECT_NE(faulted.output.find("Failed! Please report observed errors"), std::string::npos)
            << faulted.code << "\n" << faulted.output;
      }
    }
    const fs::path rerun = base_ / (name + "-rerun");
    CopyTree(once, rerun);

    // The uninstaller at once.
    const Outcome undo = RunProgram(once, once / "d" / "PATCH" / "uninstal.exe", {kSampleTitle}, {});
    ASSERT_EQ(undo.signal, 0) << undo.output;
    EXPECT_TRUE(undo.code == 0 || (undo.code == 1 && undo.output.find("no uninstall information") != std::string::npos))
        << undo.code << "\n" << undo.output;
    EXPECT_EQ(Differences(original_, Files(once)), "") << undo.output;

    // A rerun completes (or finds the update complete), then the uninstaller.
    const Outcome again = RunProgram(rerun, rerun / "d" / "PATCH" / "setup", {"/a"}, {});
    EXPECT_EQ(again.code, 0) << again.output;
    EXPECT_NE(ReadText(rerun / "c" / "Workstation" / "workstation.ini").find("ServicePackLevel=2"), std::string::npos)
        << again.output;
    EXPECT_TRUE(ServiceRunning(rerun));
    EXPECT_EQ(LeftInTemp(rerun), "");
    const Outcome undoAgain = RunProgram(rerun, rerun / "d" / "PATCH" / "uninstal.exe", {kSampleTitle}, {});
    EXPECT_EQ(undoAgain.code, 0) << undoAgain.output;
    EXPECT_EQ(Differences(original_, Files(rerun)), "") << again.output << undoAgain.output;
    if (!HasFailure()) {
      fs::remove_all(once);
      fs::remove_all(rerun);
    }
  }

  // The points on a few threads: each has workstations of its own.
  void Loop(const std::string& what, const std::vector<long>& points, const std::string& variable) {
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 3; ++w)
      workers.emplace_back([&] {
        for (size_t i = next++; i < points.size(); i = next++)
          CheckFault(what, points[i], variable + "=" + std::to_string(points[i]));
      });
    for (std::thread& t : workers) t.join();
  }

  static fs::path setup_, uninstal_, base_, pristine_;
  static std::map<std::string, std::string> original_;
  static long calls_, writes_;
};

fs::path SetupFaultLoops::setup_, SetupFaultLoops::uninstal_, SetupFaultLoops::base_, SetupFaultLoops::pristine_;
std::map<std::string, std::string> SetupFaultLoops::original_;
long SetupFaultLoops::calls_ = 0, SetupFaultLoops::writes_ = 0;

TEST_F(SetupFaultLoops, KilledAtTheNthFileCall) {
  Loop("kill", Points(calls_ + 1, 9), "KELT_KILL_AT_FILE_CALL");
}

TEST_F(SetupFaultLoops, DiskFullFromTheNthWrite) {
  Loop("full", Points(writes_, 7), "KELT_DISK_FULL_AT_WRITE");
}

}  // namespace
}  // namespace setup
