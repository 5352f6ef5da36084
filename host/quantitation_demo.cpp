// The engine's one-call quantitation: a method calibrated at three levels
// by calibration runs, then a sample run quantitated against it; the
// compounds found are printed and the run's chromatogram is drawn with the
// new results written at its peaks.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fixtures/msp_library.h"
#include "plotengine/one_chro_overlay.h"
#include "plotengine/plot_drawing.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/result_annotations.h"
#include "plotengine/tile_texts.h"
#include "quant/peak_flags.h"
#include "quant/tests/quant_run_support.h"
#include "quorna/quorna.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Quant";
constexpr char kMethod[] = "C:\\Workstation\\Quant\\calibrated.mth";
constexpr char kSample[] = "C:\\Workstation\\Quant\\sample.kms";
constexpr char kPlots[] = "C:\\Workstation\\Plots";
constexpr char kPicture[] = "C:\\Workstation\\Plots\\quantitated.png";

// The engine's notes and errors, printed as they come.
LRESULT CALLBACK EngineMessages(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  static const UINT error = RegisterWindowMessageA("WM_MORVEX_ERROR");
  if (msg == error) {
    std::printf("  %s:%s\n", w ? "error" : "note", reinterpret_cast<const char*>(l));
    return 0;
  }
  return DefWindowProcA(hwnd, msg, w, l);
}

HWND MessageWindow() {
  static HWND window = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = EngineMessages;
    wc.lpszClassName = "KeltHostEngineMessages";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "KeltHostEngineMessages", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }();
  return window;
}

const char* KindText(int32_t kind) {
  switch (kind) {
    case RESULT_KIND_IDENTIFIED: return "found";
    case RESULT_KIND_MISSING: return "missing";
    case RESULT_KIND_FAILED: return "failed";
    case RESULT_KIND_TIC: return "library";
    case RESULT_KIND_DUPLICATE: return "duplicate";
    default: return "unknown";
  }
}

void PrintResults(const char* dataFile) {
  STRUCT_RESULTS_HEADER h;
  const std::vector<STRUCT_RESULT_STEP> steps = quant_run::ReadSteps(dataFile, &h);
  std::printf("  %-24s %-9s %8s %12s %10s %-6s %s\n", "compound", "result", "RT min", "response", "amount", "units",
              "flags");
  for (const STRUCT_RESULT_STEP& s : steps) {
    const double response = h.responseBasis == 1 ? s.area : s.height;
    std::printf("  %-24.24s %-9s %8.3f %12.0f %10.3f %-6.6s %s\n", quant_run::StepName(s).c_str(), KindText(s.kind),
                double(s.retentionTime), response, double(s.amount), s.units, s.flagText);
  }
  int named = 0;
  for (const STRUCT_RESULT_STEP& s : steps) named += s.kind >= RESULT_KIND_TIC && s.ticIndex >= 0;
  std::printf("  %d compounds found, %d missing, %d failed; %d other peaks, %d named by library search\n",
              h.countIdentified, h.countMissing, h.countFailed, h.countTIC + h.countUnknown + h.countDuplicate, named);
}

struct OverlayFree {
  void operator()(SVW_OVERLAY* o) const {
    OPLOT_ClearOverlayStructure(o);
    FreeBlock(o);
  }
};

// The run's TIC with its new results written at its peaks.
bool DrawQuantitated(const char* dataFile) {
  CreateDirectoryA(kPlots, nullptr);
  std::unique_ptr<SVW_OVERLAY, OverlayFree> o(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o) return false;
  o->head.displayMode = OVERLAY_MODE_STACKED;
  if (!OPLOT_AddAnyPlotToOverlayStructure(o.get(), 0, dataFile, DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr, nullptr,
                                          "Counts", "", 0, 0))
    return false;
  o->head.activePlot = 0;
  OPLOT_UpdateOverlayPlots(o.get(), o->tail.homeStart, o->tail.homeEnd);
  OPLOT_SetVerticalFullScale(o.get(), 1, 1);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 1200, 700);
  HGDIOBJ old = SelectObject(dc, bmp);
  LOGFONTA lf{};
  lf.lfHeight = -13;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  STRUCT_OPLOT_PLOT_PARAMS p;
  OPLOT_InitPlotParams(&p, 0, 0, 699, 1199, 0, int16_t(tm.tmAveCharWidth), int16_t(tm.tmHeight));
  uint32_t format[26] = {};
  STRUCT_OPLOT_DRAW_CHRO d;
  OPLOT_InitDrawChro(&d, format);
  d.drawBackground = 1;
  d.verticalScaleWidth = int16_t(8 * tm.tmAveCharWidth);
  STRUCT_OVER_SIZES sizes;
  bool ok = OPLOT_DrawPlots(dc, &d, &p, o.get(), &sizes) != 0;
  int shown = 0;
  if (ok) {
    STRUCT_RESULT_ANNOTATIONS prefs{};
    prefs.show = 1;
    for (int k = 0; k < 5; ++k) prefs.kindFlags[k] = 1;
    prefs.itemCount = 3;
    prefs.items[0] = 0;  // name
    prefs.items[1] = 1;  // time
    prefs.items[2] = 8;  // amount
    prefs.textSize = 300;
    STRUCT_ANNOTATIONS* annotations[OVERLAY_SLOTS] = {};
    annotations[0] = OPLOT_CreateDHAnnotationStrings(o.get(), 0, 0, &prefs, 16, 1);
    int32_t left, bottom, right, top;
    CTileTextOnPlot holder;
    if (annotations[0] && holder.InitHolder() &&
        OPLOT_GetChromatogramArea(o.get(), &sizes, 0, &left, &bottom, &right, &top)) {
      STRUCT_MARKER_PARAMS marker{};
      marker.transparent = 1;
      marker.screenColor = RGB(170, 20, 20);
      marker.printColor = RGB(0, 0, 0);
      marker.font = lf;
      marker.font.lfHeight = -11;
      marker.positionMode = 1;
      marker.pointerMode = 1;
      OPLOT_AddAnnotationsToTileTextClass(&holder, 0, o.get(), &sizes, nullptr, &marker, annotations, 0, 0);
      const double low = o->tail.scales.plotLow[0], high = o->tail.scales.plotHigh[0];
      const double from = o->tail.viewStart, to = o->tail.viewEnd;
      holder.DrawTileLabels(CDC::FromHandle(dc), 0, &marker.font, from, to, low, high, (right - left) / (to - from),
                            (bottom - top) / (high - low), left, right, top, bottom);
      shown = holder.Count();
    }
    OPLOT_FreeAllAnnotations(annotations);
    ok = win::gdi::SaveBitmapPng(dc, kPicture);
  }
  SelectObject(dc, oldFont);
  DeleteObject(font);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  if (ok) std::printf("  %d result annotations; picture: %s (%s)\n", shown, kPicture, win::paths::ToHost(kPicture).c_str());
  return ok;
}

}  // namespace

namespace {

uint64_t Digest(const char* file, const char* name, bool* present) {
  uint64_t h = 1469598103934665603ull;
  *present = false;
  HSECTION s = OpenSectionReadOnly(file, name, nullptr);
  if (!s) return 0;
  *present = true;
  std::vector<uint8_t> bytes(GetSectionSize(s));
  if (!bytes.empty() && ReadSection(s, bytes.data(), uint32_t(bytes.size())) != bytes.size()) bytes.clear();
  CloseSection(s);
  for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

}  // namespace

// Prints a data file's results and a digest of its three result sections;
// 1 when they do not hold together (counts that are not the steps, a
// qualifier record per compound step missing, a step's TIC record or hit
// that cannot be read) or the file is claimed.
int ShowResults(const std::string& dataFile) {
  const char* file = dataFile.c_str();
  char owner[200] = {};
  if (GetFileLockOwner(file, owner, sizeof owner)) {
    std::printf("claimed by %s\n", owner);
    return 1;
  }
  bool r = false, q = false, t = false;
  const uint64_t dr = Digest(file, RESULTS_SECTION, &r), dq = Digest(file, QUALIFIERS_SECTION, &q),
                 dt = Digest(file, TICS_SECTION, &t);
  std::printf("sections %016llx %016llx %016llx\n", (unsigned long long)dr, (unsigned long long)dq,
              (unsigned long long)dt);
  if (!r) {
    std::printf("no results\n");
    return 0;
  }
  STRUCT_RESULTS_HEADER h;
  const std::vector<STRUCT_RESULT_STEP> steps = quant_run::ReadSteps(file, &h);
  const int total = h.countIdentified + h.countMissing + h.countFailed + h.countTIC + h.countDuplicate + h.countUnknown;
  bool ok = total == int(steps.size());
  const int compounds = h.countIdentified + h.countMissing + h.countFailed;
  if (HSECTION qs = OpenQualifierDataReadOnly(file)) {
    ok = ok && CountQualifierCompounds(qs) == compounds;
    CloseSection(qs);
  } else {
    ok = ok && compounds == 0;
  }
  if (HSECTION ts = OpenTICDataReadOnly(file)) {
    for (const STRUCT_RESULT_STEP& s : steps) {
      if (s.kind < RESULT_KIND_TIC || s.ticIndex < 0 || s.ticHitOffset == 0) continue;
      STRUCT_TIC_HIT* hit = GetMatchingTICHitRecord(ts, s.ticHitOffset);
      ok = ok && hit && std::strncmp(hit->compoundName, s.name, 40) == 0;
      if (hit) FreeTICHitRecord(hit);
    }
    CloseSection(ts);
  }
  PrintResults(file);
  std::printf("%s\n", ok ? "consistent" : "INCONSISTENT");
  return ok ? 0 : 1;
}

// Quantitates a data file against a method as an analysis sample, prints
// the results and draws them. 0 when the run completed.
int QuantitateFiles(const std::string& dataFile, const std::string& methodFile) {
  std::printf("\nQuantitation of %s against %s:\n", dataFile.c_str(), methodFile.c_str());
  uint8_t options[QUANT_OPTIONS_SIZE];
  quant_run::Options(options, SAMPLE_ANALYSIS, 0);
  if (!DoTolmarQuantitation(MessageWindow(), dataFile.c_str(), methodFile.c_str(), options)) {
    std::fprintf(stderr, "kelt_host: %s could not be quantitated (the engine's messages say why)\n",
                 dataFile.c_str());
    return 1;
  }
  PrintResults(dataFile.c_str());
  if (!DrawQuantitated(dataFile.c_str())) {
    std::fprintf(stderr, "kelt_host: cannot draw %s\n", kPicture);
    return 1;
  }
  return 0;
}

// The main job's quantitation: the method, its three calibration runs and
// the sample, written anew in the workstation root.
int QuantitationDemo() {
  CreateDirectoryA(kFolder, nullptr);
  CreateDirectoryA("C:\\TEMP", nullptr);
  quant_run::Design d;
  quant_run::MethodPlan plan;
  plan.reportUnknowns = 1;
  plan.filterTenths = 5;
  plan.librarySearch = 1;
  plan.removeIdentified = false;  // the compounds' peaks are searched as well
  plan.libraryFolder = kFolder;
  plan.libraryName = "compounds.msp";
  msfix::DHTruth method;
  if (!quant_run::WriteUncalibratedMethod(kMethod, d, plan, &method)) {
    std::fprintf(stderr, "kelt_host: cannot write %s\n", kMethod);
    return 1;
  }
  quant_run::SampleSpec s;
  s.amounts = {4, 9, 16, 25};
  s.drift = 0.02;
  msfix::RunTruth truth;
  if (!quant_accuracy::WriteSample(kSample, d, s, method, &truth)) return 1;
  // The library knows the run's compounds among others.
  std::vector<msfix::MspEntryTruth> entries;
  if (!msfix::WriteMspLibrary(std::string(kFolder) + "\\compounds.msp", msfix::MspLibraryPlan{}, truth.compounds,
                              &entries))
    return 1;
  std::printf("\nCalibration of %s at three levels:\n", kMethod);
  for (size_t l = 0; l < plan.levels.size(); ++l) {
    quant_run::SampleSpec c;
    c.amounts.assign(size_t(d.analytes), plan.levels[l]);
    c.noiseSeed = 100 + uint32_t(l);
    const std::string path = std::string(kFolder) + "\\cal" + std::to_string(l + 1) + ".kms";
    if (!quant_accuracy::WriteSample(path.c_str(), d, c, method, nullptr)) return 1;
    if (!quant_run::Quantitate(MessageWindow(), path.c_str(), kMethod, SAMPLE_CALIBRATION, int16_t(l))) {
      std::fprintf(stderr, "kelt_host: the calibration run %s failed\n", path.c_str());
      return 1;
    }
    std::printf("  level %zu: %s, analytes at %.1f\n", l + 1, path.c_str(), plan.levels[l]);
  }
  std::printf("  the sample holds");
  for (size_t a = 0; a < s.amounts.size(); ++a)
    std::printf(" %s %.1f%s", method.compounds[a + 1].name.c_str(), s.amounts[a], a + 1 < s.amounts.size() ? "," : "\n");
  return QuantitateFiles(kSample, kMethod);
}
