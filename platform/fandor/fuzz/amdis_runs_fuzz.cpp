// libFuzzer target over the deconvolution of a damaged run: the input is a
// raw MS file. The check and the run never fault; a run that fails leaves
// no component file, one that succeeds leaves a whole file of as many
// components as it reported, and the check's reason text is ended.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fandor/amdis_runs.h"
#include "fandor/component_files.h"
#include "fixtures/msfixtures.h"
#include "testing/fuzz_support.h"
#include "win/win_types.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  const std::string run = win::paths::ToHost("C:\\FUZZ\\RUN.KMS");
  const std::string elu = win::paths::ToHost("C:\\FUZZ\\RUN.ELU");
  std::remove(elu.c_str());
  fuzz::WriteBytes(run, data, size);
  char reason[AMDIS_TEXT_SIZE];
  std::memset(reason, 'x', sizeof reason);
  const BOOL fit = CheckAMDISDeconvolution("C:\\FUZZ\\RUN.KMS", reason);
  fuzz::Check(strnlen(reason, sizeof reason) < sizeof reason, "a reason without its end");
  fuzz::Check(fit || reason[0] != 0, "a refusal without a reason");
  const int32_t n = DoAMDISDeconvolutionForFile("C:\\FUZZ\\RUN.KMS", nullptr, nullptr, 0);
  if (n < 0) {
    fuzz::Check(!Ordinal712("C:\\FUZZ\\RUN.KMS"), "a component file after a failed run");
    return 0;
  }
  fuzz::Check(Ordinal712("C:\\FUZZ\\RUN.KMS") && Ordinal718() == n, "the component file differs from the run");
  Ordinal701();
  return 0;
}

// Seeds: a short raw run with two compounds, and one with a single segment.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  for (int k = 0; k < 2; ++k) {
    msfix::RunPlan plan;
    plan.seed = 30 + k;
    plan.scans = 60;
    plan.compounds = 2;
    plan.highMass = 120;
    if (k) plan.segments = {{1.0, 1, ""}};
    const char* path = k ? "C:\\FUZZ\\SEED2.KMS" : "C:\\FUZZ\\SEED1.KMS";
    if (!msfix::WriteRawMsFile(path, plan, nullptr)) return 1;
    const std::string bytes = fuzz::ReadBytes(win::paths::ToHost(path));
    fuzz::WriteBytes(std::string(folder) + (k ? "/raw-one-segment" : "/raw-two-segments"),
                     reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  return 0;
}
