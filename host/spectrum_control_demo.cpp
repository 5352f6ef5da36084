// The spectrum control as a user sees it: a 900 x 600 window showing a
// sample spectrum (A), its library hit (B) and their difference, then a
// mass range zoomed with a drag of the mouse, then the information, ion and
// structure pages, the information of a NIST library entry, and a profile
// spectrum centroided through the control with a label put on it, and
// the sample spectrum edited in the Edit Spectrum dialog; each state saved as a PNG of the window's surface.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/edit_label_dialog.h"
#include "fandor/library_search.h"
#include "fandor/msp_library_files.h"
#include "fixtures/identification_fixture.h"
#include "host/demo_pictures.h"
#include "host/picture_checks.h"
#include "host/sample_overlay.h"
#include "host/spectra_samples.h"
#include "spectrumctl/edit_spectrum_dialog.h"
#include "spectrumctl/spectrum_control.h"
#include "spectrumctl/spectrum_info_windows.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

bool Save(HWND window, const char* path) { return demo::SavePicture(window, path); }

// What the spectrum control's notices to its host mean.
const char* NoticeText(unsigned code) {
  switch (code) {
    case SPTN_DELETED_A: return "spectrum A was deleted";
    case SPTN_DELETED_B: return "spectrum B was deleted";
    case SPTN_HIDDEN_A: return "spectrum A was hidden";
    case SPTN_HIDDEN_B: return "spectrum B was hidden";
    case SPTN_HIDDEN_DIFF: return "the difference was hidden";
    case SPTN_SHOWN_ALL: return "every spectrum is shown";
    case SPTN_PREFS_CHANGED: return "its preferences changed";
    case SPTN_ACTIVE_CHANGED: return "another spectrum is active";
    case SPTN_LIBRARY_SEARCH_A: return "search the library for spectrum A";
    case SPTN_LIBRARY_SEARCH_B: return "search the library for spectrum B";
    case SPTN_LIBRARY_SEARCH_DIFF: return "search the library for the difference";
    case SPTN_NEW_SPECTRA: return "it shows new spectra";
    case SPTN_EXPORTED: return "spectra were exported";
    case SPTN_EDITED_A: return "spectrum A was edited";
    case SPTN_EDITED_B: return "spectrum B was edited";
    case SPTN_MAXIMISED: return "a pane was maximised";
    case SPTN_RESTORED: return "the panes were restored";
    case SPTN_NEW_MASS_LIMITS: return "new mass limits";
    case SPTN_AVERAGE_ON: return "averaging turned on";
    case SPTN_AVERAGE_OFF: return "averaging turned off";
    default: return "a notice for the host";
  }
}

LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_COMMAND) {
    std::printf("  the control told its host: %s (code %u)\n", NoticeText(HIWORD(w)), HIWORD(w));
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

// The pairs of a spectrum at nominal mass, scaled to 999 at the base peak.
std::vector<std::pair<int, int>> NominalPairs(const STRUCT_SPT_PLUS* spt) {
  std::vector<std::pair<int, int>> out;
  double top = 0;
  PlusSpt_GetBasePeak(spt, &top);
  const int n = std::max(0, PlusSpt_GetPairCount(spt));
  for (int i = 0; i < n && top > 0; ++i) {
    double m = 0, v = 0;
    SptPairAt(spt, static_cast<uint32_t>(i), &m, &v);
    const int nominal = static_cast<int>(std::lround(m));
    const int scaled = static_cast<int>(std::lround(v / top * 999));
    if (scaled <= 0) continue;
    if (!out.empty() && out.back().first == nominal)
      out.back().second = std::min(999, out.back().second + scaled);
    else
      out.emplace_back(nominal, scaled);
  }
  return out;
}

// A spectrum as the searches take it: u32 count, then {u8 flag, f64 mass,
// u32 intensity} entries.
std::vector<uint8_t> Exchange(const STRUCT_SPT_PLUS* spt) {
  const int n = std::max(0, PlusSpt_GetPairCount(spt));
  std::vector<uint8_t> out(4 + 13 * size_t(n), 0);
  const uint32_t count = static_cast<uint32_t>(n);
  std::memcpy(out.data(), &count, 4);
  for (int i = 0; i < n; ++i) {
    double m = 0, v = 0;
    SptPairAt(spt, static_cast<uint32_t>(i), &m, &v);
    const uint32_t intensity = v > 0 ? static_cast<uint32_t>(std::min(v, 4e9)) : 0;
    std::memcpy(&out[4 + 13 * size_t(i) + 1], &m, 8);
    std::memcpy(&out[4 + 13 * size_t(i) + 9], &intensity, 4);
  }
  return out;
}

// The workstation's main library: the compound with what the library tells
// of it (contributor, databases, synonyms, replicates, estimates) among two
// relatives that share most of its ions.
bool WriteMainLibrary(const char* path, const STRUCT_SPT_PLUS* hit, const std::string& name) {
  const std::vector<std::pair<int, int>> pairs = NominalPairs(hit);
  if (pairs.empty()) return false;
  msfix::LibrarySpectrum entry{name, "C6H3Cl3", "120-82-1", 180, pairs, {}, {}};
  entry.details = {"NIST#: 228",
                   "Contributor: NIST Mass Spectrometry Data Center",
                   "Other DBs: Fine TSCA EPA EINECS",
                   "Synon: Benzene, 1,2,4-trichloro-",
                   "Synon: unsym-Trichlorobenzene",
                   "Synon: 1,2,4-Trichlorbenzol",
                   "Replicate: 5013 in replib",
                   "Replicate: 5014 in replib",
                   "MW Estimate: 180 71.2",
                   "MW Estimate: 182 14.8",
                   "MW Estimate: 145 6.1",
                   "MW Estimate: 216 4.4",
                   "MW Estimate: 110 0.9",
                   "Cl Br Estimate: 3 0 83.6 99.1 97.5 3.8",
                   "Warning: Isotope pattern of Cl3 assumed"};
  msfix::LibrarySpectrum isomer{"1,2,3-Trichlorobenzene", "C6H3Cl3", "87-61-6", 180, {}, {}, {}};
  msfix::LibrarySpectrum dichloro{"1,4-Dichlorobenzene", "C6H4Cl2", "106-46-7", 146, {}, {}, {}};
  for (size_t i = 0; i < pairs.size(); ++i) {
    // The isomer: the same ions in other shares; the lighter relative: the
    // ions below its molecular ion, with a few of its own.
    isomer.peaks.emplace_back(pairs[i].first, std::max(1, pairs[i].second * (i % 3 == 0 ? 6 : 10) / 10));
    if (pairs[i].first <= 150 && i % 4 != 1) dichloro.peaks.emplace_back(pairs[i].first, pairs[i].second);
  }
  dichloro.peaks.emplace_back(146, 999);
  dichloro.peaks.emplace_back(148, 640);
  dichloro.peaks.emplace_back(111, 380);
  std::sort(dichloro.peaks.begin(), dichloro.peaks.end());
  dichloro.peaks.erase(std::unique(dichloro.peaks.begin(), dichloro.peaks.end(),
                                   [](auto& x, auto& y) { return x.first == y.first; }),
                       dichloro.peaks.end());
  CreateDirectoryA("C:\\Workstation\\Libraries", nullptr);
  return msfix::WriteMspLibrary(path, {dichloro, isomer, entry});
}

// The sample spectrum searched in the main library: its best hit as a NIST
// library entry with what the library tells of it.
sample_spectra::Owned SearchedHit(const STRUCT_SPT_PLUS* sample, const STRUCT_SPT_PLUS* hit, const std::string& name) {
  const char* path = "C:\\Workstation\\Libraries\\MAINLIB.MSP";
  if (!WriteMainLibrary(path, hit, name)) return sample_spectra::Owned();
  HSPECLIB lib = OpenSpectrumLibrary(path);
  if (!lib) return sample_spectra::Owned();
  const std::vector<uint8_t> unknown = Exchange(sample);
  void* hits = nullptr;
  STRUCT_NIST_SPT* nist = nullptr;
  FANDOR_HIT best{};
  if (SearchSpectrumLibrary(lib, unknown.data(), 3, 0, &hits) > 0 && GetHitEntry(hits, 0, &best)) {
    std::printf("  searched %s: best hit %s (forward %d, reverse %d)\n", path, best.name, best.forward, best.reverse);
    nist = GetLibraryEntrySpectrum(lib, best.entry);
  }
  FreeBlock(hits);
  CloseSpectrumLibrary(lib);
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!nist || !spt) {
    if (nist) NIST_Free(nist);
    FreeBlock(spt);
    return sample_spectra::Owned();
  }
  PlusSpt_InitNISTSpt(spt, nist, 0, "MAINLIB");
  PlusSpt_InitRightTitles(spt);
  return sample_spectra::Owned(spt);
}

// The sample spectrum as a user saved it into a spectrum list, with its
// import from the run and the compound's names in the list's replicate
// file; read back from the list.
sample_spectra::Owned SavedListEntry(const STRUCT_SPT_PLUS* sample, const std::string& name) {
  const STRUCT_TOL_SPT* t = sample->tolSpt;
  if (!t) return sample_spectra::Owned();
  CreateDirectoryA("C:\\Workstation\\Lists", nullptr);
  std::vector<std::pair<uint32_t, uint32_t>> refs;
  if (!msfix::WriteCidFile("C:\\Workstation\\Lists\\SAVED.CID",
                           {{name, "Benzene, 1,2,4-trichloro-", "unsym-Trichlorobenzene", "1,2,4-Trichlorbenzol"}},
                           &refs))
    return sample_spectra::Owned();
  char line[320];
  msfix::LibrarySpectrum entry{name, "C6H3Cl3", "120-82-1", 180, {}, {}, {}};
  entry.details = {"Comment: apex of the sample peak", "Contributor: Water laboratory", "Scan Function: Scan 1",
                   "Import Date: 2026-12-10 09:41", "Scan Functions: 1", "Baseline Correction: No"};
  std::snprintf(line, sizeof line, "Data File: %s", t->dataFilePath);
  entry.details.push_back(line);
  std::snprintf(line, sizeof line, "Retention Time: %.4f", t->header.time);
  entry.details.push_back(line);
  std::snprintf(line, sizeof line, "Scan Range: %u - %u", t->firstScan, t->lastScan);
  entry.details.push_back(line);
  std::snprintf(line, sizeof line, "Time Range: %.4f - %.4f", t->firstTime, t->lastTime);
  entry.details.push_back(line);
  std::snprintf(line, sizeof line, "CID: %u %u", refs[0].first, refs[0].second);
  entry.details.push_back(line);
  const int n = std::max(0, PlusSpt_GetPairCount(sample));
  for (int i = 0; i < n; ++i) {
    double m = 0, v = 0;
    SptPairAt(sample, static_cast<uint32_t>(i), &m, &v);
    if (v > 0) entry.precise.emplace_back(m, v);
  }
  if (!msfix::WriteMspLibrary("C:\\Workstation\\Lists\\SAVED.MSP", {entry})) return sample_spectra::Owned();
  CAccessMSPFile list(0);
  STRUCT_LIST_SPT* read = list.Open("C:\\Workstation\\Lists\\SAVED.MSP") ? list.ReadSpectrum(0) : nullptr;
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!read || !spt) {
    if (read) LIST_Free(read);
    FreeBlock(spt);
    return sample_spectra::Owned();
  }
  PlusSpt_InitListSpt(spt, read);
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


// Shows spectrum as A and has the control let the user edit it, as a host
// asks it to: the dialog deletes the weakest pair and adds one.
bool EditSampleSpectrum(HWND w, STRUCT_SPT_PLUS* spectrum) {
  CCtlSpt* control = static_cast<CCtlSpt*>(CWnd::FromHandlePermanent(w));
  SendMessageA(w, SPTM_NODATA, 0, 0);
  STRUCT_CCSPT_SPT_PLUS_DATA one{};
  one.presentA = 1;
  one.sptA = spectrum;
  SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&one));
  // The control keeps the range the report zoomed to: the whole spectrum
  // is brought back, as a user would with the toolbar's full scale.
  SendMessageA(w, WM_COMMAND, SPT_CMD_FULL_SCALE, 0);
  win::script::PumpUntilIdle();
  if (!control || !control->m_display[0]) return false;
  const int before = PlusSpt_GetPairCount(control->m_display[0]);
  bool pictured = false;
  std::string deleted, added;
  win::script::OnNextDialog([&](HWND d) {
    std::printf("  \"%s\" opened: %s\n", win::script::Text(d).c_str(),
                win::script::GetField(d, ESD_PEAK_COUNT).c_str());
    // Listed by intensity: the last line is the weakest pair.
    const std::vector<std::string> lines = win::script::ListItems(d, ESD_LIST);
    if (!lines.empty() && win::script::PickItem(d, ESD_LIST, static_cast<int>(lines.size()) - 1)) {
      deleted = lines.back();
      win::script::PressButton(d, ESD_DELETE);
    }
    win::script::SetField(d, ESD_ION, "215.3");
    win::script::SetField(d, ESD_INTENSITY, "4125");
    win::script::PressButton(d, ESD_ADD);
    added = win::script::GetField(d, ESD_ION) + " " + win::script::GetField(d, ESD_INTENSITY);
    std::printf("  deleted \"%s\", added %s; %s\n", deleted.c_str(), added.c_str(),
                win::script::GetField(d, ESD_PEAK_COUNT).c_str());
    pictured = Save(d, "C:\\Workstation\\Plots\\edit-spectrum.png");
    win::script::PressButton(d, ESD_SAVE);
  });
  const size_t dialogs = win::script::DialogLog().size();
  // The host asks the control to let the user edit spectrum A.
  SendMessageA(w, SPTM_LETUSEREDITSPECTRUM, 0, 0);
  win::script::PumpUntilIdle();
  // A script no dialog took must not run on a later one.
  if (win::script::DialogLog().size() == dialogs) win::script::ResetLogs();
  const int after = control->m_display[0] ? PlusSpt_GetPairCount(control->m_display[0]) : 0;
  std::printf("  spectrum A edited: %d pairs before, %d after\n", before, after);
  const char* picture = "C:\\Workstation\\Plots\\control-spectrum-edited.png";
  const bool saved = Save(w, picture);
  // The edited spectrum's sticks stand in its pane.
  const int top = control->m_plotTop + 4, left = control->m_plotLeft + 4 + control->m_vertScaleWidth;
  const bool shown = saved && picture_checks::Holds(picture, "the edited spectrum", left, top + 40,
                                                    left + control->m_drawnPlotWidth, top + control->m_paneHeight[0],
                                                    control->m_prefs.colors.colors[4], 150);
  return pictured && shown && after == before;
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

  // The sample beside its best hit in the main library: what the library
  // tells of the compound's entry.
  sample_spectra::Owned nist = SearchedHit(s.water.get(), s.hit.get(), s.compound);
  sample_spectra::Owned saved;  // shown by the control until it closes
  if (nist.get()) {
    SendMessageA(w, SPTM_CHANGEPAGEMODE, 0, 0);
    pair.sptB = nist.get();
    SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&pair));
    SendMessageA(w, SPTM_CHANGEPAGEMODE, 2, 0);
    ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-library-info.png") && ok;
    // The sample as saved into a spectrum list, read back, beside the hit:
    // the list entry's import and the synonyms of its replicate file.
    saved = SavedListEntry(s.water.get(), s.compound);
    if (saved.get()) {
      SendMessageA(w, SPTM_CHANGEPAGEMODE, 0, 0);
      pair.sptA = saved.get();
      SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&pair));
      SendMessageA(w, SPTM_CHANGEPAGEMODE, 2, 0);
      ok = Save(w, "C:\\Workstation\\Plots\\control-spectrum-list-info.png") && ok;
    }
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

  // The sample spectrum edited in the Edit Spectrum dialog: its weakest pair
  // deleted, a pair added, the dialog's picture kept, then saved.
  ok = EditSampleSpectrum(w, s.water.get()) && ok;

  DestroyWindow(w);
  DestroyWindow(host);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}

