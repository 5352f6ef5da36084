// The Edit Spectrum dialog driven as a user would: pairs added, replaced
// and deleted, the list orders, keep/scale, the field checks, Enter and
// Escape, the settings record, and the spectrum control's edit commands.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/edit_spectrum_dialog.h"
#include "spectrumctl/tests/spt_control_fixture.h"
#include "testing/golden_png.h"
#include "win/win_profile.h"

namespace {

using Pairs = std::vector<std::pair<double, double>>;

Pairs PairsOf(const STRUCT_SPT_PLUS* s) {
  Pairs out;
  const int n = PlusSpt_GetPairCount(s);
  for (int i = 0; i < n; ++i) {
    double m = 0, v = 0;
    PlusSpt_GetPairValues(s, uint32_t(i), &m, nullptr, &v);
    out.emplace_back(m, v);
  }
  return out;
}

// Runs the dialog on source with a script; the spectrum it hands back.
sptfix::Spt RunEdit(const STRUCT_SPT_PLUS* source, win::script::DialogScript script) {
  win::script::OnNextDialog(std::move(script));
  return sptfix::Spt(Dlg_EditSpectrum(source));
}

// Eight pairs off the grid, a saturated one among them, base peak set.
sptfix::Spt Sample() {
  sptfix::Spt s = sptfix::Precise({{41.03, 1520},
                                   {43.06, 9875},
                                   {57.07, 23004},
                                   {71.09, 8388607},
                                   {85.10, 6411},
                                   {99.12, 310},
                                   {113.15, 74},
                                   {142.16, 2911}},
                                  false);
  PlusSpt_UpdateBasePeak(s.get());
  sptfix::Titles(s.get(), "Sample 7");
  std::strcpy(s->name, "Decane");
  return s;
}

std::string LastBox() {
  const auto log = win::script::MessageBoxLog();
  return log.empty() ? std::string() : log.back().text;
}

class EditSpectrumTest : public SptControlTest {};

TEST_F(EditSpectrumTest, AddsReplacesAndDeletesOnACopyHandedBackOnSave) {
  sptfix::Spt source = Sample();
  const Pairs original = PairsOf(source.get());
  sptfix::Spt edited = RunEdit(source.get(), [&](HWND d) {
    EXPECT_EQ(win::script::Text(d), "Edit Spectrum");
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  8");
    EXPECT_EQ(win::script::GetField(d, ESD_NAME), "Decane");
    // The control of the dialog shows the copy being edited.
    HWND spt = GetDlgItem(d, ESD_SPECTRUM);
    ASSERT_NE(spt, nullptr);
    EXPECT_EQ(win::script::ClassName(spt), "KELT_Spt");
    ASSERT_NE(Control(spt)->m_display[0], nullptr);
    EXPECT_EQ(PlusSpt_GetPairCount(Control(spt)->m_display[0]), 8);
    // Intensity order first: the saturated pair leads, the line shows its pair.
    std::vector<std::string> lines = win::script::ListItems(d, ESD_LIST);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].substr(0, 4), "  1.");
    EXPECT_NE(lines[0].find("71.1"), std::string::npos);
    EXPECT_NE(lines[0].find("8388607"), std::string::npos);
    EXPECT_EQ(win::script::GetField(d, ESD_ORDER_INTENSITY), "** Intensit&y");
    EXPECT_EQ(win::script::GetField(d, ESD_ION), "71.1");
    EXPECT_EQ(win::script::GetField(d, ESD_INTENSITY), "8388607");

    // Mass order.
    ASSERT_TRUE(win::script::PressButton(d, ESD_ORDER_ION));
    lines = win::script::ListItems(d, ESD_LIST);
    EXPECT_NE(lines[0].find("41.0"), std::string::npos);
    EXPECT_EQ(win::script::GetField(d, ESD_ORDER_ION), "** &Ion");

    // A new pair between the others.
    win::script::SetField(d, ESD_ION, "64.55");
    win::script::SetField(d, ESD_INTENSITY, "4321");
    ASSERT_TRUE(win::script::PressButton(d, ESD_ADD));
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  9");
    EXPECT_EQ(PlusSpt_GetPairCount(Control(spt)->m_display[0]), 9);

    // Replacing: the pair of a selected line takes the typed intensity.
    ASSERT_TRUE(win::script::PickItem(d, ESD_LIST, 5));  // 85.10
    EXPECT_EQ(win::script::GetField(d, ESD_ION), "85.1");
    win::script::SetField(d, ESD_INTENSITY, "777");
    ASSERT_TRUE(win::script::PressButton(d, ESD_ADD));
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  9");

    // Deleting the first line in mass order.
    ASSERT_TRUE(win::script::PickItem(d, ESD_LIST, 0));
    ASSERT_TRUE(win::script::PressButton(d, ESD_DELETE));
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  8");
    ASSERT_TRUE(win::script::PressButton(d, ESD_SAVE));
  });
  ASSERT_NE(edited, nullptr);
  // The caller's spectrum is untouched.
  EXPECT_EQ(PairsOf(source.get()), original);
  const Pairs got = PairsOf(edited.get());
  ASSERT_EQ(got.size(), 8u);
  EXPECT_DOUBLE_EQ(got[0].first, 43.06);
  bool added = false, replaced = false;
  for (const auto& [m, v] : got) {
    if (m == 64.55) added = v == 4321;
    if (std::fabs(m - 85.10) < 1e-9) replaced = v == 777;
  }
  EXPECT_TRUE(added);
  EXPECT_TRUE(replaced);
  EXPECT_DOUBLE_EQ(double(edited->basePeakMass), 71.09);
  EXPECT_NE(edited.get(), source.get());
}

TEST_F(EditSpectrumTest, CancelDropsTheEditsAndEscapeFirstEndsADrag) {
  sptfix::Spt source = Sample();
  const Pairs original = PairsOf(source.get());
  bool stayedOpen = false;
  sptfix::Spt edited = RunEdit(source.get(), [&](HWND d) {
    ASSERT_TRUE(win::script::PickItem(d, ESD_LIST, 0));
    ASSERT_TRUE(win::script::PressButton(d, ESD_DELETE));
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  7");
    // Escape while the spectrum control tracks the mouse ends the drag only.
    CCtlSpt* c = Control(GetDlgItem(d, ESD_SPECTRUM));
    c->m_tracking = 1;
    SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
    win::script::PumpUntilIdle();
    stayedOpen = IsWindow(d) && c->m_tracking == 0;
    // The button labelled "Cancel" is the dialog's OK id.
    EXPECT_EQ(win::script::GetField(d, IDOK), "Cancel");
    ASSERT_TRUE(win::script::PressButton(d, IDOK));
  });
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(edited, nullptr);
  EXPECT_EQ(PairsOf(source.get()), original);
  ASSERT_FALSE(win::script::DialogLog().empty());
  EXPECT_EQ(win::script::DialogLog().back().result, IDCANCEL);
}

TEST_F(EditSpectrumTest, EnterMovesToTheNextFieldAndOnCancelItCancels) {
  sptfix::Spt source = Sample();
  bool moved = false, open = false;
  sptfix::Spt edited = RunEdit(source.get(), [&](HWND d) {
    SetFocus(GetDlgItem(d, ESD_NAME));
    win::script::PressKey(VK_RETURN);
    moved = GetFocus() == GetDlgItem(d, ESD_COMMENT);
    open = IsWindow(d) != FALSE;
    SetFocus(GetDlgItem(d, IDOK));
    win::script::PressKey(VK_RETURN);
  });
  EXPECT_TRUE(moved);
  EXPECT_TRUE(open);
  EXPECT_EQ(edited, nullptr);
  EXPECT_FALSE(win::script::DialogLog().back().cancelledUnanswered);
}

TEST_F(EditSpectrumTest, WithoutASourceItBuildsAListSpectrum) {
  sptfix::Spt edited = RunEdit(nullptr, [&](HWND d) {
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  0");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, ESD_DELETE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, ESD_ADD)));
    const std::pair<const char*, const char*> pairs[] = {{"50.5", "1200"}, {"91.05", "56000"}, {"65.2", "800"}};
    // The second pair is taller: asked whether it becomes the base peak.
    win::script::AnswerNextMessageBox(IDYES);
    for (const auto& [ion, intensity] : pairs) {
      win::script::SetField(d, ESD_ION, ion);
      win::script::SetField(d, ESD_INTENSITY, intensity);
      ASSERT_TRUE(win::script::PressButton(d, ESD_ADD)) << ion;
    }
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  3");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, ESD_DELETE)));
    EXPECT_EQ(LastBox().rfind("Use ", 0), 0u);
    win::script::SetField(d, ESD_NAME, "Hand-made");
    win::script::PressButton(d, ESD_SAVE);
  });
  ASSERT_NE(edited, nullptr);
  EXPECT_EQ(int64_t(edited->kind), SPT_KIND_LIST);
  const Pairs got = PairsOf(edited.get());
  ASSERT_EQ(got.size(), 3u);
  EXPECT_DOUBLE_EQ(got[0].first, 50.5);
  EXPECT_DOUBLE_EQ(got[1].first, 65.2);
  EXPECT_DOUBLE_EQ(got[2].first, 91.05);
  EXPECT_DOUBLE_EQ(double(edited->basePeakMass), 91.05);
  EXPECT_DOUBLE_EQ(double(edited->basePeakIntensity), 56000);
  EXPECT_STREQ(edited->name, "Hand-made");
}

TEST_F(EditSpectrumTest, BadTypedValuesAreRefusedWithAClearMessage) {
  sptfix::Spt source = Sample();
  struct Case {
    int id;
    const char* typed;
    int answer;  // 0: no question expected
    const char* message;
    const char* shownAfter;
  } cases[] = {
      {ESD_ION, "5", IDNO, "Ion must be between 10.0 and 8000.0.\n\nUse 10.0?", ""},
      {ESD_ION, "8123.4", IDYES, "Ion must be between 10.0 and 8000.0.\n\nUse 8000.0?", "8000.0"},
      {ESD_ION, "abc", 0, "Ion must be a number from 10 to 8000.", "8000.0"},
      {ESD_INTENSITY, "lots", 0, "Intensity must be a whole number from 0 to 4294967294.", ""},
      {ESD_WEIGHT, "9000", IDYES, "Molecular Weight must be between 0 and 8000.\n\nUse 8000?", "8000"},
      {ESD_KEEP_TOP_COUNT, "20", IDYES, "Number of Ions must be between 1 and 8.\n\nUse 8?", "8"},
      {ESD_SCALE_TO, "12", IDNO, "Scale Factor must be between 100 and 4294967295.\n\nUse 100?", "100000"},
      {ESD_CAS, "1234567890", IDYES, "CAS Number must be between  and 999999-99-9.\n\nUse 999999-99-9?",
       "999999-99-9"},
  };
  sptfix::Spt edited = RunEdit(source.get(), [&](HWND d) {
    // Start with the pair fields empty.
    SendDlgItemMessageA(d, ESD_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(ESD_LIST, LBN_SELCHANGE), 0);
    for (const Case& c : cases) {
      const size_t before = win::script::MessageBoxLog().size();
      if (c.answer) win::script::AnswerNextMessageBox(c.answer);
      win::script::SetField(d, c.id, c.typed);
      SetFocus(GetDlgItem(d, ESD_NAME));  // leaving the field
      win::script::PumpUntilIdle();
      ASSERT_EQ(win::script::MessageBoxLog().size(), before + 1) << c.typed;
      EXPECT_EQ(LastBox(), c.message) << c.typed;
      EXPECT_EQ(win::script::GetField(d, c.id), c.shownAfter) << c.typed;
    }
    // A refused ion leaves nothing to add.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, ESD_ADD)));
    win::script::PressButton(d, ESD_SAVE);
  });
  ASSERT_NE(edited, nullptr);
  EXPECT_EQ(int64_t(edited->molecularWeight), 8000);
  EXPECT_EQ(int64_t(edited->casNumber), 999999999);
  EXPECT_EQ(PairsOf(edited.get()).size(), 8u);
}

TEST_F(EditSpectrumTest, BasePeakAndAcquiredRangeAreChecked) {
  sptfix::Spt source = Sample();
  sptfix::Spt edited = RunEdit(source.get(), [&](HWND d) {
    // Not one of the masses: the tallest pair is taken.
    win::script::SetField(d, ESD_BASE_PEAK, "60.0");
    SetFocus(GetDlgItem(d, ESD_NAME));
    EXPECT_EQ(LastBox(), "The base peak 60.0 is invalid.  Using 71.1.");
    EXPECT_EQ(win::script::GetField(d, ESD_BASE_PEAK), "71.1");
    // A pair's mass is accepted as it is shown.
    win::script::SetField(d, ESD_BASE_PEAK, "57.1");
    SetFocus(GetDlgItem(d, ESD_NAME));
    EXPECT_EQ(win::script::GetField(d, ESD_BASE_PEAK), "57.1");
    // A new range asks whether the tallest pair inside becomes the base peak.
    win::script::AnswerNextMessageBox(IDNO);
    win::script::AnswerNextMessageBox(IDNO);
    win::script::SetField(d, ESD_RANGE_LOW, "45.0");
    win::script::SetField(d, ESD_RANGE_HIGH, "100.0");
    EXPECT_EQ(LastBox(), "Use 71.1 as base peak?");
    // Low typed above high: swapped; the base peak now lies outside.
    win::script::SetField(d, ESD_RANGE_LOW, "150.0");
    SetFocus(GetDlgItem(d, ESD_NAME));
    EXPECT_EQ(win::script::GetField(d, ESD_RANGE_LOW), "100.0");
    EXPECT_EQ(win::script::GetField(d, ESD_RANGE_HIGH), "150.0");
    EXPECT_EQ(LastBox(), "The base peak 57.1 is invalid.  Using 142.2.");
    win::script::PressButton(d, ESD_SAVE);
  });
  ASSERT_NE(edited, nullptr);
  EXPECT_EQ(int64_t(edited->useMassRange), 1);
  EXPECT_DOUBLE_EQ(double(edited->lowMass), 100.0);
  EXPECT_DOUBLE_EQ(double(edited->highMass), 150.0);
  EXPECT_DOUBLE_EQ(double(edited->basePeakMass), 142.16);
  EXPECT_EQ(int64_t(edited->basePeakFixed), 1);
}

TEST_F(EditSpectrumTest, KeepTopKeepAboveAndScaleAndTheSettingsRecord) {
  sptfix::Spt source = Sample();
  sptfix::Spt edited = RunEdit(source.get(), [&](HWND d) {
    EXPECT_EQ(win::script::GetField(d, ESD_KEEP_TOP_COUNT), "50");
    // Keep Top with a count not below the pair count changes nothing.
    win::script::PressButton(d, ESD_KEEP_TOP);
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  8");
    win::script::SetField(d, ESD_KEEP_TOP_COUNT, "6");
    win::script::PressButton(d, ESD_KEEP_TOP);
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  6");
    win::script::SetField(d, ESD_KEEP_ABOVE_INTENSITY, "2911");
    win::script::PressButton(d, ESD_KEEP_ABOVE);
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  5");
    // Keeping what is all kept again changes nothing.
    win::script::PressButton(d, ESD_KEEP_ABOVE);
    EXPECT_EQ(win::script::GetField(d, ESD_PEAK_COUNT), "Peak Count:  5");
    win::script::SetField(d, ESD_SCALE_TO, "999");
    win::script::PressButton(d, ESD_SCALE);
    win::script::PressButton(d, ESD_ORDER_ION);
    win::script::PressButton(d, ESD_SAVE);
  });
  ASSERT_NE(edited, nullptr);
  const Pairs got = PairsOf(edited.get());
  // Scaled down, 2911 becomes 0 and its pair goes.
  const Pairs expected = {{43.06, 1}, {57.07, 3}, {71.09, 999}, {85.10, 1}};
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].first, expected[i].first, 1e-9);
    EXPECT_EQ(got[i].second, expected[i].second);
  }
  EXPECT_DOUBLE_EQ(double(edited->basePeakIntensity), 999);

  STRUCT_EDITSPT_SETTINGS s{};
  const std::string ini = kelt::prefs::PreferencesIniPath();
  ASSERT_TRUE(GetPrivateProfileStructA("EditSptHeader", "Params", &s, sizeof s, ini.c_str()));
  EXPECT_EQ(s.scaleTo, 999u);
  EXPECT_EQ(s.keepAbove, 2911u);
  EXPECT_EQ(s.keepTop, 6u);
  EXPECT_EQ(s.orderByIon, 1);
  // The next run starts from them; a damaged value keeps its default.
  s.keepTop = 0;
  WritePrivateProfileStructA("EditSptHeader", "Params", &s, sizeof s, ini.c_str());
  RunEdit(source.get(), [&](HWND d) {
    EXPECT_EQ(win::script::GetField(d, ESD_SCALE_TO), "999");
    EXPECT_EQ(win::script::GetField(d, ESD_KEEP_TOP_COUNT), "50");
    EXPECT_EQ(win::script::GetField(d, ESD_ORDER_ION), "** &Ion");
  });
}

// The dialog as the user sees it, kept byte for byte: every field, the
// spectrum in its control, the pair list with its two columns.
TEST_F(EditSpectrumTest, LooksAsStored) {
  std::filesystem::create_directories(Host("c/TEMP"));
  sptfix::Spt source = Sample();
  std::strcpy(source->comment, "Off-grid masses from a messy run");
  std::strcpy(source->formula, "C10H22");
  source->casNumber = 124185;
  source->molecularWeight = 142;
  // Unsaturated here, so that the picture shows the smaller ions too.
  PlusSpt_AddMassInt(source.get(), 71.09, 48210);
  PlusSpt_UpdateBasePeak(source.get());
  bool saved = false;
  RECT list{}, dialog{};
  RunEdit(source.get(), [&](HWND d) {
    win::script::PumpUntilIdle();
    saved = win::script::SaveWindowPng(d, "C:\\TEMP\\edit-spectrum.png");
    GetWindowRect(GetDlgItem(d, ESD_LIST), &list);
    GetWindowRect(d, &dialog);
    // The widest line fits the list beside its scroll bar.
    const std::vector<std::string> lines = win::script::ListItems(d, ESD_LIST);
    HDC dc = GetDC(GetDlgItem(d, ESD_LIST));
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(d, ESD_LIST, WM_GETFONT, 0, 0)));
    for (const std::string& line : lines) {
      SIZE size{};
      GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
      EXPECT_LT(size.cx, list.right - list.left - GetSystemMetrics(SM_CXVSCROLL)) << line;
    }
    SelectObject(dc, old);
    ReleaseDC(GetDlgItem(d, ESD_LIST), dc);
  });
  ASSERT_TRUE(saved);
  EXPECT_GE(list.left, dialog.left);
  EXPECT_LE(list.right, dialog.right);
  testing_support::ExpectPngAsStored(ReadHostPath(Host("c/TEMP/edit-spectrum.png")), SPECTRUMCTL_GOLDEN_DIR,
                                     "edit-spectrum");
}

class EditCommandTest : public SptControlTest {};

TEST_F(EditCommandTest, EditsSpectrumAOrBOfTheControl) {
  HWND w = MakeControl();
  sptfix::Spt a = Sample(), b = Messy(11, 30);
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_EQ(PlusSpt_GetPairCount(c->m_display[0]), 8);
  Notices().clear();
  win::script::OnNextDialog([](HWND d) {
    win::script::PickItem(d, ESD_LIST, 0);
    win::script::PressButton(d, ESD_DELETE);
    win::script::PressButton(d, ESD_SAVE);
  });
  SendMessageA(w, WM_COMMAND, 8132, 0);
  win::script::PumpUntilIdle();
  ASSERT_NE(c->m_display[0], nullptr);
  EXPECT_EQ(PlusSpt_GetPairCount(c->m_display[0]), 7);
  EXPECT_EQ(CountNotices(21), 1);
  EXPECT_EQ(PairsOf(a.get()).size(), 8u);

  // WM_USER+74 with 1: spectrum B; Cancel leaves it as it was.
  const STRUCT_SPT_PLUS* before = c->m_display[1];
  const int n = PlusSpt_GetPairCount(before);
  win::script::OnNextDialog([](HWND d) {
    EXPECT_EQ(win::script::GetField(d, ESD_NAME), "");
    win::script::PickItem(d, ESD_LIST, 0);
    win::script::PressButton(d, ESD_DELETE);
    win::script::PressButton(d, IDOK);
  });
  SendMessageA(w, SPTM_LETUSEREDITSPECTRUM, 1, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(c->m_display[1], before);
  EXPECT_EQ(PlusSpt_GetPairCount(c->m_display[1]), n);
  EXPECT_EQ(CountNotices(22), 0);
}

TEST_F(EditCommandTest, TheDifferenceFollowsTheEditedSpectrum) {
  HWND w = MakeControl();
  ShowDifferences(w);
  sptfix::Spt a = Sample(), b = Sample();
  SendPair(w, a.get(), b.get());
  win::script::PumpUntilIdle();
  CCtlSpt* c = Control(w);
  ASSERT_NE(c->m_display[2], nullptr);
  auto largest = [&] {
    double top = 0;
    for (const auto& [m, v] : PairsOf(c->m_display[2])) top = std::max(top, std::fabs(v));
    return top;
  };
  // The same spectrum twice: no difference anywhere.
  EXPECT_EQ(largest(), 0.0);
  win::script::OnNextDialog([](HWND d) {
    win::script::PickItem(d, ESD_LIST, 1);  // 57.07, the second tallest
    win::script::PressButton(d, ESD_DELETE);
    win::script::PressButton(d, ESD_SAVE);
  });
  SendMessageA(w, WM_COMMAND, 8132, 0);
  win::script::PumpUntilIdle();
  ASSERT_NE(c->m_display[2], nullptr);
  EXPECT_GT(largest(), 0.0);
}

TEST_F(EditCommandTest, AProfileSpectrumIsNotEdited) {
  HWND w = MakeControl();
  sptfix::Spt p = sptfix::Precise(sptfix::MessyProfile(5, 800, 40, 0.1), true);
  PlusSpt_UpdateBasePeak(p.get());
  SendPair(w, p.get(), nullptr);
  win::script::PumpUntilIdle();
  const size_t dialogs = win::script::DialogLog().size();
  SendMessageA(w, WM_COMMAND, 8132, 0);
  win::script::PumpUntilIdle();
  EXPECT_EQ(win::script::DialogLog().size(), dialogs);
  ASSERT_FALSE(win::script::MessageBoxLog().empty());
  EXPECT_EQ(win::script::MessageBoxLog().back().text, "PROFILE spectra cannot be edited.");
  EXPECT_EQ(win::script::MessageBoxLog().back().caption, "Spectrum A");
  // Nothing held in B: nothing happens.
  SendMessageA(w, WM_COMMAND, 8133, 0);
  EXPECT_EQ(win::script::DialogLog().size(), dialogs);
}

}  // namespace
