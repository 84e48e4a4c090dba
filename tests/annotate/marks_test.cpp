// The marks' pictures: each kind's bitmap, drawing onto a canvas, burning in, and painting.
#include <gtest/gtest.h>

#include <memory>

#include "annotate/annotations_editor.hpp"
#include "dib_fixture.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"

namespace {

TColor px(TBitmap& b, int x, int y) { return b.Canvas()->Pixels(x, y); }

// A picture of w x h filled with one colour.
std::unique_ptr<TBitmap> picture(int w, int h, TColor fill) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(w, h);
  b->Canvas()->Brush().SetColor(fill);
  b->Canvas()->FillRect(Rect(0, 0, w, h));
  return b;
}

struct Marks {
  TAnnotationsEditor editor{nullptr};
  Marks() {
    editor.SetZoomFactor(100);
    editor.SetDisplayResolution(96);
  }
};

}  // namespace

TEST(MarkPictures, AFilledRectangleIsOpaqueColourOfTheInclusiveSize) {
  Marks m;
  TRectangleMark* r = m.editor.AddRectangle();
  r->SetMarkRect(Rect(5, 5, 200, 100));
  auto b = r->CreateBitmap();
  EXPECT_EQ(b->Width(), 196);
  EXPECT_EQ(b->Height(), 96);
  EXPECT_FALSE(b->Transparent());
  EXPECT_EQ(px(*b, 0, 0), clLime);
  EXPECT_EQ(px(*b, 195, 95), clLime);
  EXPECT_EQ(px(*b, 90, 40), clLime);
}

TEST(MarkPictures, AnOutlinedRectangleKeysItsInsideOut) {
  Marks m;
  TRectangleMark* r = m.editor.AddRectangle();
  r->SetMarkRect(Rect(0, 0, 39, 29));
  r->SetFilled(false);
  r->SetLineSize(1);
  r->SetColor(clRed);
  auto b = r->CreateBitmap();
  EXPECT_TRUE(b->Transparent());
  EXPECT_EQ(b->TransparentColor(), clWhite);
  EXPECT_EQ(px(*b, 0, 0), clRed);
  EXPECT_EQ(px(*b, 20, 0), clRed);
  EXPECT_EQ(px(*b, 39, 15), clRed);
  EXPECT_EQ(px(*b, 20, 15), clWhite);
  // A white rectangle keys on black instead.
  r->SetColor(clWhite);
  auto w = r->CreateBitmap();
  EXPECT_EQ(w->TransparentColor(), clBlack);
  EXPECT_EQ(px(*w, 20, 15), clBlack);
  EXPECT_EQ(px(*w, 0, 15), clWhite);
}

TEST(MarkPictures, HighlightsTintAndPlainFillsCover) {
  Marks m;
  TRectangleMark* r = m.editor.AddRectangle();
  r->SetMarkRect(Rect(10, 10, 29, 29));  // 20 x 20 bitmap over 19 x 19 bounds
  auto pic = picture(50, 50, 0x808080);
  m.editor.BurnIn(*pic->Canvas());
  EXPECT_EQ(px(*pic, 15, 15), 0x008000);  // grey AND lime
  EXPECT_EQ(px(*pic, 5, 5), 0x808080);
  EXPECT_EQ(px(*pic, 29, 29), 0x808080);  // bounds end before Right
  r->SetHightLight(false);
  auto pic2 = picture(50, 50, 0x808080);
  m.editor.BurnIn(*pic2->Canvas());
  EXPECT_EQ(px(*pic2, 15, 15), clLime);
}

TEST(MarkPictures, LinesAlongAnEdgeKeepClearOfTheFrame) {
  Marks m;
  TLineMark* l = m.editor.AddLine();
  l->SetMarkRect(Rect(0, 0, 40, 30));
  l->SetLineSize(1);
  l->SetOrientation(loTop);
  auto b = l->CreateBitmap();
  EXPECT_EQ(px(*b, 20, 5), clNavy);  // 5 pixels in without a frame
  EXPECT_EQ(px(*b, 20, 4), clWhite);
  EXPECT_EQ(px(*b, 20, 6), clWhite);
  l->SetOrientation(loRight);
  b = l->CreateBitmap();
  EXPECT_EQ(px(*b, 41 - 5, 10), clNavy);  // the bitmap is 41 wide: Right = 41
  m.editor.SetEditMode(true);
  l->ControlResizer()->SetBoxSize(9);
  l->SetOrientation(loTop);
  b = l->CreateBitmap();
  EXPECT_EQ(px(*b, 20, 9), clNavy);
  EXPECT_EQ(px(*b, 20, 5), clWhite);
}

TEST(MarkPictures, DiagonalLines) {
  Marks m;
  TLineMark* l = m.editor.AddLine();
  l->SetMarkRect(Rect(0, 0, 20, 20));
  l->SetLineSize(1);
  auto b = l->CreateBitmap();
  EXPECT_EQ(px(*b, 10, 10), clNavy);
  EXPECT_EQ(px(*b, 10, 2), clWhite);
  l->SetOrientation(loBLTR);
  b = l->CreateBitmap();
  EXPECT_EQ(px(*b, 10, 11), clNavy);  // from (0, 21) to (21, 0)
  EXPECT_EQ(px(*b, 10, 10) == clNavy || px(*b, 11, 10) == clNavy, true);
  EXPECT_EQ(px(*b, 3, 3), clWhite);
}

TEST(MarkPictures, PolylinesDrawThroughTheirPoints) {
  Marks m;
  TMultiLineMark* p = m.editor.AddMultiLine();
  p->SetMarkRect(Rect(0, 0, 30, 30));
  p->SetLineSize(1);
  p->SetColor(clRed);
  p->AddPoint(Point(2, 2));
  p->AddPoint(Point(20, 2));
  p->AddPoint(Point(20, 25));
  auto b = p->CreateBitmap();
  EXPECT_EQ(px(*b, 10, 2), clRed);
  EXPECT_EQ(px(*b, 20, 12), clRed);
  EXPECT_EQ(px(*b, 10, 12), clWhite);
  EXPECT_TRUE(b->Transparent());
}

TEST(MarkPictures, AStickyNoteHasItsShadowAndAGreyKey) {
  Marks m;
  TStickNoteMark* n = m.editor.AddStickNote();
  n->SetMarkRect(Rect(0, 0, 199, 99));  // 200 x 100: shadow of Round(200 * 0.025) = 5
  n->SetText("");
  auto b = n->CreateBitmap();
  EXPECT_EQ(b->TransparentColor(), clGray);
  EXPECT_TRUE(b->Transparent());
  EXPECT_EQ(px(*b, 10, 10), clYellow);
  EXPECT_EQ(px(*b, 194, 94), clYellow);
  EXPECT_EQ(px(*b, 196, 96), clBlack);  // the shadow
  EXPECT_EQ(px(*b, 196, 2), clGray);    // above the shadow: keyed out
  EXPECT_EQ(px(*b, 2, 97), clGray);
  // Up to 100 % the key leaves the last column and row as the bitmap came; above, it covers them.
  EXPECT_NE(px(*b, 199, 0), clGray);
  EXPECT_NE(px(*b, 0, 99), clGray);
  m.editor.SetZoomFactor(100.5);
  b = n->CreateBitmap();
  EXPECT_EQ(px(*b, 199, 0), clGray);
  EXPECT_EQ(px(*b, 0, 99), clGray);
  m.editor.SetZoomFactor(100);
  // A grey note keys on white.
  n->SetColor(clGray);
  b = n->CreateBitmap();
  EXPECT_EQ(b->TransparentColor(), clWhite);
  EXPECT_EQ(px(*b, 196, 2), clWhite);
}

TEST(MarkPictures, NotesAndTextsWriteTheirText) {
  Marks m;
  TTextMark* t = m.editor.AddText();
  t->SetMarkRect(Rect(0, 0, 199, 49));
  t->SetText("WWWW WWWW");
  t->Font().SetColor(clRed);
  t->SetColor(clBlue);  // only chooses the key
  auto b = t->CreateBitmap();
  int red = 0, other = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 200; ++x) {
      TColor c = px(*b, x, y);
      if (c == clRed) ++red;
      else if (c != clWhite) ++other;
    }
  EXPECT_GT(red, 50);
  EXPECT_EQ(px(*b, 190, 45), clWhite);
  EXPECT_EQ(b->TransparentColor(), clWhite);

  TStickNoteMark* n = m.editor.AddStickNote();
  n->SetMarkRect(Rect(0, 0, 199, 99));
  n->SetText("XXXXXXXX");
  n->Font().SetColor(clBlack);
  auto nb = n->CreateBitmap();
  int dark = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 150; ++x)
      if (px(*nb, x, y) == clBlack) ++dark;
  EXPECT_GT(dark, 50);

  // A size from a text far beyond any screen, either way, still draws.
  for (TGenericMark* mark : {static_cast<TGenericMark*>(t), static_cast<TGenericMark*>(n)}) {
    TFont& font = mark == t ? t->Font() : n->Font();
    font.SetSize(2000000000);
    auto huge = mark->CreateBitmap();
    EXPECT_EQ(huge->Width(), 200);
    font.SetSize(-2000000000);
    huge = mark->CreateBitmap();
    EXPECT_EQ(huge->Width(), 200);
  }
}

TEST(MarkPictures, ImageMarksShowTheirPictureOrTheirColour) {
  Marks m;
  TImageMark* i = m.editor.AddImage();
  i->SetMarkRect(Rect(0, 0, 9, 9));
  i->SetColor(clRed);
  auto b = i->CreateBitmap();
  EXPECT_EQ(b->Width(), 10);
  EXPECT_EQ(px(*b, 0, 0), clRed);
  EXPECT_EQ(px(*b, 8, 8), clRed);
  EXPECT_EQ(px(*b, 9, 5), clWhite);  // the last column and row stay blank
  const std::uint32_t colours[6] = {0x0000FF, 0x00FF00, 0xFF0000, 0x123456, 0x000000, 0xFFFFFF};
  i->SetDIBHandle(hw_test::make_dib24(3, 2, [&](int x, int y) { return colours[y * 3 + x]; }));
  b = i->CreateBitmap();
  ASSERT_EQ(b->Width(), 3);  // the picture's own size
  ASSERT_EQ(b->Height(), 2);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(static_cast<std::uint32_t>(px(*b, k % 3, k / 3)), colours[k]) << k;
  EXPECT_FALSE(b->Transparent());
  i->SetTransparent(true);
  EXPECT_TRUE(i->CreateBitmap()->Transparent());
  // Burnt in at twice the size, transparent on its bottom-left pixel (0x123456).
  m.editor.SetZoomFactor(200);
  auto pic = picture(20, 20, 0x808080);
  m.editor.BurnIn(*pic->Canvas());
  // 3 x 2 over 18 x 18: each picture pixel covers 6 x 9.
  EXPECT_EQ(px(*pic, 0, 0), 0x0000FF);
  EXPECT_EQ(px(*pic, 13, 1), 0xFF0000);
  EXPECT_EQ(px(*pic, 2, 12), 0x808080);  // keyed out
  EXPECT_EQ(px(*pic, 7, 12), 0x000000);
  EXPECT_EQ(px(*pic, 14, 12), 0xFFFFFF);
  EXPECT_EQ(px(*pic, 18, 5), 0x808080);  // beyond the bounds
}

TEST(MarkPictures, MarksWithoutAreaDrawNothing) {
  Marks m;
  TRectangleMark* r = m.editor.AddRectangle();
  r->SetMarkRect(Rect(10, 10, 5, 20));  // right of left: no width
  TTextMark* t = m.editor.AddText();
  t->SetMarkRect(Rect(3, 3, 3, 3));  // a one-pixel bitmap over empty bounds
  TLineMark* l = m.editor.AddLine();
  l->SetMarkRect(Rect(0, 0, 100000, 100000));  // far too large to draw
  auto pic = picture(30, 30, 0x808080);
  EXPECT_NO_THROW(m.editor.BurnIn(*pic->Canvas()));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(px(*pic, x, y), 0x808080) << x << "," << y;
}

TEST(MarkPictures, MarksPaintOverTheSurfaceAtTheirZoom) {
  TForm form(nullptr);
  form.SetBounds(40, 40, 300, 200);
  form.SetColor(clWhite);
  TAnnotationsEditor e(nullptr);
  e.SetDisplaySurface(&form);
  e.SetZoomFactor(200);
  TRectangleMark* r = e.AddRectangle();
  r->SetHightLight(false);
  r->SetMarkRect(Rect(10, 10, 30, 20));  // on screen (20, 20) .. (60, 40)
  TLineMark* l = e.AddLine();
  l->SetMarkRect(Rect(80, 10, 120, 50));
  form.Show();
  flush_paints();
  auto at = [&](int x, int y) {
    TPoint p = form.ClientToScreen(Point(x, y));
    return GetScreenPixel(p.X, p.Y);
  };
  EXPECT_EQ(at(25, 25), 0x00FF00u);
  EXPECT_EQ(at(59, 39), 0x00FF00u);
  EXPECT_EQ(at(61, 25), 0xFFFFFFu);
  // The line's keyed parts let the window show through.
  EXPECT_EQ(at(230, 100), 0xFFFFFFu);
  EXPECT_EQ(at(200, 60), 0x800000u);  // on the diagonal
}
