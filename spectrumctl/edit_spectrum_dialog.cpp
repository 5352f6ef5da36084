// The "Edit Spectrum" dialog: a private copy of a spectrum edited pair by
// pair, shown live in a spectrum control of the dialog.
#include "spectrumctl/edit_spectrum_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <numeric>
#include <string>

#include "common/data_file_utils.h"
#include "common/display_helpers.h"
#include "common/library_state.h"
#include "common/preference_records.h"
#include "dialogs/edit_field_checks.h"
#include "fandor/empty_list_entries.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "spectra/library_entry_texts.h"
#include "spectra/spectrum_managers.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_titles.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_crt.h"
#include "win/win_profile.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

constexpr const char* kSection = "EditSptHeader";
constexpr const char* kKey = "Params";
constexpr uint32_t kNoIntensity = 0xFFFFFFFFu;
constexpr double kLowestMass = 10.0, kHighestMass = 8000.0;

void EnsureTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, EDIT_SPECTRUM_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Edit Spectrum";
  t.cx = 360;
  t.cy = 296;
  const DWORD label = WS_VISIBLE | SS_LEFT;
  const DWORD edit = WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD list = WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
  t.items = {
      {ESD_NAME_LABEL, "Static", "&Name:", label, 0, 6, 8, 42, 8},
      {ESD_NAME, "Edit", "", edit, 0, 50, 6, 304, 12},
      {ESD_COMMENT_LABEL, "Static", "&Comment:", label, 0, 6, 24, 42, 8},
      {ESD_COMMENT, "Edit", "", edit, 0, 50, 22, 304, 12},
      {ESD_FORMULA_LABEL, "Static", "&Formula:", label, 0, 6, 40, 42, 8},
      {ESD_FORMULA, "Edit", "", edit, 0, 50, 38, 74, 12},
      {ESD_WEIGHT_LABEL, "Static", "Molecular &Weight:", label, 0, 130, 40, 74, 8},
      {ESD_WEIGHT, "Edit", "", edit, 0, 206, 38, 28, 12},
      {ESD_CAS_LABEL, "Static", "CAS N&o.:", label, 0, 242, 40, 36, 8},
      {ESD_CAS, "Edit", "", edit, 0, 280, 38, 74, 12},
      {ESD_BASE_PEAK_LABEL, "Static", "&Base Peak:", label, 0, 6, 56, 42, 8},
      {ESD_BASE_PEAK, "Edit", "", edit, 0, 50, 54, 52, 12},
      {ESD_RANGE_LABEL, "Static", "Acq &Range:", label, 0, 110, 56, 42, 8},
      {ESD_RANGE_LOW, "Edit", "", edit, 0, 154, 54, 52, 12},
      {ESD_RANGE_HIGH, "Edit", "", edit, 0, 210, 54, 52, 12},
      {ESD_SPECTRUM, "KELT_Spt", "", WS_VISIBLE | WS_BORDER, 0, 6, 72, 200, 196},
      {ESD_ORDER_ION, "Button", "&Ion", push, 0, 212, 72, 68, 12},
      {ESD_ORDER_INTENSITY, "Button", "Intensit&y", push, 0, 286, 72, 68, 12},
      {ESD_ION, "Edit", "", edit, 0, 212, 86, 68, 12},
      {ESD_INTENSITY, "Edit", "", edit, 0, 286, 86, 68, 12},
      {ESD_LIST, "ListBox", "", list, 0, 212, 100, 142, 96},
      {ESD_PEAK_COUNT, "Static", "", label, 0, 212, 198, 142, 8},
      {ESD_ADD, "Button", "&Add/Replace", push, 0, 212, 208, 68, 14},
      {ESD_DELETE, "Button", "&Delete", push, 0, 286, 208, 68, 14},
      {ESD_KEEP_TOP, "Button", "Keep To&p:", push, 0, 6, 275, 44, 14},
      {ESD_KEEP_TOP_COUNT, "Edit", "", edit, 0, 52, 276, 26, 12},
      {ESD_KEEP_ABOVE, "Button", "&Keep Above:", push, 0, 84, 275, 48, 14},
      {ESD_KEEP_ABOVE_INTENSITY, "Edit", "", edit, 0, 134, 276, 44, 12},
      {ESD_SCALE, "Button", "&Scale to:", push, 0, 184, 275, 40, 14},
      {ESD_SCALE_TO, "Edit", "", edit, 0, 226, 276, 44, 12},
      {ESD_RESET, "Button", "Rese&t", push, 0, 212, 230, 68, 14},
      {ESD_HELP, "Button", "&Help", push, 0, 286, 230, 68, 14},
      {ESD_SAVE, "Button", "Save", push, 0, 212, 254, 68, 14},
      {IDOK, "Button", "Cancel", push, 0, 286, 254, 68, 14},
  };
  AddDialog(module, EDIT_SPECTRUM_DIALOG, t);
}

std::string FieldText(HWND dialog, int id) {
  char text[200] = {};
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

bool IsEdit(HWND w) {
  char name[16] = {};
  ::GetClassNameA(w, name, sizeof name);
  return _stricmp(name, "Edit") == 0;
}

// The intensity a list line shows: truncated, kept within 32 bits.
long long ShownIntensity(double v) {
  if (!(v > -2147483648.0)) return 0;
  if (v > 4294967295.0) return 4294967295LL;
  return static_cast<long long>(std::trunc(v));
}

// Whether the text begins with a decimal number, as the field checks read it.
bool BeginsWithNumber(const std::string& text) {
  size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return false;
  if (text[i] == '+' || text[i] == '-') ++i;
  if (i < text.size() && text[i] == '.') ++i;
  return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

}  // namespace

CEditSpectrumDlg::CEditSpectrumDlg(CWnd* parent) : CDialog(EDIT_SPECTRUM_DIALOG, parent) { EnsureTemplate(); }

CEditSpectrumDlg::~CEditSpectrumDlg() {
  PlusSpt_Free(m_work);
  if (m_listFont) DeleteObject(m_listFont);
}

STRUCT_SPT_PLUS* CEditSpectrumDlg::TakeResult() {
  if (!m_saved) return nullptr;
  STRUCT_SPT_PLUS* out = m_work;
  m_work = nullptr;
  m_saved = false;
  return out;
}

void CEditSpectrumDlg::ReadSettings() {
  STRUCT_EDITSPT_SETTINGS s{};
  const std::string ini = kelt::prefs::PreferencesIniPath();
  if (!GetPrivateProfileStructA(kSection, kKey, &s, sizeof s, ini.c_str())) return;
  // A damaged record keeps the starting values of what it got wrong.
  if (s.keepTop >= 1) m_keepTop = s.keepTop;
  if (s.keepAbove >= 1) m_keepAbove = s.keepAbove;
  if (s.scaleTo >= 100) m_scaleTo = s.scaleTo;
  if (s.orderByIon <= 1) m_orderByIon = s.orderByIon;
}

void CEditSpectrumDlg::WriteSettings() {
  STRUCT_EDITSPT_SETTINGS s{};
  s.scaleTo = m_scaleTo;
  s.keepAbove = m_keepAbove;
  s.keepTop = m_keepTop;
  s.orderByIon = m_orderByIon;
  const std::string ini = kelt::prefs::PreferencesIniPath();
  WritePrivateProfileStructA(kSection, kKey, &s, sizeof s, ini.c_str());
}

BOOL CEditSpectrumDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ReadSettings();
  m_spectrumWnd = ::GetDlgItem(m_hWnd, ESD_SPECTRUM);
  if (m_overrideFlag && m_spectrumWnd) {
    STRUCT_CCSPT_LOCAL_PREFS prefs{};
    if (::SendMessageA(m_spectrumWnd, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&prefs))) {
      std::memcpy(&prefs.prefs.titles, m_override, ESD_OVERRIDE_SIZE);
      ::SendMessageA(m_spectrumWnd, SPTM_SETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&prefs));
    }
  }
  m_listFont = KELT_CreateGlobalFont();
  if (m_listFont) SendDlgItemMessage(ESD_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(m_listFont), 0);
  const struct {
    int id, limit;
  } limits[] = {{ESD_NAME, 299},      {ESD_COMMENT, 149},    {ESD_FORMULA, 40},
                {ESD_WEIGHT, 4},      {ESD_CAS, 12},         {ESD_BASE_PEAK, 10},
                {ESD_RANGE_LOW, 10},  {ESD_RANGE_HIGH, 10},  {ESD_KEEP_TOP_COUNT, 4},
                {ESD_KEEP_ABOVE_INTENSITY, 9}, {ESD_SCALE_TO, 9}};
  for (const auto& l : limits) SendDlgItemMessage(l.id, EM_LIMITTEXT, l.limit, 0);
  char text[32];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(m_keepTop));
  SetDlgItemText(ESD_KEEP_TOP_COUNT, text);
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(m_keepAbove));
  SetDlgItemText(ESD_KEEP_ABOVE_INTENSITY, text);
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(m_scaleTo));
  SetDlgItemText(ESD_SCALE_TO, text);
  if (!StartFromSource()) {
    EndDialog(0);
    return TRUE;
  }
  PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
  return TRUE;
}

bool CEditSpectrumDlg::StartFromSource() {
  if (m_spectrumWnd) ::SendMessageA(m_spectrumWnd, SPTM_NODATA, 0, 0);
  PlusSpt_Free(m_work);
  m_work = nullptr;
  if (m_source) {
    m_work = PlusSpt_Copy(m_source);
  } else {
    auto* record = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
    STRUCT_LIST_SPT* list = NewListSpectrum(2);
    if (record && list) {
      PlusSpt_InitListSpt(record, list);
      m_work = record;
    } else {
      FreeBlock(record);
      FreeBlock(list);
    }
  }
  if (!m_work) return false;
  const int decimals = KELT_GetMassDecimalsAndFormat(m_work, m_massFormat);
  std::snprintf(m_listMassFormat, sizeof m_listMassFormat, "%%%d.%df", decimals + 5, decimals);
  FillList(0);
  ShowSpectrum(true);
  FillFields();
  return true;
}

bool CEditSpectrumDlg::IntegerPairs() const { return kelt::spectra::LayoutOf(m_work) == kelt::spectra::PairLayout::Integer; }

void CEditSpectrumDlg::SetPeakCount() {
  char text[40];
  std::snprintf(text, sizeof text, "Peak Count:  %d", m_work ? PlusSpt_GetPairCount(m_work) : 0);
  SetDlgItemText(ESD_PEAK_COUNT, text);
}

void CEditSpectrumDlg::ShowSpectrum(bool clearFirst) {
  if (!m_work) return;
  if (m_spectrumWnd && clearFirst) ::SendMessageA(m_spectrumWnd, SPTM_NODATA, 0, 0);
  // A new serial number: the control takes the record as a new spectrum.
  m_work->serialNumber = PlusSpt_GetNextSerialId();
  if (m_spectrumWnd) {
    if (PlusSpt_GetPairCount(m_work) > 0) {
      STRUCT_CCSPT_SPT_PLUS_DATA data{};
      data.presentA = 1;
      data.sptA = m_work;
      ::SendMessageA(m_spectrumWnd, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&data));
    } else {
      ::SendMessageA(m_spectrumWnd, SPTM_NODATA, 0, 0);
    }
  }
  SetPeakCount();
}

void CEditSpectrumDlg::FillList(int selection) {
  SetPeakCount();
  SendDlgItemMessage(ESD_LIST, LB_RESETCONTENT, 0, 0);
  const int n = m_work ? PlusSpt_GetPairCount(m_work) : 0;
  std::vector<double> masses(static_cast<size_t>(n)), intensities(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) PlusSpt_GetPairValues(m_work, uint32_t(i), &masses[i], nullptr, &intensities[i]);
  m_lineToPair.resize(static_cast<size_t>(n));
  std::iota(m_lineToPair.begin(), m_lineToPair.end(), 0);
  // Intensity order: tallest first, equal intensities in mass order.
  if (!m_orderByIon)
    std::stable_sort(m_lineToPair.begin(), m_lineToPair.end(),
                     [&](int a, int b) { return intensities[a] > intensities[b]; });
  const kelt::spectra::PairLayout layout = kelt::spectra::LayoutOf(m_work);
  for (int line = 0; line < n; ++line) {
    const int i = m_lineToPair[line];
    char mass[48], text[128];
    std::snprintf(mass, sizeof mass, m_listMassFormat, masses[i]);
    if (layout == kelt::spectra::PairLayout::Integer)
      std::snprintf(text, sizeof text, "%3d. %5ld  %9lld", line + 1, static_cast<long>(masses[i]),
                    ShownIntensity(intensities[i]));
    else
      std::snprintf(text, sizeof text, "%3d. %s  %9lld", line + 1, mass, ShownIntensity(intensities[i]));
    SendDlgItemMessage(ESD_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  if (n == 0) selection = -1;
  else if (selection >= n) selection = n - 1;
  else if (selection < 0) selection = 0;
  if (CWnd* del = GetDlgItem(ESD_DELETE)) del->EnableWindow(n > 0 ? TRUE : FALSE);
  SendDlgItemMessage(ESD_LIST, LB_SETCURSEL, selection, 0);
  SetDlgItemText(ESD_ORDER_ION, m_orderByIon ? "** &Ion" : "&Ion");
  SetDlgItemText(ESD_ORDER_INTENSITY, m_orderByIon ? "Intensit&y" : "** Intensit&y");
  ShowSelectedPair();
}

void CEditSpectrumDlg::ShowSelectedPair() {
  const LRESULT line = SendDlgItemMessage(ESD_LIST, LB_GETCURSEL, 0, 0);
  double mass = 0, intensity = 0;
  if (m_work && line >= 0 && line < static_cast<LRESULT>(m_lineToPair.size()) &&
      PlusSpt_GetPairValues(m_work, uint32_t(m_lineToPair[size_t(line)]), &mass, nullptr, &intensity)) {
    char text[64];
    std::snprintf(text, sizeof text, m_massFormat, mass);
    SetDlgItemText(ESD_ION, text);
    const long long shown = ShownIntensity(intensity);
    std::snprintf(text, sizeof text, "%lld", shown);
    SetDlgItemText(ESD_INTENSITY, text);
    m_ion = mass;
    m_intensity = shown < 0 ? 0 : static_cast<uint32_t>(shown);
  } else {
    SetDlgItemText(ESD_ION, "");
    SetDlgItemText(ESD_INTENSITY, "");
    m_ion = -1.0;
    m_intensity = kNoIntensity;
  }
  UpdateAddButton(m_ion != -1.0, m_intensity != kNoIntensity);
}

void CEditSpectrumDlg::ShowPairFields() {
  char text[64] = {};
  if (m_ion != -1.0) std::snprintf(text, sizeof text, m_massFormat, m_ion);
  SetDlgItemText(ESD_ION, text);
  text[0] = 0;
  if (m_intensity != kNoIntensity) std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(m_intensity));
  SetDlgItemText(ESD_INTENSITY, text);
}

void CEditSpectrumDlg::UpdateAddButton(bool ionKnown, bool intensityKnown) {
  if (CWnd* add = GetDlgItem(ESD_ADD)) add->EnableWindow(ionKnown && intensityKnown ? TRUE : FALSE);
}

void CEditSpectrumDlg::FillFields() {
  if (!m_work) return;
  SetDlgItemText(ESD_NAME, m_work->name);
  SetDlgItemText(ESD_COMMENT, m_work->comment);
  SetDlgItemText(ESD_FORMULA, m_work->formula);
  char text[64] = {};
  if (m_work->casNumber) FormatCASNumber(m_work->casNumber, text);
  SetDlgItemText(ESD_CAS, text);
  text[0] = 0;
  if (m_work->molecularWeight) std::snprintf(text, sizeof text, "%d", static_cast<int>(m_work->molecularWeight));
  SetDlgItemText(ESD_WEIGHT, text);
  auto mass = [&](int id, double v, bool set) {
    char t[64] = {};
    if (set && std::isfinite(v)) std::snprintf(t, sizeof t, m_massFormat, v);
    SetDlgItemText(id, t);
  };
  mass(ESD_BASE_PEAK, m_work->basePeakMass, m_work->basePeakMass != 0);
  mass(ESD_RANGE_LOW, m_work->lowMass, m_work->useMassRange != 0);
  mass(ESD_RANGE_HIGH, m_work->highMass, m_work->useMassRange != 0);
}

void CEditSpectrumDlg::RebuildTitles(bool onSave) {
  if (!m_work || !kelt::spectra::FixedTitles(m_work)) return;
  if (onSave) PlusSpt_InitRightTitles(m_work);
  else PlusSpt_UpdateRightTitles(m_work);
}

void CEditSpectrumDlg::CheckBasePeak(bool asking) {
  if (!m_work) return;
  const int n = PlusSpt_GetPairCount(m_work);
  const bool integer = IntegerPairs();
  // Without an acquired range every pair counts.
  const bool ranged = m_work->useMassRange != 0;
  const double lo = m_work->lowMass, hi = m_work->highMass;
  const int decimals = KELT_GetMassDecimalsAndFormat(m_work, nullptr);
  // The base peak is typed in the mass format: a pair shown with the same
  // text is the pair meant.
  const double tolerance = 0.5 * std::pow(10.0, -decimals);
  const double wanted = integer ? std::trunc(m_work->basePeakMass) : m_work->basePeakMass;
  int atBase = -1, tallest = -1;
  double tallestIntensity = 0;
  for (int i = 0; i < n; ++i) {
    double m = 0, v = 0;
    PlusSpt_GetPairValues(m_work, uint32_t(i), &m, nullptr, &v);
    if (ranged && (m < lo || m > hi)) continue;
    if (atBase < 0 && (integer ? m == wanted : std::fabs(m - wanted) < tolerance)) atBase = i;
    if (tallest < 0 || v > tallestIntensity) {
      tallest = i;
      tallestIntensity = v;
    }
  }
  auto take = [&](int i) {
    double m = 0, v = 0;
    PlusSpt_GetPairValues(m_work, uint32_t(i), &m, nullptr, &v);
    m_work->basePeakMass = m;
    m_work->basePeakIntensity = v;
    m_work->basePeakFixed = 1;
    if (kelt::spectra::FixedTitles(m_work)) PlusSpt_InitFileTitle(m_work);
  };
  if (tallest >= 0) {
    char caption[80] = {};
    GetWindowText(caption, sizeof caption);
    double tallestMass = 0;
    PlusSpt_GetPairValues(m_work, uint32_t(tallest), &tallestMass, nullptr, nullptr);
    char stored[48], best[48], message[160];
    std::snprintf(stored, sizeof stored, m_massFormat, m_work->basePeakMass);
    std::snprintf(best, sizeof best, m_massFormat, tallestMass);
    if (atBase < 0) {
      std::snprintf(message, sizeof message, "The base peak %s is invalid.  Using %s.", stored, best);
      ::MessageBoxA(m_hWnd, message, caption, MB_OK | MB_ICONINFORMATION);
      take(tallest);
    } else {
      double baseMass = 0, baseIntensity = 0;
      PlusSpt_GetPairValues(m_work, uint32_t(atBase), &baseMass, nullptr, &baseIntensity);
      m_work->basePeakIntensity = baseIntensity;
      if (asking && tallest != atBase && tallestMass != baseMass) {
        std::snprintf(message, sizeof message, "Use %s as base peak?", best);
        if (::MessageBoxA(m_hWnd, message, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) take(tallest);
      }
    }
  }
  char text[64] = {};
  if (m_work->basePeakMass != 0 && std::isfinite(m_work->basePeakMass))
    std::snprintf(text, sizeof text, m_massFormat, m_work->basePeakMass);
  SetDlgItemText(ESD_BASE_PEAK, text);
}

void CEditSpectrumDlg::AfterPairEdit(bool askBasePeak) {
  CheckBasePeak(askBasePeak);
  RebuildTitles(false);
  PlusSpt_SetTopWeightedMasses(m_work);
  ShowSpectrum(false);
}

void CEditSpectrumDlg::AddOrReplace() {
  if (!m_work || m_ion == -1.0 || m_intensity == kNoIntensity) return;
  const int n = PlusSpt_GetPairCount(m_work);
  double first = 0, last = 0;
  if (n > 0) {
    PlusSpt_GetPairValues(m_work, 0, &first, nullptr, nullptr);
    PlusSpt_GetPairValues(m_work, uint32_t(n - 1), &last, nullptr, nullptr);
  }
  const double ion = IntegerPairs() ? std::trunc(m_ion) : m_ion;
  if (!PlusSpt_AddMassInt(m_work, ion, m_intensity)) {
    char caption[80] = {};
    GetWindowText(caption, sizeof caption);
    ::MessageBoxA(m_hWnd, "The pair could not be added: the spectrum has no room for more pairs.", caption,
                  MB_OK | MB_ICONINFORMATION);
    return;
  }
  CheckBasePeak(true);
  PlusSpt_SetTopWeightedMasses(m_work);
  ShowSpectrum(n == 0 || ion < first || ion > last);
  // The list shows the pair just added or replaced.
  int line = 0;
  const int count = PlusSpt_GetPairCount(m_work);
  FillList(0);
  for (int l = 0; l < count && l < static_cast<int>(m_lineToPair.size()); ++l) {
    double m = 0;
    PlusSpt_GetPairValues(m_work, uint32_t(m_lineToPair[size_t(l)]), &m, nullptr, nullptr);
    if (m == ion) {
      line = l;
      break;
    }
  }
  if (line) {
    SendDlgItemMessage(ESD_LIST, LB_SETCURSEL, line, 0);
    ShowSelectedPair();
  }
}

void CEditSpectrumDlg::DeleteSelected() {
  const LRESULT line = SendDlgItemMessage(ESD_LIST, LB_GETCURSEL, 0, 0);
  if (!m_work || line < 0 || line >= static_cast<LRESULT>(m_lineToPair.size())) return;
  if (!PlusSpt_DeleteMassInt(m_work, uint32_t(m_lineToPair[size_t(line)]))) return;
  AfterPairEdit(false);
  FillList(static_cast<int>(line));
}

void CEditSpectrumDlg::KeepTop() {
  if (!m_work || PlusSpt_GetPairCount(m_work) <= static_cast<int64_t>(m_keepTop)) return;
  PlusSpt_SortPairs(m_work, 1);
  PlusSpt_SetPairCount(m_work, static_cast<int32_t>(m_keepTop));
  PlusSpt_SortPairs(m_work, 2);
  m_work->pairsEdited = 1;
  AfterPairEdit(true);
  FillList(0);
}

void CEditSpectrumDlg::KeepAbove() {
  if (!m_work) return;
  const int n = PlusSpt_GetPairCount(m_work);
  auto kept = [&](int i) {
    double v = 0;
    PlusSpt_GetPairValues(m_work, uint32_t(i), nullptr, nullptr, &v);
    return std::trunc(v) >= static_cast<double>(m_keepAbove);
  };
  int keep = 0;
  for (int i = 0; i < n; ++i) keep += kept(i) ? 1 : 0;
  if (keep == n) return;
  for (int i = n - 1; i >= 0; --i)
    if (!kept(i)) PlusSpt_DeleteMassInt(m_work, uint32_t(i));
  AfterPairEdit(true);
  FillList(0);
}

void CEditSpectrumDlg::Scale() {
  if (!m_work) return;
  PlusSpt_ScaleMassInt(m_work, m_scaleTo);
  RebuildTitles(false);
  PlusSpt_SetTopWeightedMasses(m_work);
  ShowSpectrum(false);
  FillList(0);
  FillFields();
}

void CEditSpectrumDlg::OnKillField(int id) {
  if (!m_work) return;
  // A mass field left empty keeps what is stored without a question.
  auto emptyField = [&](int field) { return FieldText(m_hWnd, field).find_first_not_of(" \t") == std::string::npos; };
  switch (id) {
    case ESD_NAME:
    case ESD_COMMENT:
    case ESD_FORMULA: {
      char* buffer = id == ESD_NAME ? m_work->name : id == ESD_COMMENT ? m_work->comment : m_work->formula;
      const uint16_t length = id == ESD_NAME ? 299 : id == ESD_COMMENT ? 149 : 40;
      if (!HandleKillEditString(this, static_cast<uint16_t>(id), length, buffer)) return;
      m_work->editFieldsEdited = 1;
      if (id != ESD_COMMENT) RebuildTitles(false);
      ShowSpectrum(false);
      return;
    }
    case ESD_CAS: {
      const uint32_t stored = m_work->casNumber;
      int32_t cas = static_cast<int32_t>(std::min<uint32_t>(stored, 999999999u));
      const int32_t before = cas;
      if (!HandleKillEditCASNo(this, ESD_CAS, "CAS Number", 0, 999999999, &cas) || (before == 0 && cas == 0))
        return;
      m_work->casNumber = static_cast<uint32_t>(cas);
      m_work->editFieldsEdited = 1;
      RebuildTitles(false);
      ShowSpectrum(false);
      return;
    }
    case ESD_WEIGHT: {
      if (emptyField(id)) return;
      const uint16_t stored = m_work->molecularWeight;
      int16_t weight = static_cast<int16_t>(std::min<uint16_t>(stored, 8000));
      if (!HandleKillEditShort(this, ESD_WEIGHT, "Molecular Weight", 0, 8000, &weight)) return;
      if (weight < 1) return;
      m_work->molecularWeight = static_cast<uint16_t>(weight);
      m_work->editFieldsEdited = 1;
      RebuildTitles(false);
      ShowSpectrum(false);
      return;
    }
    case ESD_BASE_PEAK: {
      if (emptyField(id)) return;
      double mass = m_work->basePeakMass;
      if (!HandleKillEditDouble(this, ESD_BASE_PEAK, "Base Peak", m_massFormat, kLowestMass, kHighestMass, &mass))
        return;
      m_work->basePeakMass = mass;
      m_work->basePeakFixed = 1;
      CheckBasePeak(false);
      RebuildTitles(false);
      ShowSpectrum(false);
      return;
    }
    case ESD_RANGE_LOW:
    case ESD_RANGE_HIGH: {
      if (emptyField(id)) return;
      const bool low = id == ESD_RANGE_LOW;
      // An unset range starts from the masses the spectrum holds.
      if (!m_work->useMassRange) {
        const int n = PlusSpt_GetPairCount(m_work);
        double first = kLowestMass, last = kHighestMass;
        if (n > 0) {
          PlusSpt_GetPairValues(m_work, 0, &first, nullptr, nullptr);
          PlusSpt_GetPairValues(m_work, uint32_t(n - 1), &last, nullptr, nullptr);
        }
        m_work->lowMass = first;
        m_work->highMass = last;
      }
      double value = low ? m_work->lowMass : m_work->highMass;
      if (!HandleKillEditDouble(this, static_cast<uint16_t>(id), low ? "Acquired Low Ion" : "Acquired High Ion",
                                m_massFormat, kLowestMass, kHighestMass, &value))
        return;
      (low ? m_work->lowMass : m_work->highMass) = value;
      m_work->useMassRange = 1;
      m_work->editFieldsEdited = 1;
      if (m_work->lowMass > m_work->highMass) {
        const double high = m_work->lowMass;
        m_work->lowMass = m_work->highMass;
        m_work->highMass = high;
      }
      FillFields();
      CheckBasePeak(true);
      RebuildTitles(false);
      ShowSpectrum(false);
      return;
    }
    case ESD_ION:
    case ESD_INTENSITY: {
      const bool ion = id == ESD_ION;
      if (emptyField(id)) {
        if (ion) m_ion = -1.0;
        else m_intensity = kNoIntensity;
      } else if (!BeginsWithNumber(FieldText(m_hWnd, id))) {
        // Nothing to keep in its place: say why the text goes.
        char caption[80] = {};
        GetWindowText(caption, sizeof caption);
        const bool integer = IntegerPairs();
        char message[160];
        if (ion)
          std::snprintf(message, sizeof message, "Ion must be a number from 10 to 8000.");
        else
          std::snprintf(message, sizeof message, "Intensity must be a whole number from %s.",
                        integer ? "1 to 999999999" : "0 to 4294967294");
        ::MessageBoxA(m_hWnd, message, caption, MB_OK | MB_ICONINFORMATION);
        ShowPairFields();
      } else if (ion) {
        HandleKillEditDouble(this, ESD_ION, "Ion", m_massFormat, kLowestMass, kHighestMass, &m_ion);
      } else if (IntegerPairs()) {
        int32_t v = m_intensity == kNoIntensity ? -1 : static_cast<int32_t>(std::min<uint32_t>(m_intensity, 999999999u));
        HandleKillEditLong(this, ESD_INTENSITY, "Intensity", 1, 999999999, &v);
        m_intensity = v < 1 ? kNoIntensity : static_cast<uint32_t>(v);
      } else {
        HandleKillEditDWORD(this, ESD_INTENSITY, "Intensity", 0, 0xFFFFFFFEu, &m_intensity);
      }
      // A value refused with nothing stored leaves the field empty.
      if (ion && m_ion == -1.0) SetDlgItemText(ESD_ION, "");
      if (!ion && m_intensity == kNoIntensity) SetDlgItemText(ESD_INTENSITY, "");
      UpdateAddButton(m_ion != -1.0, m_intensity != kNoIntensity);
      SendDlgItemMessage(ESD_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      return;
    }
    case ESD_KEEP_TOP_COUNT: {
      const int n = std::max(1, PlusSpt_GetPairCount(m_work));
      int32_t v = static_cast<int32_t>(std::min<uint32_t>(m_keepTop, 0x7FFFFFFFu));
      HandleKillEditLong(this, ESD_KEEP_TOP_COUNT, "Number of Ions", 1, n, &v);
      m_keepTop = static_cast<uint32_t>(std::max(v, 1));
      return;
    }
    case ESD_KEEP_ABOVE_INTENSITY:
      HandleKillEditDWORD(this, ESD_KEEP_ABOVE_INTENSITY, "Lowest Intensity", 1, 0xFFFFFFFFu, &m_keepAbove);
      return;
    case ESD_SCALE_TO:
      HandleKillEditDWORD(this, ESD_SCALE_TO, "Scale Factor", 100, 0xFFFFFFFFu, &m_scaleTo);
      return;
    default: return;
  }
}

BOOL CEditSpectrumDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  switch (id) {
    case ESD_SPECTRUM: return TRUE;  // the control's own notices
    case ESD_ION:
      if (code == EN_CHANGE)
        UpdateAddButton(HandleChangeEditDouble(this, ESD_ION, kLowestMass, kHighestMass) != 0,
                        m_intensity != kNoIntensity);
      else if (code == EN_KILLFOCUS)
        OnKillField(id);
      return TRUE;
    case ESD_INTENSITY:
      if (code == EN_CHANGE) {
        const bool ok = IntegerPairs() ? HandleChangeEditLong(this, ESD_INTENSITY, 1, 999999999) != 0
                                       : HandleChangeEditDWORD(this, ESD_INTENSITY, 0, 0xFFFFFFFEu) != 0;
        UpdateAddButton(m_ion != -1.0, ok);
      } else if (code == EN_KILLFOCUS) {
        OnKillField(id);
      }
      return TRUE;
    case ESD_NAME: case ESD_COMMENT: case ESD_FORMULA: case ESD_CAS: case ESD_WEIGHT: case ESD_BASE_PEAK:
    case ESD_RANGE_LOW: case ESD_RANGE_HIGH: case ESD_KEEP_TOP_COUNT: case ESD_KEEP_ABOVE_INTENSITY:
    case ESD_SCALE_TO:
      if (code == EN_KILLFOCUS) OnKillField(id);
      return TRUE;
    case ESD_LIST:
      if (code == LBN_SELCHANGE) ShowSelectedPair();
      return TRUE;
    case ESD_ORDER_ION:
    case ESD_ORDER_INTENSITY:
      if (code != BN_CLICKED) return TRUE;
      m_orderByIon = id == ESD_ORDER_ION ? 1 : 0;
      FillList(0);
      return TRUE;
    case ESD_ADD: if (code == BN_CLICKED) AddOrReplace(); return TRUE;
    case ESD_DELETE: if (code == BN_CLICKED) DeleteSelected(); return TRUE;
    case ESD_KEEP_TOP: if (code == BN_CLICKED) KeepTop(); return TRUE;
    case ESD_KEEP_ABOVE: if (code == BN_CLICKED) KeepAbove(); return TRUE;
    case ESD_SCALE: if (code == BN_CLICKED) Scale(); return TRUE;
    case ESD_RESET:
      if (code == BN_CLICKED && !StartFromSource()) EndDialog(0);
      return TRUE;
    case ESD_SAVE:
      if (code != BN_CLICKED || !m_work) return TRUE;
      RebuildTitles(true);
      m_saved = true;
      EndDialog(IDOK);
      return TRUE;
    case ESD_HELP:
      KELT_ShowHelpTopic(114, 1);
      return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
  }
}

void CEditSpectrumDlg::OnOK() {
  HWND focus = ::GetFocus();
  HWND button = ::GetDlgItem(m_hWnd, IDOK);
  if (focus && focus == button) {
    OnCancel();
    return;
  }
  HWND next = ::GetNextDlgTabItem(m_hWnd, focus, FALSE);
  if (!next) return;
  ::SetFocus(next);
  if (IsEdit(next)) ::SendMessageA(next, EM_SETSEL, 0, -1);
}

void CEditSpectrumDlg::OnCancel() {
  // Escape during a drag in the spectrum only ends the drag.
  if (m_spectrumWnd && ::IsWindow(m_spectrumWnd) && ::SendMessageA(m_spectrumWnd, SPTM_ESCAPETRACKING, 0, 0) == 1)
    return;
  m_saved = false;
  EndDialog(IDCANCEL);
}

LRESULT CEditSpectrumDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY && !m_closed) {
    m_closed = true;
    WriteSettings();
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

namespace {

STRUCT_SPT_PLUS* RunEditSpectrum(const STRUCT_SPT_PLUS* spectrum, const void* prefsBlock) {
  auto* dlg = new (std::nothrow) CEditSpectrumDlg(nullptr);
  if (!dlg) return nullptr;
  dlg->m_source = spectrum;
  if (prefsBlock) {
    dlg->m_overrideFlag = 1;
    std::memcpy(dlg->m_override, prefsBlock, ESD_OVERRIDE_SIZE);
  }
  STRUCT_SPT_PLUS* result = dlg->DoModal() == IDOK ? dlg->TakeResult() : nullptr;
  delete dlg;
  return result;
}

}  // namespace

KELT_API STRUCT_SPT_PLUS* Dlg_EditSpectrum(const STRUCT_SPT_PLUS* spectrum) try {
  return RunEditSpectrum(spectrum, nullptr);
} catch (...) {
  return nullptr;
}

KELT_API STRUCT_SPT_PLUS* Dlg_EditSpectrumEx(const STRUCT_SPT_PLUS* spectrum, const void* prefsBlock) try {
  return RunEditSpectrum(spectrum, prefsBlock);
} catch (...) {
  return nullptr;
}
