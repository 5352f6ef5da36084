// The calibration report pages the library draws itself: the calibration
// block of every compound of a file's method as text pages, and each
// compound's calibration curve (its level points and the fitted curve) two
// to a page. Pages are metafiles on a 32767 x 32767 logical page, handed
// out in a page buffer of the page-rendering library. The same block can
// go to a separated text file instead.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dh_engine.h"
#include "holbrin.h"
#include "orvik32/orvik32.h"
#include "ulbrec32/page_buffer.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_metafile.h"

namespace {

constexpr int kLogical = 32767;
constexpr int kLines = 56;           // text lines of a block page
constexpr int kTop = 600;            // logical y of line 0
constexpr int kLineHeight = (kLogical - kTop) / kLines;

struct Page {
  HDC dc = nullptr;
  HFONT normal = nullptr, bold = nullptr, small = nullptr;
};

bool StartPage(Page* p) {
  HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  // A Letter page's printable area (8 x 10.5 inches) in hundredths of a millimetre.
  const RECT frame{0, 0, 20320, 26670};
  p->dc = CreateEnhMetaFileA(display, nullptr, &frame, "Holbrin\0Calibration\0");
  const int dpiX = display ? GetDeviceCaps(display, LOGPIXELSX) : 96;
  const int dpiY = display ? GetDeviceCaps(display, LOGPIXELSY) : 96;
  if (display) DeleteDC(display);
  if (!p->dc) return false;
  SetMapMode(p->dc, MM_ANISOTROPIC);
  SetWindowExtEx(p->dc, kLogical, kLogical, nullptr);
  SetViewportExtEx(p->dc, dpiX * 8, dpiY * 21 / 2, nullptr);
  SetBkMode(p->dc, TRANSPARENT);
  SetTextAlign(p->dc, TA_LEFT | TA_TOP);
  p->normal = CreateFontA(-kLineHeight * 4 / 5, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Courier New");
  p->bold = CreateFontA(-kLineHeight, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  p->small = CreateFontA(-kLineHeight * 2 / 3, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  SelectObject(p->dc, p->normal);
  return true;
}

// Ends the page into the buffer; false when it could not be stored.
bool EndPage(Page* p, HPAGEBUFFER buffer, int32_t index) {
  SelectObject(p->dc, GetStockObject(SYSTEM_FONT));
  for (HFONT f : {p->normal, p->bold, p->small})
    if (f) DeleteObject(f);
  HENHMETAFILE emf = CloseEnhMetaFile(p->dc);
  p->dc = nullptr;
  if (!emf) return false;
  const UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
  void* bits = size ? AllocBlock(size) : nullptr;
  bool ok = bits && GetEnhMetaFileBits(emf, size, static_cast<LPBYTE>(bits)) == size;
  DeleteEnhMetaFile(emf);
  ok = ok && SetBufferPage(buffer, index, bits, 1, 2, 0, 80, kLines, 0, 1, 2, 0, 0);
  if (!ok && bits) FreeBlock(bits);
  return ok;
}

void Text(const Page& p, int column, int line, const std::string& text, HFONT font = nullptr) {
  if (font) SelectObject(p.dc, font);
  TextOutA(p.dc, column * kLogical / 80, kTop + line * kLineHeight, text.c_str(), int(text.size()));
  if (font) SelectObject(p.dc, p.normal);
}

std::string Name(const STRUCT_DH_COMPOUND& c) { return std::string(c.name, strnlen(c.name, sizeof c.name)); }

const char* FitName(int16_t curve) {
  switch (curve) {
    case DH_CURVE_LINEAR: return "Linear";
    case DH_CURVE_QUADRATIC: return "Quadratic";
    case DH_CURVE_AVERAGE_RF: return "Average RF";
    case DH_CURVE_CUBIC: return "Cubic";
    default: return "Unknown";
  }
}

std::string Equation(const STRUCT_DH_COMPOUND& c) {
  char text[160];
  std::snprintf(text, sizeof text, "y = %.4g + %.4g x", double(c.coefficients[0]), double(c.coefficients[1]));
  std::string s = text;
  if (c.coefficients[2] != 0) {
    std::snprintf(text, sizeof text, " + %.4g x^2", double(c.coefficients[2]));
    s += text;
  }
  if (c.coefficients[3] != 0) {
    std::snprintf(text, sizeof text, " + %.4g x^3", double(c.coefficients[3]));
    s += text;
  }
  return s;
}

// A level's points that are counted and finite, with their amount.
std::vector<std::pair<double, double>> Points(const STRUCT_DH_COMPOUND& c) {
  std::vector<std::pair<double, double>> points;
  for (const DH_CALIBRATION_LEVEL& l : c.levels) {
    const int n = std::clamp<int>(l.count, 0, 10);
    for (int i = 0; i < n; ++i)
      if (std::isfinite(l.amount) && std::isfinite(l.responses[i]))
        points.emplace_back(double(l.amount), double(l.responses[i]));
  }
  return points;
}

double Curve(const STRUCT_DH_COMPOUND& c, double x) {
  return c.coefficients[0] + c.coefficients[1] * x + c.coefficients[2] * x * x + c.coefficients[3] * x * x * x;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", v);
  return text;
}

// The curve of one compound in the page rectangle (logical units).
void DrawCurve(const Page& p, const STRUCT_DH_COMPOUND& c, int left, int top, int right, int bottom) {
  const std::vector<std::pair<double, double>> points = Points(c);
  double xMax = 0, yMax = 0, yMin = 0;
  for (const auto& pt : points) {
    xMax = std::max(xMax, pt.first);
    yMax = std::max(yMax, pt.second);
    yMin = std::min(yMin, pt.second);
  }
  if (!(xMax > 0)) xMax = 1;
  for (int i = 0; i <= 20; ++i) {
    const double y = Curve(c, xMax * 1.1 * i / 20);
    if (std::isfinite(y)) {
      yMax = std::max(yMax, y);
      yMin = std::min(yMin, y);
    }
  }
  if (!(yMax > yMin)) yMax = yMin + 1;
  xMax *= 1.1;
  yMax += (yMax - yMin) * 0.05;
  auto X = [&](double x) { return int(left + (right - left) * x / xMax); };
  auto Y = [&](double y) { return int(bottom - (bottom - top) * (y - yMin) / (yMax - yMin)); };
  HGDIOBJ oldPen = SelectObject(p.dc, GetStockObject(BLACK_PEN));
  HGDIOBJ oldBrush = SelectObject(p.dc, GetStockObject(NULL_BRUSH));
  Rectangle(p.dc, left, top, right, bottom);
  SelectObject(p.dc, p.small);
  TextOutA(p.dc, left, bottom + 80, "0", 1);
  const std::string xm = Number(xMax);
  TextOutA(p.dc, right - int(xm.size()) * 220, bottom + 80, xm.c_str(), int(xm.size()));
  TextOutA(p.dc, left + (right - left) / 2 - 600, bottom + 80, "Amount", 6);
  const std::string ym = Number(yMax);
  TextOutA(p.dc, 300, top, ym.c_str(), int(ym.size()));
  const std::string y0 = Number(yMin);
  TextOutA(p.dc, 300, bottom - kLineHeight / 2, y0.c_str(), int(y0.size()));
  TextOutA(p.dc, 300, top + (bottom - top) / 2, "Response", 8);
  SelectObject(p.dc, p.normal);
  // The fitted curve, clipped to the box.
  const int saved = SaveDC(p.dc);
  IntersectClipRect(p.dc, left, top, right, bottom);
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 160));
  SelectObject(p.dc, pen);
  bool started = false;
  for (int i = 0; i <= 100; ++i) {
    const double x = xMax * i / 100, y = Curve(c, x);
    if (!std::isfinite(y)) {
      started = false;
      continue;
    }
    const int py = std::clamp(Y(y), top - 1000, bottom + 1000);
    if (!started) MoveToEx(p.dc, X(x), py, nullptr);
    else LineTo(p.dc, X(x), py);
    started = true;
  }
  SelectObject(p.dc, GetStockObject(BLACK_PEN));
  DeleteObject(pen);
  for (const auto& pt : points) {
    const int x = X(pt.first), y = Y(pt.second), d = 150;
    MoveToEx(p.dc, x - d, y - d, nullptr);
    LineTo(p.dc, x + d, y + d);
    MoveToEx(p.dc, x - d, y + d, nullptr);
    LineTo(p.dc, x + d, y - d);
  }
  RestoreDC(p.dc, saved);
  SelectObject(p.dc, oldBrush);
  SelectObject(p.dc, oldPen);
}

}  // namespace

HOLBRIN_API void* MakeCalibrationReportPages(const char* path, const char* tag, uint16_t moduleId,
                                              uint16_t moduleAddress, const void* format, int16_t pageKind, int32_t,
                                              int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
  (void)format;
  if (!path || !tag || (pageKind != 0 && pageKind != 1)) return nullptr;
  HDHTABLE table = OpenCompoundTable(path, moduleId, moduleAddress, tag);
  if (!table) return nullptr;
  std::vector<STRUCT_DH_COMPOUND> compounds;
  const int32_t count = std::min<int32_t>(CountDHRecords(table), 1000);
  for (int32_t i = 0; i < count; ++i) {
    STRUCT_DH_COMPOUND c;
    if (!GetDHRecord(table, i, &c)) break;
    compounds.push_back(c);
  }
  FreeDHRecordSet(table);
  HPAGEBUFFER buffer = CreatePageBuffer();
  if (!buffer) return nullptr;
  const std::string file(path);
  int32_t pages = 0;
  bool ok = true;
  if (pageKind == 0) {
    Page p;
    int line = 0;
    auto start = [&]() {
      if (!StartPage(&p)) return false;
      Text(p, 2, 0, "Calibration Block Report", p.bold);
      Text(p, 2, 2, "Method: " + file.substr(0, 70));
      Text(p, 2, 4, "No.  Compound                        Fit         Equation");
      line = 6;
      return true;
    };
    ok = start();
    for (size_t i = 0; ok && i < compounds.size(); ++i) {
      const STRUCT_DH_COMPOUND& c = compounds[i];
      int levels = 0;
      for (const DH_CALIBRATION_LEVEL& l : c.levels) levels += l.count > 0 && l.amount > 0;
      if (line + 2 + levels >= kLines) {
        ok = EndPage(&p, buffer, pages++) && start();
        if (!ok) break;
      }
      char row[200];
      std::snprintf(row, sizeof row, "%3zu  %-30.30s  %-10s  %s", i + 1, Name(c).c_str(), FitName(c.integration1713),
                    Equation(c).c_str());
      Text(p, 2, line++, row);
      int n = 0;
      for (const DH_CALIBRATION_LEVEL& l : c.levels) {
        ++n;
        if (!(l.count > 0 && l.amount > 0)) continue;
        std::string responses;
        for (int k = 0; k < std::clamp<int>(l.count, 0, 10); ++k) responses += " " + Number(l.responses[k]);
        std::snprintf(row, sizeof row, "     Level %2d  amount %-10s responses%.60s", n, Number(l.amount).c_str(),
                      responses.c_str());
        Text(p, 2, line++, row);
      }
      ++line;
    }
    if (ok) ok = EndPage(&p, buffer, pages++);
  } else {
    for (size_t i = 0; ok && i < compounds.size(); i += 2) {
      Page p;
      ok = StartPage(&p);
      if (!ok) break;
      Text(p, 2, 0, "Calibration Curves", p.bold);
      Text(p, 2, 1, "Method: " + file.substr(0, 70));
      for (size_t k = i; k < i + 2 && k < compounds.size(); ++k) {
        const STRUCT_DH_COMPOUND& c = compounds[k];
        const int base = k == i ? 3 : 29;
        char title[160];
        std::snprintf(title, sizeof title, "%zu  %.40s   %s fit", k + 1, Name(c).c_str(), FitName(c.integration1713));
        Text(p, 2, base, title, p.bold);
        Text(p, 4, base + 1, Equation(c));
        DrawCurve(p, c, 5000, kTop + (base + 3) * kLineHeight, 30000, kTop + (base + 22) * kLineHeight);
      }
      ok = EndPage(&p, buffer, pages++);
    }
  }
  if (!ok) {
    for (int32_t i = 0; i < CountBufferPages(buffer, 2); ++i) ReleaseBufferPage(buffer, i, 1);
    FreePageBuffer(buffer);
    return nullptr;
  }
  return buffer;
}

// ---- The calibration block as a separated text file -------------------------------------

namespace {

// One quoted text field: inner quotes doubled.
std::string Quoted(const std::string& text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '\r' || c == '\n') c = ' ';
    q += c;
    if (c == '"') q += '"';
  }
  return q + "\"";
}

std::string Value(double v) {
  if (!std::isfinite(v)) return "\"\"";
  char text[40];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

bool EqualNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// The separator: the extension chosen for the file decides, else the
// report format's output format (0 comma, 1 tab, 2 blank).
char Separator(const char* extension, const char* formatFile, const char* formatSection) {
  if (extension && *extension == '.') ++extension;
  if (extension && EqualNoCase(extension, "csv")) return ',';
  if (extension && EqualNoCase(extension, "txt")) return '\t';
  if (extension && EqualNoCase(extension, "prn")) return ' ';
  std::vector<uint8_t> format(sizeof(STRUCT_REPORT_FORMAT), 0);
  if (!(formatFile && formatSection && ReadReportFormat(formatFile, formatSection, format.data())) &&
      !ResetReportFormat(format.data()))
    return ',';
  int16_t kind = 0;
  std::memcpy(&kind, format.data() + 24, sizeof kind);
  return kind == 1 ? '\t' : kind == 2 ? ' ' : ',';
}

constexpr int kResponseColumns = 10;

}  // namespace

HOLBRIN_API int32_t WriteCalibrationBlockText(const char* path, const char* tag, uint16_t moduleId,
                                              uint16_t moduleAddress, const char* formatFile,
                                              const char* formatSection, const char* outputPath, int32_t,
                                              int32_t, int32_t, const char* extension, const char* displayName) {
  try {
    if (!path || !tag || !outputPath || !*outputPath) return 0;
    HDHTABLE table = OpenCompoundTable(path, moduleId, moduleAddress, tag);
    if (!table) return 0;
    std::vector<STRUCT_DH_COMPOUND> compounds;
    const int32_t count = std::min<int32_t>(CountDHRecords(table), 1000);
    for (int32_t i = 0; i < count; ++i) {
      STRUCT_DH_COMPOUND c;
      if (!GetDHRecord(table, i, &c)) break;
      compounds.push_back(c);
    }
    FreeDHRecordSet(table);
    const char sep = Separator(extension, formatFile, formatSection);
    const std::string method = displayName && *displayName ? displayName : path;
    // One header row and the same fields on every row, so that a
    // spreadsheet reads the block as one table: a row for each level of a
    // compound that has points, one row with empty level fields otherwise.
    std::string text;
    auto row = [&](const std::vector<std::string>& fields) {
      for (size_t i = 0; i < fields.size(); ++i) {
        if (i) text += sep;
        text += fields[i];
      }
      text += "\r\n";
    };
    std::vector<std::string> head = {Quoted("Method"), Quoted("No."),           Quoted("Compound"),
                                     Quoted("Fit"),    Quoted("Equation"),      Quoted("Coefficient 0"),
                                     Quoted("Coefficient 1"), Quoted("Coefficient 2"), Quoted("Coefficient 3"),
                                     Quoted("Level"),  Quoted("Amount"),        Quoted("Points")};
    for (int k = 1; k <= kResponseColumns; ++k) head.push_back(Quoted("Response " + std::to_string(k)));
    row(head);
    for (size_t i = 0; i < compounds.size(); ++i) {
      const STRUCT_DH_COMPOUND& c = compounds[i];
      std::vector<std::string> lead = {Quoted(method), std::to_string(i + 1), Quoted(Name(c)),
                                       Quoted(FitName(c.integration1713)), Quoted(Equation(c))};
      for (int k = 0; k < 4; ++k) lead.push_back(Value(c.coefficients[k]));
      bool any = false;
      int n = 0;
      for (const DH_CALIBRATION_LEVEL& l : c.levels) {
        ++n;
        if (!(l.count > 0 && l.amount > 0)) continue;
        any = true;
        const int points = std::clamp<int>(l.count, 0, kResponseColumns);
        std::vector<std::string> fields = lead;
        fields.push_back(std::to_string(n));
        fields.push_back(Value(l.amount));
        fields.push_back(std::to_string(points));
        for (int k = 0; k < kResponseColumns; ++k) fields.push_back(k < points ? Value(l.responses[k]) : "\"\"");
        row(fields);
      }
      if (!any) {
        std::vector<std::string> fields = lead;
        for (int k = 0; k < 3 + kResponseColumns; ++k) fields.push_back("\"\"");
        row(fields);
      }
    }
    // Written beside the file, then moved over it in one step.
    const std::string temp = std::string(outputPath) + ".new";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD written = 0;
    const bool ok = WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(h);
    if (!ok || !MoveFileExA(temp.c_str(), outputPath, MOVEFILE_REPLACE_EXISTING)) {
      DeleteFileA(temp.c_str());
      return 0;
    }
    return 1;
  } catch (...) {
    return 0;
  }
}
