#pragma once
// The device calls a drawing made, read back from a metafile record by
// record: polylines and polygons with their points and the pen (and brush)
// selected when they were drawn, lines, fills, texts, clip and state calls.
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "win/win_gdi.h"
#include "win/win_metafile.h"

// Naturally aligned (the platform's RECT is packed).
struct Box {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct RecordedCall {
  DWORD type = 0;             // EMR_ type; polylines and polygons of 16-bit points are reported as 32-bit ones
  std::vector<POINT> points;  // polylines, polygons; MoveTo-LineTo pairs as two points
  int32_t penStyle = PS_SOLID;  // selected pen
  int32_t penWidth = 0;
  COLORREF penColor = 0;
  COLORREF brush = 0;         // selected brush colour
  bool nullBrush = false;
  Box rect;                   // fills (PatBlt), clip rectangles, rectangles, ellipses
  DWORD rop = 0;              // PatBlt operation; SETROP2 mode
  COLORREF textColor = 0;     // text colour in force
  std::string text;           // texts
};

struct CallLog {
  std::vector<RecordedCall> calls;
  std::vector<RecordedCall> Of(DWORD type) const {
    std::vector<RecordedCall> out;
    for (const auto& c : calls)
      if (c.type == type) out.push_back(c);
    return out;
  }
  const RecordedCall* Text(const std::string& s) const {
    for (const auto& c : calls)
      if (c.type == EMR_EXTTEXTOUTA && c.text == s) return &c;
    return nullptr;
  }
  // Index of the first call of a type, -1 when none.
  int First(DWORD type) const {
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i].type == type) return static_cast<int>(i);
    return -1;
  }
  int Last(DWORD type) const {
    for (size_t i = calls.size(); i-- > 0;)
      if (calls[i].type == type) return static_cast<int>(i);
    return -1;
  }
};

namespace recorded_detail {
template <class T>
T Read(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
}  // namespace recorded_detail

// The records of a metafile as calls. MoveTo/LineTo become EMR_LINETO calls
// of two points.
inline CallLog ReadCalls(HENHMETAFILE emf) {
  using recorded_detail::Read;
  CallLog log;
  const UINT size = GetEnhMetaFileBits(emf, 0, nullptr);
  std::vector<uint8_t> bytes(size);
  GetEnhMetaFileBits(emf, size, bytes.data());
  std::map<DWORD, LOGPEN> pens;
  std::map<DWORD, COLORREF> brushes;
  LOGPEN pen{PS_SOLID, {0, 0}, 0};
  COLORREF brush = 0xFFFFFF;
  bool nullBrush = false;
  COLORREF textColor = 0;
  POINT at{0, 0};
  for (size_t off = 0; off + sizeof(EMR) <= bytes.size();) {
    const EMR head = Read<EMR>(&bytes[off]);
    if (head.nSize < sizeof(EMR) || off + head.nSize > bytes.size()) break;
    const uint8_t* r = &bytes[off];
    RecordedCall c;
    c.type = head.iType;
    c.penStyle = static_cast<int32_t>(pen.lopnStyle);
    c.penWidth = pen.lopnWidth.x;
    c.penColor = pen.lopnColor;
    c.brush = brush;
    c.nullBrush = nullBrush;
    c.textColor = textColor;
    bool keep = true;
    switch (head.iType) {
      case EMR_CREATEPEN: {
        const auto p = Read<EMRCREATEPEN>(r);
        pens[p.ihPen] = p.lopn;
        keep = false;
        break;
      }
      case EMR_CREATEBRUSHINDIRECT: {
        const auto b = Read<EMRCREATEBRUSHINDIRECT>(r);
        brushes[b.ihBrush] = b.lb.lbColor;
        keep = false;
        break;
      }
      case EMR_SELECTOBJECT: {
        const DWORD i = Read<EMRSELECTOBJECT>(r).ihObject;
        if (i & ENHMETA_STOCK_OBJECT) {
          const DWORD s = i & ~ENHMETA_STOCK_OBJECT;
          if (s == BLACK_PEN) pen = LOGPEN{PS_SOLID, {0, 0}, 0};
          if (s == WHITE_PEN) pen = LOGPEN{PS_SOLID, {0, 0}, 0xFFFFFF};
          if (s == NULL_PEN) pen = LOGPEN{PS_NULL, {0, 0}, 0};
          if (s == NULL_BRUSH) nullBrush = true;
          if (s == WHITE_BRUSH) brush = 0xFFFFFF, nullBrush = false;
          if (s == BLACK_BRUSH) brush = 0, nullBrush = false;
        } else if (pens.count(i)) {
          pen = pens[i];
        } else if (brushes.count(i)) {
          brush = brushes[i];
          nullBrush = false;
        }
        keep = false;
        break;
      }
      case EMR_SETTEXTCOLOR:
        textColor = Read<EMRSETCOLOR>(r).crColor;
        keep = false;
        break;
      case EMR_MOVETOEX: {
        const auto m = Read<EMRSETORGEX>(r);
        at = {m.ptlOrigin.x, m.ptlOrigin.y};
        keep = false;
        break;
      }
      case EMR_LINETO: {
        const auto m = Read<EMRSETORGEX>(r);
        c.points = {at, {m.ptlOrigin.x, m.ptlOrigin.y}};
        at = c.points[1];
        break;
      }
      case EMR_POLYLINE:
      case EMR_POLYGON: {
        const DWORD n = Read<DWORD>(r + 24);
        for (DWORD i = 0; i < n; ++i) c.points.push_back(Read<POINT>(r + 28 + 8 * i));
        break;
      }
      case EMR_POLYLINE16:
      case EMR_POLYGON16: {
        const DWORD n = Read<DWORD>(r + 24);
        for (DWORD i = 0; i < n; ++i) {
          const auto s = Read<POINTS>(r + 28 + 4 * i);
          c.points.push_back({s.x, s.y});
        }
        c.type = head.iType == EMR_POLYLINE16 ? EMR_POLYLINE : EMR_POLYGON;
        break;
      }
      case EMR_BITBLT: {
        const auto b = Read<EMRBITBLT>(r);
        c.rect = {b.xDest, b.yDest, b.xDest + b.cxDest, b.yDest + b.cyDest};
        c.rop = b.dwRop;
        break;
      }
      case EMR_INTERSECTCLIPRECT:
      case EMR_RECTANGLE:
      case EMR_ELLIPSE: {
        const auto b = Read<EMRRECTANGLE>(r);
        c.rect = {b.rclBox.left, b.rclBox.top, b.rclBox.right, b.rclBox.bottom};
        break;
      }
      case EMR_SETROP2:
        c.rop = Read<EMRSETMODE>(r).iMode;
        break;
      case EMR_EXTTEXTOUTA: {
        const auto t = Read<EMREXTTEXTOUTA>(r);
        c.text.assign(reinterpret_cast<const char*>(r) + t.emrtext.offString, t.emrtext.nChars);
        c.points = {{t.emrtext.ptlReference.x, t.emrtext.ptlReference.y}};
        break;
      }
      default:
        break;
    }
    if (keep) log.calls.push_back(std::move(c));
    off += head.nSize;
  }
  return log;
}

// Runs draw on a metafile DC and returns the calls it made.
inline CallLog RecordCalls(const std::function<void(HDC)>& draw) {
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  draw(dc);
  HENHMETAFILE emf = CloseEnhMetaFile(dc);
  CallLog log = ReadCalls(emf);
  DeleteEnhMetaFile(emf);
  return log;
}
