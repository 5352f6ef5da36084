// Metafile report pages and the report printer's cached device contexts.
#include "reportpages/metafile_page.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/number_format.h"
#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "reportpages/view_page_control.h"
#include "ulbrec32/plot_marks.h"
#include "win/win_crt.h"
#include "win/win_gdi.h"
#include "win/win_profile.h"
#include "win/win_stdio.h"

namespace kelt::pages {
namespace {

std::string g_device, g_driver;

}  // namespace

HDC ReportPrinterDC(bool landscape) {
  char text[260] = {};
  GetPrivateProfileStringA("Corvane Zeph Workstation", "device", "", text, sizeof text, GetWorkstationIniPath());
  if (!text[0]) GetProfileStringA("windows", "device", "", text, sizeof text);
  std::string value = text;
  const size_t first = value.find(',');
  if (first == std::string::npos) return nullptr;
  const size_t second = value.find(',', first + 1);
  const std::string device = value.substr(0, first);
  const std::string driver = value.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
  if (device.empty()) return nullptr;
  const int which = landscape ? 1 : 0;
  if (CachedPrinterDC(0) || CachedPrinterDC(1)) {
    if (strcasecmp(device.c_str(), g_device.c_str()) == 0 && strcasecmp(driver.c_str(), g_driver.c_str()) == 0) {
      if (HDC dc = CachedPrinterDC(which)) return dc;
    } else {
      DeleteCachedPrinterDCs();
      g_device.clear();
      g_driver.clear();
    }
  }
  const unsigned int word = _control87(0, 0);
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  std::snprintf(reinterpret_cast<char*>(mode.dmDeviceName), sizeof mode.dmDeviceName, "%s", device.c_str());
  mode.dmFields = DM_ORIENTATION | DM_COLOR;
  mode.dmColor = DMCOLOR_COLOR;
  mode.dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  HDC dc = CreateDCA(driver.c_str(), device.c_str(), nullptr, &mode);
  _control87(word, 0xFFFFFFFFu);
  if (!dc) return nullptr;
  SetCachedPrinterDC(which, dc);
  g_device = device;
  g_driver = driver;
  return dc;
}

}  // namespace kelt::pages

namespace {

void MakeFont(CFont* font, const LOGFONTA& face, int16_t height, LONG weight, BYTE underline) {
  STRUCT_GLOBAL_PREFS global{};
  KELT_GetCurrDefGlobalPrefs(&global);
  LOGFONTA lf = face;
  lf.lfHeight = height;
  lf.lfWidth = 0;
  lf.lfEscapement = 0;
  lf.lfOrientation = 0;
  lf.lfWeight = weight;
  lf.lfItalic = 0;
  lf.lfUnderline = underline;
  lf.lfStrikeOut = 0;
  lf.lfCharSet = global.features.greekCharacters ? 255 : 0;
  lf.lfOutPrecision = 0;
  lf.lfClipPrecision = 0;
  lf.lfQuality = 0;
  lf.lfPitchAndFamily = 0;
  lf.lfFaceName[LF_FACESIZE - 1] = 0;
  font->CreateFontIndirect(&lf);
}

}  // namespace

CMPage::CMPage(STRUCT_REPORT_PREFS* prefs, int16_t columns, int16_t lines, int16_t orientation)
    : m_pMetaDC(nullptr), m_pPrefs(prefs), m_Columns(columns), m_Lines(lines), m_Orientation(orientation),
      m_Mode(0) {
  STRUCT_REPORT_PREFS defaults{};
  if (!prefs) {
    KELT_GetCurrDefReportPrefs(&defaults);
    prefs = &defaults;
  }
  const STRUCT_REPORT_FONTS& f = prefs->fonts;
  double scale = 1.0;
  int16_t noHeader = 0;
  KELT_GetPlotReportOverrides(&scale, &noHeader);
  int16_t small = f.smallSize;
  if (scale > 1.0 && scale <= 10.0) small = int16_t(small * scale);
  m_NormalHeight = f.bodySize;
  m_SmallHeight = small;
  m_LargeHeight = f.titleSize;
  m_FixedHeight = f.bodySize;
  m_SmallFixedHeight = small;
  m_NormalWidth = int16_t(m_NormalHeight * 7 / 10);
  m_SmallWidth = int16_t(m_SmallHeight * 7 / 10);
  m_LargeWidth = int16_t(m_LargeHeight * 7 / 10);
  m_FixedWidth = int16_t(m_FixedHeight * 7 / 10);
  m_SmallFixedWidth = int16_t(m_SmallFixedHeight * 7 / 10);
  MakeFont(&m_Normal, f.variableFont, f.bodySize, FW_NORMAL, 0);
  MakeFont(&m_UNormal, f.variableFont, f.bodySize, FW_NORMAL, 1);
  MakeFont(&m_Bold, f.variableFont, f.bodySize, FW_BOLD, 0);
  MakeFont(&m_Small, f.variableFont, small, FW_NORMAL, 0);
  MakeFont(&m_Large, f.variableFont, f.titleSize, FW_NORMAL, 0);
  MakeFont(&m_ULarge, f.variableFont, f.titleSize, FW_NORMAL, 1);
  MakeFont(&m_Fixed, f.fixedFont, f.bodySize, FW_NORMAL, f.fixedFont.lfUnderline);
  MakeFont(&m_UFixed, f.fixedFont, f.bodySize, FW_NORMAL, 1);
  MakeFont(&m_SmallFixed, f.fixedFont, small, FW_NORMAL, 0);
}

CMPage::~CMPage() { CancelPage(); }

int CMPage::StartNewPage(int16_t frame) {
  CancelPage();
  m_pMetaDC = new CMetaFileDC;
  HDC ref = kelt::pages::ReportPrinterDC(m_Orientation != 0);
  HDC display = nullptr;
  if (!ref) ref = display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  const int resX = GetDeviceCaps(ref, HORZRES), resY = GetDeviceCaps(ref, VERTRES);
  const int mmX = GetDeviceCaps(ref, HORZSIZE), mmY = GetDeviceCaps(ref, VERTSIZE);
  const RECT frameRect{0, 0, mmX * 100, mmY * 100};
  CDC reference;
  reference.Attach(ref);
  const BOOL made = m_pMetaDC->CreateEnhanced(&reference, nullptr, &frameRect, "Quibell\0");
  reference.Detach();
  if (display) DeleteDC(display);
  if (!made) {
    delete m_pMetaDC;
    m_pMetaDC = nullptr;
    return 0;
  }
  HDC dc = m_pMetaDC->GetSafeHdc();
  SetGraphicsMode(dc, GM_COMPATIBLE);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetViewportExtEx(dc, resX, resY, nullptr);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, 32767, 32767, nullptr);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  ::SetTextColor(dc, RGB(0, 0, 0));
  if (frame) FramePlotRect(dc, 0, 32767, 32767, 0);
  return 1;
}

HGLOBAL CMPage::EndPage() {
  if (!m_pMetaDC) return nullptr;
  HENHMETAFILE emf = m_pMetaDC->CloseEnhanced();
  delete m_pMetaDC;
  m_pMetaDC = nullptr;
  if (!emf) return nullptr;
  const UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
  HGLOBAL block = size ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
  if (block) {
    auto* bits = static_cast<BYTE*>(GlobalLock(block));
    const bool copied = bits && GetEnhMetaFileBits(emf, size, bits) == size;
    GlobalUnlock(block);
    if (!copied) {
      GlobalFree(block);
      block = nullptr;
    }
  }
  DeleteEnhMetaFile(emf);
  return block;
}

void CMPage::CancelPage() {
  if (!m_pMetaDC) return;
  if (HENHMETAFILE emf = m_pMetaDC->CloseEnhanced()) DeleteEnhMetaFile(emf);
  delete m_pMetaDC;
  m_pMetaDC = nullptr;
}

int16_t CMPage::ColumnToX(int16_t column) const {
  return m_Columns ? int16_t(int32_t(column) * 32767 / m_Columns) : 0;
}

int16_t CMPage::LineToY(int16_t line) const { return m_Lines ? int16_t(int32_t(line) * 32000 / m_Lines + 600) : 600; }

void CMPage::XYTextOut(int16_t x, int16_t y, const char* text) {
  if (!m_pMetaDC || !text) return;
  TextOutA(m_pMetaDC->GetSafeHdc(), x, y, text, int(std::strlen(text)));
}

void CMPage::CLTextOut(int16_t column, int16_t line, const char* text) {
  if (column > m_Columns || line > m_Lines || column < 0 || line < 0) return;
  XYTextOut(ColumnToX(column), LineToY(line), text);
}

CFont* CMPage::Font(int16_t index) {
  switch (index) {
    case kFontLarge: return &m_Large;
    case kFontULarge: return &m_ULarge;
    case kFontNormal: return &m_Normal;
    case kFontBold: return &m_Bold;
    case kFontUNormal: return &m_UNormal;
    case kFontFixed: return &m_Fixed;
    case kFontUFixed: return &m_UFixed;
    case kFontSmall: return &m_Small;
    case kFontSmallFixed: return &m_SmallFixed;
    default: return nullptr;
  }
}

void CMPage::Cell(int16_t index, int16_t* width, int16_t* height) const {
  int16_t w = 0, h = 0;
  switch (index) {
    case kFontLarge:
    case kFontULarge: w = m_LargeWidth, h = m_LargeHeight; break;
    case kFontNormal:
    case kFontBold:
    case kFontUNormal: w = m_NormalWidth, h = m_NormalHeight; break;
    case kFontFixed:
    case kFontUFixed: w = m_FixedWidth, h = m_FixedHeight; break;
    case kFontSmall: w = m_SmallWidth, h = m_SmallHeight; break;
    case kFontSmallFixed: w = m_SmallFixedWidth, h = m_SmallFixedHeight; break;
    default: break;
  }
  if (width) *width = w;
  if (height) *height = h;
}

CFont* CMPage::SelectFont(int16_t index, int16_t* width, int16_t* height) {
  Cell(index, width, height);
  CFont* font = Font(index);
  if (!font || !m_pMetaDC) return nullptr;
  return m_pMetaDC->SelectObject(font);
}
