// The four ways a trace of a band is drawn: sticks, one stick per pixel
// column for dense centroid data, a line through profile points, and a
// minimum-to-maximum segment per column for dense profile data. Each
// collects the label candidates of its trace. Also the width at half
// height of profile peaks.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "orvik32/orvik32.h"
#include "plotengine/band_drawing.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/stacked_spectra.h"
#include "spectrumctl/stacked_spectra_internal.h"
#include "ulbrec32/plot_marks.h"

using namespace kelt::sptdraw;

namespace {

double MassOf(const XTOL_PAIR& p) { return p.mass; }
double MassOf(const TOL_PAIR& p) { return p.mass; }
double MassOf(const DIFF_PAIR& p) { return p.mass; }
double IntensityOf(const XTOL_PAIR& p) { return p.intensity; }
double IntensityOf(const TOL_PAIR& p) { return p.intensity; }
double IntensityOf(const DIFF_PAIR& p) { return p.intensity; }

// Candidates of one trace, in an allocator block of pair count entries.
class Candidates {
 public:
  // At most one candidate a pair, but mostly about one a column: the block
  // grows toward the pair count as needed rather than being cleared whole
  // (a profile spectrum has tens of thousands of pairs) at every drawing.
  explicit Candidates(bool wanted, int32_t pairs) : limit_(wanted && pairs > 0 ? pairs : 0) {
    if (limit_ > 0) {
      const int32_t first = std::min(limit_, kFirstCapacity);
      block_ = static_cast<STRUCT_DSS_LAB*>(AllocBlock(static_cast<uint32_t>(first) * sizeof(STRUCT_DSS_LAB)));
      capacity_ = block_ ? first : 0;
    }
  }
  ~Candidates() {
    if (block_) FreeBlock(block_);
  }
  Candidates(const Candidates&) = delete;
  Candidates& operator=(const Candidates&) = delete;
  bool Wanted() const { return block_ != nullptr; }
  void Add(double mass, double intensity, double halfWidth, int32_t x, int32_t y) {
    if (!block_ || !(intensity > 0)) return;
    if (count_ >= capacity_ && !Grow()) return;
    STRUCT_DSS_LAB& l = block_[count_++];
    l.mass = mass;
    l.intensity = intensity;
    l.halfWidth = halfWidth;
    l.x = x;
    l.y = y;
    l.placed = 0;
    l.boxLeft = l.boxRight = l.boxTop = 0;
  }
  void Draw(CDrawStackedSpectra& d, STRUCT_SPT_PLUS* s) {
    if (count_ > 0) d.DrawLabels(block_, count_, s, static_cast<long>(d.ForeColor));
  }

 private:
  static constexpr int32_t kFirstCapacity = 256;
  bool Grow() {
    if (capacity_ >= limit_) return false;
    const int32_t next = static_cast<int32_t>(std::min<int64_t>(limit_, int64_t{capacity_} * 2));
    void* grown = ReallocBlock(block_, static_cast<uint32_t>(next) * sizeof(STRUCT_DSS_LAB));
    if (!grown) return false;
    block_ = static_cast<STRUCT_DSS_LAB*>(grown);
    capacity_ = next;
    return true;
  }
  int32_t limit_ = 0;
  STRUCT_DSS_LAB* block_ = nullptr;
  int32_t capacity_ = 0;
  int32_t count_ = 0;
};

// A centroid spectrum drawn over the profile it was made from: its
// intensities are summed counts of whole peaks, not heights, so the
// profile's maximum would push its sticks far past the top of the band.
// It keeps its own scale, its base peak as tall as the profile's.
bool OwnScaleOverProfile(const CDrawStackedSpectra& d, int k, int j) {
  const auto& tr = d.Traces[k];
  return j >= 2 && tr[0].spectrum && tr[j].spectrum && PlusSpt_IsProfileData(tr[0].spectrum) &&
         !PlusSpt_IsProfileData(tr[j].spectrum);
}

// The maximum a trace is scaled by.
double StickMaximum(const CDrawStackedSpectra& d, int k, int j) {
  const auto& tr = d.Traces[k];
  double m = tr[j].maxIntensity;
  if (j == 0 || j == 1) {
    const auto& other = tr[j == 0 ? 1 : 0];
    if (d.CountsScale && other.spectrum && other.maxIntensity > m) m = other.maxIntensity;
  } else if (tr[0].spectrum && !OwnScaleOverProfile(d, k, j)) {
    m = tr[0].maxIntensity;
  }
  return m;
}

double LineMaximum(const CDrawStackedSpectra& d, int k, int j) {
  const auto& tr = d.Traces[k];
  return j != 0 && tr[0].spectrum && !OwnScaleOverProfile(d, k, j) ? tr[0].maxIntensity : tr[j].maxIntensity;
}

// The columns dense data is binned into: one per device unit across the
// plot, 2400 on a report page; false when the m/z range is empty.
bool DenseColumns(const CDrawStackedSpectra& d, int* columns, double* colWidth) {
  *columns = d.ReportMode ? 2400 : std::max<int>(d.PlotWidth, 1);
  *colWidth = (d.MassTo - d.MassFrom) / *columns;
  return *colWidth > 0;
}

double Factor(const CDrawStackedSpectra& d, double m) {
  if (d.KeepSmallScale && m <= 100) return 1.0;
  return m != 0 ? 100.0 / m : 0.0;
}

// The visible m/z range of a spectrum.
void Visible(const CDrawStackedSpectra& d, const STRUCT_SPT_PLUS* s, double* lo, double* hi) {
  *lo = d.MassFrom;
  *hi = d.MassTo;
  if (s->useMassRange) {
    *lo = std::max(*lo, double{s->lowMass});
    *hi = std::min(*hi, double{s->highMass});
  }
}

bool LabelsWanted(const CDrawStackedSpectra& d, int k, const STRUCT_DSS_TRACE& t) {
  return t.labels && 3 * d.CharHeight <= d.DrawHeight && k != 2;
}

int32_t XOf(const CDrawStackedSpectra& d, double mass) {
  return d.OriginX + static_cast<int32_t>(std::trunc((mass - d.MassFrom) * d.XScale));
}

// y of a plotted value, unclamped, held inside 32 bits. Truncated as the
// baseline is, so that a value of 0 lies on it.
int32_t YOf(const CDrawStackedSpectra& d, int k, double value) {
  const double y = d.DrawBottom - std::trunc(d.YScale * (value - d.VertMin[k]));
  if (!(y < 2147483647.0)) return 2147483647;
  if (!(y > -2147483647.0)) return -2147483647;
  return static_cast<int32_t>(y);
}

int32_t Clamped(const CDrawStackedSpectra& d, int32_t y) {
  if (d.DrawHeight > 0 && y < d.DrawTop) y = d.DrawTop;
  if (y > d.DrawBottom) y = d.DrawBottom;
  return y;
}

// Nothing to show of a stick at a clamped edge.
bool StickHidden(const CDrawStackedSpectra& d, int32_t y) {
  return (d.BaselineY == d.DrawBottom && y >= d.BaselineY) || (d.BaselineY == d.DrawTop && y <= d.BaselineY);
}

// The grey-out rules of a trace: an m/z window and a share of the largest.
struct GreyRules {
  bool window = false;
  double low = 0, high = 0;
  bool threshold = false;
  double level = 0;
  bool Any() const { return window || threshold; }
};

GreyRules GreyFor(const CDrawStackedSpectra& d, int k, int j, const Pairs& p) {
  GreyRules g;
  if (k >= 2 || j != 0 || !d.GreyOut[k]) return g;
  const STRUCT_DSS_GREYOUT& o = d.GreyOutParams[k];
  g.window = o.windowOn != 0;
  g.low = o.low;
  g.high = o.high;
  if (o.perMille >= 1 && o.perMille <= 999) {
    double largest = 0;
    for (int32_t i = 0; i < p.n; ++i) largest = std::max(largest, std::trunc(p.Intensity(i)));
    g.level = std::min(largest, std::trunc(largest * 0.001 * o.perMille));
    g.threshold = true;
  }
  return g;
}

// Pens of one trace step, selected only when they change.
class PenSet {
 public:
  explicit PenSet(HDC dc) : dc_(dc) {}
  ~PenSet() {
    if (old_) SelectObject(dc_, old_);
    for (HPEN p : pens_)
      if (p) DeleteObject(p);
  }
  PenSet(const PenSet&) = delete;
  PenSet& operator=(const PenSet&) = delete;
  // Index of the pen made, or -1.
  int Make(COLORREF colour, int width) {
    HPEN p = CreatePen(PS_SOLID, width, colour);
    if (!p) return -1;
    pens_.push_back(p);
    return static_cast<int>(pens_.size()) - 1;
  }
  int Current() const { return current_; }
  void Use(int i) {
    if (i < 0 || i == current_) return;
    HGDIOBJ was = SelectObject(dc_, pens_[static_cast<size_t>(i)]);
    if (!old_) old_ = was;
    current_ = i;
  }

 private:
  HDC dc_;
  std::vector<HPEN> pens_;
  HGDIOBJ old_ = nullptr;
  int current_ = -1;
};

// Sticks of one pen, handed to the device together instead of one call a
// stick; drawn in the order given. Flushed before the pen changes and
// before anything else is drawn (declared after the pens it draws with).
class StickBatch {
 public:
  explicit StickBatch(HDC dc) : dc_(dc) {}
  ~StickBatch() { Flush(); }
  StickBatch(const StickBatch&) = delete;
  StickBatch& operator=(const StickBatch&) = delete;
  void Add(int32_t x, int32_t y0, int32_t y1) {
    pts_[2 * n_] = {x, y0};
    pts_[2 * n_ + 1] = {x, y1};
    if (++n_ == kMost) Flush();
  }
  void Flush() {
    if (n_ > 0) PolyPolyline(dc_, pts_, kTwos, n_);
    n_ = 0;
  }

 private:
  static constexpr DWORD kMost = 256;
  static constexpr DWORD kTwos[kMost] = {
#define KELT_TWO8 2, 2, 2, 2, 2, 2, 2, 2
#define KELT_TWO64 KELT_TWO8, KELT_TWO8, KELT_TWO8, KELT_TWO8, KELT_TWO8, KELT_TWO8, KELT_TWO8, KELT_TWO8
      KELT_TWO64, KELT_TWO64, KELT_TWO64, KELT_TWO64
#undef KELT_TWO64
#undef KELT_TWO8
  };
  HDC dc_;
  POINT pts_[2 * kMost];
  DWORD n_ = 0;
};

bool IsMarked(const STRUCT_SPT_PLUS* s, double mass) {
  const int n = std::min<int>(s->topWeightedCount, SPT_TOP_WEIGHTED);
  for (int i = 0; i < n; ++i)
    if (s->topWeightedMasses[i] == mass) return true;
  return false;
}

// Five points or columns in a row; the middle one is a local maximum when
// it is never lower than the four others and higher than one of them.
struct Ring {
  struct Item {
    double mass, intensity;
    int32_t x, y;
    long index;
  };
  Item items[5]{};
  int count = 0;
  // The middle item once five are in, when it is a maximum.
  const Item* Push(const Item& it, int32_t labelLineY) {
    if (count < 5) {
      items[count++] = it;
    } else {
      for (int i = 0; i < 4; ++i) items[i] = items[i + 1];
      items[4] = it;
    }
    if (count < 5) return nullptr;
    const Item& m = items[2];
    if (!(m.intensity > 0) || !(m.y < labelLineY)) return nullptr;
    bool higher = false;
    for (int i = 0; i < 5; ++i) {
      if (i == 2) continue;
      if (items[i].intensity > m.intensity) return nullptr;
      if (m.intensity > items[i].intensity) higher = true;
    }
    return higher ? &m : nullptr;
  }
};

double CandidateWidth(const CDrawStackedSpectra& d, const STRUCT_SPT_PLUS* s, long index) {
  if (!d.LabelHalfHeights || !MsData(s)) return 0;
  return CDrawStackedSpectra::HalfHeightWidth(s, index);
}

// A segment cut to the band.
void CutSegment(const CDrawStackedSpectra& d, HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const POINT pts[2] = {{x0, y0}, {x1, y1}};
  KELT_YCutPolyline(dc, pts, 2, d.DrawBottom, d.DrawTop);
}

}  // namespace

void CDrawStackedSpectra::DrawSpectrumSticks(short k, short j) {
  HDC dc = Out(*this);
  STRUCT_DSS_TRACE& t = Traces[k][j];
  if (!dc || !t.spectrum) return;
  const Pairs p(t.spectrum);
  if (p.Empty()) return;
  const double f = Factor(*this, StickMaximum(*this, k, j));
  double lo, hi;
  Visible(*this, t.spectrum, &lo, &hi);
  const int32_t shift = k == 0 && j == 1 && DiffOverlay ? (ReportMode ? 100 : 1) : 0;
  const GreyRules grey = GreyFor(*this, k, j, p);
  const ColourBlock c = Colours(*this);
  const int width = PenWidth(*this);
  PenSet pens(dc);
  const int pen1 = pens.Make(t.colour, width);
  if (pen1 < 0) return;
  int pen2 = -1, pen3 = -1;
  if (MarkMasses(*this) && j != 3 && (pen2 = pens.Make(t.colour2, width)) < 0) return;
  if (grey.Any() && (pen3 = pens.Make(c[3], width)) < 0) return;
  Candidates cands(LabelsWanted(*this, k, t), p.n);
  StickBatch sticks(dc);
  const bool flagsShown = VertMin[k] < 0 && 0 < VertMax[k];
  const int32_t rightEdge = OriginX + PlotWidth;
  for (int32_t i = 0; i < p.n; ++i) {
    const double m = p.Mass(i);
    if (!(lo <= m && m < hi)) continue;
    const double v = p.Intensity(i);
    int pen = pen1;
    if (pen3 >= 0 && grey.window && (m < grey.low || m > grey.high)) pen = pen3;
    else if (pen3 >= 0 && grey.threshold && v < grey.level) pen = pen3;
    else if (pen2 >= 0 && IsMarked(t.spectrum, m)) pen = pen2;
    const int32_t x = XOf(*this, m) + shift;
    if (shift && x > rightEdge) continue;
    const int32_t y = Clamped(*this, YOf(*this, k, v * f));
    if (pen != pens.Current()) sticks.Flush();
    pens.Use(pen);
    if (!StickHidden(*this, y)) sticks.Add(x, BaselineY, y);
    const uint8_t flag = p.Flags(i) & 3;
    if (p.x && flagsShown && (flag == 2 || flag == 3)) {
      sticks.Flush();
      Text(dc, x, BaselineY, flag == 2 ? "F" : "S");
      Line(dc, x, BaselineY, x, DrawBottom);
    }
    if (cands.Wanted() && y <= LabelLineY) cands.Add(m, v, 0, x, y);
  }
  sticks.Flush();
  cands.Draw(*this, t.spectrum);
}

void CDrawStackedSpectra::DrawMaxSpectrumSticks(short k, short j) {
  HDC dc = Out(*this);
  STRUCT_DSS_TRACE& t = Traces[k][j];
  if (!dc || !t.spectrum) return;
  const Pairs p(t.spectrum);
  if (p.Empty()) return;
  const double f = Factor(*this, StickMaximum(*this, k, j));
  double lo, hi;
  Visible(*this, t.spectrum, &lo, &hi);
  int columns;
  double colWidth;
  if (!DenseColumns(*this, &columns, &colWidth)) return;
  const GreyRules grey = GreyFor(*this, k, j, p);
  const int width = PenWidth(*this);
  PenSet pens(dc);
  const int pen1 = pens.Make(t.colour, width);
  if (pen1 < 0) return;
  int pen3 = -1;
  if (grey.Any() && (pen3 = pens.Make(Colours(*this)[3], width)) < 0) return;
  Candidates cands(LabelsWanted(*this, k, t), p.n);
  StickBatch sticks(dc);
  const bool signedBand = k == 2;

  struct Column {
    long index = -1;
    double first = 0, last = 0, best = 0, bestMass = 0, bestRaw = 0;
  } col;
  long current = -1;
  auto flush = [&] {
    if (col.index < 0) return;
    const int32_t x = XOf(*this, (col.first + col.last) / 2);
    const int32_t y = Clamped(*this, YOf(*this, k, col.best * f));
    int pen = pen1;
    if (pen3 >= 0 && grey.window && (col.last < grey.low || col.first > grey.high)) pen = pen3;
    else if (pen3 >= 0 && grey.threshold && col.bestRaw < grey.level) pen = pen3;
    if (pen != pens.Current()) sticks.Flush();
    pens.Use(pen);
    if (!StickHidden(*this, y)) sticks.Add(x, BaselineY, y);
    if (cands.Wanted() && y <= LabelLineY) cands.Add(col.bestMass, col.bestRaw, 0, x, y);
  };
  const double perColumn = 1.0 / colWidth, from = MassFrom;
  ForEachPair(p, [&](int32_t, double m, double v) {
    if (!(lo <= m && m <= hi)) return;
    long c = static_cast<long>((m - from) * perColumn);
    c = std::clamp<long>(c, 0, columns - 1);
    if (c != current) {
      flush();
      current = c;
      col = Column{};
      col.index = c;
      col.first = col.last = m;
      col.best = signedBand ? v : std::max(v, 0.0);
      col.bestMass = m;
      col.bestRaw = v;
      return;
    }
    col.last = m;
    const bool better = signedBand ? std::fabs(v) > std::fabs(col.best) : v > col.best;
    if (better) col.best = v, col.bestMass = m, col.bestRaw = v;
  });
  flush();
  sticks.Flush();
  cands.Draw(*this, t.spectrum);
}

void CDrawStackedSpectra::DrawSpectrumLine(short k, short j) {
  HDC dc = Out(*this);
  STRUCT_DSS_TRACE& t = Traces[k][j];
  if (!dc || !t.spectrum) return;
  const Pairs p(t.spectrum);
  if (p.Empty()) return;
  const double f = Factor(*this, LineMaximum(*this, k, j));
  double lo, hi;
  Visible(*this, t.spectrum, &lo, &hi);
  std::vector<POINT> pts;
  try {
    pts.reserve(static_cast<size_t>(p.n) + 10);
  } catch (...) {
    return;
  }
  StepPen pen(dc, t.colour, PenWidth(*this));
  if (!pen.Ok()) return;
  Candidates cands(LabelsWanted(*this, k, t), p.n);
  Ring ring;
  int32_t firstInside = -1, lastInside = -1;
  for (int32_t i = 0; i < p.n; ++i) {
    const double m = p.Mass(i);
    if (!(lo <= m && m <= hi)) continue;
    if (firstInside < 0) firstInside = i;
    lastInside = i;
    const double v = p.Intensity(i);
    const int32_t x = XOf(*this, m), y = YOf(*this, k, v * f);
    pts.push_back({x, y});
    if (cands.Wanted()) {
      if (const Ring::Item* top = ring.Push({m, v, x, y, i}, LabelLineY))
        cands.Add(top->mass, top->intensity, CandidateWidth(*this, t.spectrum, top->index), top->x, top->y);
    }
  }
  if (pts.empty()) return;
  auto valueAt = [&](int32_t a, int32_t b, double at) {
    const double m0 = p.Mass(a), m1 = p.Mass(b);
    const double v0 = p.Intensity(a), v1 = p.Intensity(b);
    return m1 != m0 ? v0 + (v1 - v0) * (at - m0) / (m1 - m0) : v0;
  };
  if (firstInside > 0 && p.Mass(firstInside - 1) < lo) {
    const int32_t y = YOf(*this, k, valueAt(firstInside - 1, firstInside, MassFrom) * f);
    CutSegment(*this, dc, OriginX, y, pts.front().x, pts.front().y);
  }
  if (lastInside + 1 < p.n && p.Mass(lastInside + 1) > hi) {
    const int32_t y = YOf(*this, k, valueAt(lastInside, lastInside + 1, MassTo) * f);
    CutSegment(*this, dc, pts.back().x, pts.back().y, OriginX + PlotWidth, y);
  }
  KELT_YCutPolyline(dc, pts.data(), static_cast<int32_t>(pts.size()), DrawBottom, DrawTop);
  if (pts.size() < 61 && MarkSparsePoints) {
    for (const POINT& q : pts)
      if (q.y > DrawTop && q.y < DrawBottom) DrawPointMarker(dc, q.x, q.y, CharWidth / 4, CharHeight / 6, 0);
  }
  cands.Draw(*this, t.spectrum);
}

void CDrawStackedSpectra::DrawMinMaxSpectrumLine(short k, short j) {
  HDC dc = Out(*this);
  STRUCT_DSS_TRACE& t = Traces[k][j];
  if (!dc || !t.spectrum) return;
  const Pairs p(t.spectrum);
  if (p.Empty()) return;
  const double f = Factor(*this, LineMaximum(*this, k, j));
  double lo, hi;
  Visible(*this, t.spectrum, &lo, &hi);
  int columns;
  double colWidth;
  if (!DenseColumns(*this, &columns, &colWidth)) return;
  StepPen pen(dc, t.colour, PenWidth(*this));
  if (!pen.Ok()) return;
  Candidates cands(LabelsWanted(*this, k, t), p.n);
  const bool signedBand = k == 2;
  Ring ring;

  struct Column {
    long index = -1;
    double max = 0, min = 0, maxMass = 0, maxRaw = 0;
    long maxPair = 0;
  } col;
  bool havePrevious = false;
  int32_t prevX = 0, prevMaxY = 0, prevMinY = 0;
  auto yOfValue = [&](double v) {
    if (!(v > 0) && !signedBand) return static_cast<int32_t>(BaselineY);
    return YOf(*this, k, v * f);
  };
  // Columns and their joins go to the device as long polylines; a polyline
  // may run back over a column's own segment to reach the end a join
  // starts from. endsAtTop: the path ends at the last column's maximum.
  std::vector<POINT> path;
  path.reserve(static_cast<size_t>(columns) * 3 / 2 + 4);
  bool endsAtTop = false;
  // flatRun: the path is a row of one-value columns side by side (on the
  // screen, where columns are one pixel apart): drawn as one line.
  bool flatRun = false;
  auto drawPath = [&] {
    if (flatRun && path.size() == 2 && path[1].x > path[0].x) path.push_back({path[1].x + 1, path[1].y});
    if (path.size() == 2 && path[0].x == path[1].x && path[0].y == path[1].y) {
      // A lone column of one value is one pixel.
      if (path[0].y >= DrawTop && path[0].y <= DrawBottom) SetPixelV(dc, path[0].x, path[0].y, t.colour);
    } else if (path.size() >= 2) {
      KELT_YCutPolyline(dc, path.data(), static_cast<int32_t>(path.size()), DrawBottom, DrawTop);
    }
    path.clear();
  };
  auto flush = [&] {
    if (col.index < 0) return;
    const int32_t x = XOf(*this, MassFrom + (col.index + 0.5) * colWidth);
    const int32_t maxY = yOfValue(col.max), minY = yOfValue(col.min);
    const bool rising = havePrevious && minY < prevMaxY;
    const bool falling = havePrevious && !rising && prevMinY < maxY;
    const bool topsJoined = havePrevious && !rising && !falling && ReportMode;
    if (rising || falling || topsJoined) flatRun = false;
    if (rising) {
      // From the previous maximum to this minimum, then up this column.
      if (!endsAtTop) path.push_back({prevX, prevMaxY});
      path.push_back({x, minY});
      path.push_back({x, maxY});
      endsAtTop = true;
    } else if (falling || topsJoined) {
      // From the previous minimum (or maximum) to this maximum, then down.
      const bool fromTop = topsJoined;
      if (fromTop != endsAtTop) path.push_back({prevX, fromTop ? prevMaxY : prevMinY});
      path.push_back({x, maxY});
      path.push_back({x, minY});
      endsAtTop = false;
    } else if (flatRun && minY == maxY && maxY == prevMaxY && x - prevX <= 1) {
      path.back() = {x, maxY};
    } else {
      drawPath();
      path.push_back({x, minY});
      path.push_back({x, maxY});
      endsAtTop = true;
      flatRun = minY == maxY;
    }
    havePrevious = true;
    prevX = x, prevMaxY = maxY, prevMinY = minY;
    if (cands.Wanted()) {
      if (const Ring::Item* top = ring.Push({col.maxMass, col.maxRaw, x, maxY, col.maxPair}, LabelLineY))
        cands.Add(top->mass, top->intensity, CandidateWidth(*this, t.spectrum, top->index), top->x, top->y);
    }
  };
  const double perColumn = 1.0 / colWidth, from = MassFrom;
  // One column at a time, its values kept in locals.
  auto scan = [&](const auto* pr) {
    auto columnOf = [&](double m) { return std::clamp<long>(static_cast<long>((m - from) * perColumn), 0, columns - 1); };
    int32_t i = 0;
    while (i < p.n) {
      const double m = MassOf(pr[i]);
      if (!(lo <= m && m <= hi)) {
        ++i;
        continue;
      }
      const long c = columnOf(m);
      const double v = IntensityOf(pr[i]);
      double mx = signedBand ? v : std::max(v, 0.0), mn = mx;
      int32_t mxPair = i;
      // Noisy points rise and fall at random: the extremes are kept by
      // selection, not by branches that would mostly be guessed wrong. The
      // first point of the largest value wins; its pair gives mass and value.
      for (++i; i < p.n; ++i) {
        const double m2 = MassOf(pr[i]);
        if (!(lo <= m2 && m2 <= hi) || columnOf(m2) != c) break;
        const double v2 = IntensityOf(pr[i]);
        const bool up = v2 > mx;
        mxPair = up ? i : mxPair;
        mx = up ? v2 : mx;
        const bool down = v2 < mn && (signedBand || v2 > 0);
        mn = down ? v2 : mn;
      }
      col.index = c;
      col.max = mx, col.min = mn, col.maxMass = MassOf(pr[mxPair]), col.maxRaw = IntensityOf(pr[mxPair]);
      col.maxPair = mxPair;
      flush();
    }
  };
  if (p.x) scan(p.x);
  else if (p.t) scan(p.t);
  else if (p.d) scan(p.d);
  drawPath();
  cands.Draw(*this, t.spectrum);
}

namespace kelt::sptdraw {

double HalfHeightWidthOf(const XTOL_PAIR* pr, long count, long i, double widthParam, bool baselineOn,
                         uint32_t baseline, int32_t divisor) {
  if (!pr || count <= 0) return 0;
  double b = 1, d = 1;
  if (baselineOn) {
    b = baseline;
    // A divisor of zero from the data would divide by zero: taken as 1.
    d = divisor > 0 ? divisor : 1;
  }
  long h = static_cast<long>(std::trunc(widthParam * 0.7 / d)) / 2;
  if (h < 1) h = 1;
  if (i < h || i >= count - h) return 0;
  bool leftMonotone = true, rightMonotone = true;
  for (long m = i - h; m < i; ++m)
    if (pr[m].intensity > pr[m + 1].intensity) leftMonotone = false;
  for (long m = i + 1; m <= i + h; ++m)
    if (pr[m].intensity > pr[m - 1].intensity) rightMonotone = false;
  if (!leftMonotone && !rightMonotone) return 0;
  const double half = static_cast<double>(static_cast<uint32_t>((b + pr[i].intensity) / 2));
  auto crossing = [&](long m, long toward) {
    // m below half, its neighbour toward the apex above half.
    const double im = pr[m].intensity, in = pr[toward].intensity;
    return pr[m].mass + (half - im) * (pr[toward].mass - pr[m].mass) / (in - im);
  };
  double left = 0, right = 0;
  if (leftMonotone) {
    for (long m = i - 1; m >= 0; --m) {
      if (pr[m].intensity > pr[m + 1].intensity) break;
      if (pr[m].intensity == half) {
        left = pr[i].mass - pr[m].mass;
        break;
      }
      if (pr[m].intensity < half && pr[m + 1].intensity > half) {
        left = pr[i].mass - crossing(m, m + 1);
        break;
      }
    }
  }
  if (rightMonotone) {
    for (long m = i + 1; m < count; ++m) {
      if (pr[m].intensity > pr[m - 1].intensity) break;
      if (pr[m].intensity == half) {
        right = pr[m].mass - pr[i].mass;
        break;
      }
      if (pr[m].intensity < half && pr[m - 1].intensity > half) {
        right = crossing(m, m - 1) - pr[i].mass;
        break;
      }
    }
  }
  if (left == 0 && right == 0) return 0;
  if (left == 0) return 2 * right;
  if (right == 0) return 2 * left;
  return left + right;
}

}  // namespace kelt::sptdraw

double CDrawStackedSpectra::HalfHeightWidth(const STRUCT_SPT_PLUS* s, long i) {
  const STRUCT_TOL_SPT* tol = MsData(s);
  if (!tol) return 0;
  // The peak width of the scan function the spectrum came from, in points.
  const unsigned fn = tol->scanFunIndex < MS_MAX_FUNCTIONS ? tol->scanFunIndex : 0;
  double width = tol->segment.functions[fn].massWidth;
  if (tol->precisionKnown && tol->precision > 0) width *= tol->precision;
  return HalfHeightWidthOf(tol->pairs, static_cast<long>(tol->pairCount), i, width, false, 0, 1);
}
