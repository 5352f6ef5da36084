// Control charts of the summary rows, as pages or as a text file.
#include "reportmakers/control_charts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/display_helpers.h"
#include "common/number_format.h"
#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "plotengine/plot_coordinates.h"
#include "plotengine/scales.h"
#include "reportmakers/report_makers.h"
#include "reportmakers/summary_outputs.h"
#include "reportpages/report_output.h"
#include "reportpages/reports_file.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"

namespace kelt::reports {

ChartLimits ComputeChartLimits(const double* values, int count, int16_t limitKind, uint16_t percent) {
  ChartLimits l;
  double sum = 0;
  for (int i = 0; i < count; ++i) sum += values[i];
  l.count = std::max(count, 0);
  double sd = 0;
  if (count >= 2) {
    l.average = sum / count;
    double sq = 0;
    for (int i = 0; i < count; ++i) sq += (values[i] - l.average) * (values[i] - l.average);
    sd = std::sqrt(sq / (count - 1));
  } else {
    l.average = sum;
  }
  if (count < 2 || sd == 0) {
    if (l.average == 0) {
      l.lower = -1;
      l.upper = 1;
      l.label = "+/- 1.0";
    } else {
      l.lower = std::min(0.0, 2 * l.average);
      l.upper = std::max(0.0, 2 * l.average);
      l.label = "+/- 1 Average";
    }
    return l;
  }
  char t[40];
  switch (limitKind) {
    case kChartThreeSD:
      l.lower = l.average - 3 * sd;
      l.upper = l.average + 3 * sd;
      l.label = "+/- 3 Std. Dev.";
      break;
    case kChartPercent:
      l.lower = l.average * (1 - percent / 100.0);
      l.upper = l.average * (1 + percent / 100.0);
      if (l.lower > l.upper) std::swap(l.lower, l.upper);
      std::snprintf(t, sizeof t, "+/- %hu%%", percent);
      l.label = t;
      // A percentage of 0 leaves no band to draw in.
      if (l.lower == l.upper) {
        l.lower -= 1;
        l.upper += 1;
      }
      break;
    default:
      l.lower = l.average - 2 * sd;
      l.upper = l.average + 2 * sd;
      l.label = "+/- 2 Std. Dev.";
      break;
  }
  return l;
}

void ChartGrid(uint16_t perPage, int* columns, int* rows) {
  switch (perPage) {
    case 2: *columns = 2, *rows = 1; break;
    case 3: *columns = 3, *rows = 1; break;
    case 4: *columns = 2, *rows = 2; break;
    case 6: *columns = 3, *rows = 2; break;
    case 8: *columns = 4, *rows = 2; break;
    case 10: *columns = 5, *rows = 2; break;
    case 12: *columns = 4, *rows = 3; break;
    default: *columns = 1, *rows = 1; break;
  }
}

}  // namespace kelt::reports

namespace {

namespace r = kelt::reports;

// Whether the segment from (ax, ay) to (bx, by), ax < bx, passes through box.
bool SegmentMeetsBox(int ax, int ay, int bx, int by, const RECT& box) {
  const int l = std::max(ax, int(box.left)), r = std::min(bx, int(box.right));
  if (l > r || bx <= ax) return false;
  auto yAt = [&](int x) { return ay + double(by - ay) * (x - ax) / (bx - ax); };
  const double y0 = yAt(l), y1 = yAt(r);
  return std::max(y0, y1) >= box.top && std::min(y0, y1) <= box.bottom;
}


template <class T>
T At(const void* p, uint32_t offset) {
  T v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + offset, sizeof v);
  return v;
}

constexpr uint32_t kTextFormat = 24, kDecimals = 30, kChartTitle = 2804, kChartTitleSize = 41, kValue = 2845,
                   kLimits = 2847, kPercent = 2849, kPerPage = 2851;
// The chart area of a page, in page units.
constexpr int kAreaLeft = 500, kAreaRight = 31767, kAreaBottom = 32267;

// The value of a row a chart follows; false for a row without one.
bool RowValue(const STRUCT_SUMMARY_ROW& row, int16_t which, double* value) {
  switch (which) {
    case r::kChartAmount:
      *value = row.amount;
      return row.amount >= 0;
    case r::kChartArea: *value = row.area; return true;
    case r::kChartHeight: *value = row.height; return true;
    default: *value = row.retentionTime; return true;
  }
}

class CChartsOutput : public CReportOutput {
 public:
  CChartsOutput(char* name, STRUCT_REPORT_PREFS* prefs, int16_t kind, const char* listName, const void* format)
      : CReportOutput(kind == SUMMARY_REPORT_PAGES ? name : nullptr, prefs,
                      int16_t(kind == SUMMARY_REPORT_PAGES ? 140 : 220), uint16_t(kind == SUMMARY_REPORT_PAGES ? 60 : 0),
                      uint16_t(kind == SUMMARY_REPORT_PAGES ? 1 : 0), kind),
        list_(listName ? r::SummaryText(listName, MAX_PATH) : ""),
        keys_(r::SummaryKeysOf(format)) {
    title_ = r::SummaryText(static_cast<const char*>(format) + kChartTitle, kChartTitleSize);
    value_ = At<int16_t>(format, kValue);
    if (value_ < 0 || value_ > 3) value_ = r::kChartRetentionTime;
    limitKind_ = At<int16_t>(format, kLimits);
    percent_ = At<uint16_t>(format, kPercent);
    perPage_ = At<uint16_t>(format, kPerPage);
    r::ChartGrid(perPage_, &columns_, &rows_);
    if (columns_ * rows_ != perPage_) perPage_ = 1;
    decimals_ = std::clamp<int16_t>(At<int16_t>(format, kDecimals), 0, 6);
  }

  bool Pages() const { return Kind == REPORT_OUTPUT_PAGES; }

  int Make(const STRUCT_SUMMARY_ROW_LIST* list) {
    LabelColumn = 2;
    if (Pages()) {
      RPTS_SetReportTitle(this, title_.c_str(), "Control Charts", 2);
    } else {
      for (const char* t : {"", "Chart Data", ""}) {
        QuotedTextAtColumn(0, t);
        NextLine();
      }
    }
    const STRUCT_SUMMARY_ROW_LIST empty{0, nullptr};
    const STRUCT_SUMMARY_ROW_LIST& rows = list && list->rows ? *list : empty;
    const int32_t count = std::max(0, rows.count);
    int32_t at = 0;
    int onPage = perPage_;  // a page is begun before the first chart
    bool first = true;
    while (at < count && Ok) {
      const auto group = r::CollectSummaryGroup(keys_, rows, &at);
      if (group.empty()) continue;
      if (!Pages()) {
        TextChart(group);
        continue;
      }
      if (onPage == perPage_) {
        if (!first && !NewPage()) break;
        if (first) WriteHeaderLines();
        first = false;
        PageFrame();
        onPage = 0;
      }
      DrawChart(group, onPage);
      ++onPage;
    }
    if (Pages() && first && Ok) {
      // Nothing to chart: the page says so.
      WriteHeaderLines();
      PageFrame();
      SelectLargeFont();
      NextLine();
      TextAtColumn(4, "NO DATA TO CHART");
    }
    EndPage();
    return HasPages() ? 1 : 0;
  }

 private:
  std::string Heading(const STRUCT_SUMMARY_ROW& row) const {
    char t[80] = {};
    switch (keys_.keys[keys_.depth]) {
      case 0: return r::SummaryText(row.name, sizeof row.name);
      case 1: return r::SummaryRunName(row.runType);
      case 2: return r::SummaryText(row.sampleId, sizeof row.sampleId);
      case 3:
        if (row.level == 0x1000) return "Non-Calibration Results";
        std::snprintf(t, sizeof t, "Level %hu", uint16_t(row.level + 1));
        return t;
      default: return "NO GROUPING";
    }
  }

  // The numbers of a chart in the value's form.
  std::string Number(double v) const {
    char t[64];
    if (value_ == r::kChartRetentionTime)
      std::snprintf(t, sizeof t, "%.3f", v);
    else if (value_ == r::kChartAmount)
      std::snprintf(t, sizeof t, "%.*f", int(decimals_), v);
    else
      std::snprintf(t, sizeof t, "%.0f", v);
    return t;
  }

  r::ChartLimits Limits(const std::vector<const STRUCT_SUMMARY_ROW*>& group) const {
    std::vector<double> values;
    for (const auto* row : group) {
      double v;
      if (RowValue(*row, value_, &v)) values.push_back(v);
    }
    return r::ComputeChartLimits(values.data(), int(values.size()), limitKind_, percent_);
  }

  void TextChart(const std::vector<const STRUCT_SUMMARY_ROW*>& group) {
    QuotedTextAtColumn(0, Heading(*group.front()).c_str());
    NextLine();
    const r::ChartLimits l = Limits(group);
    for (const auto* row : group) {
      // Every value goes out, inside the limits or not; only a row
      // without a value (no amount) leaves its cell empty.
      double v;
      if (RowValue(*row, value_, &v))
        SepTextAtColumn(0, Number(v).c_str());
      else
        QuotedTextAtColumn(0, "");
      SepTextAtColumn(0, Number(l.average).c_str());
      SepTextAtColumn(0, Number(l.lower).c_str());
      SepTextAtColumn(0, Number(l.upper).c_str());
      NextLine();
    }
  }

  void PageFrame() {
    if (!Ok || !Page || !PageDC) return;
    SelectNormalFont();
    TextAtColumn(int16_t(LabelColumn), list_.c_str());
    NextLine();
    const std::string sort = r::SummarySortText(keys_) + "   (L = line number, I = injection number, R = result number)";
    TextAtColumn(int16_t(LabelColumn), sort.c_str());
    NextLine();
    HDC dc = PageDC->GetSafeHdc();
    const int y = (Page->LineToY(Line) + Page->LineToY(int16_t(Line + 1))) / 2;
    HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, Page->ColumnToX(2), y, nullptr);
    LineTo(dc, Page->ColumnToX(138), y);
    SelectObject(dc, old);
    ++Line;
    areaTop_ = Page->LineToY(Line);
    // Margins in the normal font: room for the scale left, for the labels below.
    double factor = 1;
    if (perPage_ == 2 || perPage_ == 4) factor = 0.75;
    if (perPage_ == 3 || perPage_ == 6) factor = 0.67;
    if (perPage_ == 8 || perPage_ == 12) factor = 0.63;
    if (perPage_ == 10) factor = 0.6;
    leftMargin_ = int(16 * CharWidth * factor);
    bottomMargin_ = 3 * CharHeight;
  }

  void DrawChart(const std::vector<const STRUCT_SUMMARY_ROW*>& group, int k) {
    if (!Ok || !Page || !PageDC) return;
    HDC dc = PageDC->GetSafeHdc();
    const int column = k % columns_, row = k / columns_;
    const int width = (kAreaRight - kAreaLeft) / columns_, height = (kAreaBottom - areaTop_) / rows_;
    const int L = kAreaLeft + column * width, R = column == columns_ - 1 ? kAreaRight : L + width;
    const int T = areaTop_ + row * height;
    // A row above another ends a little short of it, clear of its heading.
    const int B = row == rows_ - 1 ? kAreaBottom : T + height - 200;

    // The heading, wrapped to the frame's width.
    SelectNormalFont();
    const int cw = CharWidth, ch = CharHeight;
    const int x0 = L + cw + ch;
    const std::string heading = Heading(*group.front());
    SIZE size{};
    KELT_GetTextSize(PageDC, heading.c_str(), &size);
    size_t perLine = heading.size();
    if (size.cx > R - x0 && size.cx > 0)
      perLine = std::max<size_t>(1, size_t(double(heading.size()) * (R - x0) / size.cx));
    int y = T;
    for (size_t at = 0; at < heading.size() || at == 0; at += perLine) {
      Page->XYTextOut(int16_t(x0), int16_t(y), heading.substr(at, perLine).c_str());
      y += ch;
      if (heading.empty()) break;
    }
    const int headingBottom = y;
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, x0, headingBottom, R, B);

    const r::ChartLimits l = Limits(group);
    SelectSmallFont();
    const int scw = CharWidth, sch = CharHeight;
    const int scaleX = L + leftMargin_;
    const int lowerY = B - bottomMargin_, upperY = headingBottom + bottomMargin_;
    const int plotHeight = lowerY - upperY;
    if (plotHeight <= 0 || scaleX >= R) {
      SelectObject(dc, oldBrush);
      SelectObject(dc, oldPen);
      return;  // a cell too small for a chart keeps its frame only
    }
    for (int ly : {lowerY, upperY}) {
      MoveToEx(dc, scaleX, ly, nullptr);
      LineTo(dc, R, ly);
    }
    STRUCT_VERT_SCALE vs{};
    if (Prefs) vs.axis = Prefs->chroAxis0;
    vs.axis.shown = 1;
    // Ticks into the chart, so that none runs into its label.
    vs.axis.majorTickStyle = SCALE_TICKS_INTO_PLOT;
    vs.axis.minorTickStyle = vs.axis.minorTickStyle == SCALE_TICKS_NONE ? SCALE_TICKS_NONE : SCALE_TICKS_INTO_PLOT;
    vs.scaleLeftOfPlot = 1;
    vs.keepUnits = 1;
    vs.low = l.lower;
    vs.high = l.upper;
    vs.left = x0;
    vs.right = scaleX;
    vs.top = upperY;
    vs.bottom = lowerY;
    vs.farAxisX = -1;
    KELT_DrawVerticalScale(dc, &vs);
    SelectSmallFont();
    static const char* names[] = {"RT", "Results", "Area", "Height"};
    Page->XYTextOut(int16_t(x0 + scw / 2), int16_t(headingBottom + ch / 4), names[value_]);

    // The average line, halfway between the limit lines.
    const int averageY = (B + headingBottom) / 2;
    MoveToEx(dc, scaleX, averageY, nullptr);
    LineTo(dc, R, averageY);

    // The labels under the chart.
    const int labelLeft = L + scw + sch;
    auto centred = [&](int at, const std::string& text) {
      SIZE s{};
      KELT_GetTextSize(PageDC, text.c_str(), &s);
      Page->XYTextOut(int16_t(labelLeft + std::max(0, int(R - labelLeft - s.cx) / 2)), int16_t(at), text.c_str());
    };
    centred(lowerY + 50, "Average (" + Number(l.average) + ")");
    centred(lowerY + 375, l.label);
    centred(lowerY + 700, "(" + Number(l.lower) + "," + Number(l.upper) + ")");

    // The points, joined in list order. A point outside the limits is
    // drawn on the limit it passed, filled red, so that it stays in view.
    const int step = (R - scaleX) / int(group.size() + 1);
    // Labels are set a little tighter so that neighbouring points' labels
    // keep apart; any tighter and "I 1" reads as "IL".
    const int oldExtra = SetTextCharacterExtra(dc, -std::min(25, scw / 8));
    HPEN red = CreatePen(PS_SOLID, 0, RGB(200, 0, 0));
    HBRUSH redBrush = CreateSolidBrush(RGB(200, 0, 0));
    const int tw = std::max(1, scw / 6), th = std::max(1, sch / 4);
    // Where each point lies first, so that a label can keep clear of the
    // lines on both sides of its point; a row without a value breaks the line.
    std::vector<int> ys(group.size());
    std::vector<bool> has(group.size(), false);
    for (size_t i = 0; i < group.size(); ++i) {
      double v;
      if (!RowValue(*group[i], value_, &v)) continue;
      has[i] = true;
      const double clipped = std::clamp(v, l.lower, l.upper);
      ys[i] = int(upperY + (l.upper - clipped) * plotHeight / (l.upper - l.lower));
    }
    auto crossesNeighbour = [&](size_t i, const RECT& box) {
      const int x = scaleX + step * int(i + 1);
      const bool prev = i > 0 && has[i - 1], next = i + 1 < group.size() && has[i + 1];
      return (prev && SegmentMeetsBox(x - step, ys[i - 1], x, ys[i], box)) ||
             (next && SegmentMeetsBox(x, ys[i], x + step, ys[i + 1], box));
    };
    bool havePrevious = false;
    int px = 0, py = 0;
    for (size_t i = 0; i < group.size(); ++i) {
      double v;
      if (!RowValue(*group[i], value_, &v)) {
        havePrevious = false;
        continue;
      }
      const int x = scaleX + step * int(i + 1);
      const bool above = v > l.upper, below = v < l.lower;
      const int py1 = ys[i];
      if (havePrevious) {
        MoveToEx(dc, px, py, nullptr);
        LineTo(dc, x, py1);
      }
      if (above || below) {
        SelectObject(dc, red);
        SelectObject(dc, redBrush);
        if (above)
          KELT_DrawSmallUpTriangle(dc, x, py1 - 2 * th, 2 * tw, 2 * th, 1);
        else
          KELT_DrawSmallDownTriangle(dc, x, py1 + 2 * th, 2 * tw, 2 * th, 1);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        SetTextColor(RGB(200, 0, 0));
      } else {
        KELT_DrawSmallUpTriangle(dc, x, py1 - th, tw, th, 0);
      }
      // L, I and R above the point; beside a mark on a limit, inside the chart.
      char text[3][24];
      std::snprintf(text[0], sizeof text[0], "L %hu", group[i]->line);
      std::snprintf(text[1], sizeof text[1], "I %hu", group[i]->injection);
      std::snprintf(text[2], sizeof text[2], "R %hu", group[i]->compoundNumber);
      SIZE s{};
      KELT_GetTextSize(PageDC, text[0], &s);
      int tx = x - s.cx / 2;
      int ty = py1 - int(3.25 * sch);
      if (!above && !below) {
        // Under the point where a line to a neighbour would cross the label
        // above it and the one below stays clear and inside the chart.
        const RECT over{tx, ty, tx + s.cx, py1 - th}, under{tx, py1 + th, tx + s.cx, py1 + th + 3 * sch};
        if (crossesNeighbour(i, over) && !crossesNeighbour(i, under) && under.bottom <= lowerY) ty = under.top;
      }
      if (above || below) {
        tx = x + 3 * tw;
        ty = above ? py1 + sch / 4 : py1 - int(3.25 * sch);
      }
      for (const char* t : text) {
        Page->XYTextOut(int16_t(tx), int16_t(ty), t);
        ty += sch;
      }
      if (above || below) ResetTextColor();
      havePrevious = true;
      px = x;
      py = py1;
    }
    SetTextCharacterExtra(dc, oldExtra);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(red);
    DeleteObject(redBrush);
  }

  std::string list_;
  r::SummaryKeys keys_;
  std::string title_;
  int16_t value_ = 0, limitKind_ = 0, decimals_ = 2;
  uint16_t percent_ = 0, perPage_ = 1;
  int columns_ = 1, rows_ = 1;
  int areaTop_ = 0, leftMargin_ = 0, bottomMargin_ = 0;
};


}  // namespace

int32_t RPTS_MakeChartsReport(int16_t kind, char* outputName, STRUCT_REPORT_PREFS* prefs, const char* listName,
                              const STRUCT_SUMMARY_ROW_LIST* rows, const void* format) {
  return kelt::reports::MakeSummaryOutput<CChartsOutput>(kind, outputName, prefs, listName, rows, format, "-MSChart", false);
}
