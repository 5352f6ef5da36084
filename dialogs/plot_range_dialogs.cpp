// The time-range and plot-ranges dialogs. Typed values are checked on OK:
// a field that is no number, or a range whose start is not before its end,
// is named in a message and the dialog stays open with what was typed.
#include "dialogs/plot_range_dialogs.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/library_state.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

struct Field {
  int id;
  const char* name;
  double* value;
};

struct Session {
  Field fields[6];
  int count = 0;
  bool timeOnly = false;
  std::string fullText;
};

void AddTemplate(HMODULE module, int id, const char* caption, int pairs) {
  if (win::resources::FindDialog(module, id)) return;
  win::resources::DialogTemplate dlg;
  dlg.caption = caption;
  dlg.cx = 200;
  dlg.cy = static_cast<short>(66 + 36 * pairs);
  auto item = [&](int itemId, const char* cls, const char* text, DWORD style, short x, short y, short cx, short cy) {
    win::resources::DialogItem it;
    it.id = itemId;
    it.className = cls;
    it.text = text;
    it.style = WS_VISIBLE | style;
    it.x = x;
    it.y = y;
    it.cx = cx;
    it.cy = cy;
    dlg.items.push_back(it);
  };
  item(-1, "Static", "Start time (min):", 0, 6, 8, 70, 10);
  item(RANGE_START_ID, "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 80, 6, 60, 12);
  item(-1, "Static", "End time (min):", 0, 6, 24, 70, 10);
  item(RANGE_END_ID, "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 80, 22, 60, 12);
  item(RANGE_FULL_TEXT_ID, "Static", "", 0, 6, 40, 140, 10);
  short y = 56;
  const char* labels[2][2] = {{"Low value:", "High value:"}, {"Right low value:", "Right high value:"}};
  const int ids[2][2] = {{RANGE_LOW1_ID, RANGE_HIGH1_ID}, {RANGE_LOW2_ID, RANGE_HIGH2_ID}};
  for (int p = 0; p < pairs; ++p) {
    item(-1, "Static", labels[p][0], 0, 6, static_cast<short>(y + 2), 70, 10);
    item(ids[p][0], "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 80, y, 60, 12);
    item(-1, "Static", labels[p][1], 0, 6, static_cast<short>(y + 18), 70, 10);
    item(ids[p][1], "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 80, static_cast<short>(y + 16), 60, 12);
    y = static_cast<short>(y + 36);
  }
  item(IDOK, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 146, 6, 48, 14);
  item(IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 146, 24, 48, 14);
  win::resources::AddDialog(module, id, dlg);
}

std::string Format(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

// The whole field as one finite number.
bool Parse(const char* text, double* value) {
  while (*text == ' ') ++text;
  if (!*text) return false;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  while (end && *end == ' ') ++end;
  if (!end || *end || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

INT_PTR CALLBACK RangeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<Session*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      s = reinterpret_cast<Session*>(lParam);
      for (int i = 0; i < s->count; ++i) SetDlgItemTextA(hwnd, s->fields[i].id, Format(*s->fields[i].value).c_str());
      SetDlgItemTextA(hwnd, RANGE_FULL_TEXT_ID, s->fullText.c_str());
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        double values[6] = {};
        for (int i = 0; i < s->count; ++i) {
          char text[64] = {};
          GetDlgItemTextA(hwnd, s->fields[i].id, text, sizeof text);
          if (!Parse(text, &values[i])) {
            const std::string why = std::string("The ") + s->fields[i].name + " is not a number.";
            MessageBoxA(hwnd, why.c_str(), "Plot Ranges", MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
        }
        // Pairs: start and end, then low and high; a low equal to its high asks for automatic scaling.
        for (int i = 0; i + 1 < s->count; i += 2) {
          const bool bad = i == 0 ? !(values[0] < values[1]) : values[i] > values[i + 1];
          if (bad) {
            const std::string why = std::string("The ") + s->fields[i].name + " must lie below the " +
                                    s->fields[i + 1].name + ".";
            MessageBoxA(hwnd, why.c_str(), "Plot Ranges", MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
        }
        for (int i = 0; i < s->count; ++i) *s->fields[i].value = values[i];
        EndDialog(hwnd, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

int Run(CWnd* parent, int templateId, Session* session) {
  const HMODULE module = kelt::lib::ModuleHandle();
  const INT_PTR r = DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), parent ? parent->GetSafeHwnd() : nullptr,
                                    RangeProc, reinterpret_cast<LPARAM>(session));
  return r == IDOK ? IDOK : IDCANCEL;
}

}  // namespace

int CTimeRangeDlg::DoModal() {
  AddTemplate(kelt::lib::ModuleHandle(), TIME_RANGE_DIALOG_ID, "Time Range", 0);
  Session s;
  s.fields[0] = {RANGE_START_ID, "start time", &m_start};
  s.fields[1] = {RANGE_END_ID, "end time", &m_end};
  s.count = 2;
  char full[96];
  std::snprintf(full, sizeof full, "Full range: %.3f to %.3f min", m_fullStart, m_fullEnd);
  s.fullText = full;
  return Run(m_parent, TIME_RANGE_DIALOG_ID, &s);
}

CPlotRangesDlg::CPlotRangesDlg(CWnd* parent, int templateId, const SVW_OVERLAY* overlay, short slot)
    : m_template(templateId == PLOT_RANGES_DUAL_DIALOG_ID ? PLOT_RANGES_DUAL_DIALOG_ID : PLOT_RANGES_DIALOG_ID),
      m_parent(parent) {
  if (!overlay) return;
  m_start = overlay->tail.viewStart;
  m_end = overlay->tail.viewEnd;
  const OVERLAY_SCALE_BLOCK& s = overlay->tail.scales;
  if (OverlaySlotIndex(slot) && overlay->head.displayMode == OVERLAY_MODE_STACKED) {
    m_low1 = s.plotLow[slot];
    m_high1 = s.plotHigh[slot];
  } else {
    m_low1 = s.commonLow;
    m_high1 = s.commonHigh;
  }
  m_low2 = s.rightLow;
  m_high2 = s.rightHigh;
}

int CPlotRangesDlg::DoModal() {
  const bool dual = m_template == PLOT_RANGES_DUAL_DIALOG_ID;
  AddTemplate(kelt::lib::ModuleHandle(), m_template, "Plot Ranges", dual ? 2 : 1);
  Session s;
  s.fields[0] = {RANGE_START_ID, "start time", &m_start};
  s.fields[1] = {RANGE_END_ID, "end time", &m_end};
  s.fields[2] = {RANGE_LOW1_ID, "low value", &m_low1};
  s.fields[3] = {RANGE_HIGH1_ID, "high value", &m_high1};
  s.count = 4;
  if (dual) {
    s.fields[4] = {RANGE_LOW2_ID, "right low value", &m_low2};
    s.fields[5] = {RANGE_HIGH2_ID, "right high value", &m_high2};
    s.count = 6;
  }
  return Run(m_parent, m_template, &s);
}
