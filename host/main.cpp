// The workstation host: loads the libraries and drives them from the
// command line, as the workstation's host programs would.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"

namespace {

int Usage() {
  std::puts("usage: kelt_host demo\n"
            "       kelt_host make-sample <path> [profile|live|raw|detector|tagged] [seed]");
  return 2;
}

int Demo() {
  std::puts("kelt_host: sample data");
  return 0;
}

// Writes a generated GC/MS run (or detector run) to a workstation path.
int MakeSample(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string path = argv[2];
  const std::string kind = argc > 3 ? argv[3] : "";
  const uint32_t seed = argc > 4 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)) : 1;
  bool ok = false;
  if (kind == "detector" || kind == "tagged") {
    msfix::DetectorSpec spec;
    spec.seed = seed;
    spec.timeTagged = kind == "tagged";
    msfix::DetectorTruth truth;
    ok = msfix::WriteDetectorFile(path, spec, &truth);
    if (ok) std::printf("kelt_host: detector file %s, %u points, %zu channels\n", path.c_str(), spec.points,
                        spec.channels.size());
  } else {
    msfix::RunSpec spec;
    spec.seed = seed;
    spec.profile = kind == "profile";
    spec.live = kind == "live";
    spec.segments = {{1.0, 1, "Solvent delay"}, {2.0, 2, "Main"}, {1.0, 1, "Bake out"}};
    msfix::RunTruth truth;
    ok = kind == "raw" ? msfix::WriteRawMsFile(path, spec, &truth) : msfix::WriteMsDataFile(path, spec, &truth);
    if (ok) {
      std::printf("kelt_host: MS data %s, %u scans, %zu segments\n", path.c_str(), spec.scans,
                  truth.segments.size());
      for (const auto& c : truth.compounds)
        std::printf("  %-12s rt %7.4f min  height %10.0f  area %10.1f  base %5.1f\n", c.name.c_str(),
                    c.retentionTime, c.height, c.area, c.baseMass);
    }
  }
  if (!ok) std::fprintf(stderr, "kelt_host: could not write %s\n", path.c_str());
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  if (std::strcmp(argv[1], "demo") == 0) return Demo();
  if (std::strcmp(argv[1], "make-sample") == 0) return MakeSample(argc, argv);
  return Usage();
}
