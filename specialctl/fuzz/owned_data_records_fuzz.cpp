// libFuzzer target over what a host hands the owned-data control: the input
// is a sequence of messages, each a kind byte and the bytes of its record
// (single plot, slot plot, point, slot point, end time, slot range, clear,
// a snapped click, the real-time switch), ending with a paint. Nothing
// faults; after every message each slot's points fit its block and the
// marker, when set, has a finite time.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "specialctl/owned_data_control.h"
#include "specialctl/fuzz/control_fuzz_host.h"
#include "testing/fuzz_support.h"
#include "win/win_script.h"

namespace {

void CheckControl(const CCtlOPlot3* c) {
  const SVW_OVERLAY* o = c->m_pOverlay;
  fuzz::Check(o != nullptr, "the control keeps its overlay");
  for (int s = 0; s < OPLOT_SLOTS; ++s) {
    const STRUCT_NE_DATA_POINTS* dp = o->slots[s].trace;
    if (!dp) continue;
    fuzz::Check(dp->pointCount <= c->Capacity(s), "points beyond their block");
    fuzz::Check(dp->pointCount <= OP3_MOST_POINTS, "more points than a slot keeps");
    fuzz::Check(strnlen(o->slots[s].workFile->filePath, sizeof o->slots[s].workFile->filePath) <
                    sizeof o->slots[s].workFile->filePath,
                "an unterminated path");
  }
  if (c->m_markerSet) fuzz::Check(std::isfinite(c->m_markerTime), "a marker without a finite time");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static HWND host = fuzz::MakeHostWindow("OwnedDataFuzzHost", 600, 400);
  HWND w = nullptr;
  auto* c = fuzz::MakeChildControl<CCtlOPlot3>(host, "KELT_OP3", 560, 360, &w);
  fuzz::Check(c != nullptr, "the control is made");
  for (int steps = 0; size > 0 && steps < 400; ++steps) {
    uint8_t kind = 0;
    fuzz::Take(data, size, &kind, 1);
    switch (kind % 10) {
      case 0: {
        STRUCT_OP3_NEW_PLOT r;
        fuzz::Take(data, size, &r, sizeof r);
        SendMessageA(w, OP3M_NEWPLOT, 0, reinterpret_cast<LPARAM>(&r));
        break;
      }
      case 1: {
        STRUCT_OP3_NEW_SLOT_PLOT r;
        fuzz::Take(data, size, &r, sizeof r);
        SendMessageA(w, OP3M_NEWSLOTPLOT, 0, reinterpret_cast<LPARAM>(&r));
        break;
      }
      case 2: {
        uint8_t mode = 0;
        STRUCT_NE_POINT p;
        fuzz::Take(data, size, &mode, 1);
        fuzz::Take(data, size, &p, sizeof p);
        SendMessageA(w, OP3M_NEWPOINT, mode & 1, reinterpret_cast<LPARAM>(&p));
        break;
      }
      case 3: {
        uint8_t mode = 0;
        STRUCT_OP3_SLOT_POINT p;
        fuzz::Take(data, size, &mode, 1);
        fuzz::Take(data, size, &p, sizeof p);
        SendMessageA(w, OP3M_NEWSLOTPOINT, mode & 1, reinterpret_cast<LPARAM>(&p));
        break;
      }
      case 4: {
        double t = 0;
        fuzz::Take(data, size, &t, sizeof t);
        SendMessageA(w, OP3M_NEWENDTIME, 0, reinterpret_cast<LPARAM>(&t));
        break;
      }
      case 5: {
        STRUCT_OP3_SLOT_RANGE r;
        fuzz::Take(data, size, &r, sizeof r);
        SendMessageA(w, OP3M_NEWSLOTRANGE, 0, reinterpret_cast<LPARAM>(&r));
        break;
      }
      case 6: {
        uint8_t slot = 0;
        fuzz::Take(data, size, &slot, 1);
        SendMessageA(w, OP3M_CLEARPLOT, slot, 0);
        break;
      }
      case 7: {
        double t = 0;
        fuzz::Take(data, size, &t, sizeof t);
        c->m_timeClick = t;
        SendMessageA(w, OPM_NOTIFICATIONSTOSELF, 100, 0);
        break;
      }
      case 8:
        SendMessageA(w, WM_COMMAND, OP3_CMD_REAL_TIME_UPDATE, 0);
        break;
      default: {
        uint8_t edited[216];
        SendMessageA(w, OP3M_GETEDITEDIONS, 0, reinterpret_cast<LPARAM>(edited));
        SendMessageA(w, OP3M_TOOLBARLAYOUT5, 0, 0);
        break;
      }
    }
    CheckControl(c);
  }
  fuzz::PaintAndDestroy(w);
  return 0;
}

// Seeds: a plot opened and fed a small peak, a new end time and a snapped
// click; then a slot plot with points that extend its end and a range.
extern "C" int KeltFuzzSeeds(const char* folder) {
  std::string bytes;
  auto put = [&](const void* p, size_t n) { bytes.append(static_cast<const char*>(p), n); };
  auto kind = [&](uint8_t k) { put(&k, 1); };
  STRUCT_OP3_NEW_PLOT open{};
  open.startTime = 1;
  open.endTime = 6;
  std::strcpy(open.path, "C:\\FUZZ\\RUN.KMS");
  kind(0);
  put(&open, sizeof open);
  for (int i = 0; i < 40; ++i) {
    kind(2);
    const uint8_t mode = 0;
    put(&mode, 1);
    STRUCT_NE_POINT p{};
    p.time = 1 + i * 0.1;
    p.value.i = 1000 + int64_t(40000 * std::exp(-std::pow(i - 20, 2) / 12.0));
    put(&p, sizeof p);
  }
  kind(4);
  const double end = 7.5;
  put(&end, sizeof end);
  kind(7);
  const double click = 2.97;
  put(&click, sizeof click);
  fuzz::WriteBytes(std::string(folder) + "/single", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  STRUCT_OP3_NEW_SLOT_PLOT slot{};
  slot.rangeGiven = 1;
  slot.startTime = 0;
  slot.endTime = 3;
  slot.slot = 4;
  std::strcpy(slot.path, "C:\\FUZZ\\RUN2.KMS");
  slot.dataKind = 1;
  kind(1);
  put(&slot, sizeof slot);
  for (int i = 0; i < 10; ++i) {
    kind(3);
    const uint8_t mode = 1;
    put(&mode, 1);
    STRUCT_OP3_SLOT_POINT p{};
    p.slot = 4;
    p.point.time = 2.5 + i * 0.2;
    p.point.value.i = 50 * i;
    p.extendEnd = 1;
    put(&p, sizeof p);
  }
  kind(5);
  STRUCT_OP3_SLOT_RANGE range{0.5, 5.0, 1};
  put(&range, sizeof range);
  kind(8);
  kind(6);
  const uint8_t all = 20;
  put(&all, 1);
  fuzz::WriteBytes(std::string(folder) + "/slots", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 0;
}
