// Drawing a connection table: the bounding box of its points widened by 20
// structure units, fitted into the rectangle with its aspect kept and
// aligned; circles of aromatic rings; single, double and triple bonds;
// atom labels placed away from the bond that ends on them. Also the
// structure box in a band of the stacked spectra.
#include "spectrumctl/chem_struct.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "framework/framework_gdi.h"
#include "spectrumctl/stacked_spectra.h"
#include "spectrumctl/stacked_spectra_internal.h"

namespace kelt::chem {

namespace {

int32_t ReadI32(const uint8_t* b, size_t off) {
  int32_t v;
  std::memcpy(&v, b + off, 4);
  return v;
}

int16_t Coordinate(const uint8_t* b, size_t arrayOff, int i) {
  const uint32_t v = static_cast<uint32_t>(ReadI32(b, arrayOff + 4 * static_cast<size_t>(i)));
  return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF));
}

// Counts come from library data: held to the room of their arrays.
int Count(const uint8_t* b, size_t off) { return std::clamp(ReadI32(b, off), 0, CHEM_MOST_ITEMS); }

void PutI32(uint8_t* b, size_t off, int32_t v) { std::memcpy(b + off, &v, 4); }

}  // namespace

void ReadTable(const uint8_t* b, Table* t) {
  *t = Table{};
  if (!b) return;
  t->bondEnds = Count(b, CHEM_BOND_END_COUNT);
  t->circles = Count(b, CHEM_CIRCLE_COUNT);
  t->labels = Count(b, CHEM_LABEL_COUNT);
  for (int i = 0; i < t->bondEnds; ++i) {
    t->bondX[i] = Coordinate(b, CHEM_BOND_X, i);
    t->bondY[i] = Coordinate(b, CHEM_BOND_Y, i);
  }
  std::memcpy(t->bondKind, b + CHEM_BOND_KIND, CHEM_MOST_ITEMS);
  for (int i = 0; i < t->circles; ++i) {
    t->circleX[i] = Coordinate(b, CHEM_CIRCLE_X, i);
    t->circleY[i] = Coordinate(b, CHEM_CIRCLE_Y, i);
  }
  for (int i = 0; i < t->labels; ++i) {
    t->labelX[i] = Coordinate(b, CHEM_LABEL_X, i);
    t->labelY[i] = Coordinate(b, CHEM_LABEL_Y, i);
    // A label fills at most its six bytes, terminated or not.
    std::memcpy(t->labelText[i], b + CHEM_LABEL_TEXT + CHEM_LABEL_SIZE * static_cast<size_t>(i), CHEM_LABEL_SIZE);
    t->labelText[i][CHEM_LABEL_SIZE] = 0;
  }
}

void WriteTable(uint8_t* b, const Bond* bonds, int bondCount, const Circle* circles, int circleCount,
                const Label* labels, int labelCount) {
  std::memset(b, 0, CHEM_TABLE_SIZE);
  bondCount = std::clamp(bondCount, 0, CHEM_MOST_ITEMS / 2);
  circleCount = std::clamp(circleCount, 0, CHEM_MOST_ITEMS);
  labelCount = std::clamp(labelCount, 0, CHEM_MOST_ITEMS);
  for (int i = 0; i < bondCount; ++i) {
    PutI32(b, CHEM_BOND_X + 8 * static_cast<size_t>(i), bonds[i].x1);
    PutI32(b, CHEM_BOND_Y + 8 * static_cast<size_t>(i), bonds[i].y1);
    PutI32(b, CHEM_BOND_X + 8 * static_cast<size_t>(i) + 4, bonds[i].x2);
    PutI32(b, CHEM_BOND_Y + 8 * static_cast<size_t>(i) + 4, bonds[i].y2);
    b[CHEM_BOND_KIND + i] = bonds[i].kind;
  }
  PutI32(b, CHEM_BOND_END_COUNT, 2 * bondCount);
  for (int i = 0; i < circleCount; ++i) {
    PutI32(b, CHEM_CIRCLE_X + 4 * static_cast<size_t>(i), circles[i].x);
    PutI32(b, CHEM_CIRCLE_Y + 4 * static_cast<size_t>(i), circles[i].y);
  }
  PutI32(b, CHEM_CIRCLE_COUNT, circleCount);
  for (int i = 0; i < labelCount; ++i) {
    PutI32(b, CHEM_LABEL_X + 4 * static_cast<size_t>(i), labels[i].x);
    PutI32(b, CHEM_LABEL_Y + 4 * static_cast<size_t>(i), labels[i].y);
    std::strncpy(reinterpret_cast<char*>(b + CHEM_LABEL_TEXT + CHEM_LABEL_SIZE * static_cast<size_t>(i)),
                 labels[i].text ? labels[i].text : "", CHEM_LABEL_SIZE);
  }
  PutI32(b, CHEM_LABEL_COUNT, labelCount);
}

}  // namespace kelt::chem

using kelt::chem::Table;

int16_t CDrawChemStruct::ConvertX(short x) {
  return static_cast<int16_t>(Left + XOffset + static_cast<int>(std::trunc((x - MinX) * XScale)));
}

int16_t CDrawChemStruct::ConvertY(short y) {
  return static_cast<int16_t>(Bottom - YOffset - static_cast<int>(std::trunc((MaxY - y) * YScale)));
}

void CDrawChemStruct::DoJob() {
  HDC dc = DC ? DC->m_hDC : nullptr;
  if (!dc || !Table) return;
  auto t = std::make_unique<kelt::chem::Table>();
  kelt::chem::ReadTable(Table, t.get());
  if (t->Empty()) return;

  bool any = false;
  int minX = 0, maxX = 0, minY = 0, maxY = 0;
  auto take = [&](int x, int y) {
    if (!any) {
      minX = maxX = x, minY = maxY = y, any = true;
      return;
    }
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  };
  for (int i = 0; i < t->circles; ++i) take(t->circleX[i], t->circleY[i]);
  for (int i = 0; i < t->bondEnds; ++i) take(t->bondX[i], t->bondY[i]);
  for (int i = 0; i < t->labels; ++i) take(t->labelX[i], t->labelY[i]);
  // Widened by 20 units, held to the 16-bit coordinate range.
  auto held = [](int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
  MinX = held(minX - 20), MaxX = held(maxX + 20);
  MinY = held(minY - 20), MaxY = held(maxY + 20);
  const double spanX = double(MaxX - MinX), spanY = double(MaxY - MinY);

  const int W = Right - Left, H = Bottom - Top;
  const double aspect = spanX / spanY;
  XOffset = YOffset = 0;
  if (H * aspect > W) {
    UsedWidth = static_cast<int16_t>(W);
    UsedHeight = static_cast<int16_t>(std::trunc(W / aspect));
    const int spare = H - UsedHeight;
    YOffset = static_cast<int16_t>(VertAlign == 0 ? spare : VertAlign == 1 ? spare / 2 : 0);
  } else {
    UsedHeight = static_cast<int16_t>(H);
    UsedWidth = static_cast<int16_t>(std::trunc(H * aspect));
    const int spare = W - UsedWidth;
    XOffset = static_cast<int16_t>(HorzAlign == 0 ? 0 : HorzAlign == 1 ? spare / 2 : spare);
  }
  XScale = UsedWidth / spanX;
  YScale = UsedHeight / spanY;

  COLORREF bond = BondColor;
  if (Print && (bond == RGB(255, 255, 255) || bond == RGB(255, 255, 0))) bond = RGB(0, 0, 0);
  HPEN pen = CreatePen(PS_SOLID, 0, bond);
  if (!pen) return;
  HGDIOBJ oldPen = SelectObject(dc, pen);

  if (Frame) {
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, Left, Top, Right, Bottom);
    SelectObject(dc, old);
  }

  if (t->circles) {
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int rx = ConvertX(10) - ConvertX(0), ry = ConvertY(0) - ConvertY(10);
    for (int i = 0; i < t->circles; ++i) {
      const int x = ConvertX(t->circleX[i]), y = ConvertY(t->circleY[i]);
      Ellipse(dc, x - rx, y + ry, x + rx, y - ry);
    }
    SelectObject(dc, old);
  }

  for (int i = 0; i + 1 < t->bondEnds; i += 2) {
    int kind = t->bondKind[i / 2] + 1;
    if (kind < 1 || kind > 5) kind = 1;
    const double x1 = ConvertX(t->bondX[i]), y1 = ConvertY(t->bondY[i]);
    const double x2 = ConvertX(t->bondX[i + 1]), y2 = ConvertY(t->bondY[i + 1]);
    if (kind != 2) kelt::sptdraw::Line(dc, int(x1), int(y1), int(x2), int(y2));
    if (kind != 2 && kind != 3) continue;
    const double len2 = (x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1);
    if (len2 < 1e-8) continue;
    const bool vertical = x1 == x2, horizontal = y1 == y2;
    double d;
    if (!Print) {
      POINT p[2] = {{0, 0}, {vertical || horizontal ? 2 : 3, 0}};
      DPtoLP(dc, p, 2);
      d = std::abs(p[1].x - p[0].x);
    } else {
      d = vertical ? (ConvertX(10) - ConvertX(0)) / 8.0 : (ConvertY(0) - ConvertY(10)) / 8.0;
    }
    const double k = d / std::sqrt(len2);
    for (double s : {k, -k}) {
      const double ox = (y1 - y2) * s, oy = (x2 - x1) * s;
      kelt::sptdraw::Line(dc, int(std::trunc(x1 + ox)), int(std::trunc(y1 + oy)), int(std::trunc(x2 + ox)),
                          int(std::trunc(y2 + oy)));
    }
  }

  if (t->labels) {
    const COLORREF oldText = SetTextColor(dc, LabelColor);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldBack = 0;
    if (!Print) oldBack = SetBkColor(dc, BackColor);
    for (int i = 0; i < t->labels; ++i) {
      const char* text = t->labelText[i];
      if (text[0] == '^') ++text;
      const int len = static_cast<int>(std::strlen(text));
      const int lx = t->labelX[i], ly = t->labelY[i];
      int found = 0, a = -1, b = -1;
      for (int e = 0; e + 1 < t->bondEnds; e += 2) {
        for (int side = 0; side < 2; ++side) {
          const int at = e + side;
          if (t->bondX[at] == lx && t->bondY[at] == ly) {
            ++found;
            a = at;
            b = e + 1 - side;
          }
        }
      }
      int dx = 0, dy = 0;
      if (found == 1) {
        const bool flat = t->bondY[a] == t->bondY[b];
        if (t->bondY[a] < t->bondY[b]) dy = CharHeight;
        else if (flat) dy = CharHeight / 2;
        if (flat && t->bondX[a] < t->bondX[b]) dx = CharWidth * len;
        else if (!flat && t->bondX[a] <= t->bondX[b]) dx = CharWidth * (len - 1) / 2;
      } else if (found > 1) {
        dx = CharWidth / 2;
        dy = CharHeight / 2;
      }
      kelt::sptdraw::Text(dc, ConvertX(t->labelX[i]) - dx, ConvertY(t->labelY[i]) - dy, text);
    }
    if (!Print) SetBkColor(dc, oldBack);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldText);
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

KELT_API void SPT_DrawChemicalPicture(CDC* dc, const STRUCT_DRAW_CHEM_PICTURE* p) {
  if (!dc || !p) return;
  try {
    CDrawChemStruct draw;
    draw.DC = dc;
    draw.Table = p->table;
    draw.Print = p->print;
    draw.Left = p->left;
    draw.Bottom = p->bottom;
    draw.Right = p->right;
    draw.Top = p->top;
    draw.CharWidth = p->charWidth;
    draw.CharHeight = p->charHeight;
    draw.LabelColor = p->labelColor;
    draw.BackColor = p->backColor;
    draw.BondColor = p->bondColor;
    draw.HorzAlign = p->horzAlign;
    draw.VertAlign = p->vertAlign;
    draw.Frame = p->frame;
    draw.DoJob();
  } catch (...) {
  }
}

namespace {

const uint8_t* StructureOf(const STRUCT_SPT_PLUS* s) {
  if (!s) return nullptr;
  if (s->kind == SPT_KIND_NIST && s->nistSpt) return s->nistSpt->chemStruct;
  if (s->kind == SPT_KIND_SLBR && s->slbrSpt) return s->slbrSpt->chemStruct;
  return nullptr;
}

}  // namespace

void CDrawStackedSpectra::DrawChemObject(short k) {
  HDC dc = kelt::sptdraw::Out(*this);
  if (!dc || k < 0 || k >= DSS_BANDS || !ShowStructure) return;
  const uint8_t* table = StructureOf(Traces[k][0].spectrum);
  if (!table) return;
  {
    auto t = std::make_unique<kelt::chem::Table>();
    kelt::chem::ReadTable(table, t.get());
    if (t->Empty()) return;
  }
  const kelt::sptdraw::ColourBlock c = kelt::sptdraw::Colours(*this);
  const COLORREF label = c[8], bond = c[9], back = ScreenColors.colors[0];
  const int bandShift = k == 1 ? BandHeight[0] : 0;
  if (BandHeight[k] < 8 * CharHeight || PlotWidth < 16 * CharWidth) {
    if (ReportMode) return;
    const COLORREF oldText = SetTextColor(dc, label);
    const COLORREF oldBack = SetBkColor(dc, back);
    const int oldMode = SetBkMode(dc, OPAQUE);
    kelt::sptdraw::Text(dc, Right - 2 * CharWidth, Top + 2 * CharHeight + bandShift, "#");
    SetBkMode(dc, oldMode);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    return;
  }
  int bandBottom = Top + BandHeight[0];
  if (k >= 1) bandBottom += BandHeight[1];
  if (k >= 2) bandBottom += BandHeight[2];
  const int right = Right - CharWidth, top = Top + 2 * CharHeight + bandShift;
  int left = right - CharWidth, bottom = top + CharHeight;
  while (left - CharWidth >= Left + VertScaleWidth && bottom + CharHeight <= bandBottom) {
    left -= CharWidth;
    bottom += CharHeight;
  }
  STRUCT_DRAW_CHEM_PICTURE pic{};
  pic.table = table;
  pic.print = ReportMode;
  pic.left = static_cast<int16_t>(left);
  pic.bottom = static_cast<int16_t>(bottom);
  pic.right = static_cast<int16_t>(right);
  pic.top = static_cast<int16_t>(top);
  pic.charWidth = CharWidth;
  pic.charHeight = CharHeight;
  pic.labelColor = label;
  pic.backColor = back;
  pic.bondColor = bond;
  pic.horzAlign = 2;
  pic.vertAlign = 0;
  pic.frame = 0;
  SPT_DrawChemicalPicture(DC, &pic);
}
