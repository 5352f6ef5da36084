// Calibration runs killed at spread-out moments: every table of the method
// is left whole, the old one or the new one, never an empty or short one.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "holbrin/holbrin.h"
#include "quant_run_support.h"
#include "quant_test_support.h"

namespace {

using namespace quant_test;
using namespace quant_run;

constexpr char kMethod[] = "C:\\Data\\KILLED.MTH";
constexpr char kCalibration[] = "C:\\Data\\CAL1.KMS";

class KilledRunsTest : public EngineTest {
 protected:
  // What a reader finds of the method: its quantitation block, its global
  // record and its compounds, or a message of what is missing.
  std::string MethodState() const {
    const uint16_t id = method_.moduleId, address = method_.moduleAddress;
    DH_QUANT_BLOCK block;
    if (!ReadDataMethod(kMethod, id, address, "1", &block)) return "no quantitation block";
    HDHTABLE g = OpenGlobalTable(kMethod, id, address, "1");
    if (!g) return "no global record";
    STRUCT_DH_GLOBAL_PARAMS global;
    const bool read = ReadGlobalTable(g, &global) != FALSE;
    FreeDHRecordSet(g);
    if (!read) return "no global record";
    HDHTABLE c = OpenCompoundTable(kMethod, id, address, "1");
    if (!c) return "no compound table";
    const int32_t n = CountDHRecords(c);
    FreeDHRecordSet(c);
    if (n != int32_t(method_.compounds.size())) return "compounds " + std::to_string(n);
    return "whole";
  }
  msfix::DHTruth method_;
};

}  // namespace

TEST_F(KilledRunsTest, AKilledCalibrationLeavesTheMethodWhole) {
  std::filesystem::create_directories(win::paths::ToHost("C:\\TEMP"));
  Design d;
  MethodPlan plan;
  ASSERT_TRUE(WriteUncalibratedMethod(kMethod, d, plan, &method_));
  SampleSpec s;
  s.amounts.assign(size_t(d.analytes), plan.levels[0]);
  ASSERT_TRUE(quant_accuracy::WriteSample(kCalibration, d, s, method_, nullptr));
  // How long one run takes here.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Quantitate(nullptr, kCalibration, kMethod, SAMPLE_CALIBRATION, 0));
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  ASSERT_EQ(MethodState(), "whole");
  constexpr int kKills = 24;
  for (int i = 0; i < kKills; ++i) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (;;) Quantitate(nullptr, kCalibration, kMethod, SAMPLE_CALIBRATION, 0);
    }
    // Over the first third of a run, where the method is read and its
    // quantitation block written, then a little into its integrations.
    usleep(useconds_t(span.count() * i / (3 * kKills)));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(MethodState(), "whole") << "kill " << i;
  }
  // The files are free again: a last run completes.
  EXPECT_TRUE(Quantitate(nullptr, kCalibration, kMethod, SAMPLE_CALIBRATION, 0));
}
