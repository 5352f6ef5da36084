// libFuzzer target over what a host hands the point-fed control: the input
// is a sequence of messages, each a kind byte and the bytes of its record
// (plots header, title, point, batch, filtered point, range, clear,
// sub-level), ending with a paint. Nothing faults; after every message each
// slot's points fit its blocks, raw points stay in time order without
// repeated times, and every label of the filtered maximum has a finite place.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "specialctl/point_fed_control.h"
#include "specialctl/fuzz/control_fuzz_host.h"
#include "testing/fuzz_support.h"
#include "win/win_script.h"

namespace {

void CheckControl(const CCtlOPlot4* c) {
  const SVW_OVERLAY* o = c->m_pOverlay;
  fuzz::Check(o != nullptr, "the control keeps its overlay");
  for (int s = 0; s < OPLOT_SLOTS; ++s) {
    const STRUCT_NE_DATA_POINTS* dp = o->slots[s].trace;
    if (!dp) continue;
    fuzz::Check(dp->pointCount <= c->RawCapacity(s), "raw points beyond their block");
    fuzz::Check(dp->filteredCount <= c->FilteredCapacity(s), "filtered points beyond their block");
    for (uint32_t i = 1; i < dp->pointCount; ++i)
      fuzz::Check(NePointAt(dp->points, i - 1)->time < NePointAt(dp->points, i)->time,
                  "raw points out of order or repeated");
  }
  for (short i = 0; i < c->m_pLabels->Capacity(); ++i) {
    const CLabelInfo* l = c->m_pLabels->Label(i);
    if (l && l->m_type == MAXIMUM_LABEL_KIND)
      fuzz::Check(std::isfinite(l->m_labelX) && std::isfinite(l->m_labelY), "a label without a finite place");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static HWND host = fuzz::MakeHostWindow("PointFedFuzzHost", 600, 400);
  HWND w = nullptr;
  auto* c = fuzz::MakeChildControl<CCtlOPlot4>(host, "KELT_OP4", 560, 360, &w);
  fuzz::Check(c != nullptr, "the control is made");
  // At most a few hundred messages an input, so that one input stays quick.
  for (int steps = 0; size > 0 && steps < 400; ++steps) {
    uint8_t kind = 0;
    fuzz::Take(data, size, &kind, 1);
    switch (kind % 9) {
      case 0: {
        STRUCT_OP4_NEW_PLOTS r;
        fuzz::Take(data, size, &r, sizeof r);
        SendMessageA(w, OP4M_NEWPLOTS, 0, reinterpret_cast<LPARAM>(&r));
        break;
      }
      case 1: {
        uint8_t slot = 0, length = 0;
        fuzz::Take(data, size, &slot, 1);
        fuzz::Take(data, size, &length, 1);
        std::string title(length, '\0');
        fuzz::Take(data, size, title.data(), length);
        title.push_back('\0');
        SendMessageA(w, OP4M_NEWTITLE, WPARAM(int8_t(slot)), reinterpret_cast<LPARAM>(title.c_str()));
        break;
      }
      case 2:
      case 3: {
        uint8_t mode = 0;
        STRUCT_OP4_POINT p;
        fuzz::Take(data, size, &mode, 1);
        fuzz::Take(data, size, &p, sizeof p);
        SendMessageA(w, kind % 9 == 2 ? OP4M_NEWRAWPOINT : OP4M_NEWFILTEREDPOINT, mode & 1,
                     reinterpret_cast<LPARAM>(&p));
        break;
      }
      case 4: {
        uint8_t n = 0;
        fuzz::Take(data, size, &n, 1);
        std::vector<STRUCT_OP4_POINT> batch(std::max<size_t>(n, 1));
        fuzz::Take(data, size, batch.data(), sizeof(STRUCT_OP4_POINT) * n);
        SendMessageA(w, OP4M_NEWRAWPOINTS, n, reinterpret_cast<LPARAM>(batch.data()));
        break;
      }
      case 5: {
        double range[2];
        fuzz::Take(data, size, range, sizeof range);
        SendMessageA(w, OP4M_NEWRANGE, 0, reinterpret_cast<LPARAM>(range));
        break;
      }
      case 6: {
        uint8_t slot = 0;
        fuzz::Take(data, size, &slot, 1);
        SendMessageA(w, OP4M_CLEARPLOT, WPARAM(int8_t(slot)), 0);
        break;
      }
      case 7: {
        uint8_t level = 0;
        fuzz::Take(data, size, &level, 1);
        SendMessageA(w, OP4M_SETSUBLEVEL, level & 1, 0);
        break;
      }
      default: {
        uint8_t command = 0;
        fuzz::Take(data, size, &command, 1);
        const int commands[] = {OP4_CMD_STACKED, OP4_CMD_NORMALIZED, OPLOT_CMD_FULL_SCALE,
                                OPLOT_CMD_VERTICAL_FULL_SCALE};
        SendMessageA(w, WM_COMMAND, WPARAM(commands[command % 4]), 0);
        break;
      }
    }
    CheckControl(c);
  }
  fuzz::PaintAndDestroy(w);
  return 0;
}

// Seeds: a set of plots with two slots fed a small peak point by point, a
// batch, a late and a repeated point, a range and a display toggle.
extern "C" int KeltFuzzSeeds(const char* folder) {
  std::string bytes;
  auto put = [&](const void* p, size_t n) { bytes.append(static_cast<const char*>(p), n); };
  auto kind = [&](uint8_t k) { put(&k, 1); };
  STRUCT_OP4_NEW_PLOTS plots{};
  plots.startTime = 0;
  plots.endTime = 5;
  std::strcpy(plots.axisText, "Time");
  kind(0);
  put(&plots, sizeof plots);
  for (uint8_t slot : {0, 3}) {
    kind(1);
    put(&slot, 1);
    const uint8_t n = 6;
    put(&n, 1);
    put("Trace", n);
  }
  for (int i = 0; i < 40; ++i) {
    kind(2);
    const uint8_t mode = 0;
    put(&mode, 1);
    STRUCT_OP4_POINT p{int16_t(i % 2 ? 3 : 0), 0, 0.5 + i * 0.1, 100 + 5000 * std::exp(-std::pow(i - 20, 2) / 18.0)};
    put(&p, sizeof p);
  }
  fuzz::WriteBytes(std::string(folder) + "/peak", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  kind(4);
  const uint8_t n = 5;
  put(&n, 1);
  for (int i = 0; i < n; ++i) {
    STRUCT_OP4_POINT p{0, 1, 6.0 + i * 0.1, 50.0 * i};
    put(&p, sizeof p);
  }
  for (double x : {2.05, 2.05, 0.1}) {
    kind(2);
    const uint8_t mode = 1;
    put(&mode, 1);
    STRUCT_OP4_POINT p{0, 2, x, 77};
    put(&p, sizeof p);
  }
  kind(5);
  const double range[2] = {1, 3};
  put(range, sizeof range);
  kind(8);
  const uint8_t command = 0;
  put(&command, 1);
  fuzz::WriteBytes(std::string(folder) + "/mixed", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 0;
}
