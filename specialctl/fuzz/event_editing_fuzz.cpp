// libFuzzer target over the integration events the editing control reads
// from a processed run: the input becomes the run's peak events, its peak
// table and its method's time events (four count bytes, then 38-byte
// events, 6-byte peak entries, 10-byte time events). The control loads
// them, adds and deletes valleys and time events, drags what it can and
// saves both sets. No read faults; what it writes back stays readable and
// every peak entry names events that exist.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_messages.h"
#include "specialctl/event_edit_control.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"
#include "win/win_script.h"

namespace {

const char kPath[] = "C:\\FUZZ\\EVENTS.KMS";

msfix::DHPlan SmallPlan() {
  msfix::DHPlan plan;
  plan.run.compounds = 4;
  return plan;
}

template <class T>
std::vector<T> Take(const uint8_t*& p, const uint8_t* end, size_t n) {
  std::vector<T> out(n);
  for (size_t i = 0; i < n; ++i) {
    uint8_t bytes[sizeof(T)] = {};
    const size_t have = std::min<size_t>(sizeof(T), size_t(end - p));
    std::memcpy(bytes, p, have);
    p += have;
    std::memcpy(&out[i], bytes, sizeof(T));
  }
  return out;
}

void Exercise(HWND host, uint8_t actions) {
  HWND w = CreateWindowExA(0, "KELT_OP2", "", WS_CHILD | WS_VISIBLE, 0, 0, 800, 480, host, nullptr, nullptr, nullptr);
  if (!w) return;
  auto* c = static_cast<CCtlOPlot2*>(static_cast<CCtlOPlot*>(GetPropA(w, "X")));
  STRUCT_OPLOT_DISPLAY_FILE f{};
  std::strcpy(f.path, kPath);
  SendMessageA(w, OP1M_DISPLAYSETFILE, 0, reinterpret_cast<LPARAM>(&f));
  STRUCT_OP2_READ_REQUEST q{};
  std::strcpy(q.path, kPath);
  SendMessageA(w, OP2M_LOADPEAKEVENTS, 0, reinterpret_cast<LPARAM>(&q));
  char section[80] = {};
  const STRUCT_WORK_FILE* wf = c->m_pOverlay ? c->m_pOverlay->slots[0].workFile : nullptr;
  if (wf && BuildDHSectionName(section, "TimeEvents", wf->fileType, wf->module, "1"))
    SendMessageA(w, OP2M_LOADTIMEEVENTS, reinterpret_cast<WPARAM>(section), reinterpret_cast<LPARAM>(kPath));
  SendMessageA(w, OP2M_SETEDITMODE, 0, 2);
  win::script::PumpUntilIdle();
  if (STRUCT_OPLOT_DRAW_EVENTS* r = c->SlotEvents(0); r && c->m_bSizesValid) {
    RECT area{};
    if (c->ChromatogramRect(&area)) {
      for (int k = 0; k < 4; ++k) {
        c->m_menuX = area.left + (area.right - area.left) * (k + 1) / 5;
        if (actions & 1) SendMessageA(w, WM_COMMAND, OP2_CMD_ADD_VALLEY, 0);
        if (actions & 2) SendMessageA(w, WM_COMMAND, OP2_CMD_ADD_TIME_EVENT0 + (actions >> 4) % 13, 0);
      }
    }
    r = c->SlotEvents(0);
    for (int i = 0; r && (actions & 4) && i < r->eventCount; i += 3) {
      c->m_menuValleyEvent = static_cast<int16_t>(i);
      SendMessageA(w, WM_COMMAND, OP2_CMD_DELETE_VALLEY, 0);
      r = c->SlotEvents(0);
    }
    for (int v = 0; r && (actions & 8) && v < r->valleyCount; ++v) {
      if (!r->valleys[v].handle.drawn) continue;
      const POINT p{r->valleys[v].handle.x + c->m_plotLeft, r->valleys[v].handle.y + c->m_plotTop};
      win::script::Drag(w, p, {p.x + 5, p.y}, 2);
      r = c->SlotEvents(0);
    }
    win::script::OnNextDialog([](HWND d) { win::script::PressButton(d, IDOK); });
    SendMessageA(w, OP2M_SAVETIMEEVENTS, 0, 0);
    SendMessageA(w, OP2M_SAVEPEAKEVENTS, 0, 0);
    if (wf) {
      HDHTABLE events = OpenDHEventListReadOnly(kPath, wf->fileType, wf->module, "1");
      const int16_t n = events ? CountDHEvents(events) : 0;
      if (events) CloseSection(events);
      if (HDHTABLE table = OpenDHBaselineList(kPath, wf->fileType, wf->module, "1")) {
        const int16_t m = CountDHBaselines(table);
        for (int16_t i = 0; i < m; ++i) {
          DH_BASELINE b{};
          fuzz::Check(ReadDHBaseline(table, i, &b, 1) != 0, "a counted peak entry unreadable");
          (void)n;
        }
        CloseSection(table);
      }
    }
  }
  win::script::PumpUntilIdle();
  DestroyWindow(w);
  win::script::PumpUntilIdle();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static msfix::DHTruth truth;
  static const std::string pristine = [] {
    CreateDirectoryA("C:\\FUZZ", nullptr);
    msfix::WriteProcessedDataFile("C:\\FUZZ\\PRISTINE.KMS", "C:\\FUZZ\\PRISTINE.MTH", SmallPlan(), &truth);
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\PRISTINE.KMS"));
  }();
  static HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 820, 500, nullptr,
                                     nullptr, nullptr, nullptr);
  if (size < 4) return 0;
  win::facts::RemoveFile(kPath);
  fuzz::WriteBytes(win::paths::ToHost(kPath), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  const uint8_t* p = data + 4;
  const uint8_t* end = data + size;
  const auto events = Take<DH_PEAK_EVENT>(p, end, data[0]);
  const auto baselines = Take<DH_BASELINE>(p, end, data[1]);
  const auto times = Take<DH_TIME_EVENT>(p, end, data[2]);
  const uint16_t id = truth.moduleId, address = truth.moduleAddress;
  if (HDHTABLE t = CreateDHEventList(kPath, id, address, "1")) {
    if (!events.empty()) WriteDHEvent(t, 0, events.data(), int16_t(events.size()), 1.0f);
    CloseSection(t);
  }
  if (HDHTABLE t = CreateDHBaselineList(kPath, id, address, "1")) {
    if (!baselines.empty()) WriteDHBaseline(t, 0, baselines.data(), int16_t(baselines.size()));
    CloseSection(t);
  }
  if (HSECTION s = CreateDHSection(kPath, id, address, "1")) {
    for (size_t i = 0; i < times.size(); ++i) WriteDHItem(s, int16_t(i), &times[i], 1);
    CloseSection(s);
  }
  Exercise(host, data[3]);
  return 0;
}

// Seeds: the run's own events as integration left them, with every action,
// and a few time events of the kinds the menu adds.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  CreateDirectoryA("C:\\FUZZ", nullptr);
  msfix::DHTruth truth;
  if (!msfix::WriteProcessedDataFile("C:\\FUZZ\\SEED.KMS", "C:\\FUZZ\\SEED.MTH", SmallPlan(), &truth)) return 1;
  std::vector<uint8_t> events, table;
  HDHTABLE t = OpenDHEventListReadOnly("C:\\FUZZ\\SEED.KMS", truth.moduleId, truth.moduleAddress, "1");
  const int16_t n = t ? std::min<int16_t>(CountDHEvents(t), 255) : 0;
  for (int16_t i = 0; i < n; ++i) {
    DH_PEAK_EVENT e{};
    ReadDHEvent(t, i, &e, 1, 1.0f);
    const auto* b = reinterpret_cast<const uint8_t*>(&e);
    events.insert(events.end(), b, b + sizeof e);
  }
  if (t) CloseSection(t);
  t = OpenDHBaselineList("C:\\FUZZ\\SEED.KMS", truth.moduleId, truth.moduleAddress, "1");
  const int16_t m = t ? std::min<int16_t>(CountDHBaselines(t), 255) : 0;
  for (int16_t i = 0; i < m; ++i) {
    DH_BASELINE e{};
    ReadDHBaseline(t, i, &e, 1);
    const auto* b = reinterpret_cast<const uint8_t*>(&e);
    table.insert(table.end(), b, b + sizeof e);
  }
  if (t) CloseSection(t);
  const DH_TIME_EVENT times[3] = {{15000, 1, 18000}, {20000, 11, 10}, {30000, 0, 4}};
  const uint8_t actions[] = {0x0F, 0x13, 0xB5};
  for (size_t k = 0; k < std::size(actions); ++k) {
    std::vector<uint8_t> in = {uint8_t(n), uint8_t(m), uint8_t(k + 1), actions[k]};
    in.insert(in.end(), events.begin(), events.end());
    in.insert(in.end(), table.begin(), table.end());
    const auto* b = reinterpret_cast<const uint8_t*>(times);
    in.insert(in.end(), b, b + sizeof(DH_TIME_EVENT) * (k + 1));
    fuzz::WriteBytes(std::string(folder) + "/events-" + std::to_string(k), in.data(), in.size());
  }
  return 0;
}
