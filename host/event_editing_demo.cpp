// The integration-event editing control on the processed sample run: a
// valley dragged along the plot and a time event added with scripted mouse
// input, both saved into the files, the files read again by a fresh load
// and the edits shown.
#include <cstdio>
#include <cstring>
#include <string>

#include "holbrin/holbrin.h"
#include "host/overlay_demo_window.h"
#include "host/sample_overlay.h"
#include "overlayctl/overlay_messages.h"
#include "plotengine/plot_coordinates.h"
#include "specialctl/event_edit_control.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\EventEditing";
constexpr char kPicture[] = "C:\\Workstation\\Plots\\event-editing.png";

bool Load(HWND control, const sample_overlay::Files& f, const char* section) {
  STRUCT_OP2_READ_REQUEST q{};
  std::snprintf(q.path, sizeof q.path, "%s", f.water.c_str());
  const bool peaks = SendMessageA(control, OP2M_LOADPEAKEVENTS, 0, reinterpret_cast<LPARAM>(&q)) == 1;
  SendMessageA(control, OP2M_LOADTIMEEVENTS, reinterpret_cast<WPARAM>(section),
               reinterpret_cast<LPARAM>(f.method.c_str()));
  SendMessageA(control, OP2M_SETEDITMODE, 0, 2);
  win::script::PumpUntilIdle();
  return peaks;
}

}  // namespace

int EventEditingDemo() {
  sample_overlay::Files f;
  CreateDirectoryA("C:\\Workstation\\Plots", nullptr);
  if (!sample_overlay::MakeFiles(kFolder, &f)) return 1;
  HWND control = nullptr;
  HWND window = overlay_demo::MakeWindow("Integration events", 1000, 600, &control, "KELT_OP2", 8, "KeltHostEventEditingWindow");
  auto* c = control ? static_cast<CCtlOPlot2*>(static_cast<CCtlOPlot*>(GetPropA(control, "X"))) : nullptr;
  if (!c) {
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nIntegration events of the sample run:\n");
  char section[80] = {};
  BuildDHSectionName(section, "TimeEvents", f.truth.moduleId, f.truth.moduleAddress, "1");
  STRUCT_OPLOT_DISPLAY_FILE file{};
  std::snprintf(file.path, sizeof file.path, "%s", f.water.c_str());
  bool ok = SendMessageA(control, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&file)) == 1;
  win::script::PumpUntilIdle();
  ok = ok && Load(control, f, section) && c->m_bSizesValid;
  double valleyTime = 0, added = 0;
  int valleyEvent = -1;
  if (ok) {
    // The first valley drawn on the plot, dragged a little later.
    STRUCT_OPLOT_DRAW_EVENTS* r = c->SlotEvents(0);
    for (int v = 0; v < r->valleyCount && valleyEvent < 0; ++v) {
      const STRUCT_OPLOT_VALLEY& val = r->valleys[v];
      if (!val.handle.drawn) continue;
      valleyEvent = val.event;
      const double before = val.time;
      const POINT from{val.handle.x + c->m_plotLeft, val.handle.y + c->m_plotTop};
      win::script::Drag(control, from, {from.x + 6, from.y}, 3);
      win::script::PumpUntilIdle();
      valleyTime = c->SlotEvents(0)->events[valleyEvent].time;
      std::printf("  valley moved from %.3f to %.3f min\n", before, valleyTime);
    }
    // A tangent-percent time event added from the time-events strip's menu.
    RECT strip{};
    const STRUCT_WORK_FILE* wf = c->m_pOverlay->slots[0].workFile;
    int32_t x = 0;
    added = wf->startTime + 0.35 * (wf->endTime - wf->startTime);
    if (c->TimeStripRect(&strip) && OPLOT_GetXPixelFromTime(added, c->m_pOverlay, &c->m_Sizes, 0, &x)) {
      win::script::ChooseNextMenuItem(OP2_CMD_ADD_TIME_EVENT0 + 11);
      win::script::Click(control, x + c->m_plotLeft, (strip.top + strip.bottom) / 2, win::script::Button::Right);
      win::script::PumpUntilIdle();
    }
    const bool peaks = SendMessageA(control, OP2M_SAVEPEAKEVENTS, 0, 0) == 1;
    const bool times = SendMessageA(control, OP2M_SAVETIMEEVENTS, 0, 0) == 1;
    std::printf("  peak events saved: %s, time events saved: %s\n", peaks ? "yes" : "no", times ? "yes" : "no");
    ok = valleyEvent >= 0 && peaks && times;
  }
  if (ok) {
    // Everything read again from the files.
    SendMessageA(control, OP2M_CLEAREVENTS, 0, 0);
    ok = Load(control, f, section);
    const STRUCT_OPLOT_DRAW_EVENTS* r = c->SlotEvents(0);
    ok = ok && r && valleyEvent < r->eventCount;
    if (ok) {
      const STRUCT_OPLOT_PEAK_EVENT& e = r->events[valleyEvent];
      std::printf("  read back: valley at %.3f min (integration put it at %.3f min)\n", e.time,
                  DHRawToMinutes(e.originalRawTime));
      ok = e.originalRawTime != 0 && e.rawTime != e.originalRawTime;
    }
    int tangent = 0;
    for (int i = 0; i < c->m_timeEventCount; ++i) tangent += c->m_timeEvents[i].type == 11 ? 1 : 0;
    std::printf("  read back: %d time events, %d of them tangent percentage\n", c->m_timeEventCount, tangent);
    ok = ok && tangent >= 1;
  }
  if (ok && !win::script::SaveWindowPng(window, kPicture)) {
    std::fprintf(stderr, "kelt_host: cannot save %s\n", kPicture);
    ok = false;
  } else if (ok) {
    std::printf("  %s (%s)\n", kPicture, win::paths::ToHost(kPicture).c_str());
  }
  DestroyWindow(window);
  win::script::PumpUntilIdle();
  if (!ok) std::fprintf(stderr, "kelt_host: the event-editing demo failed\n");
  return ok ? 0 : 1;
}
