// The host run as a program with bad input: a clear message on stderr and
// a non-zero exit, nothing written where it should not be.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "testing/workstation_root.h"

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct Outcome {
  int code;
  std::string out, err;
};

class HostCommandLineTest : public WorkstationRootTest {
 protected:
  // Runs kelt_host with the arguments in a root (this test's by default).
  Outcome RunHost(const std::vector<std::string>& args, const std::string& root = "") {
    const char* bin = std::getenv("KELT_BIN_DIR");
    std::string cmd = "KELT_ROOT=" + Quote(root.empty() ? root_ : root) + " " +
                      Quote(std::string(bin ? bin : ".") + "/kelt_host");
    for (const std::string& a : args) cmd += " " + Quote(a);
    const std::string out = root_ + "/.stdout", err = root_ + "/.stderr";
    cmd += " >" + Quote(out) + " 2>" + Quote(err);
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), ReadHostPath(out), ReadHostPath(err)};
  }
  std::string Made(const char* name) {
    const Outcome r = RunHost({"make-sample", name});
    EXPECT_EQ(r.code, 0) << r.err;
    return Host(std::string("c/Workstation/") + name);
  }
};

struct BadCase {
  std::vector<std::string> args;
  int code;
  std::string message;  // empty: the usage text
};

TEST_F(HostCommandLineTest, BadInputIsRefusedWithItsReason) {
  std::vector<std::string> many = {"overlay-control"};
  for (int i = 0; i < 21; ++i) many.push_back("C:\\Data\\run" + std::to_string(i) + ".kms");
  const std::string longName = "C:\\Data\\" + std::string(300, 'r') + ".kms";
  const BadCase cases[] = {
      {{"make-sample", "run.kms", "centroidal"}, 2,
       "kelt_host: unknown sample kind \"centroidal\"; the kinds are profile, live, raw, detector, tagged, processed "
       "and method (none: a centroid run)\n"},
      {{"make-sample", "run.kms", "profile", "abc"}, 2,
       "kelt_host: the seed \"abc\" is not a whole number from 0 to 4294967295\n"},
      {{"make-sample", "run.kms", "raw", "-1"}, 2,
       "kelt_host: the seed \"-1\" is not a whole number from 0 to 4294967295\n"},
      {{"make-sample", "run.kms", "raw", "4294967296"}, 2,
       "kelt_host: the seed \"4294967296\" is not a whole number from 0 to 4294967295\n"},
      {{"make-sample", "run.kms", "raw", "12x"}, 2,
       "kelt_host: the seed \"12x\" is not a whole number from 0 to 4294967295\n"},
      {{"make-sample", ""}, 2, "kelt_host: cannot write \"\": no path given\n"},
      {{"make-sample", "run\x01.kms"}, 2, "kelt_host: cannot write \"run\x01.kms\": the path holds a control character\n"},
      {{"make-sample", longName}, 2,
       ("kelt_host: cannot write \"" + longName + "\": the path is too long (312 characters in full, at most 259)\n")
},
      {{"make-sample", "C:\\Data\\"}, 2, "kelt_host: cannot write \"C:\\Data\\\": the path names a folder, not a file\n"},
      {{"make-sample", "C:\\No\\Such\\run.kms"}, 1,
       "kelt_host: could not write C:\\No\\Such\\run.kms: the folder C:\\No\\Such does not exist\n"},
      {many, 2, "kelt_host: the overlay holds at most 20 files; 21 were given\n"},
      {{"overlay-control", longName}, 2,
       ("kelt_host: cannot show \"" + longName + "\": the path is too long (312 characters in full, at most 259)\n")
},
      {{"make-sample", "run.kms", "raw", "1", "2"}, 2, ""},
      {{"unknown-command"}, 2, ""},
  };
  for (const BadCase& c : cases) {
    const Outcome r = RunHost(c.args);
    SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : c.args[0]);
    EXPECT_EQ(r.code, c.code);
    if (!c.message.empty())
      EXPECT_EQ(r.err, c.message);
    else
      EXPECT_EQ(r.err.rfind("usage: kelt_host", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
  }
  // None of them left a file behind.
  EXPECT_FALSE(fs::exists(Host("c/Workstation/run.kms")));
  EXPECT_FALSE(fs::exists(Host("c/No")));
}

TEST_F(HostCommandLineTest, AGoodSeedAndKindStillMakeTheSample) {
  const Outcome r = RunHost({"make-sample", "C:\\Data\\run.kms", "raw", "4294967295"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("kelt_host: MS data C:\\Data\\run.kms, 600 scans, 3 segments"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(Host("c/Data/run.kms")));
}

TEST_F(HostCommandLineTest, AnUnusableRootIsNamed) {
  const std::string file = root_ + "/plain-file";
  WriteHostPath(file, "not a folder");
  struct {
    std::string root;
    std::string message;
  } cases[] = {
      {file, "kelt_host: the workstation root " + file +
                 " (KELT_ROOT) cannot be used: its folder C:\\Workstation cannot be made there\n"},
      {file + "/below", "kelt_host: the workstation root " + file +
                            "/below (KELT_ROOT) cannot be used: its folder C:\\Workstation cannot be made there\n"},
  };
  for (const auto& c : cases) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"demo"}, {"make-sample", "run.kms"}, {"overlay-control", "run.kms"}}) {
      const Outcome r = RunHost(args, c.root);
      EXPECT_EQ(r.code, 1) << c.root << " " << args[0];
      EXPECT_EQ(r.err, c.message);
    }
  }
}

TEST_F(HostCommandLineTest, RefusedAndUnwrittenFilesSayWhy) {
  const std::string run = Made("run.kms");
  ASSERT_EQ(RunHost({"make-sample", "C:\\Workstation\\method.mth", "method"}).code, 0);
  // A damaged copy: the sectioned file cut short.
  const std::string bytes = ReadHostPath(run);
  WriteHostPath(Host("c/Workstation/cut.kms"), bytes.substr(0, bytes.size() / 3));
  WriteHostPath(Host("c/Workstation/notes.txt"), "Sample notes\r\nnot a run\r\n");
  // A sectioned file without data, and one whose MS data is garbage.
  WriteHostPath(Host("c/Workstation/nodata.kms"), bytes);
  ASSERT_TRUE(DeleteSection("C:\\Workstation\\nodata.kms", "MSData"));
  WriteHostPath(Host("c/Workstation/garbage.kms"), bytes);
  if (HSECTION s = CreateSection("C:\\Workstation\\garbage.kms", "MSData", nullptr)) {
    const std::string junk(5000, '\x5A');
    WriteSection(s, junk.data(), uint32_t(junk.size()));
    CloseSection(s);
  }
  WriteHostPath(Host("c/Workstation/empty.kms"), "");
  fs::create_directories(Host("c/Workstation/Folder.kms"));
  struct {
    const char* path;
    const char* why;
  } refused[] = {
      {"C:\\Workstation\\missing.kms", "no such file"},
      {"C:\\Nowhere\\run.kms", "the folder C:\\Nowhere does not exist"},
      {"C:\\Workstation\\Folder.kms", "it is a folder"},
      {"C:\\Workstation\\notes.txt", "not a data file"},
      {"C:\\Workstation\\empty.kms", "not a data file (it is empty)"},
      {"C:\\Workstation\\method.mth", "not a data file (a method)"},
      {"C:\\Workstation\\cut.kms", "damaged: a sectioned file whose sections cannot be read"},
      {"C:\\Workstation\\nodata.kms", "not a data file (a sectioned file of type 1)"},
      {"C:\\Workstation\\garbage.kms", "damaged: its data cannot be read"},
  };
  for (const auto& c : refused) {
    const Outcome r = RunHost({"overlay-control", c.path});
    EXPECT_EQ(r.code, 1) << c.path;
    EXPECT_EQ(r.err, std::string("kelt_host: ") + c.path + " refused: " + c.why + "\n");
    // A file whose data reads as data goes to the engine, which says why.
    if (std::string(c.path).find("garbage") != std::string::npos) continue;
    // Results and quantitation say the same of a file that is no data file.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"results", c.path}, {"quantitate", c.path, "C:\\Workstation\\method.mth"}}) {
      const Outcome q = RunHost(args);
      EXPECT_EQ(q.code, 1) << args[0] << " " << c.path;
      EXPECT_EQ(q.err, std::string("kelt_host: ") + c.path + " refused: " + c.why + "\n") << args[0];
    }
  }
  // Quantitation names a method that is missing or no method.
  struct {
    const char* method;
    const char* why;
  } methods[] = {
      {"C:\\Workstation\\missing.mth", "no such file"},
      {"C:\\Workstation\\Folder.kms", "it is a folder"},
      {"C:\\Workstation\\notes.txt", "not a method"},
      {"C:\\Workstation\\run.kms", "not a method (a data file)"},
  };
  for (const auto& m : methods) {
    const Outcome q = RunHost({"quantitate", "C:\\Workstation\\run.kms", m.method});
    EXPECT_EQ(q.code, 1) << m.method;
    EXPECT_EQ(q.err, std::string("kelt_host: ") + m.method + " refused: " + m.why + "\n");
  }
  // A data file without results is no error.
  const Outcome none = RunHost({"results", "C:\\Workstation\\run.kms"});
  EXPECT_EQ(none.code, 0) << none.err;
  EXPECT_NE(none.out.find("no results"), std::string::npos) << none.out;
  // The good file beside them is shown.
  const Outcome good = RunHost({"overlay-control", "C:\\Workstation\\run.kms"});
  EXPECT_EQ(good.code, 0) << good.err;
  EXPECT_NE(good.out.find("C:\\Workstation\\run.kms -> slot 0"), std::string::npos) << good.out;

  fs::permissions(run, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  struct {
    const char* path;
    const char* why;
  } unwritten[] = {
      {"C:\\Workstation\\run.kms", "the file is read-only"},
      {"C:\\Workstation\\Folder.kms", "it is a folder"},
  };
  for (const auto& c : unwritten) {
    const Outcome r = RunHost({"make-sample", c.path});
    EXPECT_EQ(r.code, 1) << c.path;
    EXPECT_EQ(r.err, std::string("kelt_host: could not write ") + c.path + ": " + c.why + "\n");
  }
  EXPECT_EQ(ReadHostPath(run), bytes);  // the read-only run is as it was
}

// Plain file-system paths are for the command line: the host writes there,
// and the processed run's method beside it.
TEST_F(HostCommandLineTest, CommandLinePathsMayLieOutsideTheRoot) {
  char tmpl[] = "/tmp/kelt-host-out-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string outside = tmpl;
  const Outcome r = RunHost({"make-sample", outside + "/batch.kms", "processed", "3"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::exists(outside + "/batch.kms"));
  EXPECT_TRUE(fs::exists(outside + "/batch.mth"));
  const Outcome shown = RunHost({"overlay-control", outside + "/batch.kms"});
  EXPECT_EQ(shown.code, 0) << shown.err;
  // The control's picture beside the run, named where it went; nothing else
  // was written outside.
  EXPECT_TRUE(fs::exists(outside + "/batch.overlay.png"));
  EXPECT_NE(shown.out.find("picture of the control: " + outside + "/batch.overlay.png"), std::string::npos)
      << shown.out;
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(outside)) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 3u);
  std::error_code ec;
  fs::remove_all(outside, ec);
}

// A run and a method made by the host quantitate together, as any data
// file and its method do: the method's compounds are found in the run.
TEST_F(HostCommandLineTest, AMadeRunAndAMadeMethodQuantitateTogether) {
  ASSERT_EQ(RunHost({"make-sample", "C:\\Workstation\\run.kms"}).code, 0);
  const Outcome method = RunHost({"make-sample", "C:\\Workstation\\run.mth", "method"});
  ASSERT_EQ(method.code, 0) << method.err;
  EXPECT_NE(method.out.find("detector type ms61 on module 2 (module 61, address 2), 10 compounds"), std::string::npos)
      << method.out;
  const Outcome r = RunHost({"quantitate", "C:\\Workstation\\run.kms", "C:\\Workstation\\run.mth"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("Cannot quantitate"), std::string::npos) << r.out;
  // The internal standard and the other compounds at their times.
  int found = 0;
  for (size_t at = r.out.find(" found "); at != std::string::npos; at = r.out.find(" found ", at + 1)) ++found;
  EXPECT_GE(found, 9) << r.out;
  EXPECT_NE(r.out.find("Compound 1               found        2.904"), std::string::npos) << r.out;
  // The results are stored in the run and read back whole.
  const Outcome stored = RunHost({"results", "C:\\Workstation\\run.kms"});
  EXPECT_EQ(stored.code, 0) << stored.out;
  EXPECT_NE(stored.out.find("consistent"), std::string::npos) << stored.out;
}

}  // namespace
