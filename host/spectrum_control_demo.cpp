// The spectrum control as a user sees it: a 900 x 600 window showing a
// sample spectrum (A), its library hit (B) and their difference, then a
// mass range zoomed with a drag of the mouse, then the information, ion and
// structure pages, the information of a NIST library entry, and a profile
// spectrum centroided through the control with a label put on it; each
// state saved as a PNG of the window's surface.
#include <cstdio>
#include <cstring>

#include "fandor/library_entry_details.h"
#include "host/sample_overlay.h"
#include "host/spectra_samples.h"
#include "plotengine/edit_label_dialog.h"
#include "spectrumctl/spectrum_info_windows.h"
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

// The sample spectrum's compound as a NIST library entry, with what the
// library tells about it.
sample_spectra::Owned NistEntry(const STRUCT_SPT_PLUS* like, const std::string& name) {
  const int n = std::max(0, PlusSpt_GetPairCount(like));
  auto* nist = static_cast<STRUCT_NIST_SPT*>(
      AllocBlock(static_cast<uint32_t>(sizeof(STRUCT_NIST_SPT) + size_t(std::max(n, 1)) * sizeof(NIST_PAIR))));
  auto* aux = static_cast<NIST_AUX_DATA*>(AllocBlock(sizeof(NIST_AUX_DATA)));
  auto* details = static_cast<NIST_ENTRY_DETAILS*>(AllocBlock(sizeof(NIST_ENTRY_DETAILS)));
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!nist || !aux || !details || !spt) {
    FreeBlock(nist);
    FreeBlock(aux);
    FreeBlock(details);
    FreeBlock(spt);
    return sample_spectra::Owned();
  }
  int16_t count = 0;
  double top = 0;
  PlusSpt_GetBasePeak(like, &top);
  for (int i = 0; i < n && top > 0; ++i) {
    double m = 0, v = 0;
    SptPairAt(like, static_cast<uint32_t>(i), &m, &v);
    const auto nominal = static_cast<uint16_t>(std::lround(m));
    const auto scaled = static_cast<uint32_t>(std::lround(v / top * 999));
    if (scaled == 0) continue;
    if (count > 0 && nist->pairs[count - 1].mass == nominal)
      nist->pairs[count - 1].intensity += scaled;
    else
      nist->pairs[count++] = NIST_PAIR{nominal, scaled};
  }
  nist->pairCount = count;
  std::snprintf(nist->libraryName, sizeof nist->libraryName, "%s", "mainlib");
  std::snprintf(aux->name, sizeof aux->name, "%s", name.c_str());
  std::snprintf(aux->formula, sizeof aux->formula, "%s", "C6H3Cl3");
  aux->ids[3] = 120821;
  aux->ids[5] = 180;
  aux->entryWord = 5012;
  std::snprintf(details->contributor, sizeof details->contributor, "%s", "NIST Mass Spectrometry Data Center");
  details->nistNumber = 228;
  details->databases = 0x1 | 0x2 | 0x8 | 0x80;
  details->estimatesPresent = 1;
  ENTRY_ESTIMATES& e = details->estimates;
  e.weightsPresent = 1;
  const int32_t weights[5] = {180, 182, 145, 216, 110};
  const int16_t probabilities[5] = {712, 148, 61, 44, 9};
  for (int i = 0; i < 5; ++i) e.weights[i] = weights[i], e.weightProbabilities[i] = probabilities[i];
  e.halogensPresent = 1;
  e.chlorine = 3;
  const int16_t halogens[4] = {836, 991, 975, 38};
  std::memcpy(e.halogenProbabilities, halogens, sizeof halogens);
  e.warningCount = 1;
  std::snprintf(e.warnings[0], sizeof e.warnings[0], "%s", "Isotope pattern of Cl3 assumed");
  details->replicateCount = 2;
  details->replicates[0] = ENTRY_REPLICATE{5013, "replib"};
  details->replicates[1] = ENTRY_REPLICATE{5014, "replib"};
  details->synonymCount = 2;
  std::snprintf(details->synonyms[0], sizeof details->synonyms[0], "%s", "Benzene, 1,2,4-trichloro-");
  std::snprintf(details->synonyms[1], sizeof details->synonyms[1], "%s", "unsym-Trichlorobenzene");
  aux->block = reinterpret_cast<uint8_t*>(details);
  aux->blockSize = sizeof *details;
  nist->aux = aux;
  PlusSpt_InitNISTSpt(spt, nist, 0, "mainlib");
  PlusSpt_InitRightTitles(spt);
  return sample_spectra::Owned(spt);
}

// The control prints what it shows onto a letter page, as a host's print
// command would have it.
bool PrintSpectrumPage(HWND control, const char* path) {
  HDC dc = sample_overlay::StartLetterPage(path, "Spectrum control");
  if (!dc) return false;
  LOGFONTA lf{};
  lf.lfHeight = -360;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  CDC page;
  page.Attach(dc);
  STRUCT_CCSPT_PRINT request{};
  request.dc = &page;
  request.left = 1500;
  request.top = 2500;
  request.right = 31300;
  request.bottom = 22000;
  request.charWidth = 220;
  request.charHeight = 360;
  SendMessageA(control, SPTM_PRINT, 0, reinterpret_cast<LPARAM>(&request));
  page.Detach();
  SelectObject(dc, old);
  DeleteObject(font);
  const bool ok = sample_overlay::EndLetterPage(dc, true);
  if (ok) std::printf("  printed: %s (%s)\n", path, win::paths::ToHost(path).c_str());
  return ok;
}

}  // namespace

bool WriteSpectrumReport(HWND control);  // spectrum_report_demo.cpp

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
  // The ions by A's intensity, strongest first: the headers mark the order.
  if (control->m_pInfo) control->m_pInfo->SendMessage(WM_USER + 24, 1, 0);
  ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-ions.png") && ok;
  // The picture page of B: the library hit's structure.
  SendMessageA(w, WM_COMMAND, 8028, 0);
  ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-structure.png") && ok;

  // The sample beside the compound's NIST entry: what the library tells.
  sample_spectra::Owned nist = NistEntry(s.hit.get(), s.compound);
  if (nist.get()) {
    SendMessageA(w, SPTM_CHANGEPAGEMODE, 0, 0);
    pair.sptB = nist.get();
    SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&pair));
    SendMessageA(w, SPTM_CHANGEPAGEMODE, 2, 0);
    ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-library-info.png") && ok;
  }

  // A profile spectrum alone, centroided through the control: the profile
  // line, its smoothed line and the centroid sticks in one pane.
  SendMessageA(w, SPTM_CHANGEPAGEMODE, 0, 0);
  SendMessageA(w, SPTM_NODATA, 0, 0);
  STRUCT_CCSPT_SPT_PLUS_DATA profile{};
  profile.presentA = 1;
  profile.sptA = s.profile.get();
  SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&profile));
  win::script::PumpUntilIdle();
  STRUCT_CCSPT_CENTROID_REQUEST request{};
  request.params.engine.smoothPoints = 3;
  request.params.engine.searchPoints = 3;
  request.params.engine.centroidPoints = 7;
  request.autoThreshold = 1;
  request.thresholdFactor = 3.0;
  SendMessageA(w, SPTM_MAKECENTROIDSPECTRUM, 0, reinterpret_cast<LPARAM>(&request));
  if (control->m_centroid[0] && control->m_centroid[0]->tolSpt)
    std::printf("  centroided the profile spectrum: %u profile points, %u centroids\n",
                unsigned(s.profile.get()->tolSpt->pairCount), unsigned(control->m_centroid[0]->tolSpt->pairCount));
  win::script::PumpUntilIdle();
  // A label at the base peak, put there with a right click as a user would.
  if (control->m_scalesValid && control->m_paneHeight[0] > 0) {
    double peakMass = 0, peak = 0;
    peakMass = PlusSpt_GetBasePeak(control->m_centroid[0] ? control->m_centroid[0] : s.profile.get(), &peak);
    double shown[2] = {};
    SendMessageA(w, SPTM_GETMASSRANGE, 0, reinterpret_cast<LPARAM>(shown));
    const int left = control->m_plotLeft + 4 + control->m_vertScaleWidth;
    const int x = left + static_cast<int>((peakMass + 12 - shown[0]) / (shown[1] - shown[0]) * control->m_drawnPlotWidth);
    const int y = control->m_plotTop + 4 + control->m_paneHeight[0] / 3;
    char text[64];
    std::snprintf(text, sizeof text, "Base peak m/z %.2f", peakMass);
    const std::string label = text;
    win::script::OnNextDialog([label](HWND d) {
      win::script::SetField(d, EDIT_LABEL_TEXT_ID, label);
      win::script::PressButton(d, IDOK);
    });
    win::script::ChooseNextMenuItem(8197);
    win::script::Click(w, x, y, win::script::Button::Right);
  }
  ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-centroid.png") && ok;
  ok = PrintSpectrumPage(w, "C:\\Workstation\\Plots\\spectrum-printed.pdf") && ok;
  ok = WriteSpectrumReport(w) && ok;

  DestroyWindow(w);
  DestroyWindow(host);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}

