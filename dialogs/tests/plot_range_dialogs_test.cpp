// The range dialogs as a user fills them: the values they start from, the
// checks when a field is left, OK turning backwards ranges round, and Cancel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/data_points.h"
#include "common/tests/kelt_test_root.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/plot_range_dialogs.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_script.h"

namespace {

// Each test reads the message boxes of its own dialogs only.
class RangeDialogsTest : public KeltRootTest {
 protected:
  void SetUp() override {
    KeltRootTest::SetUp();
    win::script::ResetLogs();
  }
};

// A trace of evenly rising values from low to high, kept alive by the test.
struct Trace {
  std::vector<uint8_t> block;
  STRUCT_NE_DATA_POINTS points{};
  Trace(double low, double high, uint32_t count = 11) : block(NE_POINT_BLOCK_HEAD + size_t{NE_POINT_SIZE} * count) {
    auto* b = reinterpret_cast<STRUCT_NE_POINT_BLOCK*>(block.data());
    b->isDouble = 1;
    for (uint32_t i = 0; i < count; ++i) {
      NePointAt(b, i)->time = i;
      NePointAt(b, i)->value.d = low + (high - low) * i / (count - 1);
    }
    points.points = b;
    points.pointCount = count;
  }
  void Into(SVW_OVERLAY* o, int slot, const char* units) {
    o->slots[slot].dataPresent = 1;
    o->slots[slot].trace = &points;
    std::snprintf(o->slots[slot].units, sizeof o->slots[slot].units, "%s", units);
  }
};

SVW_OVERLAY DualOverlay() {
  SVW_OVERLAY o{};
  o.head.displayMode = OVERLAY_MODE_TWO_SCALES;
  o.tail.viewStart = 2.125;
  o.tail.viewEnd = 14.75;
  o.tail.scales.commonLow = -12.5;
  o.tail.scales.commonHigh = 48210.0;
  o.tail.scales.rightLow = 0.25;
  o.tail.scales.rightHigh = 97.5;
  return o;
}

TEST_F(RangeDialogsTest, TheDualDialogShowsBothScalesAndTurnsBackwardsPairsRound) {
  const SVW_OVERLAY o = DualOverlay();
  CPlotRangesDlg dlg(nullptr, PLOT_RANGES_DUAL_DIALOG_ID, &o, 20);
  win::script::ResetLogs();  // boxes of earlier tests are not this dialog's
  std::vector<std::string> shown;
  win::script::OnNextDialog([&](HWND d) {
    for (int id : {RANGE_START_ID, RANGE_END_ID, RANGE_LOW1_ID, RANGE_HIGH1_ID, RANGE_LOW2_ID, RANGE_HIGH2_ID})
      shown.push_back(win::script::GetField(d, id));
    win::script::SetField(d, RANGE_LOW2_ID, "120");  // above the right high value: turned round on OK
    win::script::SetField(d, RANGE_HIGH1_ID, " 1e1 ");
    win::script::SetField(d, RANGE_START_ID, "20");  // after the end: turned round too
    win::script::PressButton(d, RANGE_OK_ID);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  // Scale values get digits by their size.
  EXPECT_EQ(shown, (std::vector<std::string>{"2.125", "14.750", "-12.500", "48210", "0.25000", "97.500"}));
  EXPECT_TRUE(win::script::MessageBoxLog().empty());
  EXPECT_DOUBLE_EQ(dlg.m_low2, 97.5);
  EXPECT_DOUBLE_EQ(dlg.m_high2, 120.0);
  EXPECT_DOUBLE_EQ(dlg.m_low1, -12.5);
  EXPECT_DOUBLE_EQ(dlg.m_high1, 10.0);
  EXPECT_DOUBLE_EQ(dlg.m_start, 14.75);
  EXPECT_DOUBLE_EQ(dlg.m_end, 20.0);
}

// The scale fields accept the data's span widened by a twentieth each way
// and snapped two steps outward; the percent display always -105..205.
TEST_F(RangeDialogsTest, ScaleLimitsFollowThePlotsOnEachScale) {
  Trace counts(0, 5000), more(0, 50000), volts(0, 2);
  struct Case {
    int mode;
    short slot;
    double low0, high0, low1, high1;
  } cases[] = {
      {OVERLAY_MODE_OVERLAID, 20, -1e6, 1e7, -1e14, 1e14},  // every plot counts, mV too
      {OVERLAY_MODE_NORMALISED, 20, -105, 205, -105, 205},
      {OVERLAY_MODE_TWO_SCALES, 20, -1e6, 1e7, -1000, 1000},  // counts left, mV right
      {OVERLAY_MODE_STACKED, 0, -1e5, 1e6, -1e5, 1e6},        // the active plot only
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode);
    SVW_OVERLAY o{};
    o.head.displayMode = static_cast<int16_t>(k.mode);
    counts.Into(&o, 0, "Counts");
    more.Into(&o, 1, "Counts");
    volts.Into(&o, 2, "mV");
    o.tail.scales.leftAxisPlot = 0;
    o.tail.scales.rightAxisPlot = 2;
    CPlotRangesDlg dlg(nullptr, PLOT_RANGES_DIALOG_ID, &o, k.slot);
    EXPECT_DOUBLE_EQ(dlg.m_scaleLowest[0], k.low0);
    EXPECT_DOUBLE_EQ(dlg.m_scaleHighest[0], k.high0);
    if (k.mode != OVERLAY_MODE_OVERLAID) {
      EXPECT_DOUBLE_EQ(dlg.m_scaleLowest[1], k.low1);
      EXPECT_DOUBLE_EQ(dlg.m_scaleHighest[1], k.high1);
    }
  }
  SVW_OVERLAY empty{};
  CPlotRangesDlg dlg(nullptr, PLOT_RANGES_DIALOG_ID, &empty, 20);
  EXPECT_DOUBLE_EQ(dlg.m_scaleLowest[0], -1e14);  // no data: the widest bounds
  EXPECT_DOUBLE_EQ(dlg.m_scaleHighest[0], 1e14);
}

// Each scale offers the prefixes its units allow; the fields follow the
// chosen prefix and OK gives the numbers back in the plot's own units.
TEST_F(RangeDialogsTest, UnitPrefixesScaleTheShownValuesOnly) {
  struct Case {
    const char* units;
    int first, last, own;
    const char* base;
  } cases[] = {{"Counts", 1, 5, 3, "Counts"}, {"us", 3, 5, 5, "s"}, {"m/z", 3, 3, 3, "m/z"},
               {"mV", 0, 7, 4, "V"},          {"V", 0, 7, 3, "V"},  {"m", 0, 7, 3, "m"}};
  Trace trace(0, 5000);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.units);
    SVW_OVERLAY o{};
    o.head.displayMode = OVERLAY_MODE_OVERLAID;
    trace.Into(&o, 0, k.units);
    CPlotRangesDlg dlg(nullptr, PLOT_RANGES_DIALOG_ID, &o, 20);
    EXPECT_EQ(dlg.m_units[0].first, k.first);
    EXPECT_EQ(dlg.m_units[0].last, k.last);
    EXPECT_EQ(dlg.m_units[0].own, k.own);
    EXPECT_STREQ(dlg.m_units[0].base, k.base);
  }

  SVW_OVERLAY o{};
  o.head.displayMode = OVERLAY_MODE_OVERLAID;
  trace.Into(&o, 0, "Counts");
  o.tail.viewStart = 1;
  o.tail.viewEnd = 9;
  o.tail.scales.commonLow = 200;
  o.tail.scales.commonHigh = 4000;
  CPlotRangesDlg dlg(nullptr, PLOT_RANGES_DIALOG_ID, &o, 20);
  dlg.m_units[0].shown = 3;
  std::vector<std::string> items;
  std::string low, high;
  win::script::OnNextDialog([&](HWND d) {
    items = win::script::ListItems(d, RANGE_UNIT1_ID);
    win::script::PickItemText(d, RANGE_UNIT1_ID, "kCounts");
    low = win::script::GetField(d, RANGE_LOW1_ID);
    high = win::script::GetField(d, RANGE_HIGH1_ID);
    win::script::AnswerNextMessageBox(IDYES);
    win::script::SetField(d, RANGE_HIGH1_ID, "5000");  // 5,000,000 counts: above the limit of 1e6
    win::script::PressButton(d, RANGE_OK_ID);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(items, (std::vector<std::string>{"MCounts", "kCounts", "Counts", "mCounts", "uCounts"}));
  EXPECT_EQ(low, "0.20000");
  EXPECT_EQ(high, "4.0000");
  ASSERT_EQ(win::script::MessageBoxLog().size(), 1u);
  EXPECT_EQ(win::script::MessageBoxLog()[0].text,
            "high scale must be between -100.000000 and 1000.000000.\n\nUse 1000.000000?");
  EXPECT_DOUBLE_EQ(dlg.m_low1, 200);
  EXPECT_DOUBLE_EQ(dlg.m_high1, 1e6);
}

// One of several stacked plots is named in the title; Reset takes back what
// was typed and chosen.
TEST_F(RangeDialogsTest, ResetTakesBackTheEditsAndTheTitleNamesThePlot) {
  Trace trace(0, 5000);
  SVW_OVERLAY o{};
  o.head.displayMode = OVERLAY_MODE_STACKED;
  o.head.shownCount = 2;
  trace.Into(&o, 1, "Counts");
  o.tail.viewStart = 1;
  o.tail.viewEnd = 9;
  o.tail.scales.plotLow[1] = 200;
  o.tail.scales.plotHigh[1] = 4000;
  CPlotRangesDlg dlg(nullptr, PLOT_RANGES_DIALOG_ID, &o, 1);
  dlg.m_units[0].shown = 3;
  std::string title, start, low, unit;
  win::script::OnNextDialog([&](HWND d) {
    title = win::script::Text(d);
    win::script::SetField(d, RANGE_START_ID, "5");
    win::script::PickItemText(d, RANGE_UNIT1_ID, "kCounts");
    win::script::PressButton(d, RANGE_RESET_ID);
    start = win::script::GetField(d, RANGE_START_ID);
    low = win::script::GetField(d, RANGE_LOW1_ID);
    unit = win::script::Text(GetDlgItem(d, RANGE_UNIT1_ID));
    win::script::PressButton(d, RANGE_OK_ID);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(title, "Edit Plot 2 Ranges");
  EXPECT_EQ(start, "1.000");
  EXPECT_EQ(low, "200.00");
  EXPECT_EQ(unit, "Counts");
  EXPECT_DOUBLE_EQ(dlg.m_start, 1);
  EXPECT_DOUBLE_EQ(dlg.m_low1, 200);
  EXPECT_DOUBLE_EQ(dlg.m_high1, 4000);
}

// Text that is no number brings the stored value back without a word.
TEST_F(RangeDialogsTest, NoNumberKeepsTheStoredValueAndCancelKeepsAll) {
  struct Case {
    const char* text;
    double end;
  } cases[] = {{"7.5", 7.5}, {"", 9.0}, {"7.5x", 7.5}, {"x7", 9.0}, {"nan", 9.0}, {"inf", 9.0}, {"1e999", 9.0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    win::script::ResetLogs();
    CTimeRangeDlg dlg(nullptr);
    dlg.m_start = 1;
    dlg.m_end = 9;
    dlg.m_fullStart = 0;
    dlg.m_fullEnd = 60;
    std::string after;
    win::script::OnNextDialog([&](HWND d) {
      win::script::SetField(d, RANGE_END_ID, k.text);
      SetFocus(GetDlgItem(d, RANGE_START_ID));
      win::script::PumpUntilIdle();
      after = win::script::GetField(d, RANGE_END_ID);
      win::script::PressButton(d, RANGE_OK_ID);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_DOUBLE_EQ(dlg.m_end, k.end);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%.3f", k.end);
    EXPECT_EQ(after, expected);
    EXPECT_TRUE(win::script::MessageBoxLog().empty());
  }
  CTimeRangeDlg dlg(nullptr);
  dlg.m_start = 1;
  dlg.m_end = 9;
  dlg.m_fullEnd = 60;
  win::script::ResetLogs();
  win::script::OnNextDialog([&](HWND d) {
    // Leaving the field for Cancel may still offer the bound: even a Yes is not kept.
    win::script::AnswerNextMessageBox(IDYES);
    win::script::SetField(d, RANGE_END_ID, "500");
    win::script::PressButton(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_DOUBLE_EQ(dlg.m_end, 9.0);
}

// A value typed out of range offers the nearer bound: Yes takes it, No
// keeps the stored value; either way the field shows what is stored.
TEST_F(RangeDialogsTest, OutOfRangeValuesOfferTheNearerBoundWhenLeft) {
  struct Case {
    int dialog;  // 0: time range 0..30, 1: plot ranges of the percent display, 2: of counts 0..5000
    int field;
    const char* typed;
    int answer;
    const char* message;
    const char* shownAfter;
    double stored;
  } cases[] = {
      // The start can never reach the last time itself.
      {0, RANGE_START_ID, "30", IDYES, "Start time must be between -0.010 and 29.990.\n\nUse 29.990?", "29.990", 29.99},
      {0, RANGE_END_ID, "-4", IDYES, "End time must be between 0.010 and 30.010.\n\nUse 0.010?", "0.010", 0.01},
      {0, RANGE_END_ID, "40", IDNO, "End time must be between 0.010 and 30.010.\n\nUse 30.010?", "9.000", 9.0},
      {1, RANGE_START_ID, "2000", IDYES, "Start time must be between 0.000 and 1440.000.\n\nUse 1440.000?",
       "1440.000", 1440.0},
      {1, RANGE_LOW1_ID, "-500", IDYES,
       "low scale must be between -105.000000 and 205.000000.\n\nUse -105.000000?", "-105.000000", -105.0},
      {1, RANGE_HIGH1_ID, "250", IDNO, "high scale must be between -105.000000 and 205.000000.\n\nUse 205.000000?",
       "100.000000", 100.0},
      {2, RANGE_HIGH1_ID, "2e6", IDYES,
       "high scale must be between -100000.000000 and 1000000.000000.\n\nUse 1000000.000000?", "1000000.000000",
       1e6},
  };
  Trace counts(0, 5000);
  for (const Case& k : cases) {
    SCOPED_TRACE(k.typed);
    win::script::ResetLogs();
    std::string after;
    auto script = [&](HWND d) {
      win::script::AnswerNextMessageBox(k.answer);
      win::script::SetField(d, k.field, k.typed);
      SetFocus(GetDlgItem(d, k.field == RANGE_START_ID ? RANGE_END_ID : RANGE_START_ID));
      win::script::PumpUntilIdle();
      after = win::script::GetField(d, k.field);
      win::script::PressButton(d, RANGE_OK_ID);
    };
    // OK may turn the pair round: the value is looked for in either place.
    double pair[2] = {};
    if (k.dialog == 0) {
      CTimeRangeDlg dlg(nullptr);
      dlg.m_start = 1;
      dlg.m_end = 9;
      dlg.m_fullEnd = 30;
      win::script::OnNextDialog(script);
      ASSERT_EQ(dlg.DoModal(), IDOK);
      pair[0] = dlg.m_start;
      pair[1] = dlg.m_end;
    } else {
      SVW_OVERLAY o{};
      o.head.displayMode = k.dialog == 1 ? OVERLAY_MODE_NORMALISED : OVERLAY_MODE_OVERLAID;
      if (k.dialog == 2) counts.Into(&o, 0, "Counts");
      o.tail.viewStart = 1;
      o.tail.viewEnd = 9;
      o.tail.scales.commonLow = 0;
      o.tail.scales.commonHigh = 100;
      CPlotRangesDlg dlg(nullptr, PLOT_RANGES_DIALOG_ID, &o, 20);
      win::script::OnNextDialog(script);
      ASSERT_EQ(dlg.DoModal(), IDOK);
      const bool time = k.field == RANGE_START_ID || k.field == RANGE_END_ID;
      pair[0] = time ? dlg.m_start : dlg.m_low1;
      pair[1] = time ? dlg.m_end : dlg.m_high1;
    }
    EXPECT_TRUE(std::fabs(pair[0] - k.stored) < 1e-9 || std::fabs(pair[1] - k.stored) < 1e-9)
        << pair[0] << " " << pair[1];
    EXPECT_LE(pair[0], pair[1]);
    EXPECT_EQ(after, k.shownAfter);
    const auto boxes = win::script::MessageBoxLog();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, k.message);
    EXPECT_EQ(boxes[0].caption, std::string("Invalid Value: ") + k.typed);
  }
}

}  // namespace

namespace {

// The button labelled "Cancel" carries IDOK, so that Enter, which arrives
// as that id, steps to the next field with its text selected instead of
// ending the dialog; "OK" ends it, the "Cancel" button cancels.
TEST_F(RangeDialogsTest, EnterStepsThroughTheFieldsAndTheCancelButtonCancels) {
  const SVW_OVERLAY o = DualOverlay();
  CPlotRangesDlg dlg(nullptr, PLOT_RANGES_DUAL_DIALOG_ID, &o, 20);
  std::string cancelText, okText;
  int focusAfterEnter = 0;
  DWORD selection = 0;
  bool openAfterEnter = false;
  win::script::OnNextDialog([&](HWND d) {
    cancelText = win::script::Text(GetDlgItem(d, IDOK));
    okText = win::script::Text(GetDlgItem(d, RANGE_OK_ID));
    win::script::SetField(d, RANGE_START_ID, "3.5");
    SetFocus(GetDlgItem(d, RANGE_START_ID));
    win::script::PressKey(VK_RETURN);
    focusAfterEnter = GetDlgCtrlID(GetFocus());
    selection = static_cast<DWORD>(SendDlgItemMessageA(d, RANGE_END_ID, EM_GETSEL, 0, 0));
    openAfterEnter = IsWindow(d) != 0;
    win::script::PressButton(d, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(cancelText, "Cancel");
  EXPECT_EQ(okText, "OK");
  EXPECT_TRUE(openAfterEnter);
  EXPECT_EQ(focusAfterEnter, RANGE_END_ID);
  EXPECT_EQ(LOWORD(selection), 0);
  EXPECT_EQ(HIWORD(selection), std::string("14.750").size());
}

// Escape cancels the time-range dialog too; Enter moves between its two fields.
TEST_F(RangeDialogsTest, TheTimeRangeDialogStepsWithEnterAndCancelsWithEscape) {
  CTimeRangeDlg dlg(nullptr);
  dlg.m_start = 1;
  dlg.m_end = 9;
  dlg.m_fullEnd = 60;
  std::vector<int> focus;
  win::script::OnNextDialog([&](HWND d) {
    SetFocus(GetDlgItem(d, RANGE_START_ID));
    win::script::PressKey(VK_RETURN);
    focus.push_back(GetDlgCtrlID(GetFocus()));
    win::script::PressKey(VK_ESCAPE);
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(focus, std::vector<int>{RANGE_END_ID});
  EXPECT_DOUBLE_EQ(dlg.m_start, 1.0);
}

// Help of the one-scale and two-scale dialogs: each its own topic.
TEST_F(RangeDialogsTest, HelpShowsEachTemplatesTopic) {
  for (const auto& [templateId, context] : {std::pair{PLOT_RANGES_DIALOG_ID, 142u}, {PLOT_RANGES_DUAL_DIALOG_ID, 141u}}) {
    const SVW_OVERLAY o = DualOverlay();
    CPlotRangesDlg dlg(nullptr, templateId, &o, 20);
    orvik::HelpRequest help;
    win::script::OnNextDialog([&](HWND d) {
      win::script::PressButton(d, KELT_HELP_BUTTON_ID);
      help = orvik::LastHelpRequest();
      win::script::PressButton(d, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(help.context, context) << templateId;
    EXPECT_EQ(help.command, 1u);
  }
}

}  // namespace
