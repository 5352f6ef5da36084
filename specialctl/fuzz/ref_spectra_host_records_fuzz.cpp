// libFuzzer target over the records a host hands the reference-spectra
// control: an order of the plots (20 16-bit entries), a spectrum marker
// (window, place, slot), a time range, two background times and the slot
// of a one-plot print, sent to a control showing two runs with reference
// spectra. Nothing faults; every slot's set follows its plot's file; the
// counts of the overlay match its flags; markers stay in the table.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/mass_lists.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_messages.h"
#include "specialctl/fuzz/control_fuzz_host.h"
#include "specialctl/ref_spectra_control.h"
#include "spectra/tol_spectra.h"
#include "testing/fuzz_support.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_script.h"

namespace {

const char kRunA[] = "C:\\FUZZ\\ORDERA.KMS";
const char kRunB[] = "C:\\FUZZ\\ORDERB.KMS";

#pragma pack(push, 1)
struct Input {
  int16_t order[OPLOT_SLOTS];
  int16_t markerWindow, markerPlace, markerSlot;
  double rangeStart, rangeEnd;
  double bcTime1, bcTime2;
  int16_t printSlot;
};
#pragma pack(pop)

void WriteRuns() {
  CreateDirectoryA("C:\\FUZZ", nullptr);
  msfix::RunPlan plan;
  plan.scans = 120;
  plan.compounds = 4;
  plan.startTime = 1.0;
  plan.endTime = 5.0;
  msfix::WriteMsDataFile(kRunA, plan, nullptr);
  plan.seed = 3;
  msfix::WriteMsDataFile(kRunB, plan, nullptr);
}

void SetFile(HWND w, const char* path, int16_t slot) {
  STRUCT_OPLOT_DISPLAY_FILE r{};
  r.slot = slot;
  std::strcpy(r.path, path);
  SendMessageA(w, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&r));
}

void CheckConsistent(const CCtlOPlot1* c) {
  const SVW_OVERLAY* o = c->m_pOverlay;
  if (!o) return;
  int attached = 0, shown = 0;
  for (int i = 0; i < OPLOT_SLOTS; ++i) {
    attached += o->tail.attached[i] != 0;
    shown += o->head.shown[i] != 0;
    const CRefSpts* set = c->m_pRefSpts[i];
    if (set && set->WorkFile())
      fuzz::Check(set->WorkFile() == o->slots[i].workFile, "a set reads the file of its own slot");
  }
  fuzz::Check(attached == o->tail.attachedCount, "the loaded count matches the flags");
  fuzz::Check(shown == o->head.shownCount, "the shown count matches the flags");
  fuzz::Check(c->m_activePlot >= -1 && c->m_activePlot < OPLOT_SLOTS, "the active plot is a slot or none");
  for (const auto& window : c->m_SptMarkers)
    for (const auto& m : window)
      if (m.set) fuzz::Check(OverlaySlotIndex(m.slot), "a marker names a slot");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static HWND host = [] {
    WriteRuns();
    return fuzz::MakeHostWindow("RefSptsHostRecordsFuzzHost", 700, 500);
  }();
  Input in{};
  std::memcpy(&in, data, std::min(size, sizeof in));

  HWND w = nullptr;
  auto* c = fuzz::MakeChildControl<CCtlOPlot1>(host, "KELT_OP1", 600, 400, &w);
  if (!c) return 0;
  SetFile(w, kRunA, 0);
  SetFile(w, kRunB, 1);
  win::script::PumpUntilIdle();
  for (short i = 0; i < 2; ++i)
    if (CRefSpts* set = c->RefSpts(i)) set->AddSpt(2.0 + i, 3, c->m_pOverlay, i, &c->m_prefs.plotData);

  SendMessageA(w, OP1M_EXCHANGEPLOTS, 0, reinterpret_cast<LPARAM>(in.order));
  win::script::PumpUntilIdle();
  CheckConsistent(c);

  STRUCT_CHAN_LIST merged{};
  KELT_InitMergedChanList(&merged);
  if (STRUCT_TOL_SPT* spt = c->m_pOverlay && c->m_pOverlay->slots[0].workFile
                                ? TOL_MakeAvgSptFromTime(c->m_pOverlay->slots[0].workFile, &merged, 2.5, 1)
                                : nullptr) {
    STRUCT_SPT_MARKER_INFO info{in.markerWindow, in.markerPlace, in.markerSlot, spt};
    SendMessageA(w, OP1M_SETMARKERINFO, 0, reinterpret_cast<LPARAM>(&info));
    TOL_Free(spt);
  }
  CheckConsistent(c);

  double range[2] = {in.rangeStart, in.rangeEnd};
  SendMessageA(w, OP1M_DISPLAYSETTIMERANGE, 0, reinterpret_cast<LPARAM>(range));
  double times[2] = {in.bcTime1, in.bcTime2};
  SendMessageA(w, OP1M_TWOBCTIMES, 0, reinterpret_cast<LPARAM>(times));
  win::script::PumpUntilIdle();
  CheckConsistent(c);

  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(mem, 800, 600);
  HGDIOBJ old = SelectObject(mem, bitmap);
  CDC dc;
  dc.Attach(mem);
  STRUCT_OPLOT_PRINT_PLOT record{};
  record.dc = &dc;
  record.left = 40;
  record.top = 20;
  record.right = 760;
  record.bottom = 560;
  record.charWidth = 7;
  record.charHeight = 13;
  record.markers = 1;
  SVW_OVERLAY* const before = c->m_pOverlay;
  SendMessageA(w, OP1M_PRINTONEPLOT, static_cast<WPARAM>(static_cast<uint16_t>(in.printSlot)),
               reinterpret_cast<LPARAM>(&record));
  fuzz::Check(c->m_pOverlay == before, "printing gives the overlay back");
  dc.Detach();
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);

  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();
  CheckConsistent(c);
  DestroyWindow(w);
  win::script::PumpUntilIdle();
  return 0;
}

// Seeds: the identity, a swap, a rotation, slots outside the table, a
// repeated slot, and ranges and times that are no times.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  auto write = [&](const std::string& name, const Input& in) {
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(&in), sizeof in);
  };
  Input in{};
  for (int i = 0; i < OPLOT_SLOTS; ++i) in.order[i] = static_cast<int16_t>(i);
  in.rangeStart = 1.5;
  in.rangeEnd = 3.0;
  in.bcTime1 = 1.2;
  in.bcTime2 = 4.0;
  write("identity", in);
  Input swap = in;
  swap.order[0] = 1;
  swap.order[1] = 0;
  swap.markerWindow = 2;
  swap.markerPlace = 1;
  swap.markerSlot = 1;
  swap.printSlot = 1;
  write("swap", swap);
  Input rotate = in;
  for (int i = 0; i < OPLOT_SLOTS; ++i) rotate.order[i] = static_cast<int16_t>((i + 1) % OPLOT_SLOTS);
  write("rotate", rotate);
  Input bad = swap;
  bad.order[5] = 20;
  bad.markerWindow = 4;
  bad.markerSlot = -2;
  bad.printSlot = 25;
  write("outside", bad);
  Input twice = swap;
  twice.order[2] = 0;
  twice.rangeStart = 9.0;
  twice.rangeEnd = -1.0;
  twice.bcTime1 = 4.0;
  twice.bcTime2 = 0.5;
  write("repeated-slot", twice);
  return 0;
}
