// Small display helpers: done status, global fonts, text measurement.
#include "common/display_helpers.h"

#include <cstring>

#include "common/library_char_size.h"
#include "common/preference_records.h"
#include "framework/framework_gdi.h"
#include "ulbrec32/ulbrec32_messages.h"
#include "win/win_user.h"

namespace {

int TextLength(const char* text) { return text ? static_cast<int>(strnlen(text, 1 << 20)) : 0; }

// Extent of text on dc when its metrics can be read.
bool MeasureOn(HDC dc, const char* text, SIZE* size) {
  TEXTMETRICA tm;
  if (!dc || !GetTextMetricsA(dc, &tm)) return false;
  SIZE s{0, 0};
  if (!GetTextExtentPoint32A(dc, text ? text : "", TextLength(text), &s)) return false;
  *size = s;
  return true;
}

}  // namespace

void KELT_ShowDoneStatus(int16_t done) {
  HWND shown = ShowTimedMessage(GetActiveWindow(), done ? "Done" : "Not Done", 2000);
  if (shown) UpdateWindow(shown);
}

HFONT KELT_CreateGlobalFont() { return CreateFontIndirectA(&kelt::prefs::DefaultGlobalPrefs().fonts.fixedFont); }

HFONT KELT_CreateGlobalFont2() {
  return CreateFontIndirectA(&kelt::prefs::DefaultGlobalPrefs().fonts.proportionalFont);
}

BOOL KELT_GetTextSize(CDC* dc, const char* text, SIZE* size) {
  if (!size) return FALSE;
  *size = SIZE{0, 0};
  if (!dc) return FALSE;
  if (dc->m_hDC && MeasureOn(dc->m_hDC, text, size)) return TRUE;
  if (dc->m_hAttribDC) {
    const auto chars = kelt::spectra::LibraryCharSize();
    size->cx = chars.width * TextLength(text);
    size->cy = chars.height;
    return TRUE;
  }
  return FALSE;
}

BOOL KELT_GetTextSizeEx(CDC* dc, const char* text, SIZE* size) {
  if (!size) return FALSE;
  *size = SIZE{0, 0};
  if (!dc) return FALSE;
  if (dc->m_hDC && MeasureOn(dc->m_hDC, text, size)) return TRUE;
  if (dc->m_hAttribDC && MeasureOn(dc->m_hAttribDC, text, size)) return TRUE;
  return FALSE;
}
