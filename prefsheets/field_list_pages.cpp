// The annotation and plot title pages: an ordered list of fields chosen
// from a fixed vocabulary.
#include <algorithm>
#include <cstring>
#include <functional>

#include "common/library_state.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"
#include "win/win_resources.h"
#include "win/win_user.h"

using prefsheets::PageLayout;

namespace prefsheets {

const std::vector<const char*>& DHFields() {
  static const std::vector<const char*> v{"Name", "Ret. Time", "CAS Number", "Peak Number", "Signal/Noise",
                                          "Area", "Height",    "Status",     "Result",      "Scan Number"};
  return v;
}
const std::vector<const char*>& AMDISComponentFields() {
  static const std::vector<const char*> v{"Scan Number", "Ret. Time", "Model Info.", "Purity",     "Limit", "Signal/Noise",
                                          "Width",       "Amount",    "Tailing",     "Ret. Index", "Models"};
  return v;
}
const std::vector<const char*>& AMDISIdentifiedFields() {
  static const std::vector<const char*> v{"Scan Number", "Ret. Time", "Name", "Formula",  "CAS No.", "Model",
                                          "Purity",      "Width",     "Net",  "Weighted", "Simple",  "Reverse"};
  return v;
}
const std::vector<const char*>& TLFields() {
  static const std::vector<const char*> v{"Scan Number", "Ret. Time", "R.Match", "F.Match",
                                          "Name",        "CASNo",     "MW",      "Formula"};
  return v;
}
const std::vector<const char*>& ChroTitleFields() {
  static const std::vector<const char*> v{"Ions",     "Scan Channels", "File",        "Version",
                                          "Detector", "Data Type",     "Smooth Type", "Time Offset"};
  return v;
}
const std::vector<const char*>& SptsTitleFields() {
  static const std::vector<const char*> v{"Identifier",
                                          "Name",
                                          "Formula",
                                          "CAS Number",
                                          "Molecular Weight",
                                          "Base Peak Ion",
                                          "Base Peak Amount",
                                          "File/Library",
                                          "Index in File/Library",
                                          "Retention Time",
                                          "Scan Numbers",
                                          "Scan Functions",
                                          "Ion Time",
                                          "RIC",
                                          "BC or EBC Background Correction",
                                          "(E) User Edited",
                                          "Comment",
                                          "PROFILE",
                                          "Segment"};
  return v;
}

}  // namespace prefsheets

namespace {

bool HaveTemplate(int id) { return win::resources::FindDialog(kelt::lib::ModuleHandle(), id) != nullptr; }

// The two lists and their five buttons, from y down.
void ListBlock(PageLayout& l, int y, bool sorted) {
  l.Text("Choose from:", 10, y, 90);
  l.List(PREFS_CHOOSE_LIST, 10, y + 10, 96, 80, sorted, false);
  l.Push(PREFS_ADD, "&Add->", 112, y + 10, 56);
  l.Push(PREFS_INSERT, "Insert->", 112, y + 26, 56);
  l.Push(PREFS_REMOVE, "<-&Remove", 112, y + 42, 56);
  l.Push(PREFS_MOVE_UP, "Move Up->", 112, y + 58, 56);
  l.Push(PREFS_MOVE_DOWN, "Move Down->", 112, y + 74, 56);
  l.Text("Selected:", 174, y, 90);
  l.List(PREFS_SELECTED_LIST, 174, y + 10, 96, 80, false, true);
}

LRESULT Lb(HWND page, int id, UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::SendDlgItemMessageA(page, id, msg, w, l); }

}  // namespace

CFieldListPage::CFieldListPage(UINT templateId, const char* caption, size_t size, int16_t number, int16_t* last,
                               uint32_t help, bool sortedChoices)
    : CPrefPage(templateId, caption, size, number, last, help), m_sorted(sortedChoices) {}

void CFieldListPage::PurgeArray(CPrefPage* page, int countOffset, int itemsOffset, int capacity, int vocabulary) {
  int count = std::clamp<int>(page->Word(countOffset), 0, capacity);
  std::vector<int16_t> kept;
  for (int i = 0; i < count; ++i) {
    const int16_t v = page->Word(itemsOffset + 2 * i);
    // An index outside the vocabulary, or one already listed, names no field to show.
    if (v >= 0 && v < vocabulary && std::find(kept.begin(), kept.end(), v) == kept.end()) kept.push_back(v);
  }
  page->SetWord(countOffset, static_cast<int16_t>(kept.size()));
  for (int i = 0; i < capacity; ++i)
    page->SetWord(itemsOffset + 2 * i, i < static_cast<int>(kept.size()) ? kept[static_cast<size_t>(i)] : 0);
}

void CFieldListPage::PurgeIndexes() {
  PurgeArray(this, CountOffset(), ItemsOffset(), Capacity(), static_cast<int>(Vocabulary().size()));
}

bool CFieldListPage::Valid() const { return Word(ShowOffset()) == 0 || Word(CountOffset()) > 0; }

std::vector<int16_t> CFieldListPage::Items() const {
  std::vector<int16_t> v;
  const int n = std::clamp<int>(Word(CountOffset()), 0, Capacity());
  for (int i = 0; i < n; ++i) v.push_back(Word(ItemsOffset() + 2 * i));
  return v;
}

void CFieldListPage::Store(const std::vector<int16_t>& items) {
  const int n = std::min<int>(static_cast<int>(items.size()), Capacity());
  SetWord(CountOffset(), static_cast<int16_t>(n));
  for (int i = 0; i < Capacity(); ++i) SetWord(ItemsOffset() + 2 * i, i < n ? items[static_cast<size_t>(i)] : 0);
}

void CFieldListPage::FillSelected(const std::vector<int>& selected) {
  Lb(m_hWnd, PREFS_SELECTED_LIST, LB_RESETCONTENT);
  const auto& vocab = Vocabulary();
  for (int16_t v : Items()) {
    if (v < 0 || v >= static_cast<int16_t>(vocab.size())) continue;
    const LRESULT at = Lb(m_hWnd, PREFS_SELECTED_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(vocab[size_t(v)]));
    Lb(m_hWnd, PREFS_SELECTED_LIST, LB_SETITEMDATA, static_cast<WPARAM>(at), v + 4);
  }
  for (int s : selected) Lb(m_hWnd, PREFS_SELECTED_LIST, LB_SETSEL, TRUE, s);
}

void CFieldListPage::FillLists() {
  if (!m_hWnd) return;
  const std::vector<int16_t> items = Items();
  FillSelected(items.empty() ? std::vector<int>{} : std::vector<int>{0});
  Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_RESETCONTENT);
  const auto& vocab = Vocabulary();
  for (size_t i = 0; i < vocab.size(); ++i) {
    if (std::find(items.begin(), items.end(), static_cast<int16_t>(i)) != items.end()) continue;
    const LRESULT at = Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(vocab[i]));
    Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i + 4));
  }
  Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_SETCURSEL, 0);
}

void CFieldListPage::UpdateControls() {
  FillLists();
  CPrefPage::UpdateControls();
}

int CFieldListPage::SelectedSingle() const {
  if (Lb(m_hWnd, PREFS_SELECTED_LIST, LB_GETSELCOUNT) != 1) return -1;
  int at = -1;
  Lb(m_hWnd, PREFS_SELECTED_LIST, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&at));
  return at;
}

void CFieldListPage::Enabling() {
  const bool on = ListsOn();
  const int count = Word(CountOffset());
  const bool current = Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_GETCURSEL) >= 0;
  const int selCount = static_cast<int>(Lb(m_hWnd, PREFS_SELECTED_LIST, LB_GETSELCOUNT));
  const int single = SelectedSingle();
  const bool add = on && count < Capacity() && current;
  const bool states[5] = {add, add && single >= 0, on && count >= 1 && selCount >= 1, on && single > 0,
                          on && single >= 0 && single < count - 1};
  const int ids[5] = {PREFS_ADD, PREFS_INSERT, PREFS_REMOVE, PREFS_MOVE_UP, PREFS_MOVE_DOWN};
  const int partner[5] = {PREFS_REMOVE, PREFS_REMOVE, PREFS_ADD, PREFS_MOVE_DOWN, PREFS_MOVE_UP};
  HWND focus = ::GetFocus();
  for (int k = 0; k < 5; ++k) {
    HWND b = ::GetDlgItem(m_hWnd, ids[k]);
    if (!b) continue;
    const bool hadFocus = focus == b;
    ::EnableWindow(b, states[k] ? TRUE : FALSE);
    // A disabled button hands the focus to its partner.
    if (hadFocus && !states[k])
      if (HWND p = ::GetDlgItem(m_hWnd, partner[k])) ::SetFocus(p);
  }
  ::EnableWindow(::GetDlgItem(m_hWnd, PREFS_CHOOSE_LIST), on ? TRUE : FALSE);
  ::EnableWindow(::GetDlgItem(m_hWnd, PREFS_SELECTED_LIST), on ? TRUE : FALSE);
  EnableExtras(on);
}

void CFieldListPage::ApplyRules() { Enabling(); }

void CFieldListPage::AfterChange(int id) {
  // A switch that changes which lists are usable.
  Enabling();
  (void)id;
  NotifyChanged();
}

BOOL CFieldListPage::OnSetActive() {
  PurgeIndexes();
  if (!Valid() && ShowOffset() >= 0) SetWord(ShowOffset(), 0);
  return CPrefPage::OnSetActive();
}

void CFieldListPage::OnDeactivate() {
  PurgeIndexes();
  if (!Valid() && ShowOffset() >= 0) SetWord(ShowOffset(), 0);
}

void CFieldListPage::NotifyChanged() {
  // The live control never shows annotations without fields.
  if (!Valid() && ShowOffset() >= 0) {
    const int16_t show = Word(ShowOffset());
    SetWord(ShowOffset(), 0);
    CPrefPage::NotifyChanged();
    SetWord(ShowOffset(), show);
    return;
  }
  CPrefPage::NotifyChanged();
}

void CFieldListPage::Add() {
  const LRESULT c = Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_GETCURSEL);
  std::vector<int16_t> items = Items();
  if (c < 0 || static_cast<int>(items.size()) >= Capacity()) return;
  const auto field = static_cast<int16_t>(Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_GETITEMDATA, static_cast<WPARAM>(c)) - 4);
  Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_DELETESTRING, static_cast<WPARAM>(c));
  const LRESULT left = Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_GETCOUNT);
  Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_SETCURSEL, left == 0 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(std::min<LRESULT>(c, left - 1)));
  std::vector<int> keep;
  const int selCount = static_cast<int>(Lb(m_hWnd, PREFS_SELECTED_LIST, LB_GETSELCOUNT));
  if (selCount > 0) {
    keep.resize(static_cast<size_t>(selCount));
    Lb(m_hWnd, PREFS_SELECTED_LIST, LB_GETSELITEMS, static_cast<WPARAM>(selCount), reinterpret_cast<LPARAM>(keep.data()));
  }
  items.push_back(field);
  Store(items);
  if (items.size() == 1) keep = {0};
  FillSelected(keep);
}

void CFieldListPage::Insert() {
  const LRESULT c = Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_GETCURSEL);
  const int at = SelectedSingle();
  std::vector<int16_t> items = Items();
  if (c < 0 || at < 0 || static_cast<int>(items.size()) >= Capacity()) return;
  const auto field = static_cast<int16_t>(Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_GETITEMDATA, static_cast<WPARAM>(c)) - 4);
  Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_DELETESTRING, static_cast<WPARAM>(c));
  const LRESULT left = Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_GETCOUNT);
  Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_SETCURSEL, left == 0 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(std::min<LRESULT>(c, left - 1)));
  items.insert(items.begin() + at, field);
  Store(items);
  FillSelected({at + 1});
}

void CFieldListPage::Remove() {
  const int selCount = static_cast<int>(Lb(m_hWnd, PREFS_SELECTED_LIST, LB_GETSELCOUNT));
  if (selCount <= 0) return;
  std::vector<int> picked(static_cast<size_t>(selCount));
  Lb(m_hWnd, PREFS_SELECTED_LIST, LB_GETSELITEMS, static_cast<WPARAM>(selCount), reinterpret_cast<LPARAM>(picked.data()));
  std::sort(picked.begin(), picked.end());
  std::vector<int16_t> items = Items();
  const auto& vocab = Vocabulary();
  for (auto it = picked.rbegin(); it != picked.rend(); ++it) {
    if (*it < 0 || *it >= static_cast<int>(items.size())) continue;
    const int16_t field = items[static_cast<size_t>(*it)];
    items.erase(items.begin() + *it);
    const LRESULT at =
        Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(vocab[static_cast<size_t>(field)]));
    Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_SETITEMDATA, static_cast<WPARAM>(at), field + 4);
  }
  Store(items);
  FillSelected(items.empty() ? std::vector<int>{} : std::vector<int>{0});
  if (Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_GETCURSEL) < 0) Lb(m_hWnd, PREFS_CHOOSE_LIST, LB_SETCURSEL, 0);
}

void CFieldListPage::Move(int by) {
  const int at = SelectedSingle();
  std::vector<int16_t> items = Items();
  const int to = at + by;
  if (at < 0 || to < 0 || to >= static_cast<int>(items.size())) return;
  std::swap(items[static_cast<size_t>(at)], items[static_cast<size_t>(to)]);
  Store(items);
  FillSelected({to});
}

bool CFieldListPage::OnPageCommand(int id, int code) {
  if ((id == PREFS_CHOOSE_LIST || id == PREFS_SELECTED_LIST) && code == LBN_SELCHANGE) {
    Enabling();
    return true;
  }
  bool done = false;
  if ((id == PREFS_ADD && code == BN_CLICKED) || (id == PREFS_CHOOSE_LIST && code == LBN_DBLCLK)) {
    if (::IsWindowEnabled(::GetDlgItem(m_hWnd, PREFS_ADD))) Add();
    done = true;
  } else if (code == BN_CLICKED) {
    switch (id) {
      case PREFS_INSERT: Insert(); done = true; break;
      case PREFS_REMOVE: Remove(); done = true; break;
      case PREFS_MOVE_UP: Move(-1); done = true; break;
      case PREFS_MOVE_DOWN: Move(1); done = true; break;
      default: break;
    }
  }
  if (!done) return false;
  Enabling();
  NotifyChanged();
  return true;
}

// ---- DH annotations ----------------------------------------------------------------

namespace {

void AnnotationTemplate(int templateId, const char* caption, const char* showText, int listsAt,
                        const std::function<void(PageLayout&)>& extra) {
  if (HaveTemplate(templateId)) return;
  PageLayout l(caption);
  l.Check(PREFS_CHECK, showText, 10, 8, 180);
  extra(l);
  l.Group("Fields", 6, listsAt - 10, 270, 114);
  ListBlock(l, listsAt, false);
  l.Push(PREFS_APPEARANCE, "Edit Colors, Font", 190, 6, 80);
  l.Register(templateId);
}

}  // namespace

CDHAnnotationsPage::CDHAnnotationsPage(int16_t defaultsFlag, UINT templateId)
    : CFieldListPage(templateId, "DH Annotations", 130, 5, &prefsheets::Remembered().chromatogram, 166, false) {
  m_defaultsFlag = defaultsFlag;
  BindCheck(PREFS_CHECK, 0);
  for (int k = 0; k < 6; ++k) BindCheck(PREFS_CHECK + 1 + k, 2 + 2 * k);
  AnnotationTemplate(static_cast<int>(templateId), "DH Annotations", "&Show Data Handling Annotations", 64,
                     [](PageLayout& l) {
                       static const char* kinds[6] = {"&Identified", "&Failed",   "&Missing",
                                                      "&TICs",       "&Unknowns", "&Duplicates"};
                       l.Group("Peaks to Annotate", 6, 20, 270, 32);
                       for (int k = 0; k < 6; ++k)
                         l.Check(PREFS_CHECK + 1 + k, kinds[k], 12 + 88 * (k % 3), 30 + 11 * (k / 3), 80);
                     });
}

const std::vector<const char*>& CDHAnnotationsPage::Vocabulary() const { return prefsheets::DHFields(); }

bool CDHAnnotationsPage::Valid() const {
  if (Word(0) == 0) return true;
  bool kind = false;
  for (int k = 0; k < 6; ++k) kind = kind || Word(2 + 2 * k) != 0;
  return kind && Word(14) > 0;
}

void CDHAnnotationsPage::EnableExtras(bool on) {
  for (int k = 0; k < 6; ++k) Enable(PREFS_CHECK + 1 + k, on);
  Enable(PREFS_APPEARANCE, on);
}

bool CDHAnnotationsPage::OnPageCommand(int id, int code) {
  if (id == PREFS_APPEARANCE && code == BN_CLICKED) {
    EditAppearance(38, 0);
    return true;
  }
  return CFieldListPage::OnPageCommand(id, code);
}

// ---- AMDIS annotations ---------------------------------------------------------------

CAMDISAnnotationsPage::CAMDISAnnotationsPage(int16_t defaultsFlag, UINT templateId)
    : CFieldListPage(templateId, "AMDIS Annotations", 148, 6, &prefsheets::Remembered().chromatogram, 172, false) {
  m_defaultsFlag = defaultsFlag;
  BindCheck(PREFS_CHECK, 0);
  BindRadio(PREFS_RADIO + 0, 2, 0);
  BindRadio(PREFS_RADIO + 1, 2, 1);
  AnnotationTemplate(static_cast<int>(templateId), "AMDIS Annotations", "&Show Annotations", 64, [](PageLayout& l) {
    l.Group("Kind", 6, 20, 270, 32);
    l.Radio(PREFS_RADIO + 0, "Identified Annotations", 12, 32, 120, true);
    l.Radio(PREFS_RADIO + 1, "Component Annotations", 140, 32, 120);
  });
}

void CAMDISAnnotationsPage::PurgeIndexes() {
  PurgeArray(this, 4, 6, 11, static_cast<int>(prefsheets::AMDISComponentFields().size()));
  PurgeArray(this, 28, 30, 12, static_cast<int>(prefsheets::AMDISIdentifiedFields().size()));
}

const std::vector<const char*>& CAMDISAnnotationsPage::Vocabulary() const {
  return Word(2) ? prefsheets::AMDISComponentFields() : prefsheets::AMDISIdentifiedFields();
}

void CAMDISAnnotationsPage::EnableExtras(bool on) {
  Enable(PREFS_RADIO + 0, on);
  Enable(PREFS_RADIO + 1, on);
  Enable(PREFS_APPEARANCE, on);
}

bool CAMDISAnnotationsPage::OnPageCommand(int id, int code) {
  if (id == PREFS_APPEARANCE && code == BN_CLICKED) {
    EditAppearance(56, 2);
    return true;
  }
  if ((id == PREFS_RADIO || id == PREFS_RADIO + 1) && code == BN_CLICKED &&
      ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED) {
    // Each kind keeps its own fields: switching shows the other array.
    SetWord(2, id == PREFS_RADIO ? 0 : 1);
    FillLists();
    Enabling();
    NotifyChanged();
    return true;
  }
  return CFieldListPage::OnPageCommand(id, code);
}

// ---- TL annotations ---------------------------------------------------------------------

CTLAnnotationsPage::CTLAnnotationsPage(int16_t defaultsFlag, UINT templateId)
    : CFieldListPage(templateId, "TL Annotations", 114, 4, &prefsheets::Remembered().chromatogram, 173, false) {
  m_defaultsFlag = defaultsFlag;
  BindCheck(PREFS_CHECK, 0);
  AnnotationTemplate(static_cast<int>(templateId), "TL Annotations", "&Show Annotations", 40, [](PageLayout&) {});
}

const std::vector<const char*>& CTLAnnotationsPage::Vocabulary() const { return prefsheets::TLFields(); }

void CTLAnnotationsPage::EnableExtras(bool on) { Enable(PREFS_APPEARANCE, on); }

bool CTLAnnotationsPage::OnPageCommand(int id, int code) {
  if (id == PREFS_APPEARANCE && code == BN_CLICKED) {
    EditAppearance(22, 3);
    return true;
  }
  return CFieldListPage::OnPageCommand(id, code);
}

// ---- Chromatogram plot titles ---------------------------------------------------------------

CChroTitlesPage::CChroTitlesPage(int16_t defaultsFlag, UINT templateId)
    : CFieldListPage(templateId, "Plot Titles", 26, 10, &prefsheets::Remembered().chromatogram, 181, true) {
  m_defaultsFlag = defaultsFlag;
  BindCheck(PREFS_CHECK + 0, 0);
  BindCheck(PREFS_CHECK + 1, 2);
  BindCheck(PREFS_CHECK + 2, 4);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Plot Titles");
  l.Check(PREFS_CHECK + 0, "Show Plot &Titles", 10, 8, 120);
  l.Check(PREFS_CHECK + 1, "Show &Segment Titles", 10, 20, 120);
  l.Check(PREFS_CHECK + 2, "Show Titles on &Left", 140, 8, 120);
  l.Group("Title Fields", 6, 36, 270, 114);
  ListBlock(l, 46, true);
  l.Register(static_cast<int>(templateId));
}

const std::vector<const char*>& CChroTitlesPage::Vocabulary() const { return prefsheets::ChroTitleFields(); }

// ---- Spectra plot titles ---------------------------------------------------------------------

CSptsTitlesPage::CSptsTitlesPage(UINT templateId)
    : CFieldListPage(templateId, "Plot Titles", 104, 8, &prefsheets::Remembered().spectra, 210, true) {
  for (int k = 0; k < 4; ++k) BindCheck(PREFS_CHECK + k, 2 * k);
  if (HaveTemplate(static_cast<int>(templateId))) return;
  PageLayout l("Plot Titles");
  static const char* lines[4] = {"Left Line 1", "Left Line 2", "Right Line 1", "Right Line 2"};
  static const char* picks[4] = {"Left 1", "Left 2", "Right 1", "Right 2"};
  l.Group("Title Lines to Display", 6, 4, 270, 32);
  for (int k = 0; k < 4; ++k) l.Check(PREFS_CHECK + k, lines[k], 12 + 66 * k, 16, 62);
  l.Group("Title Line Fields", 6, 40, 270, 128);
  for (int k = 0; k < 4; ++k) l.Radio(PREFS_RADIO + k, picks[k], 12 + 66 * k, 52, 60, k == 0);
  ListBlock(l, 66, true);
  l.Register(static_cast<int>(templateId));
}

const std::vector<const char*>& CSptsTitlesPage::Vocabulary() const { return prefsheets::SptsTitleFields(); }

void CSptsTitlesPage::PurgeIndexes() {
  const int vocab = static_cast<int>(prefsheets::SptsTitleFields().size());
  for (int line = 0; line < 4; ++line) {
    PurgeArray(this, 16 + 22 * line, 18 + 22 * line, 10, vocab);
    // A line without fields is not shown.
    if (Word(16 + 22 * line) == 0) SetWord(2 * line, 0);
  }
}

void CSptsTitlesPage::ApplyRules() {
  for (int k = 0; k < 4; ++k) ShowCheck(PREFS_RADIO + k, k == m_line);
  Enabling();
}

void CSptsTitlesPage::NotifyChanged() {
  const int show = 2 * m_line;
  if (Word(show) && Word(CountOffset()) == 0) {
    SetWord(show, 0);
    CPrefPage::NotifyChanged();
    SetWord(show, 1);
    return;
  }
  CPrefPage::NotifyChanged();
}

bool CSptsTitlesPage::OnPageCommand(int id, int code) {
  if (id >= PREFS_RADIO && id < PREFS_RADIO + 4 && code == BN_CLICKED) {
    if (::IsDlgButtonChecked(m_hWnd, id) != BST_CHECKED) return true;
    m_line = static_cast<int16_t>(id - PREFS_RADIO);
    FillLists();
    Enabling();
    return true;
  }
  return CFieldListPage::OnPageCommand(id, code);
}
