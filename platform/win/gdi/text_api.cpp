// The exported text calls: output, measurement, metrics, formatted text.
#include <cstring>
#include <string>
#include <vector>

#include "device_context.h"
#include "font_engine.h"

using namespace win::gdi;

namespace {
std::shared_ptr<DeviceContext> DC(HDC h) { return Lookup<DeviceContext>(h, OBJ_DC); }
}  // namespace

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count) {
  auto dc = DC(hdc);
  if (!dc) return FALSE;
  return dc->TextOut(x, y, 0, nullptr, text, count, nullptr) ? TRUE : FALSE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx) {
  auto dc = DC(hdc);
  if (!dc || count > (1u << 20)) return FALSE;
  return dc->TextOut(x, y, options, rect, text, int(count), dx) ? TRUE : FALSE;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size) {
  auto dc = DC(hdc);
  if (!dc || !size || count < 0 || (count > 0 && !text)) return FALSE;
  TextFont f = dc->RealizeFont();
  if (!f.face) return FALSE;
  *size = dc->MeasureText(f, text, count);
  return TRUE;
}

BOOL GetTextExtentPointA(HDC hdc, LPCSTR text, int count, LPSIZE size) {
  return GetTextExtentPoint32A(hdc, text, count, size);
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics) {
  auto dc = DC(hdc);
  if (!dc || !metrics) return FALSE;
  return dc->TextMetrics(*metrics) ? TRUE : FALSE;
}

BOOL GetCharWidth32A(HDC hdc, UINT first, UINT last, INT* widths) {
  auto dc = DC(hdc);
  if (!dc || !widths || first > last || last > 255) return FALSE;
  TextFont f = dc->RealizeFont();
  if (!f.face) return FALSE;
  for (UINT c = first; c <= last; ++c) widths[c - first] = SaturateLong(f.Advance(uint8_t(c)));
  return TRUE;
}

BOOL GetCharWidthA(HDC hdc, UINT first, UINT last, INT* widths) {
  return GetCharWidth32A(hdc, first, last, widths);
}

int GetTextFaceA(HDC hdc, int count, LPSTR face) {
  auto dc = DC(hdc);
  if (!dc) return 0;
  const char* name = dc->State().font->font.lfFaceName;
  int n = int(strnlen(name, LF_FACESIZE));
  if (!face) return n + 1;
  if (count <= 0) return 0;
  int give = std::min(n, count - 1);
  std::memcpy(face, name, size_t(give));
  face[give] = 0;
  return give + 1;
}

namespace {
struct Line {
  std::string text;
  int width = 0;
};

std::string StripPrefix(const std::string& s, bool noPrefix) {
  if (noPrefix) return s;
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') { out += '&'; ++i; }
      continue;
    }
    out += s[i];
  }
  return out;
}
}  // namespace

int DrawTextA(HDC hdc, LPCSTR text, int count, LPRECT rect, UINT format) {
  auto dc = DC(hdc);
  if (!dc || !rect || !text) return 0;
  std::string all = count < 0 ? std::string(text) : std::string(text, size_t(std::min(count, 1 << 20)));
  TextFont f = dc->RealizeFont();
  if (!f.face) return 0;
  TEXTMETRICA tm;
  dc->TextMetrics(tm);
  int lineHeight = tm.tmHeight + tm.tmExternalLeading;
  auto measure = [&](const std::string& s) {
    return int(dc->MeasureText(f, s.data(), int(s.size())).cx);
  };
  if (format & DT_EXPANDTABS) {
    std::string t;
    for (char c : all) t += c == '\t' ? std::string(8, ' ') : std::string(1, c);
    all = t;
  }
  bool noPrefix = (format & DT_NOPREFIX) != 0;
  std::vector<Line> lines;
  int boxWidth = rect->right - rect->left;
  auto addLine = [&](const std::string& raw) {
    std::string shown = StripPrefix(raw, noPrefix);
    lines.push_back({shown, measure(shown)});
  };
  if (format & DT_SINGLELINE) {
    std::string one;
    for (char c : all)
      if (c != '\r' && c != '\n') one += c;
    addLine(one);
  } else {
    size_t start = 0;
    while (start <= all.size()) {
      size_t end = all.find('\n', start);
      std::string para = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
      if (!para.empty() && para.back() == '\r') para.pop_back();
      if ((format & DT_WORDBREAK) && measure(StripPrefix(para, noPrefix)) > boxWidth) {
        std::string cur;
        size_t i = 0;
        while (i < para.size()) {
          size_t sp = para.find(' ', i);
          std::string word = para.substr(i, sp == std::string::npos ? std::string::npos : sp - i);
          std::string next = cur.empty() ? word : cur + " " + word;
          if (!cur.empty() && measure(StripPrefix(next, noPrefix)) > boxWidth) {
            addLine(cur);
            cur = word;
          } else {
            cur = next;
          }
          if (sp == std::string::npos) break;
          i = sp + 1;
        }
        addLine(cur);
      } else {
        addLine(para);
      }
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  int height = int(lines.size()) * lineHeight;
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (auto& l : lines) widest = std::max(widest, l.width);
    rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }
  int y = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if (format & DT_BOTTOM) y = rect->bottom - lineHeight;
  }
  UINT oldAlign = dc->State().textAlign;
  dc->State().textAlign = TA_LEFT | TA_TOP;
  UINT options = (format & DT_NOCLIP) ? 0 : ETO_CLIPPED;
  for (auto& l : lines) {
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (boxWidth - l.width) / 2;
    else if (format & DT_RIGHT) x = rect->right - l.width;
    dc->TextOut(x, y, options, rect, l.text.data(), int(l.text.size()), nullptr);
    y += lineHeight;
  }
  dc->State().textAlign = oldAlign;
  return height;
}
