// The time-range and plot-ranges dialogs. Each field is checked when it is
// left: a value outside its range offers the nearer bound, text that is no
// number brings the stored value back, so the fields always show what is
// stored. OK takes the fields once more and turns backwards ranges round.
#include "dialogs/plot_range_dialogs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "common/data_points.h"
#include "common/library_state.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/edit_field_checks.h"
#include "plotengine/scales.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

struct Field {
  int id;
  const char* name;
  const char* format;
  double low, high;
  double* out;     // the caller's, written on OK only
  double* value;   // the value being edited
  const char* showFormat;  // null: format
};

struct Session {
  Field fields[6];
  // Pairs, turned round on OK when backwards: start and end, then each low and high.
  int count = 0;
  // No checks while the fields are filled or the dialog ends.
  bool filling = true;
  double work[6] = {};
  CPlotRangesDlg::Units* units[2] = {};  // per scale; null: no unit box
  // What "&Reset" goes back to.
  Field first[6] = {};
  double firstWork[6] = {};
  int firstShown[2] = {};
  const char* title = nullptr;
  kelt::dlg::DialogHelp* help = nullptr;  // none for the time range

  void Keep() {
    for (int i = 0; i < count; ++i) first[i] = fields[i], firstWork[i] = work[i];
    for (int k = 0; k < 2; ++k) firstShown[k] = units[k] ? units[k]->shown : 3;
  }

  void Add(const Field& f) {
    fields[count] = f;
    work[count] = *f.out;
    fields[count].value = &work[count];
    ++count;
  }
};

void AddTemplate(HMODULE module, int id, const char* caption, int pairs) {
  if (win::resources::FindDialog(module, id)) return;
  win::resources::DialogTemplate dlg;
  dlg.caption = caption;
  dlg.cx = 226;
  dlg.cy = static_cast<short>(50 + 42 * pairs);
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
  const char* unit = pairs ? "min." : "minutes";
  item(-1, "Button", "Time Range", BS_GROUPBOX, 4, 2, 162, 42);
  item(-1, "Static", "Start:", 0, 10, 14, 34, 10);
  item(RANGE_START_ID, "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 46, 12, 50, 12);
  item(-1, "Static", unit, 0, 100, 14, 36, 10);
  item(-1, "Static", "End:", 0, 10, 30, 34, 10);
  item(RANGE_END_ID, "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 46, 28, 50, 12);
  item(-1, "Static", unit, 0, 100, 30, 36, 10);
  short y = 48;
  const char* groups[2] = {pairs == 2 ? "Left Scale Range" : "Scale Range", "Right Scale Range"};
  const int ids[2][2] = {{RANGE_LOW1_ID, RANGE_HIGH1_ID}, {RANGE_LOW2_ID, RANGE_HIGH2_ID}};
  const int combos[2] = {RANGE_UNIT1_ID, RANGE_UNIT2_ID};
  for (int p = 0; p < pairs; ++p) {
    item(-1, "Button", groups[p], BS_GROUPBOX, 4, y, 162, 40);
    item(-1, "Static", "Low:", 0, 10, static_cast<short>(y + 12), 34, 10);
    item(ids[p][0], "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 46, static_cast<short>(y + 10), 50, 12);
    item(-1, "Static", "High:", 0, 10, static_cast<short>(y + 24), 34, 10);
    item(ids[p][1], "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 46, static_cast<short>(y + 22), 50, 12);
    item(combos[p], "ComboBox", "", WS_TABSTOP | CBS_DROPDOWNLIST, 100, static_cast<short>(y + 10), 60,
         80);
    y = static_cast<short>(y + 42);
  }
  if (pairs) item(KELT_HELP_BUTTON_ID, "Button", "&Help", BS_PUSHBUTTON | WS_TABSTOP, 172, 60, 48, 14);
  if (pairs) item(RANGE_RESET_ID, "Button", "&Reset", BS_PUSHBUTTON | WS_TABSTOP, 172, 42, 48, 14);
  item(RANGE_OK_ID, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 172, 6, 48, 14);
  // The framework's OK id sits on "Cancel": Enter arrives as it and steps
  // through the fields.
  item(IDOK, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 172, 24, 48, 14);
  win::resources::AddDialog(module, id, dlg);
}

// Shown scale values get digits by their size.
const char* SizeFormat(double value) {
  const double v = std::fabs(value);
  if (v > 1e6) return "%g";
  if (v > 1e4) return "%.0f";
  if (v > 1e3) return "%.1f";
  if (v > 100) return "%.2f";
  if (v > 10) return "%.3f";
  if (v > 1) return "%.4f";
  if (v > 0.1) return "%.5f";
  return "%g";
}

const char* const kPrefixes[8] = {"G", "M", "k", "", "m", "u", "n", "p"};

double Factor(int steps) { return std::pow(1000.0, steps); }

void Show(HWND hwnd, const Field& f) {
  char text[64];
  std::snprintf(text, sizeof text, f.showFormat ? SizeFormat(*f.value) : f.format, *f.value);
  SetDlgItemTextA(hwnd, f.id, text);
}

const Field* Find(const Session* s, int id) {
  for (int i = 0; i < s->count; ++i)
    if (s->fields[i].id == id) return &s->fields[i];
  return nullptr;
}

void Take(HWND hwnd, const Field& f) {
  HandleKillEditDouble(CWnd::FromHandle(hwnd), static_cast<uint16_t>(f.id), f.name, f.format, f.low, f.high, f.value);
}

INT_PTR CALLBACK RangeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<Session*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (s && s->help && s->help->Handle(CWnd::FromHandle(hwnd), msg, wParam, lParam)) return TRUE;
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      s = reinterpret_cast<Session*>(lParam);
      s->filling = true;
      for (int i = 0; i < s->count; ++i) {
        SendDlgItemMessageA(hwnd, s->fields[i].id, EM_LIMITTEXT, i < 2 ? 8 : 24, 0);
        Show(hwnd, s->fields[i]);
      }
      for (int k = 0; k < 2; ++k) {
        const CPlotRangesDlg::Units* u = s->units[k];
        if (!u) continue;
        const int combo = k ? RANGE_UNIT2_ID : RANGE_UNIT1_ID;
        for (int q = u->first; q <= u->last; ++q) {
          const std::string entry = std::string(kPrefixes[q]) + u->base;
          SendDlgItemMessageA(hwnd, combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
        }
        SendDlgItemMessageA(hwnd, combo, CB_SETCURSEL, static_cast<WPARAM>(u->shown - u->first), 0);
      }
      if (s->title && *s->title) SetWindowTextA(hwnd, s->title);
      kelt::dlg::EnterStepsThroughFields(hwnd, RANGE_OK_ID);
      s->filling = false;
      return TRUE;
    case WM_COMMAND: {
      if (!s) return FALSE;
      const int id = LOWORD(wParam);
      if (HIWORD(wParam) == CBN_SELCHANGE && (id == RANGE_UNIT1_ID || id == RANGE_UNIT2_ID)) {
        const int k = id == RANGE_UNIT2_ID;
        CPlotRangesDlg::Units* u = s->units[k];
        const LRESULT sel = SendDlgItemMessageA(hwnd, id, CB_GETCURSEL, 0, 0);
        if (!u || sel < 0 || u->first + sel > u->last) return TRUE;
        const int q = u->first + static_cast<int>(sel);
        // A smaller prefix (a larger index) shows larger numbers.
        const double f = Factor(q - u->shown);
        u->shown = q;
        for (int i = 2 + 2 * k; i < 4 + 2 * k && i < s->count; ++i) {
          Field& field = s->fields[i];
          *field.value *= f;
          field.low *= f;
          field.high *= f;
          Show(hwnd, field);
        }
        return TRUE;
      }
      if (HIWORD(wParam) == EN_KILLFOCUS) {
        const Field* f = Find(s, id);
        if (f && !s->filling) Take(hwnd, *f);
        return TRUE;
      }
      if (id == RANGE_RESET_ID && HIWORD(wParam) == BN_CLICKED) {
        s->filling = true;
        for (int i = 0; i < s->count; ++i) {
          s->fields[i].low = s->first[i].low;
          s->fields[i].high = s->first[i].high;
          s->work[i] = s->firstWork[i];
          Show(hwnd, s->fields[i]);
        }
        for (int k = 0; k < 2; ++k) {
          if (!s->units[k]) continue;
          s->units[k]->shown = s->firstShown[k];
          SendDlgItemMessageA(hwnd, k ? RANGE_UNIT2_ID : RANGE_UNIT1_ID, CB_SETCURSEL,
                              static_cast<WPARAM>(s->firstShown[k] - s->units[k]->first), 0);
        }
        s->filling = false;
        return TRUE;
      }
      if (id == IDOK && HIWORD(wParam) == BN_CLICKED) {
        int ids[6] = {};
        for (int i = 0; i < s->count; ++i) ids[i] = s->fields[i].id;
        if (!kelt::dlg::OkIdCancels(hwnd, ids, s->count)) return TRUE;
        s->filling = true;
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
      }
      if (id == RANGE_OK_ID && HIWORD(wParam) == BN_CLICKED) {
        s->filling = true;  // no second check while the dialog ends
        for (int i = 0; i < s->count; ++i) Take(hwnd, s->fields[i]);
        for (int i = 0; i + 1 < s->count; i += 2)
          if (*s->fields[i + 1].value < *s->fields[i].value) std::swap(*s->fields[i].value, *s->fields[i + 1].value);
        // Back into the plot's own units.
        for (int k = 0; k < 2; ++k) {
          const CPlotRangesDlg::Units* u = s->units[k];
          for (int i = 2 + 2 * k; u && i < 4 + 2 * k && i < s->count; ++i) *s->fields[i].value *= Factor(u->own - u->shown);
        }
        for (int i = 0; i < s->count; ++i) *s->fields[i].out = *s->fields[i].value;
        EndDialog(hwnd, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {
        s->filling = true;
        EndDialog(hwnd, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
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

constexpr double kLongestRun = 1440.0;  // minutes

// Scale bounds the limits snap to, descending: 1e14 .. 10, 1, -10 .. -1e14.
constexpr int kSnaps = 29;
double Snap(int i) {
  if (i < 14) return std::pow(10.0, 14 - i);
  if (i == 14) return 1.0;
  return -std::pow(10.0, i - 14);
}

bool SlotHasData(const OVERLAY_SLOT& slot) {
  return slot.dataPresent && slot.trace && slot.trace->points && slot.trace->pointCount;
}

void Widen(const OVERLAY_SLOT& slot, double* low, double* high, bool* any) {
  const STRUCT_NE_DATA_POINTS* t = slot.trace;
  for (uint32_t i = 0; i < t->pointCount; ++i) {
    const double v = NePointValue(t->points, i);
    if (!std::isfinite(v)) continue;
    if (!*any || v < *low) *low = v;
    if (!*any || v > *high) *high = v;
    *any = true;
  }
}

// The values a scale field accepts: the points of the plots on that scale,
// widened by a twentieth of their span at each end and snapped two steps
// outward, so that the user can zoom out well beyond the data.
// The units of the plots on a scale (see ScaleLimits for which count).
const char* ScaleUnits(const SVW_OVERLAY& o, short slot, int scale) {
  const int mode = o.head.displayMode;
  if (mode == OVERLAY_MODE_STACKED) {
    const short active = OverlaySlotIndex(slot) ? slot : o.head.activePlot;
    return OverlaySlotIndex(active) ? o.slots[active].units : "";
  }
  if (mode == OVERLAY_MODE_TWO_SCALES) {
    const int first = scale ? o.tail.scales.rightAxisPlot : o.tail.scales.leftAxisPlot;
    return first >= 0 && first < OVERLAY_SLOTS ? o.slots[first].units : "";
  }
  for (int i = 0; i < OVERLAY_SLOTS; ++i)
    if (SlotHasData(o.slots[i])) return o.slots[i].units;
  return "";
}

// The prefixes a scale offers and the one it shows its range in.
void SetUpUnits(const char* unitsIn, double low, double high, CPlotRangesDlg::Units* u) {
  char units[SCALE_TEXT_SIZE] = {};
  std::snprintf(units, sizeof units, "%.*s", OVERLAY_UNITS_SIZE - 1, unitsIn);
  *u = {};
  if (std::strcmp(units, "Counts") == 0) {
    u->first = 1, u->last = 5;
    std::strcpy(u->base, units);
  } else if (std::strcmp(units, "us") == 0) {
    u->first = 3, u->last = 5, u->own = 5;
    std::strcpy(u->base, "s");
  } else if (std::strcmp(units, "m/z") == 0) {
    std::strcpy(u->base, units);
  } else {
    u->first = 0, u->last = 7;
    int own = 3;
    for (int q = 0; q < 8 && units[1]; ++q)
      if (q != 3 && units[0] == kPrefixes[q][0]) own = q;
    u->own = own;
    std::snprintf(u->base, sizeof u->base, "%s", own == 3 ? units : units + 1);
  }
  u->shown = u->own;
  double v[2] = {low, high};
  char adjusted[SCALE_TEXT_SIZE] = {};
  std::snprintf(adjusted, sizeof adjusted, "%s", units);
  if (!KELT_AdjustUnitValues(v, 2, adjusted)) return;
  for (int q = u->first; q <= u->last; ++q)
    if (std::string(kPrefixes[q]) + u->base == adjusted) u->shown = q;
}

void ScaleLimits(const SVW_OVERLAY& o, short slot, int scale, double* lowest, double* highest) {
  const int mode = o.head.displayMode;
  if (mode == OVERLAY_MODE_NORMALISED) {
    *lowest = -105.0;
    *highest = 205.0;
    return;
  }
  double low = 0, high = 0;
  bool any = false;
  if (mode == OVERLAY_MODE_STACKED) {
    const short active = OverlaySlotIndex(slot) ? slot : o.head.activePlot;
    if (OverlaySlotIndex(active) && SlotHasData(o.slots[active])) Widen(o.slots[active], &low, &high, &any);
  } else if (mode == OVERLAY_MODE_TWO_SCALES) {
    const int first = scale ? o.tail.scales.rightAxisPlot : o.tail.scales.leftAxisPlot;
    if (first >= 0 && first < OVERLAY_SLOTS) {
      const char* units = o.slots[first].units;
      for (int i = first; i < OVERLAY_SLOTS; ++i)
        if (SlotHasData(o.slots[i]) &&
            (i == first || std::strncmp(o.slots[i].units, units, OVERLAY_UNITS_SIZE) == 0))
          Widen(o.slots[i], &low, &high, &any);
    }
  } else {
    for (int i = 0; i < OVERLAY_SLOTS; ++i)
      if (SlotHasData(o.slots[i])) Widen(o.slots[i], &low, &high, &any);
  }
  if (!any) return;  // no data: the widest bounds stay
  const double margin = (high - low) / 20.0;
  low -= margin;
  high += margin;
  int k = 0;
  while (k < kSnaps && !(low > Snap(k))) ++k;
  *lowest = Snap(std::min(k + 2, kSnaps - 1));
  // The last bound above the high, two places up.
  k = 0;
  while (k + 1 < kSnaps && Snap(k + 1) > high) ++k;
  *highest = Snap(Snap(k) > high ? std::max(k - 2, 0) : 0);
}

}  // namespace

int CTimeRangeDlg::DoModal() {
  AddTemplate(kelt::lib::ModuleHandle(), TIME_RANGE_DIALOG_ID, "Edit Plot Ranges", 0);
  Session s;
  // The start stops short of the last time, the end of the first.
  s.Add({RANGE_START_ID, "Start time", "%.3f", m_fullStart - 0.01, m_fullEnd - 0.01, &m_start, nullptr, nullptr});
  s.Add({RANGE_END_ID, "End time", "%.3f", m_fullStart + 0.01, m_fullEnd + 0.01, &m_end, nullptr, nullptr});
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
  const short active = OverlaySlotIndex(slot) ? slot : overlay->head.activePlot;
  if (m_template == PLOT_RANGES_DIALOG_ID && overlay->head.displayMode == OVERLAY_MODE_STACKED &&
      overlay->head.shownCount > 1 && OverlaySlotIndex(active))
    std::snprintf(m_title, sizeof m_title, "Edit Plot %d Ranges", active + 1);
  for (int scale = 0; scale < 2; ++scale) {
    ScaleLimits(*overlay, slot, scale, &m_scaleLowest[scale], &m_scaleHighest[scale]);
    if (overlay->head.displayMode == OVERLAY_MODE_NORMALISED) {
      m_units[scale] = {};
      std::strcpy(m_units[scale].base, "%");
    } else {
      SetUpUnits(ScaleUnits(*overlay, slot, scale), scale ? m_low2 : m_low1, scale ? m_high2 : m_high1,
                 &m_units[scale]);
    }
  }
}

int CPlotRangesDlg::DoModal() {
  const bool dual = m_template == PLOT_RANGES_DUAL_DIALOG_ID;
  AddTemplate(kelt::lib::ModuleHandle(), m_template, "Edit Plot Ranges", dual ? 2 : 1);
  Session s;
  s.Add({RANGE_START_ID, "Start time", "%.3f", 0.0, kLongestRun, &m_start, nullptr, nullptr});
  s.Add({RANGE_END_ID, "End time", "%.3f", 0.0, kLongestRun, &m_end, nullptr, nullptr});
  double* lows[2] = {&m_low1, &m_low2};
  double* highs[2] = {&m_high1, &m_high2};
  for (int k = 0; k < (dual ? 2 : 1); ++k) {
    Units& u = m_units[k];
    u.shown = std::clamp(u.shown, u.first, u.last);
    const double f = Factor(u.shown - u.own);
    const double lo = m_scaleLowest[k] * f, hi = m_scaleHighest[k] * f;
    s.Add({RANGE_LOW1_ID + 2 * k, "low scale", "%f", lo, hi, lows[k], nullptr, "size"});
    s.Add({RANGE_HIGH1_ID + 2 * k, "high scale", "%f", lo, hi, highs[k], nullptr, "size"});
    s.work[2 + 2 * k] *= f;
    s.work[3 + 2 * k] *= f;
    s.units[k] = &u;
  }
  s.Keep();
  s.title = m_title;
  kelt::dlg::DialogHelp help(dual ? 141 : 142);
  s.help = &help;
  return Run(m_parent, m_template, &s);
}
