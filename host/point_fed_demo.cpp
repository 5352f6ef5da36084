// The point-fed control following a simulated acquisition: three detector
// traces (a drifting baseline, broad and narrow peaks, shot noise, a
// saturated peak) fed one point at a time as an instrument would deliver
// them, smoothed as they arrive and their apexes labelled; pictured
// stacked and normalised. Then the owned-data control following a file
// being acquired.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/data_points.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "host/demo_pictures.h"
#include "host/overlay_demo_window.h"
#include "overlayctl/overlay_messages.h"
#include "specialctl/owned_data_control.h"
#include "specialctl/point_fed_control.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";

struct Peak {
  double centre, height, sigma;
};

struct Detector {
  const char* title;
  double baseline, drift, noise;
  std::vector<Peak> peaks;
  double ceiling;  // a detector's saturation, 0 for none
};

double Signal(const Detector& d, double t, std::mt19937& rng) {
  double y = d.baseline + d.drift * t + 0.8 * d.baseline * 0.02 * std::sin(t * 1.7);
  for (const Peak& p : d.peaks) y += p.height * std::exp(-0.5 * std::pow((t - p.centre) / p.sigma, 2));
  std::normal_distribution<double> noise(0.0, d.noise);
  y += noise(rng) + std::sqrt(std::max(y, 0.0)) * noise(rng) / d.noise * 0.8;
  if (d.ceiling > 0 && y > d.ceiling) y = d.ceiling;
  return y;
}

bool Save(HWND window, const char* name) {
  char path[260];
  std::snprintf(path, sizeof path, "%s\\%s", kFolder, name);
  return demo::SavePicture(window, path);
}

}  // namespace

int PointFedDemo() {
  CreateDirectoryA("C:\\Workstation", nullptr);
  CreateDirectoryA(kFolder, nullptr);
  HWND control = nullptr;
  HWND window = overlay_demo::MakeWindow("Point-fed plots", 1000, 680, &control, "KELT_OP4", 7, "KeltHostPointFedWindow");
  if (!control) {
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nPoint-fed plots of a simulated acquisition:\n");
  // Both traces shown, the narrowest smoothing.
  const int16_t filter[6] = {2, 1, 1, 0, 0, 4};
  SendMessageA(control, OPM_UPDATETRANSIENTFILTERING, 0, reinterpret_cast<LPARAM>(filter));

  STRUCT_OP4_NEW_PLOTS plots{};
  plots.startTime = 0.0;
  plots.endTime = 12.0;
  std::strcpy(plots.axisText, "min");
  SendMessageA(control, OP4M_NEWPLOTS, 0, reinterpret_cast<LPARAM>(&plots));
  const std::vector<Detector> detectors = {
      {"FID front: broad and narrow peaks on a rising baseline", 2400, 180, 90,
       {{2.6, 5.0e4, 0.35}, {5.15, 3.2e4, 0.05}, {8.4, 1.4e4, 0.6}}, 0},
      {"TCD back: a peak that saturates", 800, -25, 40, {{4.1, 1.1e4, 0.12}, {9.6, 4.0e4, 0.2}}, 2.2e4},
      {"UV 254 nm: weak peaks in noise", 150, 8, 25, {{3.3, 700, 0.08}, {6.9, 1100, 0.3}}, 0},
  };
  for (size_t s = 0; s < detectors.size(); ++s)
    SendMessageA(control, OP4M_NEWTITLE, s, reinterpret_cast<LPARAM>(detectors[s].title));

  // Each detector samples at its own uneven rate; points arrive in time
  // order, interleaved, with a repaint allowed after each.
  std::mt19937 rng(20261210);
  std::uniform_real_distribution<double> jitter(-0.3, 0.3);
  const double rates[] = {0.02, 0.025, 0.04};
  double next[] = {0.0, 0.01, 0.005};
  int fed = 0;
  for (;;) {
    size_t s = 0;
    for (size_t k = 1; k < detectors.size(); ++k)
      if (next[k] < next[s]) s = k;
    if (next[s] > 12.0) break;
    STRUCT_OP4_POINT p{int16_t(s), 0, next[s], Signal(detectors[s], next[s], rng)};
    SendMessageA(control, OP4M_NEWRAWPOINT, 0, reinterpret_cast<LPARAM>(&p));
    next[s] += rates[s] * (1.0 + jitter(rng));
    if (++fed % 200 == 0) win::script::PumpUntilIdle();
  }
  std::printf("  %d points fed to %zu plots\n", fed, detectors.size());

  auto* c = static_cast<CCtlOPlot4*>(static_cast<CCtlOPlot*>(GetPropA(control, CCtlOPlot::kPropertyName)));
  for (size_t s = 0; c && s < detectors.size(); ++s) {
    const STRUCT_NE_DATA_POINTS* dp = c->m_pOverlay->slots[s].trace;
    std::printf("  plot %zu: %u points, block room for %u\n", s + 1, dp ? dp->pointCount : 0, c->RawCapacity(int(s)));
  }

  // Stacked, each plot then scaled to its own data as a user would ask.
  SendMessageA(control, WM_COMMAND, OP4_CMD_STACKED, 0);
  SendMessageA(control, WM_COMMAND, OPLOT_CMD_VERTICAL_FULL_SCALE, 0);
  bool ok = Save(window, "point-fed.png");
  SendMessageA(control, WM_COMMAND, OP4_CMD_NORMALIZED, 0);
  ok = Save(window, "point-fed-normalised.png") && ok;
  DestroyWindow(window);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}

// The owned-data control following a data file while it is acquired: the
// file grows scan by scan, the host reads its total-ion trace after each
// step and hands the control the new points and the new end time; then a
// click is snapped to the nearest point and marked.
int OwnedDataDemo() {
  CreateDirectoryA("C:\\Workstation", nullptr);
  CreateDirectoryA(kFolder, nullptr);
  // The acquisition stand-in writes where scratch files go: its many
  // rewrites are no one's stored data and need not wait for the disk.
  const std::string file = win::paths::TempFolder() + "ACQUIRING.KMS";
  const char* path = file.c_str();
  msfix::RunPlan plan;
  plan.seed = 11;
  plan.scans = 900;
  plan.startTime = 1.0;
  plan.endTime = 16.0;
  plan.compounds = 12;
  HWND control = nullptr;
  HWND window = overlay_demo::MakeWindow("Acquiring", 1000, 520, &control, "KELT_OP3", 8, "KeltHostOwnedDataWindow");
  if (!control) {
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nAn acquisition followed by the owned-data control:\n");
  STRUCT_OP3_NEW_PLOT open{};
  open.startTime = plan.startTime;
  open.endTime = plan.endTime;
  std::snprintf(open.path, sizeof open.path, "%s", path);
  SendMessageA(control, OP3M_NEWPLOT, 0, reinterpret_cast<LPARAM>(&open));

  double lastFed = -1.0;
  int fed = 0;
  for (uint32_t scans = 60; scans <= plan.scans; scans += 60) {
    if (!msfix::WriteMsDataFileSoFar(path, plan, scans, nullptr)) break;
    STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, 0);
    STRUCT_NE_DATA_POINTS* dp =
        wf ? MakeDataPointsStruct(wf, wf->startTime, wf->endTime, 40000, DATA_TYPE_TIC, 0, nullptr, nullptr) : nullptr;
    for (uint32_t i = 0; dp && i < dp->pointCount; ++i) {
      STRUCT_NE_POINT p = *NePointAt(dp->points, i);
      if (p.time <= lastFed) continue;
      if (dp->points->isDouble == 1) p.value.i = static_cast<int64_t>(p.value.d);
      SendMessageA(control, OP3M_NEWPOINT, 0, reinterpret_cast<LPARAM>(&p));
      lastFed = p.time;
      ++fed;
    }
    if (wf) {
      double end = wf->endTime;
      SendMessageA(control, OP3M_NEWENDTIME, 0, reinterpret_cast<LPARAM>(&end));
    }
    FreeDataPointsStruct(dp);
    FreeWorkFileStruct(wf);
    win::script::PumpUntilIdle();
  }
  std::printf("  %d points of %s fed as the file grew\n", fed, path);

  // With real-time updating off, a click is snapped to the nearest point.
  auto* c = static_cast<CCtlOPlot3*>(static_cast<CCtlOPlot*>(GetPropA(control, CCtlOPlot::kPropertyName)));
  bool ok = c != nullptr;
  if (c && !c->RealTimeOn() && c->m_bSizesValid) {
    const CCtlOPlot::PlotArea a = c->GetPlotArea();
    win::script::Click(control, a.left + (a.right - a.left) * 2 / 5, (a.top + a.bottom) / 2);
    win::script::PumpUntilIdle();
    std::printf("  click snapped to %.3f min (marked: %s)\n", c->m_markerTime, c->m_markerSet ? "yes" : "no");
  }
  ok = Save(window, "owned-data.png") && ok;
  DestroyWindow(window);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}
