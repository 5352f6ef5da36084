// The workstation host: loads the libraries and drives them from the
// command line, as the workstation's host programs would.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

namespace {

int Usage() {
  std::puts("usage: kelt_host demo\n"
            "       kelt_host make-sample <path> [profile|live|raw|detector|tagged|processed|method] [seed]");
  return 2;
}

// The sample is a sectioned file of type 777, the code the workstation
// gives its event files; its sections stand in for a small data file.
constexpr int32_t kSampleType = 777;
constexpr char kSamplePath[] = "C:\\Workstation\\sample.kms";

bool WriteSampleSection(const char* name, const void* data, uint32_t size) {
  HSECTION s = CreateSection(kSamplePath, name, nullptr);
  if (!s) return false;
  bool ok = true;
  const auto* bytes = static_cast<const char*>(data);
  for (uint32_t done = 0; ok && done < size;) {
    uint32_t n = size - done < 4000 ? size - done : 4000;
    ok = WriteSection(s, bytes + done, n) == n;
    done += n;
  }
  return CloseSection(s) && ok;
}

bool MakeSample() {
  if (!CreateSectionFile(const_cast<char*>(kSamplePath), kSampleType, 0, 3)) return false;
  const std::string log = "Sample run started\r\nInjection 1 of 1\r\nRun finished\r\n";
  std::string points;
  for (int i = 0; i < 1500; ++i) {
    const int32_t v = 1000 + (i % 50) * 37;
    points.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  const char header[34] = {2, 0};
  return WriteSampleSection("Header", header, sizeof header) &&
         WriteSampleSection("LogFile", log.data(), static_cast<uint32_t>(log.size())) &&
         WriteSampleSection("RawData", points.data(), static_cast<uint32_t>(points.size())) &&
         WriteSampleSection("TimeTagged", "", 0) &&
         SetFileInfoLong(kSamplePath, FILE_INFO_POINT_COUNT, 1500);
}

int Demo() {
  if (!MakeSample()) {
    std::fprintf(stderr, "kelt_host: cannot make %s\n", kSamplePath);
    return 1;
  }
  uint16_t format = 0;
  const int32_t type = GetSectionFileType(kSamplePath, &format);
  std::printf("%s: sectioned file, type %d, format word %u\n", kSamplePath, type, format);
  HSECTION list = OpenSectionList(kSamplePath, nullptr);
  if (!list) return 1;
  std::printf("  %-20s %10s\n", "section", "bytes");
  for (int32_t pos = NextSectionListEntry(list, 0); pos; pos = NextSectionListEntry(list, pos)) {
    char name[80];
    if (!GetSectionMatchName(list, pos, name, sizeof name)) continue;
    HSECTION s = OpenSectionReadOnly(kSamplePath, name, nullptr);
    const uint32_t size = s ? GetSectionSize(s) : 0;
    if (s) CloseSection(s);
    std::printf("  %-20s %10u\n", name, size);
  }
  CloseSection(list);
  return 0;
}

// Writes a generated GC/MS run (or detector run) to a workstation path.
int MakeSample(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string path = argv[2];
  const std::string kind = argc > 3 ? argv[3] : "";
  const uint32_t seed = argc > 4 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10)) : 1;
  // The folder the sample goes to, one level, as a user would make it.
  size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 2) CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
  bool ok = false;
  if (kind == "processed" || kind == "method") {
    // A processed run keeps its method beside it, under the same name.
    msfix::DHSpec spec;
    spec.run.seed = seed;
    msfix::DHTruth truth;
    if (kind == "method") {
      ok = msfix::WriteMethodFile(path, spec, &truth);
    } else {
      const size_t dot = path.find_last_of('.');
      const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
      const std::string method = (hasExtension ? path.substr(0, dot) : path) + ".mth";
      ok = msfix::WriteProcessedDataFile(path, method, spec, &truth);
      if (ok) std::printf("kelt_host: processed run %s, method %s, %zu peaks\n", path.c_str(), method.c_str(),
                          truth.peakCompounds.size());
    }
    if (ok) {
      std::printf("kelt_host: method module %u address %u, %zu compounds\n", truth.moduleId, truth.moduleAddress,
                  truth.compounds.size());
      for (const auto& c : truth.compounds)
        std::printf("  %-12s rt %7.4f min  quant %5.1f  amount %6.1f%s\n", c.name.c_str(), c.retentionTime,
                    c.quantIon, c.amount, c.internalStandard ? "  (internal standard)" : "");
    }
  } else if (kind == "detector" || kind == "tagged") {
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
