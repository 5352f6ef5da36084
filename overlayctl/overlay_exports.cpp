// What the overlay control hands to the outside: one plot's displayed
// points as a chromatogram text file, the plot area as a bitmap on the
// clipboard, the plots as a picture file, and the host's export messages.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/display_helpers.h"
#include "common/number_format.h"
#include "common/plot_descriptor_texts.h"
#include "common/segment_plots.h"
#include "common/value_scale.h"
#include "common/work_file_facts.h"
#include "overlayctl/overlay_plot_control.h"
#include "reportpages/file_selection.h"
#include "reportpages/page_maker.h"
#include "reportpages/report_output.h"
#include "ulbrec32/clipboard_bitmap.h"
#include "ulbrec32/page_pictures.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"

namespace {

enum : UINT {
  kPrintAll = 2800,
  kBitmapToClipboard = 2816,
  kPictureToFile = 2817,
  kTextFile = 3000,
};
constexpr UINT kClipboardTimer = 42;
constexpr UINT kClipboardDelay = 500;  // ms: the menu is gone from the screen by then
// File kind of chromatogram text files in the save dialog.
constexpr int16_t kChromatogramTextKind = 15;
// The report output's width: header texts are cut to fit it.
constexpr int16_t kTextColumns = 220;

std::string Format(const char* format, double a, double b) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

std::string Fixed(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", value);
  return text;
}

// The extension of a path (after the last dot of its last part), or "".
std::string ExtensionOf(const char* path) {
  const char* base = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/') base = p + 1;
  const char* dot = std::strrchr(base, '.');
  return dot ? std::string(dot + 1) : std::string();
}

}  // namespace

bool CCtlOPlot::OnExportCommand(UINT id) {
  if (id == kPrintAll) {
    OnPrintAll();
  } else if (id == kBitmapToClipboard) {
    OnBitmapToClipboard();
  } else if (id == kPictureToFile) {
    OnPictureToFile();
  } else if (id >= kTextFile && id < kTextFile + OPLOT_SLOTS) {
    OnPlotDataToTextFile(static_cast<short>(id - kTextFile));
  } else {
    return false;
  }
  return true;
}

// ---- Chromatogram text file ----------------------------------------------------------

int CCtlOPlot::WritePlotDataToTextFile(short slot, const char* path, const char* extension) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !OverlaySlotIndex(slot) || !path || !path[0]) return -1;
  const OVERLAY_SLOT& s = o->slots[slot];
  STRUCT_WORK_FILE* wf = s.workFile;
  const STRUCT_NE_DATA_POINTS* dp = s.trace;
  if (!wf || !dp) return -1;
  const bool filtered = (m_filtering[0] == 1 || m_filtering[0] == 2) && dp->filtered;
  const STRUCT_NE_POINT_BLOCK* block = filtered ? dp->filtered : dp->points;
  const uint32_t count = filtered ? dp->filteredCount : dp->pointCount;
  if (!block) return -1;
  const double factor = WorkFileValueFactor(wf);

  CReportOutput out(nullptr, nullptr, kTextColumns, 0, 0, REPORT_OUTPUT_TEXT);
  if (!out.Ok || !out.TextFile) return -1;
  const std::string ext = extension ? extension : "";
  if (_stricmp(ext.c_str(), "prn") == 0) std::strcpy(out.Separator, " ");
  else if (_stricmp(ext.c_str(), "txt") == 0) std::strcpy(out.Separator, "\t");

  // Written beside the target and put in its place only when complete, so
  // a failed export leaves an earlier file of that name as it was.
  const std::string temp = std::string(path) + ".part";
  if (temp.size() >= MAX_PATH || !out.TextFile->OpenAFile(temp.c_str(), "\r\n", 1)) return -1;

  out.HeaderUsed[0] = 1;
  std::strcpy(out.HeaderText[0], "Chromatogram");
  out.HeaderColumn[0] = 0;
  out.WriteHeaderLines();
  auto line = [&](const std::string& text) {
    if (!out.Ok) return;
    // One quoted column of the output's width at most.
    out.QuotedTextAtColumn(0, text.substr(0, kTextColumns - 2).c_str());
    out.NextLine();
  };
  const std::string filePath(wf->filePath, strnlen(wf->filePath, sizeof wf->filePath));
  line("* File:  " + filePath);
  line(Format("* Time Range: %f to %f minutes", o->tail.viewStart, o->tail.viewEnd));
  const STRUCT_MASS_LIST* masses = &s.massList;
  const STRUCT_CHAN_LIST* channels = &s.chanList;
  if (kelt::wff::IsMsKind(wf)) {
    if (s.plotKind == DATA_TYPE_SCAN_FUN_PLOT && s.scanFunArray) {
      char title[641] = {};
      SCAN_FUN_GetPlotTitle(wf, masses, s.scanFunArray, title, 640);
      title[sizeof title - 1] = 0;
      line(std::string("* Plot Descriptor: ") + title);
    } else if (dp->dataType == DATA_TYPE_TIC && masses->kind == 0 && channels->kind == 0) {
      line("* Plot Descriptor: TIC");
    } else if (channels->kind == 0) {
      line("* Plot Descriptor: " + kelt::pd::IonText(masses, wf) + " Merged");
    } else {
      line("* Mass Formula: " + kelt::pd::IonText(masses, wf));
      line("* Channel Formula: " + kelt::pd::ChanListText(channels));
    }
  } else {
    char text[40];
    std::snprintf(text, sizeof text, "* Channel: %d", int(dp->detectorChannel) + 1);
    line(text);
  }
  if (masses->kind == 0 || masses->kind == 3 || masses->kind == 4) {
    std::string type = filtered ? "* Data Type: FILTERED" : "* Data Type: RAW";
    if (wf->directHeader || wf->centroid || wf->profile) type += wf->profile ? "  PROFILE" : "  CENTROID";
    line(type);
  }
  if (out.Ok) out.NextLine();

  // The displayed points, both ends included, within the block.
  int64_t first = o->tail.firstShownIndex[slot], last = o->tail.lastShownIndex[slot];
  if (first < 0) first = 0;
  if (last > int64_t(count) - 1) last = int64_t(count) - 1;
  char value[64];
  for (int64_t i = first; i <= last && out.Ok; ++i) {
    const STRUCT_NE_POINT* p = NePointAt(block, uint32_t(i));
    std::string v;
    if (block->isDouble == 1) {
      v = Fixed(p->value.d);
    } else if (factor == 1.0) {
      v = KELT_FormatIntensityI64(p->value.i, value);
    } else {
      v = KELT_FormatIntensityD(double(float(p->value.i) * float(factor)), value);
    }
    out.SepTextAtColumn(0, Fixed(p->time).c_str());
    out.SepTextAtColumn(5, v.c_str());
    out.NextLine();
  }
  const bool ok = out.Ok != 0;
  out.TextFile->CloseAFile();
  if (ok && MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return 1;
  DeleteFileA(temp.c_str());
  return 0;
}

void CCtlOPlot::OnPlotDataToTextFile(short slot) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || !OverlaySlotIndex(slot) || !o->slots[slot].workFile || !o->slots[slot].trace) return;
  const OVERLAY_SLOT& s = o->slots[slot];
  char path[MAX_PATH] = {};
  const size_t shown = strnlen(s.displayFileName, sizeof s.displayFileName);
  if (shown) std::snprintf(path, sizeof path, "%.*s", int(shown), s.displayFileName);
  else std::snprintf(path, sizeof path, "%.*s", int(sizeof s.workFile->filePath), s.workFile->filePath);
  if (!Dlg_SelectSaveAsFileExEx(m_hWnd, kChromatogramTextKind, path, 1, 0, "-CHROMATOGRAM", 0)) return;
  const std::string ext = ExtensionOf(path);
  const int written = WritePlotDataToTextFile(slot, path, ext.c_str());
  if (written >= 0) KELT_ShowDoneStatus(written ? 1 : 0);
}

LRESULT CCtlOPlot::OnExportChromatogramToTextFile(WPARAM wParam, LPARAM) {
  if (wParam < OPLOT_SLOTS) OnPlotDataToTextFile(static_cast<short>(wParam));
  return 0;
}

// ---- Clipboard and picture -------------------------------------------------------------

void CCtlOPlot::OnBitmapToClipboard() {
  // The menu goes first, so that it is not in the picture.
  if (m_pMenu) {
    m_pMenu->DestroyMenu();
    delete m_pMenu;
    m_pMenu = nullptr;
  }
  SetTimer(kClipboardTimer, kClipboardDelay, nullptr);
}

LRESULT CCtlOPlot::OnControlToBitmap(WPARAM, LPARAM) {
  if (m_pOverlay && m_bSizesValid && m_pOverlay->tail.attachedCount >= 1)
    SetTimer(kClipboardTimer, kClipboardDelay, nullptr);
  return 0;
}

void CCtlOPlot::CopyToClipboardLater() { BitmapToClipboard(); }

int CCtlOPlot::BitmapToClipboard() {
  const int x = m_plotLeft, y = m_plotTop, w = m_plotWidth, h = m_plotHeight;
  if (w <= 0 || h <= 0 || !m_hWnd) return 0;
  HDC screen = ::GetDC(m_hWnd);
  if (!screen) return 0;
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = mem ? CreateCompatibleBitmap(screen, w, h) : nullptr;
  bool copied = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(mem, bitmap);
    copied = StretchBlt(mem, 0, 0, w, h, screen, x, y, w, h, SRCCOPY) != 0;
    SelectObject(mem, old);
  }
  if (mem) DeleteDC(mem);
  ::ReleaseDC(m_hWnd, screen);
  if (!bitmap) return 0;  // nothing to offer: the clipboard stays as it was
  const bool done = copied && PutBitmapOnClipboard(m_hWnd, bitmap);
  if (!done) DeleteObject(bitmap);
  KELT_ShowDoneStatus(done ? 1 : 0);
  return done ? 1 : 0;
}

LRESULT CCtlOPlot::OnClickDragBitmapToClipboard(WPARAM, LPARAM) {
  SetClickDragMode(OPLOT_DRAG_CLIPBOARD);
  return 0;
}

HGLOBAL CCtlOPlot::MakePicturePage() {
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  const bool landscape = prefs.spooler.orientation == 2;
  CMPage* page = MPM_InitMetaPageMaker(&prefs, landscape ? 140 : 80, landscape ? 60 : 72, landscape ? 1 : 0);
  if (!page) return nullptr;
  if (!MPM_StartNewPage(page, 0)) {
    MPM_FreeMetaPageMaker(page);
    return nullptr;
  }
  int16_t cw = 0, ch = 0;
  MPM_SelectLargeFont(page, &cw, &ch);
  STRUCT_OPLOT_PRINT_PLOT record{};
  record.dc = MPM_GetCMetaFileDC(page);
  record.left = 500;
  record.bottom = 32267;
  record.right = 32267;
  record.top = 500;
  record.charWidth = cw;
  record.charHeight = ch;
  record.markers = 1;
  if (record.dc) SendMessage(PrintMessageForKind(), 0, reinterpret_cast<LPARAM>(&record));
  HGLOBAL bits = MPM_EndPage(page);
  MPM_FreeMetaPageMaker(page);
  return bits;
}

void CCtlOPlot::OnPictureToFile() {
  HGLOBAL bits = MakePicturePage();
  if (!bits) return;
  SavePictureToFile(m_hWnd, bits, 1, 1, 32767, 32767);
  GlobalFree(bits);
}

LRESULT CCtlOPlot::OnControlToWMFFile(WPARAM, LPARAM) {
  if (m_pOverlay && m_bSizesValid && m_pOverlay->tail.attachedCount >= 1) OnPictureToFile();
  return 0;
}

// ---- Host messages for other exports ------------------------------------------------------

LRESULT CCtlOPlot::OnLetUserEditChromatogramPreferences(WPARAM, LPARAM) {
  OnTTEditChromatogramPrefs();
  return 0;
}

LRESULT CCtlOPlot::OnExportChromatogramToAMDIS(WPARAM wParam, LPARAM lParam) {
  // Slots past the table are no command of the menu.
  if (wParam >= OPLOT_SLOTS) return 0;
  OnExportChroToAMDIS(static_cast<UINT>((lParam ? 3140 : 3160) + wParam));
  return 0;
}
