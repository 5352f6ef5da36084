// The spectrum control as a user sees it: a 900 x 600 window showing a
// sample spectrum (A), its library hit (B) and their difference, then a
// mass range zoomed with a drag of the mouse, then the information, ion and
// structure pages; each state saved as a PNG of the window's surface.
#include <cstdio>

#include "host/spectra_samples.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

bool Save(HWND window, const char* path) {
  win::script::PumpUntilIdle();
  if (!win::script::SaveWindowPng(window, path)) {
    std::fprintf(stderr, "kelt_host: cannot save %s\n", path);
    return false;
  }
  std::printf("  %s (%s)\n", path, win::paths::ToHost(path).c_str());
  return true;
}

LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_COMMAND) {
    std::printf("  the control told its host: code %u\n", HIWORD(w));
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

}  // namespace

int SpectrumControlDemo() {
  sample_spectra::Scenes s;
  if (!sample_spectra::Make("C:\\Workstation\\Plots", &s)) {
    std::fprintf(stderr, "kelt_host: cannot make the sample spectra\n");
    return 1;
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = HostProc;
  wc.lpszClassName = "KeltHostSpectrumWindow";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, wc.lpszClassName, "Spectra", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 600,
                              nullptr, nullptr, nullptr, nullptr);
  RECT client{};
  GetClientRect(host, &client);
  CCtlSpt* control = CreateSpectraControl(CWnd::FromHandle(host), 7, 0, 0, static_cast<short>(client.right),
                                          static_cast<short>(client.bottom), 0, 0, 0);
  if (!control) {
    std::fprintf(stderr, "kelt_host: the spectrum control could not be made\n");
    DestroyWindow(host);
    return 1;
  }
  HWND w = control->m_hWnd;
  std::printf("\nSpectrum control (%s and its library hit):\n", s.compound.c_str());

  // This window shows the difference as well.
  STRUCT_CCSPT_LOCAL_PREFS prefs{};
  SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&prefs));
  prefs.prefs.drawing.showDifference = 1;
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&prefs));

  STRUCT_CCSPT_SPT_PLUS_DATA pair{};
  pair.presentA = pair.presentB = 1;
  pair.sptA = s.water.get();
  pair.sptB = s.hit.get();
  SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&pair));
  bool ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum.png");

  double range[2] = {};
  if (SendMessageA(w, SPTM_GETMASSRANGE, 0, reinterpret_cast<LPARAM>(range)))
    std::printf("  mass range shown: %.2f to %.2f\n", range[0], range[1]);
  // A drag across the plot from m/z 140 to 200, as a user would make it.
  const int x0 = control->m_plotLeft + 4 + control->m_vertScaleWidth;
  const double perPixel = (range[1] - range[0]) / control->m_drawnPlotWidth;
  const int from = x0 + static_cast<int>((140 - range[0]) / perPixel);
  const int to = x0 + static_cast<int>((200 - range[0]) / perPixel);
  const int y = control->m_plotTop + 4 + control->m_paneHeight[0] / 2;
  win::script::Drag(w, POINT{from, y}, POINT{to, y});
  ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-zoomed.png") && ok;
  if (SendMessageA(w, SPTM_GETMASSRANGE, 0, reinterpret_cast<LPARAM>(range)))
    std::printf("  zoomed to: %.2f to %.2f\n", range[0], range[1]);

  // The information page: everything known about A and B, side by side.
  SendMessageA(w, SPTM_SETNAMEOFCONTROL, 0, reinterpret_cast<LPARAM>("Spt "));
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 2, 0);
  ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-info.png") && ok;
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 1, 0);
  ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-ions.png") && ok;
  // The picture page of B: the library hit's structure.
  SendMessageA(w, WM_COMMAND, 8028, 0);
  ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-structure.png") && ok;

  DestroyWindow(w);
  DestroyWindow(host);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}

