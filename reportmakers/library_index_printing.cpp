// Library index printing: rows of entries drawn on the printer's device
// context, one unit a pixel.
#include "reportmakers/library_index_printing.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "common/data_file_utils.h"
#include "fandor/msp_library_files.h"
#include "orvik32/orvik32_printing.h"
#include "reportmakers/library_search_blocks.h"
#include "spectra/library_entry_texts.h"
#include "spectra/other_spectra.h"

namespace {

struct Row {
  std::string index, mw, cas, formula, name;
};

// Reads entry n into the row: 1 read, 0 deleted (only its number shown),
// -1 an error that ends the job.
using Reader = std::function<int(int32_t, Row*)>;

SIZE Measure(HDC dc, const char* text) {
  SIZE s{};
  GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &s);
  return s;
}

void Put(HDC dc, int x, int y, const std::string& text) { TextOutA(dc, x, y, text.c_str(), int(text.size())); }

// Prints entries first..last (or until read says stop) under the title.
void PrintIndex(const char* document, const std::string& title, int32_t first, int32_t last,
                STRUCT_REPORT_PREFS* prefs, const std::function<bool()>& open, const Reader& read) {
  HDC dc = StartPrintJob(0, document, AbortPrintingReports6);
  if (!dc) return;
  const int width = GetDeviceCaps(dc, HORZRES), height = GetDeviceCaps(dc, VERTRES);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, width, height, nullptr);
  SetViewportExtEx(dc, width, height, nullptr);
  // The printer's default font may be drawn at screen size on a fine
  // printer: a line is at least a sixth of an inch.
  const int minimum = std::max(GetDeviceCaps(dc, LOGPIXELSY) / 6, 8);
  const int mHeight = std::max<int>(Measure(dc, "M").cy, minimum);
  LOGFONTA lf{};
  if (prefs) lf = prefs->fonts.variableFont;
  if (!lf.lfFaceName[0]) std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", "Arial");
  lf.lfHeight = mHeight / 4 * 3;
  STRUCT_GLOBAL_PREFS global{};
  KELT_GetCurrDefGlobalPrefs(&global);
  lf.lfCharSet = global.features.greekCharacters ? 255 : 0;
  HFONT font = CreateFontIndirectA(&lf);
  bool error = !open();
  bool pageOpen = false;
  int page = 1, lines = 0, used = 0, y = 0, w = 0, h = 0, top = 0;
  HGDIOBJ previous = nullptr;
  int columns[5] = {};
  for (int32_t entry = first; !error && entry <= last; ++entry) {
    Row row;
    const int got = read(entry, &row);
    if (got < 0) {
      error = true;
      break;
    }
    if (got == 2) break;  // the end of the file
    if (!pageOpen) {
      if (StartPage(dc) < 1) {
        error = true;
        break;
      }
      pageOpen = true;
      previous = SelectObject(dc, font);
      const SIZE cell = Measure(dc, "M");
      w = std::max<int>(cell.cx, 1);
      h = std::max<int>(cell.cy, 1);
      lines = std::max(height / h - 2, 3);
      top = (height - lines * h) / 2;
      y = top;
      const int at[5] = {0, 6 * w, 12 * w, 24 * w, 44 * w};
      std::copy(at, at + 5, columns);
      char heading[200];
      std::snprintf(heading, sizeof heading, "%s - Page %d", title.c_str(), page);
      Put(dc, (width - Measure(dc, heading).cx) / 2, y, heading);
      y += h;
      const char* names[5] = {"Index", "MW", "CAS No.", "Formula", "Name"};
      for (int k = 0; k < 5; ++k) Put(dc, columns[k], y, names[k]);
      y += h;
      used = 2;
    }
    Put(dc, columns[0], y, row.index);
    if (got == 1) {
      Put(dc, columns[1], y, row.mw);
      Put(dc, columns[2], y, row.cas);
      Put(dc, columns[3], y, row.formula);
      Put(dc, columns[4], y, row.name);
    }
    y += h;
    if (++used >= lines) {
      SelectObject(dc, previous);
      pageOpen = false;
      if (EndPage(dc) < 0) error = true;
      ++page;
    }
  }
  if (pageOpen) {
    SelectObject(dc, previous);
    if (EndPage(dc) < 0) error = true;
  }
  if (error) AbortDoc(dc);
  else EndDoc(dc);
  DeleteObject(font);
  EndPrintJob(dc);
}

std::string Text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

Row RowOf(int32_t entry, int mw, uint32_t cas, const std::string& formula, const std::string& name) {
  Row r;
  r.index = std::to_string(long(entry));
  r.mw = std::to_string(mw);
  char text[128] = {};
  FormatCASNumber(cas, text);
  r.cas = text;
  r.formula = formula;
  r.name = name;
  return r;
}

}  // namespace

BOOL AbortPrintingReports6(HDC, int code) { return code >= -5 && code <= -1 ? 0 : 1; }

void PrintListFileIndex(const char* path, int32_t first, int32_t last, STRUCT_REPORT_PREFS* prefs) {
  if (!path) return;
  char name[64] = {};
  KELT_TruncateFilenameString(path, 44, name);
  char title[160];
  std::snprintf(title, sizeof title, "%s  Entry %ld to %ld", name, long(first), long(last));
  STRUCT_GLOBAL_PREFS global{};
  KELT_GetCurrDefGlobalPrefs(&global);
  CAccessMSPFile list(global.features.greekCharacters);
  int32_t count = 0;
  const auto open = [&] {
    if (!list.Open(path) || !list.CreateIndexes()) return false;
    count = list.CountSpectra();
    return true;
  };
  const auto read = [&](int32_t entry, Row* row) {
    if (entry < 1 || entry > count) return 2;
    STRUCT_LIST_SPT* spt = list.ReadSpectrum(entry - 1);
    if (!spt) return -1;
    *row = RowOf(entry, spt->molecularWeight, spt->casNumber, Text(spt->formula, LIST_FORMULA_SIZE),
                 Text(spt->name, LIST_NAME_SIZE));
    LIST_Free(spt);
    return 1;
  };
  PrintIndex("List File Index", title, first, last, prefs, open, read);
}

void PrintNistLibraryIndex(const STRUCT_NIST_DEFS* defs, int16_t library, int32_t first, int32_t last,
                           STRUCT_REPORT_PREFS* prefs) {
  char path[MAX_PATH] = {};
  kelt::reports::LibraryPath(defs, library, path);
  char name[MAX_PATH] = {};
  if (defs && defs->libraryList) GetLibraryName(int16_t(library - 1), defs->libraryList, name);
  char title[400];
  std::snprintf(title, sizeof title, "%s  Entry %ld to %ld", name, long(first), long(last));
  HSPECLIB lib = nullptr;
  const auto open = [&] {
    lib = path[0] ? OpenSpectrumLibrary(path) : nullptr;
    return lib != nullptr;
  };
  const auto read = [&](int32_t entry, Row* row) {
    STRUCT_NIST_SPT* nist = entry >= 1 ? GetLibraryEntrySpectrum(lib, entry - 1) : nullptr;
    if (!nist || !nist->aux) {
      if (nist) kelt::spectra::FreeNist(nist);
      row->index = std::to_string(long(entry)) + " (deleted)";
      return 0;
    }
    const NIST_AUX_DATA* aux = nist->aux;
    *row = RowOf(entry, int(aux->ids[5] & 0xFFFF), aux->ids[3], Text(aux->formula, sizeof aux->formula),
                 Text(aux->name, sizeof aux->name));
    kelt::spectra::FreeNist(nist);
    return 1;
  };
  PrintIndex("NIST Library Index List", title, first, last, prefs, open, read);
  CloseSpectrumLibrary(lib);
}
