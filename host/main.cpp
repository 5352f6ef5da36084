// The workstation host: loads the libraries and drives them from the
// command line, as the workstation's host programs would.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "common/data_points.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "overlayctl/overlay_plot_control.h"
#include "win/win_kernel.h"

void ShowLibraryStartup();  // library_startup_demo.cpp
void ShowDataFileLog();     // data_file_log_demo.cpp
void ShowPlotDescriptors(); // plot_descriptor_demo.cpp
int DrawSampleOverlays();   // overlay_plot_demo.cpp
int DrawAnnotatedOverlay(); // annotated_overlay_demo.cpp
int OverlayWindowDemo();    // overlay_window_demo.cpp
int OverlayNoiseDemo();     // overlay_live_demo.cpp
int OverlayLiveDemo();      // overlay_live_demo.cpp
int OverlayHostFeaturesDemo();  // overlay_host_features_demo.cpp
int OverlayAmdisDemo();  // overlay_amdis_demo.cpp
int DrawSampleSpectra();    // spectrum_plot_demo.cpp
int WriteSampleReport();    // report_demo.cpp
int SampleReportDemo();     // sample_report_demo.cpp
int SpectrumControlDemo();  // spectrum_control_demo.cpp
int ReportViewerDemo();     // report_viewer_demo.cpp
int QuantitationDemo();     // quantitation_demo.cpp
int DialogsDemo();          // dialogs_demo.cpp
int PreferenceSheetsDemo();  // preference_sheets_demo.cpp
int VersionsAndFilesDemo();  // versions_demo.cpp
int FileInformationDemo();  // file_information_demo.cpp
int TargetReportDemo();     // target_report_demo.cpp
int ReportFilesDemo();      // report_files_demo.cpp
int QuickIntegrationDemo();  // quick_integration_demo.cpp
int LibrarySearchDemo();    // library_search_demo.cpp
int BackgroundSpectraDemo();  // spectra_background_demo.cpp
int EventEditingDemo();     // event_editing_demo.cpp
int PointFedDemo();         // point_fed_demo.cpp
int OwnedDataDemo();        // point_fed_demo.cpp
int QuantitateFiles(const std::string& dataFile, const std::string& methodFile);
int ShowResults(const std::string& dataFile);

namespace {

int Usage() {
  std::fputs("usage: kelt_host demo\n"
            "       kelt_host make-sample <path> [profile|live|raw|detector|tagged|processed|method] [seed]\n"
            "       kelt_host overlay-control <data file> ...\n"
            "       kelt_host overlay-window\n"
            "       kelt_host quantitate <data file> <method>\n"
            "       kelt_host point-fed\n"
            "       kelt_host refspectra\n"
            "       kelt_host event-editing\n"
            "       kelt_host results <data file>\n"
            "       kelt_host sample-report\n"
            "       kelt_host library-search\n",
             stderr);
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
  if (!CreateSectionFileAtPath(kSamplePath, kSampleType, 0, 3)) return false;
  const std::string log = "Sample run started\r\nInjection 1 of 1\r\nRun finished\r\n";
  std::string points;
  for (int i = 0; i < 1500; ++i) {
    const int32_t v = 1000 + (i % 50) * 37;
    points.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  const char header[34] = {2, 0};
  // The sections in one commit: synced once, and all of them or none.
  if (!BeginSectionBatch(kSamplePath)) return false;
  if (!WriteSampleSection("Header", header, sizeof header) ||
      !WriteSampleSection("LogFile", log.data(), static_cast<uint32_t>(log.size())) ||
      !WriteSampleSection("RawData", points.data(), static_cast<uint32_t>(points.size())) ||
      !WriteSampleSection("TimeTagged", "", 0)) {
    AbortSectionBatch(kSamplePath);
    return false;
  }
  return CommitSectionBatch(kSamplePath) && SetFileInfoLong(kSamplePath, FILE_INFO_POINT_COUNT, 1500);
}

// The kind of data file a work-file record describes.
const char* KindOf(const STRUCT_WORK_FILE* wf) {
  if (wf->directHeader) return "raw MS file";
  if (wf->centroid) return "MS data file, centroid";
  if (wf->profile) return "MS data file, profile";
  return wf->timeTagged ? "detector file, time-tagged" : "detector file";
}

// Opens a data file through the display library and prints what it holds
// and a summary of its total-ion (or first channel's) trace.
bool ShowDataFile(const char* path) {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
  if (!wf) {
    std::printf("%s: not a data file\n", path);
    return false;
  }
  std::printf("%s: %s\n", path, KindOf(wf));
  std::printf("  times %.4f to %.4f min", wf->startTime, wf->endTime);
  if (wf->year) std::printf(", acquired %04d-%02d-%02d %02d:%02d", wf->year + 1900, wf->month, wf->day, wf->hour,
                            wf->minute);
  std::printf("\n");
  if (IsMSKind(wf)) {
    std::printf("  scans %u to %u (%u), sample \"%s\"\n", wf->msInfo.firstScan, wf->msInfo.lastScan, wf->scanCount,
                wf->sampleName);
    for (int i = 0; i < WorkFileSegmentCount(wf); ++i) {
      const MS_SEGMENT_BLOCK* seg = WorkFileSegment(wf, i);
      if (!seg) break;
      std::printf("  segment %d: %.4f to %.4f min, scans %u to %u, %d scan function%s:", i + 1, seg->startTime,
                  seg->endTime, seg->firstScan, seg->lastScan, seg->functionCount, seg->functionCount == 1 ? "" : "s");
      for (int f = 0; f < seg->functionCount; ++f)
        std::printf(" %.1f-%.1f", seg->functions[f].lowMass, seg->functions[f].highMass);
      std::printf("\n");
    }
  } else {
    std::printf("  points %u, interval %.6f min, %u channels:", wf->pointCount, wf->samplingInterval,
                wf->detectorHeader.channelCount);
    for (int c = 0; wf->channelTable && c < wf->channelTable->channelCount; ++c)
      std::printf(" %s (%s)", DetectorChannelAt(wf->channelTable, c)->label, DetectorChannelAt(wf->channelTable, c)->yUnit);
    std::printf("\n");
  }
  STRUCT_NE_DATA_POINTS* dp = MakeDataPointsStruct(wf, wf->startTime, wf->endTime, 40000,
                                                   IsMSKind(wf) ? DATA_TYPE_TIC : DATA_TYPE_DETECTOR, 0, nullptr, nullptr);
  if (dp && dp->pointCount) {
    uint32_t top = 0;
    for (uint32_t i = 1; i < dp->pointCount; ++i)
      if (NePointValue(dp->points, i) > NePointValue(dp->points, top)) top = i;
    std::printf("  %s trace: %u points, %.4f to %.4f min, max %.6g at %.4f min\n", IsMSKind(wf) ? "total-ion" : "channel 1",
                dp->pointCount, dp->startTime, dp->endTime, NePointValue(dp->points, top), NePointAt(dp->points, top)->time);
  } else {
    std::printf("  no trace\n");
  }
  FreeDataPointsStruct(dp);
  FreeWorkFileStruct(wf);
  return true;
}

// Sample data files of each kind, made in the workstation root.
int ShowDataFiles() {
  CreateDirectoryA("C:\\Workstation\\Samples", nullptr);
  const char* ms = "C:\\Workstation\\Samples\\run1.kms";
  const char* profile = "C:\\Workstation\\Samples\\run2.kms";
  const char* raw = "C:\\Workstation\\Samples\\run3.ms";
  const char* detector = "C:\\Workstation\\Samples\\det1.run";
  const char* tagged = "C:\\Workstation\\Samples\\det2.run";
  msfix::RunPlan plan;
  plan.segments = {{1.0, 1, "Solvent delay"}, {2.0, 2, "Main"}, {1.0, 1, "Bake out"}};
  msfix::RunPlan profilePlan = plan;
  profilePlan.scans = 200;
  profilePlan.profile = true;
  msfix::DetectorPlan det;
  msfix::DetectorPlan tag;
  tag.timeTagged = true;
  if (!msfix::WriteMsDataFile(ms, plan, nullptr) || !msfix::WriteMsDataFile(profile, profilePlan, nullptr) ||
      !msfix::WriteRawMsFile(raw, plan, nullptr) || !msfix::WriteDetectorFile(detector, det, nullptr) ||
      !msfix::WriteDetectorFile(tagged, tag, nullptr)) {
    std::fprintf(stderr, "kelt_host: cannot make the sample data files\n");
    return 1;
  }
  std::printf("\n");
  bool ok = true;
  for (const char* path : {ms, profile, raw, detector, tagged}) ok = ShowDataFile(path) && ok;
  return ok ? 0 : 1;
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
  const int rc = ShowDataFiles();
  ShowLibraryStartup();
  ShowDataFileLog();
  ShowPlotDescriptors();
  const int plots = DrawSampleOverlays();
  const int annotated = DrawAnnotatedOverlay();
  int window = OverlayWindowDemo();
  if (const int noise = OverlayNoiseDemo(); !window) window = noise;
  if (const int live = OverlayLiveDemo(); !window) window = live;
  if (const int features = OverlayHostFeaturesDemo(); !window) window = features;
  if (const int amdis = OverlayAmdisDemo(); !window) window = amdis;
  if (const int pointFed = PointFedDemo(); !window) window = pointFed;
  if (const int owned = OwnedDataDemo(); !window) window = owned;
  const int spectra = DrawSampleSpectra();
  const int control = SpectrumControlDemo();
  const int report = WriteSampleReport();
  const int viewer = report ? report : ReportViewerDemo();
  int quantitation = QuantitationDemo();
  // The report maker's sample report of the run just quantitated, then the
  // target-compound report of one of its compounds.
  if (!quantitation) quantitation = SampleReportDemo();
  if (!quantitation) quantitation = TargetReportDemo();
  if (!quantitation) quantitation = ReportFilesDemo();
  int dialogs = DialogsDemo();
  if (const int versions = VersionsAndFilesDemo(); !dialogs) dialogs = versions;
  if (const int files = FileInformationDemo(); !dialogs) dialogs = files;
  if (const int integration = QuickIntegrationDemo(); !dialogs) dialogs = integration;
  if (const int search = LibrarySearchDemo(); !quantitation) quantitation = search;
  if (const int refs = BackgroundSpectraDemo(); !dialogs) dialogs = refs;
  if (const int events = EventEditingDemo(); !dialogs) dialogs = events;
  // Last: it loads the library again to show the saved defaults.
  if (const int prefs = PreferenceSheetsDemo(); !dialogs) dialogs = prefs;
  return rc ? rc : plots ? plots : annotated ? annotated : window ? window : spectra ? spectra : control ? control
         : viewer ? viewer : quantitation ? quantitation : dialogs;
}

// Exit code of a command line the host cannot take.
constexpr int kBadInput = 2;

int Refuse(const std::string& text) {
  std::fprintf(stderr, "kelt_host: %s\n", text.c_str());
  return kBadInput;
}

// A file the command cannot take, with the reason.
int Refused(const std::string& path, const std::string& why) {
  std::fprintf(stderr, "kelt_host: %s refused: %s\n", path.c_str(), why.c_str());
  return 1;
}

bool KnownKind(const std::string& kind) {
  for (const char* k : {"profile", "live", "raw", "detector", "tagged", "processed", "method"})
    if (kind == k) return true;
  return false;
}

// The GC/MS run make-sample writes for a seed.
msfix::RunPlan SampleRunPlan(uint32_t seed, bool profile, bool live) {
  msfix::RunPlan plan;
  plan.seed = seed;
  plan.profile = profile;
  plan.live = live;
  plan.segments = {{1.0, 1, "Solvent delay"}, {2.0, 2, "Main"}, {1.0, 1, "Bake out"}};
  return plan;
}

// Writes a generated GC/MS run (or detector run) to a workstation path.
int MakeSample(int argc, char** argv) {
  if (argc < 3 || argc > 5) return Usage();
  const std::string path = argv[2];
  const std::string kind = argc > 3 ? argv[3] : "";
  if (argc > 3 && !KnownKind(kind))
    return Refuse("unknown sample kind \"" + kind +
                  "\"; the kinds are profile, live, raw, detector, tagged, processed and method "
                  "(none: a centroid run)");
  uint32_t seed = 1;
  if (argc > 4 && !host::ParseSeed(argv[4], &seed))
    return Refuse(std::string("the seed \"") + argv[4] + "\" is not a whole number from 0 to 4294967295");
  std::string why;
  if (!host::UsablePath(path, &why)) return Refuse("cannot write \"" + path + "\": " + why);
  // The folder the sample goes to, one level, as a user would make it.
  size_t slash = path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 2) CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
  bool ok = false;
  if (kind == "processed" || kind == "method") {
    // A processed run keeps its method beside it, under the same name.
    msfix::DHPlan plan;
    plan.run.seed = seed;
    msfix::DHTruth truth;
    if (kind == "method") {
      // The method of the centroid run this command makes with the same
      // seed: its compounds, and the instrument module the run names, so
      // that `quantitate` takes the two together.
      plan.run = SampleRunPlan(seed, false, false);
      plan.moduleId = plan.run.fileType;
      plan.moduleAddress = plan.run.module;
      ok = msfix::WriteMethodFile(path, plan, &truth);
    } else {
      const size_t dot = path.find_last_of('.');
      const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
      const std::string method = (hasExtension ? path.substr(0, dot) : path) + ".mth";
      if (!host::UsablePath(method, &why)) return Refuse("cannot write the method \"" + method + "\": " + why);
      ok = msfix::WriteProcessedDataFile(path, method, plan, &truth);
      if (ok) std::printf("kelt_host: processed run %s, method %s, %zu peaks\n", path.c_str(), method.c_str(),
                          truth.peakCompounds.size());
    }
    if (ok) {
      std::printf("kelt_host: method for MS data of detector type ms%u on module %u (module %u, address %u), "
                  "%zu compounds\n", truth.moduleId, truth.moduleAddress, truth.moduleId, truth.moduleAddress,
                  truth.compounds.size());
      if (kind == "method")
        std::printf("  it quantitates the centroid run make-sample writes with seed %u\n", seed);
      for (const auto& c : truth.compounds)
        std::printf("  %-12s rt %7.4f min  quant %5.1f  amount %6.1f%s\n", c.name.c_str(), c.retentionTime,
                    c.quantIon, c.amount, c.internalStandard ? "  (internal standard)" : "");
    }
  } else if (kind == "detector" || kind == "tagged") {
    msfix::DetectorPlan plan;
    plan.seed = seed;
    plan.timeTagged = kind == "tagged";
    msfix::DetectorTruth truth;
    ok = msfix::WriteDetectorFile(path, plan, &truth);
    if (ok) std::printf("kelt_host: detector file %s, %u points, %zu channels\n", path.c_str(), plan.points,
                        plan.channels.size());
  } else {
    const msfix::RunPlan plan = SampleRunPlan(seed, kind == "profile", kind == "live");
    msfix::RunTruth truth;
    ok = kind == "raw" ? msfix::WriteRawMsFile(path, plan, &truth) : msfix::WriteMsDataFile(path, plan, &truth);
    if (ok) {
      std::printf("kelt_host: MS data %s, %u scans, %zu segments\n", path.c_str(), plan.scans,
                  truth.segments.size());
      for (const auto& c : truth.compounds)
        std::printf("  %-12s rt %7.4f min  height %10.0f  area %10.1f  base %5.1f\n", c.name.c_str(),
                    c.retentionTime, c.height, c.area, c.baseMass);
    }
  }
  if (!ok) std::fprintf(stderr, "kelt_host: could not write %s: %s\n", path.c_str(), host::WhyNotWritten(path).c_str());
  return ok ? 0 : 1;
}

}  // namespace

int OverlayControlDemo(const std::vector<std::string>& paths);

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command != "demo" && command != "overlay-window" && command != "make-sample" && command != "overlay-control" &&
      command != "quantitate" && command != "results" && command != "sample-report" &&
      command != "library-search" && command != "refspectra" && command != "event-editing" &&
      command != "point-fed")
    return Usage();
  std::string why;
  if (!host::RootUsable(&why)) {
    std::fprintf(stderr, "kelt_host: %s\n", why.c_str());
    return 1;
  }
  if (command == "demo" && argc == 2) return Demo();
  if (command == "overlay-window" && argc == 2) {
    const int window = OverlayWindowDemo(), noise = OverlayNoiseDemo(), live = OverlayLiveDemo(),
              features = OverlayHostFeaturesDemo(), amdis = OverlayAmdisDemo();
    return window ? window : noise ? noise : live ? live : features ? features : amdis;
  }
  if (command == "refspectra" && argc == 2) return BackgroundSpectraDemo();
  if (command == "event-editing" && argc == 2) return EventEditingDemo();
  if (command == "point-fed" && argc == 2) {
    const int pointFed = PointFedDemo(), owned = OwnedDataDemo();
    return pointFed ? pointFed : owned;
  }
  if (command == "make-sample") return MakeSample(argc, argv);
  if (command == "library-search" && argc == 2) return LibrarySearchDemo();
  if (command == "sample-report" && argc == 2) {
    const int quantitation = QuantitationDemo();
    const int sample = quantitation ? quantitation : SampleReportDemo();
    return sample ? sample : ReportFilesDemo();
  }
  if (command == "quantitate") {
    if (argc != 4) return Usage();
    for (int i = 2; i < 4; ++i)
      if (!host::UsablePath(argv[i], &why)) return Refuse(std::string("cannot use \"") + argv[i] + "\": " + why);
    // What is wrong with either file is said before the engine is asked.
    why = host::WhyNoDataFile(argv[2]);
    if (!why.empty()) return Refused(argv[2], why);
    why = host::WhyNotMethod(argv[3]);
    if (!why.empty()) return Refused(argv[3], why);
    return QuantitateFiles(argv[2], argv[3]);
  }
  if (command == "results") {
    if (argc != 3) return Usage();
    if (!host::UsablePath(argv[2], &why)) return Refuse(std::string("cannot use \"") + argv[2] + "\": " + why);
    // A data file without results says so; anything else is no data file.
    why = host::WhyNoDataFile(argv[2]);
    if (!why.empty()) return Refused(argv[2], why);
    return ShowResults(argv[2]);
  }
  if (command == "overlay-control" && argc > 2) {
    const std::vector<std::string> paths(argv + 2, argv + argc);
    if (paths.size() > OPLOT_SLOTS)
      return Refuse("the overlay holds at most " + std::to_string(OPLOT_SLOTS) + " files; " +
                    std::to_string(paths.size()) + " were given");
    for (const std::string& path : paths)
      if (!host::UsablePath(path, &why)) return Refuse("cannot show \"" + path + "\": " + why);
    return OverlayControlDemo(paths);
  }
  return Usage();
}
