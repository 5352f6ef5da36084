// The framework's device-context class and drawing-object owners.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/framework_gdi.h"
#include "win/win_paths.h"

namespace {

class CdcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kelt-cdc-XXXXXX";
    root_ = mkdtemp(tmpl);
    setenv("KELT_ROOT", root_.c_str(), 1);
    win::paths::ResetRoot();
  }
  void TearDown() override { std::system(("rm -rf '" + root_ + "'").c_str()); }
  std::string root_;
};

TEST_F(CdcTest, RectHelpers) {
  CRect r(10, 20, 30, 60);
  EXPECT_EQ(r.Width(), 20);
  EXPECT_EQ(r.Height(), 40);
  EXPECT_EQ(r.CenterPoint(), CPoint(20, 40));
  EXPECT_TRUE(r.PtInRect(CPoint(10, 20)));
  EXPECT_FALSE(r.PtInRect(CPoint(30, 20)));
  CRect i = r & CRect(25, 0, 100, 30);
  EXPECT_EQ(i, CRect(25, 20, 30, 30));
  EXPECT_TRUE((r & CRect(100, 100, 110, 110)).IsRectNull());
  EXPECT_EQ(r | CRect(0, 0, 5, 5), CRect(0, 0, 30, 60));
  r.OffsetRect(5, -5);
  EXPECT_EQ(r.TopLeft(), CPoint(15, 15));
  r.DeflateRect(1, 2);
  EXPECT_EQ(r, CRect(16, 17, 34, 53));
  CRect flipped(10, 10, 0, 0);
  EXPECT_TRUE(flipped.IsRectEmpty());
  flipped.NormalizeRect();
  EXPECT_EQ(flipped, CRect(0, 0, 10, 10));
  EXPECT_EQ(CPoint(5, 6) - CPoint(1, 1), CSize(4, 5));
}

TEST_F(CdcTest, DrawsThroughTheOutputHandle) {
  CDC dc;
  ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
  EXPECT_EQ(dc.m_hAttribDC, dc.m_hDC);
  CBitmap bmp;
  ASSERT_TRUE(bmp.CreateCompatibleBitmap(&dc, 40, 30));
  CBitmap* oldBmp = dc.SelectObject(&bmp);
  ASSERT_NE(oldBmp, nullptr);
  dc.FillSolidRect(0, 0, 40, 30, RGB(255, 255, 255));
  CPen pen(PS_SOLID, 0, RGB(255, 0, 0));
  CPen* oldPen = dc.SelectObject(&pen);
  EXPECT_EQ(oldPen->m_hObject, ::GetStockObject(BLACK_PEN));
  dc.MoveTo(0, 5);
  dc.LineTo(40, 5);
  EXPECT_EQ(dc.GetPixel(20, 5), RGB(255, 0, 0));
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(40, 5));
  CBrush blue(RGB(0, 0, 255));
  CRect box(10, 10, 20, 20);
  dc.FillRect(&box, &blue);
  EXPECT_EQ(dc.GetPixel(15, 15), RGB(0, 0, 255));
  int saved = dc.SaveDC();
  dc.IntersectClipRect(0, 0, 5, 5);
  dc.SetROP2(R2_NOT);
  dc.Rectangle(0, 0, 40, 30);
  dc.RestoreDC(saved);
  EXPECT_EQ(dc.GetROP2(), R2_COPYPEN);
  // Inside the clip the outline and the fill inverted white; outside nothing changed.
  EXPECT_EQ(dc.GetPixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(dc.GetPixel(2, 2), RGB(0, 0, 0));
  EXPECT_EQ(dc.GetPixel(15, 15), RGB(0, 0, 255));
  EXPECT_EQ(dc.GetPixel(39, 29), RGB(255, 255, 255));
  dc.SelectObject(oldPen);
  dc.SelectObject(oldBmp);
}

TEST_F(CdcTest, AttributeHandleAnswersMeasurements) {
  // Output to a metafile, measured on a printer: the report page set-up.
  CDC printer;
  ASSERT_TRUE(printer.CreateDC("WINSPOOL", "Kelt PDF", nullptr, nullptr));
  CMetaFileDC meta;
  CRect frame(0, 0, 21590, 27940);
  ASSERT_TRUE(meta.CreateEnhanced(&printer, nullptr, &frame, "Kelt\0Page\0\0"));
  meta.SetAttribDC(printer.m_hDC);
  meta.SetMapMode(MM_ANISOTROPIC);
  meta.SetWindowExt(32767, 32767);
  meta.SetViewportExt(printer.GetDeviceCaps(HORZRES), printer.GetDeviceCaps(VERTRES));
  EXPECT_EQ(printer.GetMapMode(), MM_ANISOTROPIC);  // changes reach both handles
  EXPECT_EQ(meta.GetWindowExt(), CSize(32767, 32767));
  CFont font;
  LOGFONTA lf{};
  lf.lfHeight = 400;
  std::strcpy(lf.lfFaceName, "Courier New");
  ASSERT_TRUE(font.CreateFontIndirect(&lf));
  CFont* old = meta.SelectObject(&font);
  CSize m = meta.GetTextExtent("M");
  // A 400-unit cell is an em of 343.6; the 0.602 em advance is stretched by 6600/5100.
  EXPECT_NEAR(m.cx, 268, 1);
  TEXTMETRICA tm;
  ASSERT_TRUE(meta.GetTextMetrics(&tm));
  EXPECT_EQ(tm.tmHeight, 400);
  meta.SetTextColor(RGB(1, 2, 3));
  EXPECT_EQ(printer.GetTextColor(), RGB(1, 2, 3));
  meta.TextOut(100, 600, "Line");
  meta.SelectObject(old);
  meta.SetAttribDC(meta.m_hDC);
  HENHMETAFILE emf = meta.CloseEnhanced();
  ASSERT_NE(emf, nullptr);
  EXPECT_EQ(meta.m_hDC, nullptr);
  UINT size = ::GetEnhMetaFileBits(emf, 0, nullptr);
  EXPECT_GT(size, 200u);
  ::DeleteEnhMetaFile(emf);
}

TEST_F(CdcTest, FromHandleWrapsWithoutOwning) {
  HDC h = ::CreateCompatibleDC(nullptr);
  CDC* temp = CDC::FromHandle(h);
  ASSERT_NE(temp, nullptr);
  EXPECT_EQ(temp->GetSafeHdc(), h);
  EXPECT_EQ(CDC::FromHandle(h), temp);
  CDC::DeleteTempMap();
  EXPECT_EQ(::GetDeviceCaps(h, BITSPIXEL), 32);  // still alive
  CDC owner;
  ASSERT_TRUE(owner.Attach(h));
  EXPECT_EQ(CDC::FromHandle(h), &owner);
  EXPECT_EQ(owner.Detach(), h);
  EXPECT_TRUE(::DeleteDC(h));
  CGdiObject* stock = CGdiObject::FromHandle(::GetStockObject(BLACK_BRUSH));
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(stock->GetObjectType(), UINT(OBJ_BRUSH));
  CGdiObject::DeleteTempMap();
  EXPECT_EQ(::GetObjectType(::GetStockObject(BLACK_BRUSH)), DWORD(OBJ_BRUSH));
  CRgn rgn;
  ASSERT_TRUE(rgn.CreateRectRgn(0, 0, 10, 10));
  EXPECT_TRUE(rgn.PtInRegion(5, 5));
  HGDIOBJ handle = rgn.m_hObject;
  { CRgn moved; moved.Attach(rgn.Detach()); }
  EXPECT_EQ(::GetObjectType(handle), 0u);  // deleted with its owner
}

}  // namespace
