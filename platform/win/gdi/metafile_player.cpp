// Playing enhanced metafiles into a device context, whole or record by
// record. The frame of the metafile (0.01 mm) is mapped onto the target
// rectangle; the records' own mapping works inside that.
#include <cmath>
#include <string>

#include "metafile.h"

using namespace win::gdi;

namespace {

template <class T>
const T* As(const ENHMETARECORD* r) {
  return r->nSize >= sizeof(T) ? reinterpret_cast<const T*>(r) : nullptr;
}

const uint8_t* Bytes(const ENHMETARECORD* r) { return reinterpret_cast<const uint8_t*>(r); }

// Points of a poly record, 16- or 32-bit, after a header of `fixed` bytes.
bool ReadPoints(const ENHMETARECORD* r, size_t fixed, size_t count, bool small,
                std::vector<POINT>& out) {
  size_t each = small ? 4 : 8;
  if (count > (r->nSize - std::min<size_t>(r->nSize, fixed)) / each) return false;
  out.resize(count);
  const uint8_t* p = Bytes(r) + fixed;
  for (size_t i = 0; i < count; ++i) {
    if (small) {
      POINTS s;
      std::memcpy(&s, p + i * 4, 4);
      out[i] = {s.x, s.y};
    } else {
      std::memcpy(&out[i], p + i * 8, 8);
    }
  }
  return true;
}

bool PlayPoly(HDC hdc, const ENHMETARECORD* r, bool small) {
  if (r->nSize < 28) return false;
  DWORD count;
  std::memcpy(&count, Bytes(r) + 24, 4);
  std::vector<POINT> pts;
  if (!ReadPoints(r, 28, count, small, pts)) return false;
  switch (r->iType) {
    case EMR_POLYLINE: case EMR_POLYLINE16: return Polyline(hdc, pts.data(), int(count));
    case EMR_POLYGON: case EMR_POLYGON16: return Polygon(hdc, pts.data(), int(count));
    case EMR_POLYLINETO: case EMR_POLYLINETO16: return PolylineTo(hdc, pts.data(), count);
    default: return TRUE;
  }
}

bool PlayPolyPoly(HDC hdc, const ENHMETARECORD* r, bool small, bool polygon) {
  if (r->nSize < 32) return false;
  DWORD polys, count;
  std::memcpy(&polys, Bytes(r) + 24, 4);
  std::memcpy(&count, Bytes(r) + 28, 4);
  if (polys > (r->nSize - 32) / 4) return false;
  if (polys == 0) return count == 0;  // nothing to draw; no copy from an empty list
  std::vector<INT> counts(polys);
  std::memcpy(counts.data(), Bytes(r) + 32, size_t(polys) * 4);
  uint64_t total = 0;
  for (INT c : counts) {
    if (c < 0) return false;
    total += uint64_t(c);
  }
  if (total != count) return false;
  std::vector<POINT> pts;
  if (!ReadPoints(r, 32 + size_t(polys) * 4, count, small, pts)) return false;
  if (polygon) return PolyPolygon(hdc, pts.data(), counts.data(), int(polys));
  size_t at = 0;
  for (INT c : counts) {
    Polyline(hdc, pts.data() + at, c);
    at += size_t(c);
  }
  return true;
}

// One text item: 8-bit or UTF-16 characters (shown through the ANSI page) with
// their advances.
bool PlayText(HDC hdc, const ENHMETARECORD* r, const EMRTEXT& t, bool wide) {
  if (t.nChars > (1u << 20)) return false;
  size_t charBytes = size_t(t.nChars) * (wide ? 2 : 1);
  if (t.nChars && (t.offString < 8 || t.offString > r->nSize || charBytes > r->nSize - t.offString))
    return false;
  std::string text(t.nChars, '\0');
  for (DWORD i = 0; i < t.nChars; ++i) {
    if (wide) {
      uint16_t c;
      std::memcpy(&c, Bytes(r) + t.offString + 2 * i, 2);
      text[i] = c < 256 ? char(c) : '?';
    } else {
      text[i] = char(Bytes(r)[t.offString + i]);
    }
  }
  std::vector<INT> dx;
  if (t.offDx && t.nChars && t.offDx <= r->nSize && size_t(t.nChars) * 4 <= r->nSize - t.offDx) {
    dx.resize(t.nChars);
    std::memcpy(dx.data(), Bytes(r) + t.offDx, size_t(t.nChars) * 4);
  }
  bool hasRect = t.rcl.right >= t.rcl.left && t.rcl.bottom >= t.rcl.top &&
                 (t.fOptions & (ETO_OPAQUE | ETO_CLIPPED));
  return ExtTextOutA(hdc, t.ptlReference.x, t.ptlReference.y, t.fOptions & (ETO_OPAQUE | ETO_CLIPPED),
                     hasRect ? &t.rcl : nullptr, text.data(), t.nChars, dx.empty() ? nullptr : dx.data());
}

bool PlayBlt(HDC hdc, const ENHMETARECORD* r) {
  bool stretch = r->iType == EMR_STRETCHBLT;
  const EMRSTRETCHBLT* s = nullptr;
  EMRSTRETCHBLT b{};
  if (stretch) {
    s = As<EMRSTRETCHBLT>(r);
    if (!s) return false;
    b = *s;
  } else {
    auto* bb = As<EMRBITBLT>(r);
    if (!bb) return false;
    std::memcpy(&b, bb, sizeof(EMRBITBLT));
    b.cxSrc = b.cxDest;
    b.cySrc = b.cyDest;
  }
  DWORD rop = b.dwRop;
  uint8_t code = uint8_t(rop >> 16);
  bool usesSource = ((code >> 2) & 0x33) != (code & 0x33);
  if (!usesSource || b.cbBmiSrc == 0)
    return PatBlt(hdc, b.xDest, b.yDest, b.cxDest, b.cyDest, usesSource ? PATCOPY : rop);
  if (b.offBmiSrc > r->nSize || b.cbBmiSrc < sizeof(BITMAPINFOHEADER) ||
      b.cbBmiSrc > r->nSize - b.offBmiSrc || b.offBitsSrc > r->nSize ||
      b.cbBitsSrc > r->nSize - b.offBitsSrc)
    return false;
  BITMAPINFOHEADER bih;
  std::memcpy(&bih, Bytes(r) + b.offBmiSrc, sizeof(bih));
  if (bih.biBitCount != 32 || bih.biWidth <= 0 || bih.biHeight == 0 || bih.biHeight == INT32_MIN)
    return false;
  int64_t h = std::llabs(int64_t(bih.biHeight));
  // Width and height are below 2^31 each, so their product fits 64 bits; times 4 may not.
  if (uint64_t(bih.biWidth) * uint64_t(h) > uint64_t(b.cbBitsSrc) / 4) return false;
  BITMAPINFO bi{};
  bi.bmiHeader = bih;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) return false;
  std::memcpy(bits, Bytes(r) + b.offBitsSrc, size_t(bih.biWidth) * size_t(h) * 4);
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  BOOL ok = StretchBlt(hdc, b.xDest, b.yDest, b.cxDest, b.cyDest, mem, 0, 0, bih.biWidth,
                       int(h), rop);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  return ok;
}

bool PlayClipRegion(HDC hdc, const ENHMETARECORD* r) {
  if (r->nSize < 16) return false;
  DWORD cb, mode;
  std::memcpy(&cb, Bytes(r) + 8, 4);
  std::memcpy(&mode, Bytes(r) + 12, 4);
  if (cb == 0) return ExtSelectClipRgn(hdc, nullptr, int(mode)) != ERROR;
  if (cb > r->nSize - 16 || cb < sizeof(RGNDATAHEADER)) return false;
  RGNDATAHEADER rh;
  std::memcpy(&rh, Bytes(r) + 16, sizeof(rh));
  if (rh.nCount > (cb - sizeof(RGNDATAHEADER)) / 16) return false;
  auto dc = Lookup<DeviceContext>(hdc, OBJ_DC);
  if (!dc) return false;
  // Rectangles are in device units of the recording: map them as playback does.
  const AxisMap& o = dc->State().outer;
  Region rgn;
  for (DWORD i = 0; i < rh.nCount; ++i) {
    RECT rc;
    std::memcpy(&rc, Bytes(r) + 16 + sizeof(RGNDATAHEADER) + 16 * i, 16);
    PointF a = o.Apply(rc.left, rc.top), b = o.Apply(rc.right, rc.bottom);
    rgn = rgn.Combined(Region(IntRect::Normalized(RoundCoord(a.x), RoundCoord(a.y), RoundCoord(b.x),
                                                  RoundCoord(b.y))),
                       RegionOp::Or);
  }
  HRGN h = CreateRectRgn(0, 0, 0, 0);
  Lookup<RegionObject>(h, OBJ_REGION)->region = rgn;
  int res = ExtSelectClipRgn(hdc, h, int(mode));
  DeleteObject(h);
  return res != ERROR;
}

HGDIOBJ TableObject(HANDLETABLE* table, UINT handles, DWORD index) {
  if (index & ENHMETA_STOCK_OBJECT) return GetStockObject(int(index & 0x7FFFFFFF));
  if (!table || index == 0 || index >= handles) return nullptr;
  return table->objectHandle[index];
}

void PutTableObject(HANDLETABLE* table, UINT handles, DWORD index, HGDIOBJ obj) {
  if (!table || index == 0 || index >= handles) {
    DeleteObject(obj);
    return;
  }
  if (table->objectHandle[index]) DeleteObject(table->objectHandle[index]);
  table->objectHandle[index] = obj;
}

}  // namespace

BOOL PlayEnhMetaFileRecord(HDC hdc, HANDLETABLE* table, const ENHMETARECORD* r, UINT handles) {
  if (!r || r->nSize < 8 || r->nSize % 4) return FALSE;
  if (!Lookup<DeviceContext>(hdc, OBJ_DC)) return FALSE;
  auto param = [&](size_t i) -> LONG {
    LONG v = 0;
    if (8 + 4 * (i + 1) <= r->nSize) std::memcpy(&v, Bytes(r) + 8 + 4 * i, 4);
    return v;
  };
  auto need = [&](size_t params) { return r->nSize >= 8 + 4 * params; };
  switch (r->iType) {
    case EMR_HEADER:
    case EMR_EOF:
    case EMR_GDICOMMENT:
    case EMR_SETBRUSHORGEX:
    case EMR_SETMAPPERFLAGS:
    case EMR_SETICMMODE:
    case EMR_SETMITERLIMIT:
    case EMR_SETLAYOUT:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_REALIZEPALETTE:
    case EMR_SELECTPALETTE:
      return TRUE;
    case EMR_POLYLINE: case EMR_POLYGON: case EMR_POLYLINETO:
      return PlayPoly(hdc, r, false);
    case EMR_POLYLINE16: case EMR_POLYGON16: case EMR_POLYLINETO16:
      return PlayPoly(hdc, r, true);
    case EMR_POLYPOLYGON: return PlayPolyPoly(hdc, r, false, true);
    case EMR_POLYPOLYGON16: return PlayPolyPoly(hdc, r, true, true);
    case EMR_POLYPOLYLINE: return PlayPolyPoly(hdc, r, false, false);
    case EMR_POLYPOLYLINE16: return PlayPolyPoly(hdc, r, true, false);
    case EMR_SETWINDOWEXTEX: return need(2) && SetWindowExtEx(hdc, param(0), param(1), nullptr);
    case EMR_SETWINDOWORGEX: return need(2) && SetWindowOrgEx(hdc, param(0), param(1), nullptr);
    case EMR_SETVIEWPORTEXTEX: return need(2) && SetViewportExtEx(hdc, param(0), param(1), nullptr);
    case EMR_SETVIEWPORTORGEX: return need(2) && SetViewportOrgEx(hdc, param(0), param(1), nullptr);
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
      if (!need(4) || param(1) == 0 || param(3) == 0) return FALSE;
      SIZE s;
      bool vp = r->iType == EMR_SCALEVIEWPORTEXTEX;
      vp ? GetViewportExtEx(hdc, &s) : GetWindowExtEx(hdc, &s);
      int x = int(std::clamp<int64_t>(int64_t(s.cx) * param(0) / param(1), INT32_MIN, INT32_MAX));
      int y = int(std::clamp<int64_t>(int64_t(s.cy) * param(2) / param(3), INT32_MIN, INT32_MAX));
      return vp ? SetViewportExtEx(hdc, x, y, nullptr) : SetWindowExtEx(hdc, x, y, nullptr);
    }
    case EMR_SETPIXELV: return need(3) && (SetPixelV(hdc, param(0), param(1), COLORREF(param(2))), TRUE);
    case EMR_SETMAPMODE: return need(1) && SetMapMode(hdc, param(0)) != 0;
    case EMR_SETBKMODE: return need(1) && SetBkMode(hdc, param(0)) != 0;
    case EMR_SETPOLYFILLMODE: return need(1) && SetPolyFillMode(hdc, param(0)) != 0;
    case EMR_SETROP2: return need(1) && SetROP2(hdc, param(0)) != 0;
    case EMR_SETSTRETCHBLTMODE: return need(1) && SetStretchBltMode(hdc, param(0)) != 0;
    case EMR_SETTEXTALIGN: return need(1) && SetTextAlign(hdc, UINT(param(0))) != GDI_ERROR;
    case EMR_SETTEXTCOLOR: return need(1) && SetTextColor(hdc, COLORREF(param(0))) != CLR_INVALID;
    case EMR_SETBKCOLOR: return need(1) && SetBkColor(hdc, COLORREF(param(0))) != CLR_INVALID;
    case EMR_MOVETOEX: return need(2) && MoveToEx(hdc, param(0), param(1), nullptr);
    case EMR_LINETO: return need(2) && LineTo(hdc, param(0), param(1));
    case EMR_INTERSECTCLIPRECT:
      return need(4) && IntersectClipRect(hdc, param(0), param(1), param(2), param(3)) != ERROR;
    case EMR_EXCLUDECLIPRECT:
      return need(4) && ExcludeClipRect(hdc, param(0), param(1), param(2), param(3)) != ERROR;
    case EMR_EXTSELECTCLIPRGN: return PlayClipRegion(hdc, r);
    case EMR_SAVEDC: return SaveDC(hdc) != 0;
    case EMR_RESTOREDC: return need(1) && RestoreDC(hdc, param(0));
    case EMR_RECTANGLE: return need(4) && Rectangle(hdc, param(0), param(1), param(2), param(3));
    case EMR_ELLIPSE: return need(4) && Ellipse(hdc, param(0), param(1), param(2), param(3));
    case EMR_ROUNDRECT:
      return need(6) && RoundRect(hdc, param(0), param(1), param(2), param(3), param(4), param(5));
    case EMR_BITBLT:
    case EMR_STRETCHBLT: return PlayBlt(hdc, r);
    case EMR_SELECTOBJECT: {
      if (!need(1)) return FALSE;
      HGDIOBJ obj = TableObject(table, handles, DWORD(param(0)));
      return obj && SelectObject(hdc, obj) != nullptr;
    }
    case EMR_DELETEOBJECT: {
      if (!need(1)) return FALSE;
      DWORD index = DWORD(param(0));
      if (!table || index == 0 || index >= handles || !table->objectHandle[index]) return FALSE;
      DeleteObject(table->objectHandle[index]);
      table->objectHandle[index] = nullptr;
      return TRUE;
    }
    case EMR_CREATEPEN: {
      auto* p = As<EMRCREATEPEN>(r);
      if (!p) return FALSE;
      HPEN pen = CreatePenIndirect(&p->lopn);
      if (!pen) return FALSE;
      PutTableObject(table, handles, p->ihPen, pen);
      return TRUE;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      auto* p = As<EMRCREATEBRUSHINDIRECT>(r);
      if (!p) return FALSE;
      LOGBRUSH lb{p->lb.lbStyle, p->lb.lbColor, p->lb.lbHatch};
      HBRUSH brush = CreateBrushIndirect(&lb);
      if (!brush) return FALSE;
      PutTableObject(table, handles, p->ihBrush, brush);
      return TRUE;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
      auto* p = As<EMREXTCREATEFONTINDIRECTW>(r);
      if (!p) return FALSE;
      LOGFONTA lf{};
      std::memcpy(&lf, &p->elfw, 28);
      for (int i = 0; i < LF_FACESIZE - 1 && p->elfw.lfFaceName[i]; ++i) {
        char16_t c = p->elfw.lfFaceName[i];
        lf.lfFaceName[i] = c < 256 ? char(c) : '?';
      }
      HFONT font = CreateFontIndirectA(&lf);
      if (!font) return FALSE;
      PutTableObject(table, handles, p->ihFont, font);
      return TRUE;
    }
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW: {
      auto* t = As<EMREXTTEXTOUTA>(r);
      return t && PlayText(hdc, r, t->emrtext, r->iType == EMR_EXTTEXTOUTW);
    }
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
      auto* t = As<EMRPOLYTEXTOUTA>(r);
      if (!t || t->cStrings < 0) return FALSE;
      size_t fixed = offsetof(EMRPOLYTEXTOUTA, aemrtext);
      if (size_t(t->cStrings) > (r->nSize - fixed) / sizeof(EMRTEXT)) return FALSE;
      bool ok = true;
      for (LONG i = 0; i < t->cStrings; ++i) {
        EMRTEXT item;
        std::memcpy(&item, Bytes(r) + fixed + sizeof(EMRTEXT) * size_t(i), sizeof(EMRTEXT));
        ok = PlayText(hdc, r, item, r->iType == EMR_POLYTEXTOUTW) && ok;
      }
      return ok;
    }
    default:
      return TRUE;  // records this system does not draw are skipped
  }
}

BOOL EnumEnhMetaFile(HDC hdc, HENHMETAFILE emf, ENHMFENUMPROC proc, LPVOID data, const RECT* rect) {
  auto mf = Lookup<EnhMetaFile>(emf, OBJ_ENHMETAFILE);
  if (!mf) return FALSE;
  std::shared_ptr<DeviceContext> dc;
  if (hdc) {
    dc = Lookup<DeviceContext>(hdc, OBJ_DC);
    if (!dc || !rect) return FALSE;
  }
  // Keep the bytes alive and unchanged while the callback runs.
  std::vector<uint8_t> bytes = mf->bytes;
  const ENHMETAHEADER& h = *reinterpret_cast<const ENHMETAHEADER*>(bytes.data());
  UINT handles = std::max<UINT>(h.nHandles, 1);
  std::vector<HGDIOBJ> tableStore(handles, nullptr);
  tableStore[0] = emf;
  auto* table = reinterpret_cast<HANDLETABLE*>(tableStore.data());

  int savedFloor = 0;
  bool savedPlaying = false;
  std::optional<Region> savedMeta;
  int level = 0;
  if (dc) {
    // Map the frame (0.01 mm of the reference) onto the target rectangle.
    double pxX = h.szlMillimeters.cx > 0 ? double(h.szlDevice.cx) / (h.szlMillimeters.cx * 100.0) : 0;
    double pxY = h.szlMillimeters.cy > 0 ? double(h.szlDevice.cy) / (h.szlMillimeters.cy * 100.0) : 0;
    double fl = h.rclFrame.left * pxX, ft = h.rclFrame.top * pxY;
    double fr = h.rclFrame.right * pxX, fb = h.rclFrame.bottom * pxY;
    if (!(fr > fl) || !(fb > ft)) {
      fl = h.rclBounds.left; ft = h.rclBounds.top;
      fr = h.rclBounds.right; fb = h.rclBounds.bottom;
    }
    // Relative to the DC's origin, which the mapping adds after this transform.
    PointF d0 = dc->ToDevice(rect->left, rect->top), d1 = dc->ToDevice(rect->right, rect->bottom);
    d0.x -= dc->Origin().x; d0.y -= dc->Origin().y;
    d1.x -= dc->Origin().x; d1.y -= dc->Origin().y;
    level = dc->Save();
    DcState& s = dc->State();
    AxisMap outer;
    outer.sx = fr > fl ? (d1.x - d0.x) / (fr - fl) : 1;
    outer.sy = fb > ft ? (d1.y - d0.y) / (fb - ft) : 1;
    outer.tx = d0.x - fl * outer.sx;
    outer.ty = d0.y - ft * outer.sy;
    s.outer = outer;
    s.mapMode = MM_TEXT;
    s.windowOrg = s.viewportOrg = {};
    s.windowExt = s.viewportExt = {1, 1};
    s.pen = std::static_pointer_cast<PenObject>(StockObject(BLACK_PEN));
    s.brush = std::static_pointer_cast<BrushObject>(StockObject(WHITE_BRUSH));
    s.font = std::static_pointer_cast<FontObject>(StockObject(SYSTEM_FONT));
    s.textColor = RGB(0, 0, 0);
    s.bkColor = RGB(255, 255, 255);
    s.bkMode = OPAQUE;
    s.rop2 = R2_COPYPEN;
    s.textAlign = TA_LEFT | TA_TOP;
    s.polyFillMode = ALTERNATE;
    s.charExtra = 0;
    savedFloor = dc->playbackFloor;
    savedPlaying = dc->playing;
    savedMeta = dc->metaClip;
    dc->playbackFloor = level;
    dc->playing = true;
    dc->metaClip = s.clip;
  }
  bool ok = true;
  size_t pos = 0;
  while (pos + 8 <= bytes.size()) {
    const auto* rec = reinterpret_cast<const ENHMETARECORD*>(bytes.data() + pos);
    if (rec->nSize < 8 || rec->nSize > bytes.size() - pos) break;
    if (proc) {
      if (!proc(hdc, table, rec, int(handles), reinterpret_cast<LPARAM>(data))) {
        ok = false;
        break;
      }
    } else if (dc) {
      PlayEnhMetaFileRecord(hdc, table, rec, handles);
    }
    if (rec->iType == EMR_EOF) break;
    pos += rec->nSize;
  }
  if (dc) {
    dc->playbackFloor = savedFloor;
    dc->playing = savedPlaying;
    dc->metaClip = savedMeta;
    dc->Restore(level);
  }
  for (UINT i = 1; i < handles; ++i)
    if (tableStore[i]) DeleteObject(tableStore[i]);
  return ok ? TRUE : FALSE;
}

BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE emf, const RECT* rect) {
  if (!hdc || !rect) return FALSE;
  return EnumEnhMetaFile(hdc, emf, nullptr, nullptr, rect);
}
