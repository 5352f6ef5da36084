// libFuzzer target over the records a host hands the spectrum control: the
// copy-form spectra record (its two embedded heads taken from the input,
// texts unterminated and all, each given pairs of MS data also taken from
// the input), the range record, a fixed mass range, the local preferences,
// the comparison block, live scans and a spectrum request; then the control
// paints its plot, information, ion and comparison pages, centroids its
// profile spectra with the input's parameters and shows its mass limits in
// the ion-range popup, prints onto a metafile page with the input's
// rectangle and opens its centroid windows with a set-up record of the
// input. Nothing faults,
// and the control's slots and ranges stay sound.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "orvik32/orvik32.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/tol_spectra.h"
#include "spectrumctl/make_centroid_dialog.h"
#include "spectrumctl/spectrum_control.h"
#include "testing/fuzz_support.h"
#include "win/win_script.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  void Take(void* out, size_t n) {
    std::memset(out, 0, n);
    const size_t k = at < size ? std::min(n, size - at) : 0;
    if (k) std::memcpy(out, data + at, k);
    at += n;
  }
  uint8_t Byte() {
    uint8_t b = 0;
    Take(&b, 1);
    return b;
  }
};

// The head as a host could fill it: every pointer its own or null; pairs of MS data from the input.
void MakeHead(STRUCT_SPT_PLUS* head, Reader& in) {
  head->tolSpt = nullptr;
  head->nistSpt = nullptr;
  head->diffSpt = nullptr;
  head->listSpt = nullptr;
  head->slbrSpt = nullptr;
  head->refSpt = nullptr;
  head->ticSpt = nullptr;
  head->refExSpt = nullptr;
  head->background = nullptr;
  head->attachments[0] = head->attachments[1] = nullptr;
  head->kind = SPT_KIND_TOL;
  STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
  if (!tol) return;
  tol->profile = in.Byte() & 1;
  const int n = in.Byte();
  for (int i = 0; i < n && tol; ++i) {
    uint16_t mass = 0;
    uint32_t value = 0;
    in.Take(&mass, sizeof mass);
    in.Take(&value, sizeof value);
    STRUCT_TOL_SPT* grown = TOL_AddToSpectrum(tol, mass / 64.0, value);
    if (!grown) break;
    tol = grown;
  }
  head->tolSpt = tol;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static HWND host = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SptFuzzHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "SptFuzzHost", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 500, nullptr, nullptr,
                           nullptr, nullptr);
  }();
  Reader in{data, size};
  const uint32_t blocks = GetLiveBlockCount();
  HWND w = CreateWindowExA(0, "KELT_Spt", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 420, host, nullptr, nullptr, nullptr);
  fuzz::Check(w != nullptr, "the control is made");
  auto* c = static_cast<CCtlSpt*>(CWnd::FromHandlePermanent(w));

  STRUCT_CCSPT_LOCAL_PREFS prefs{};
  in.Take(&prefs, sizeof prefs);
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&prefs));

  auto* rec = static_cast<STRUCT_CCSPT_PLUS_DATA*>(std::calloc(1, sizeof(STRUCT_CCSPT_PLUS_DATA)));
  in.Take(rec, sizeof *rec);
  MakeHead(&rec->a, in);
  MakeHead(&rec->b, in);
  SendMessageA(w, SPTM_PLUSDATA, 0, reinterpret_cast<LPARAM>(rec));
  for (int p = 0; p < SPT_SLOTS; ++p)
    fuzz::Check(std::isfinite(c->m_vertMin[p]) && std::isfinite(c->m_vertMax[p]), "finite ranges after intake");
  TOL_Free(rec->a.tolSpt);
  TOL_Free(rec->b.tolSpt);
  std::free(rec);
  win::script::PumpUntilIdle();

  STRUCT_CCSPT_RANGES ranges{};
  in.Take(&ranges, sizeof ranges);
  SendMessageA(w, SPTM_SETALLRANGEINFO, 0, reinterpret_cast<LPARAM>(&ranges));
  double fixed[2] = {};
  in.Take(fixed, sizeof fixed);
  SendMessageA(w, SPTM_FIXMASSRANGE, 0, reinterpret_cast<LPARAM>(fixed));
  STRUCT_CCSPT_SEARCH_PARAMS search{};
  in.Take(&search, sizeof search);
  SendMessageA(w, SPTM_SETNISTCOMPARISONPARAMS, 1, reinterpret_cast<LPARAM>(&search));
  uint8_t list[SPT_MASS_LIST_SIZE];
  in.Take(list, sizeof list);
  SendMessageA(w, SPTM_SETNEWMASSLIMITS, 0, reinterpret_cast<LPARAM>(list));
  if (in.Byte() & 1) {
    // A live scan: the blocks from the input, the pair block as long as its count says.
    static MS_SEGMENT_BLOCK segment;
    MS_INFO_BLOCK file{};
    MS_SCAN_HEADER header{};
    in.Take(&file, sizeof file);
    in.Take(&segment, 64);  // the head; the rest stays zero
    in.Take(&header, sizeof header);
    uint16_t count = 0;
    in.Take(&count, sizeof count);
    std::vector<uint8_t> pairs(4 + 13 * size_t(count));
    const uint32_t n = count;
    std::memcpy(pairs.data(), &n, 4);
    in.Take(pairs.data() + 4, pairs.size() - 4);
    STRUCT_CCSPT_LIVE_SCAN live{};
    in.Take(live.path, sizeof live.path);
    live.fileHeader = &file;
    live.segment = &segment;
    live.scanHeader = &header;
    live.pairs = pairs.data();
    SendMessageA(w, SPTM_LIVESPECTRUMEX, 0, reinterpret_cast<LPARAM>(&live));
    SendMessageA(w, SPTM_LIVESPECTRUMEX, 0, reinterpret_cast<LPARAM>(&live));
  }
  if (in.Byte() == 0x5A) {
    // A request for a scan of a file named by the input: none such exists.
    STRUCT_CCSPT_SPECTRUM_REQUEST request{};
    in.Take(&request, sizeof request);
    SendMessageA(w, SPTM_SPECTRUMREQUEST, 0, reinterpret_cast<LPARAM>(&request));
    fuzz::Check(c->m_display[0] == nullptr, "an unreadable file shows nothing");
  }
  win::script::PumpUntilIdle();
  for (int p = 0; p < SPT_SLOTS; ++p)
    fuzz::Check(std::isfinite(c->m_vertMin[p]) && std::isfinite(c->m_vertMax[p]), "finite vertical ranges");
  if (c->m_scalesValid) {
    fuzz::Check(std::isfinite(c->m_massLow) && std::isfinite(c->m_massHigh), "a finite mass range");
    fuzz::Check(c->m_massLow <= c->m_massHigh, "an ordered mass range");
  }
  for (WPARAM page : {2, 1, 3, 0}) {
    if (page == 3) {
      c->SetPageMode(SPT_PAGE_COMPARISON);
    } else {
      SendMessageA(w, SPTM_CHANGEPAGEMODE, page, 0);
    }
    win::script::PumpUntilIdle();
  }
  // A centroid request of the input for each spectrum, then the ion-range
  // popup showing the mass limits the input set, opened and closed.
  STRUCT_CCSPT_CENTROID_REQUEST centroid{};
  in.Take(&centroid, sizeof centroid);
  for (WPARAM s : {0, 1}) SendMessageA(w, SPTM_MAKECENTROIDSPECTRUM, s, reinterpret_cast<LPARAM>(&centroid));
  for (int s = 0; s < 2; ++s) {
    const STRUCT_SPT_PLUS* made = c->m_centroid[s];
    fuzz::Check(!made || (c->m_display[s] && made->tolSpt && made->tolSpt->profile == 0), "centroids of a held profile");
  }
  SendMessageA(w, WM_COMMAND, 8208, 0);
  win::script::PumpUntilIdle();
  if (HWND popup = c->m_hIonListPopup) SendMessageA(popup, WM_COMMAND, IDCANCEL, 0);
  fuzz::Check(c->m_hIonListPopup == nullptr, "the closed popup is forgotten");
  win::script::PumpUntilIdle();
  // A print request of the input (rectangle, skips and cell) into a
  // metafile page, then the centroid windows given a set-up record of the
  // input, and closed.
  {
    STRUCT_CCSPT_PRINT print{};
    in.Take(&print, sizeof print);
    HDC page = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    CDC pageDC;
    pageDC.Attach(page);
    print.dc = &pageDC;
    SendMessageA(w, SPTM_PRINT, 0, reinterpret_cast<LPARAM>(&print));
    pageDC.Detach();
    DeleteEnhMetaFile(CloseEnhMetaFile(page));
  }
  {
    auto* setup = static_cast<STRUCT_CCSPT_CENTROID_SETUP*>(AllocBlock(sizeof(STRUCT_CCSPT_CENTROID_SETUP)));
    if (setup) in.Take(setup, 512);
    for (int s = 0; s < 2; ++s) {
      SendMessageA(w, WM_COMMAND, 8115 + s, 0);
      win::script::PumpUntilIdle();
      if (CWnd* dlg = c->m_pCentroidDlg[s]) {
        if (setup) dlg->SendMessage(MCD_NEWSETUP, 0, reinterpret_cast<LPARAM>(setup));
        dlg->SendMessage(WM_COMMAND, MCD_MAKE_SPECTRUM, 0);
        dlg->SendMessage(WM_COMMAND, IDCANCEL, 0);
      }
      win::script::PumpUntilIdle();
      fuzz::Check(c->m_pCentroidDlg[s] == nullptr, "the closed centroid window is forgotten");
    }
    FreeBlock(setup);
  }
  for (int s = 0; s < 2; ++s) {
    fuzz::Check(!c->m_display[s] || c->m_owned[s], "copied spectra are the control's");
    fuzz::Check(c->m_display[s] || !c->m_shown[s], "no empty slot is shown");
  }
  DestroyWindow(w);
  win::script::PumpUntilIdle();
  fuzz::Check(GetLiveBlockCount() == blocks, "every block the control took is freed");
  return 0;
}

