// The annotations editor's text: what it writes for each kind of mark, and what it makes of
// texts, good and damaged.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "annotate/annotation_text.hpp"
#include "annotate/annotations_editor.hpp"
#include "annotate/mark_picture_text.hpp"
#include "dib_fixture.hpp"

namespace {

std::string error_of(TAnnotationsEditor& e, const std::string& text) {
  try {
    e.LoadFromString(text);
  } catch (const Exception& x) {
    return x.Message();
  }
  return "no error";
}

// Builds one mark of every kind with settings away from the defaults.
void fill_all_kinds(TAnnotationsEditor& e) {
  TStickNoteMark* note = e.AddStickNote();
  note->SetMarkRect(Rect(10, 20, 110, 120));
  note->SetText("Hi (there)");
  note->Font().SetColor(clRed);
  note->Font().SetStyle(fsBold);
  TRectangleMark* rect = e.AddRectangle();
  rect->SetMarkRect(Rect(5, 5, 200, 200));
  rect->SetFilled(false);
  rect->SetLineSize(7);
  TLineMark* line = e.AddLine();
  line->SetMarkRect(Rect(0, 0, 50, 60));
  line->SetVisible(false);
  line->SetLineSize(3);
  line->SetOrientation(loBLTR);
  TMultiLineMark* poly = e.AddMultiLine();
  poly->SetMarkRect(Rect(1, 1, 9, 9));
  poly->AddPoint(Point(1, 2));
  TTextMark* text = e.AddText();
  text->SetMarkRect(Rect(-4, 3, 400, 100));
  text->SetText(std::string("two\r\nlines\t)(\0x", 15));
  text->SetColor(clWhite);
  text->Font().SetName("Liberation Sans");
  text->Font().SetSize(20);
  text->Font().SetColor(0x123456);
  text->Font().SetStyle(fsItalic | fsUnderline | fsStrikeOut);
}

const std::string kAllKindsText =
    "(4)"
    "(1)(10)(20)(110)(120)(1)(65535)(10)Hi (there)(255)(5)Arial(12)(0)(0)(0)(1)"
    "(2)(5)(5)(200)(200)(1)(65280)(1)(0)(7)"
    "(3)(0)(0)(50)(60)(0)(8388608)(3)(3)"
    "(4)(-4)(3)(400)(100)(1)(16777215)" +
    std::string("(15)two\r\nlines\t)(\0x", 19) + "(1193046)(15)Liberation Sans(20)(1)(1)(1)(0)";

}  // namespace

TEST(AnnotationText, ADefaultRectangleAlone) {
  TAnnotationsEditor e(nullptr);
  e.AddRectangle()->SetMarkRect(Rect(5, 5, 200, 200));
  EXPECT_EQ(e.SaveToString(), "(1)(2)(5)(5)(200)(200)(1)(65280)(1)(1)(4)");
}

TEST(AnnotationText, EmptyEditorsAndEmptyTexts) {
  TAnnotationsEditor e(nullptr);
  EXPECT_EQ(e.SaveToString(), "");
  e.AddRectangle();
  e.LoadFromString("");
  EXPECT_EQ(e.Count(), 0);
  e.AddRectangle();
  e.LoadFromString("(0)");
  EXPECT_EQ(e.Count(), 0);
  // Polylines have no kind in the text: an editor holding only polylines saves nothing.
  e.AddMultiLine();
  EXPECT_EQ(e.SaveToString(), "");
}

TEST(AnnotationText, EveryKindIsWrittenInItsFieldOrderAndPolylinesAreLeftOut) {
  TAnnotationsEditor e(nullptr);
  fill_all_kinds(e);
  EXPECT_EQ(e.SaveToString(), kAllKindsText);
}

TEST(AnnotationText, ReadingGivesBackEveryFieldAndTheSameText) {
  TAnnotationsEditor e(nullptr);
  e.LoadFromString(kAllKindsText);
  ASSERT_EQ(e.Count(), 4);
  auto* note = dynamic_cast<TStickNoteMark*>(e.Marks(0));
  auto* rect = dynamic_cast<TRectangleMark*>(e.Marks(1));
  auto* line = dynamic_cast<TLineMark*>(e.Marks(2));
  auto* text = dynamic_cast<TTextMark*>(e.Marks(3));
  ASSERT_TRUE(note && rect && line && text);
  EXPECT_EQ(note->MarkRect(), Rect(10, 20, 110, 120));
  EXPECT_EQ(note->Text(), "Hi (there)");
  EXPECT_EQ(note->Font().Color(), clRed);
  EXPECT_EQ(note->Font().Style(), fsBold);
  EXPECT_FALSE(rect->Filled());
  EXPECT_TRUE(rect->HightLight());
  EXPECT_EQ(rect->LineSize(), 7);
  EXPECT_FALSE(line->Visible());
  EXPECT_EQ(line->Orientation(), loBLTR);
  EXPECT_EQ(line->LineSize(), 3);
  EXPECT_EQ(line->Color(), clNavy);
  EXPECT_EQ(text->Text(), std::string("two\r\nlines\t)(\0x", 15));
  EXPECT_EQ(text->Color(), clWhite);
  EXPECT_EQ(text->Font().Name(), "Liberation Sans");
  EXPECT_EQ(text->Font().Style(), fsItalic | fsUnderline | fsStrikeOut);
  EXPECT_EQ(e.SaveToString(), kAllKindsText);
}

TEST(AnnotationText, ReadMarksAreClampedAndPlacedLikeAddedOnes) {
  TAnnotationsEditor e(nullptr);
  e.SetDisplayRect(Rect(0, 0, 100, 100));
  e.SetZoomFactor(200);
  e.LoadFromString("(1)(2)(-5)(10)(150)(60)(1)(255)(0)(1)(2)");
  ASSERT_EQ(e.Count(), 1);
  EXPECT_EQ(e.Marks(0)->MarkRect(), Rect(0, 10, 100, 60));
  EXPECT_EQ(e.Marks(0)->BoundsRect(), Rect(0, 20, 200, 120));
  EXPECT_EQ(e.Marks(0)->Color(), clRed);
}

TEST(AnnotationText, UnknownKindsTakeOnlyTheirKind) {
  TAnnotationsEditor e(nullptr);
  e.LoadFromString("(3)(6)(0)(2)(5)(5)(200)(200)(1)(65280)(1)(1)(4)");
  ASSERT_EQ(e.Count(), 1);
  EXPECT_NE(dynamic_cast<TRectangleMark*>(e.Marks(0)), nullptr);
}

TEST(AnnotationText, DamagedTextsRaiseClearErrorsAndKeepWhatWasRead) {
  TAnnotationsEditor e(nullptr);
  e.AddLine();
  EXPECT_EQ(error_of(e, "2)"), "( expected in ReadInteger");
  EXPECT_EQ(e.Count(), 0);  // emptied before reading
  EXPECT_EQ(error_of(e, "(2)(2)(5)(5)(200)(200)(1)(65280)(1)(1)(4)(3)(0)(0)(50)"),
            "Invalid position in ReadInteger");
  ASSERT_EQ(e.Count(), 2);  // the rectangle and the line begun
  EXPECT_EQ(e.Marks(0)->MarkRect(), Rect(5, 5, 200, 200));
  EXPECT_EQ(error_of(e, "(1)(2)(5)(5)(x)(200)(1)(65280)(1)(1)(4)"), "'x' is not a valid integer value");
  // A String count past the end reads the shorter text; the font after it finds the end.
  EXPECT_EQ(error_of(e, "(1)(1)(1)(1)(9)(9)(1)(0)(40)short"), "Invalid position in ReadInteger");
  ASSERT_EQ(e.Count(), 1);
  EXPECT_EQ(static_cast<TStickNoteMark*>(e.Marks(0))->Text(), "short");
  // A negative count reads nothing and the font is read from where the count ended.
  EXPECT_EQ(error_of(e, "(1)(4)(1)(1)(9)(9)(1)(0)(-2)ab(0)(1)A(8)(0)(0)(0)(0)"), "( expected in ReadInteger");
  EXPECT_EQ(error_of(e, "(1)(4)(1)(1)(9)(9)(1)(0)(-2)(255)(1)A(8)(0)(0)(0)(0)"), "no error");
  ASSERT_EQ(e.Count(), 1);
  EXPECT_EQ(static_cast<TTextMark*>(e.Marks(0))->Text(), "");
  EXPECT_EQ(static_cast<TTextMark*>(e.Marks(0))->Font().Color(), 255);
  // An orientation outside 0-3 goes through the setter (a byte) and is written back as such.
  EXPECT_EQ(error_of(e, "(1)(3)(0)(0)(50)(60)(1)(0)(3)(4)"), "no error");
  ASSERT_EQ(e.Count(), 1);
  EXPECT_EQ(static_cast<int>(static_cast<TLineMark*>(e.Marks(0))->Orientation()), 4);
  EXPECT_EQ(e.SaveToString(), "(1)(3)(0)(0)(50)(60)(1)(0)(3)(4)");
}

TEST(AnnotationText, MarkCountsReadWhatTheTextHolds) {
  TAnnotationsEditor e(nullptr);
  // A count of 0 or less reads nothing.
  EXPECT_EQ(error_of(e, "(-1)"), "no error");
  EXPECT_EQ(error_of(e, "(-1)(2)(5)(5)(200)(200)(1)(65280)(1)(1)(4)"), "no error");
  EXPECT_EQ(e.Count(), 0);
  EXPECT_EQ(error_of(e, "(4)(0)(0)(0)(0)"), "no error");
  // A count beyond the records ends in the position error; the marks read stay.
  EXPECT_EQ(error_of(e, "(5)(0)(0)(0)(0)"), "Invalid position in ReadInteger");
  EXPECT_EQ(error_of(e, "(2000000000)(0)"), "Invalid position in ReadInteger");
  EXPECT_EQ(error_of(e, "(3)(2)(5)(5)(200)(200)(1)(65280)(1)(1)(4)"), "Invalid position in ReadInteger");
  ASSERT_EQ(e.Count(), 1);
  EXPECT_EQ(e.Marks(0)->MarkRect(), Rect(5, 5, 200, 200));
}

TEST(AnnotationText, FontSizesAreKeptAndPenSizesKeptSane) {
  TAnnotationsEditor e(nullptr);
  e.LoadFromString("(2)(4)(0)(0)(9)(9)(1)(0)(1)x(0)(1)A(-50)(0)(0)(0)(0)"
                   "(2)(0)(0)(9)(9)(1)(0)(0)(0)(2000000000)");
  ASSERT_EQ(e.Count(), 2);
  EXPECT_EQ(static_cast<TTextMark*>(e.Marks(0))->Font().Size(), -50);
  EXPECT_EQ(static_cast<TRectangleMark*>(e.Marks(1))->LineSize(), kMaxMarkLineSize);
}

TEST(AnnotationText, TextsAreWindows1252Bytes) {
  TAnnotationsEditor e(nullptr);
  TTextMark* text = e.AddText();
  text->SetMarkRect(Rect(0, 0, 9, 9));
  text->SetText("caf\u00E9 \u20AC \u6F22");
  text->Font().SetName("Caf\u00E9 Sans");
  const std::string saved = e.SaveToString();
  EXPECT_EQ(saved, std::string("(1)(4)(0)(0)(9)(9)(1)(65535)(8)caf\xE9 \x80 ?(-16777208)(9)Caf\xE9 Sans(12)(0)(0)(0)(0)"));
  TAnnotationsEditor back(nullptr);
  back.LoadFromString(saved);
  ASSERT_EQ(back.Count(), 1);
  auto* read = static_cast<TTextMark*>(back.Marks(0));
  EXPECT_EQ(read->Text(), "caf\u00E9 \u20AC ?");
  EXPECT_EQ(read->Font().Name(), "Caf\u00E9 Sans");
}

// ---------------------------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------------------------
TEST(AnnotationText, PictureHeadersMustFitTheirText) {
  std::int64_t w = 0, h = 0;
  ASSERT_TRUE(ReadPnmHeaderSize("P3\n# comment 99 99\n 12\t34\n255\n", w, h));
  EXPECT_EQ(w, 12);
  EXPECT_EQ(h, 34);
  EXPECT_FALSE(ReadPnmHeaderSize("P7 1 1", w, h));
  EXPECT_FALSE(ReadPnmHeaderSize("P3 12", w, h));
  EXPECT_FALSE(ReadPnmHeaderSize("", w, h));
  EXPECT_FALSE(ReadPnmHeaderSize("P3 99999999999999999999 2", w, h));
  // A comment ends at LF only, as the PPM reader reads it: CR does not end it.
  ASSERT_TRUE(ReadPnmHeaderSize("P4\n#\r1 1\n70000 1\n", w, h));
  EXPECT_EQ(w, 70000);
  EXPECT_EQ(h, 1);
  ASSERT_TRUE(ReadPnmHeaderSize("P1\nx2 -3\n", w, h));  // stray bytes before a number are passed over
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 3);
  // At least one bit of text per pixel.
  EXPECT_TRUE(PnmSizeFitsText(8, 10, 10));
  EXPECT_FALSE(PnmSizeFitsText(9, 10, 10));
  EXPECT_FALSE(PnmSizeFitsText(0, 10, 1000));
  EXPECT_FALSE(PnmSizeFitsText(70000, 1, 1 << 20));
  EXPECT_FALSE(PnmSizeFitsText(20000, 20000, std::size_t{1} << 30));  // beyond 2^28 pixels
}

TEST(AnnotationText, APictureTravelsAsAsciiPpmText) {
  TAnnotationsEditor e(nullptr);
  TImageMark* m = e.AddImage();
  m->SetMarkRect(Rect(10, 10, 200, 200));
  m->SetTransparent(true);
  const std::uint32_t colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  m->SetDIBHandle(hw_test::make_dib24(2, 2, [&](int x, int y) { return colours[y * 2 + x]; }));
  const std::string ppm =
      "P3\n# Created By Zurorove Image Library\n2 2\n255\n255 0 0 0 255 0 0 0 255 255 255 255\n";
  const std::string expected = "(1)(5)(10)(10)(200)(200)(1)(0)(1)(1)(" + std::to_string(ppm.size()) + ")(" +
                               std::to_string(ppm.size()) + ")" + ppm;
  const std::string text = e.SaveToString();
  EXPECT_EQ(text, expected);

  TAnnotationsEditor back(nullptr);
  back.LoadFromString(text);
  ASSERT_EQ(back.Count(), 1);
  auto* image = dynamic_cast<TImageMark*>(back.Marks(0));
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->Transparent());
  ASSERT_NE(image->DIBHandle(), nullptr);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(hw_test::dib24_pixel(image->DIBHandle(), i % 2, i / 2), colours[i]) << i;
  EXPECT_EQ(back.SaveToString(), text);

  // Without a picture only the two flags are written.
  e.Marks(0)->SetColor(clRed);
  static_cast<TImageMark*>(e.Marks(0))->SetDIBHandle(nullptr);
  EXPECT_EQ(e.SaveToString(), "(1)(5)(10)(10)(200)(200)(1)(255)(1)(0)");
}

TEST(AnnotationText, DamagedPictureRecords) {
  TAnnotationsEditor e(nullptr);
  const std::string head = "(1)(5)(0)(0)(9)(9)(1)(0)(0)(1)";
  // A String shorter than the picture's size raises the position error; a longer one is
  // read whole.
  EXPECT_EQ(error_of(e, head + "(5)(4)P1 1"), "Invalid position in ReadInteger");
  EXPECT_EQ(error_of(e, head + "(3)(9)P1\n1 1\n1\n"), "no error");
  ASSERT_EQ(e.Count(), 1);
  EXPECT_NE(static_cast<TImageMark*>(e.Marks(0))->DIBHandle(), nullptr);
  // A header asking for a picture its text could never describe.
  const std::string huge = "P3 60000 60000 255 0 0 0";
  EXPECT_EQ(error_of(e, head + "(" + std::to_string(huge.size()) + ")(" + std::to_string(huge.size()) + ")" + huge),
            "Invalid picture in annotation text");
  EXPECT_EQ(error_of(e, head + "(3)(3)abc"), "Invalid picture in annotation text");
  EXPECT_EQ(e.Count(), 1);  // the mark read up to the picture stays, without one
  EXPECT_EQ(static_cast<TImageMark*>(e.Marks(0))->DIBHandle(), nullptr);
}

namespace {

// An annotation text of one transparent image mark whose picture is `pnm`.
std::string image_record(const std::string& pnm) {
  const std::string n = std::to_string(pnm.size());
  return "(1)(5)(10)(10)(200)(200)(1)(0)(1)(1)(" + n + ")(" + n + ")" + pnm;
}

}  // namespace

TEST(AnnotationText, WhatLoadsSavesToTextThatLoadsTheSame) {
  // A record whose picture comment ends in CR: the size check took "1 1" for the size while the
  // reader made a picture of 70000 x 1, which saved as 140 KB of text that no longer loaded, so
  // every mark was lost at the next load. It is refused at once now.
  const std::string cr = "P4\n#\r1 1\n70000 1\n" + std::string(8750, '\0');
  TAnnotationsEditor e(nullptr);
  EXPECT_EQ(error_of(e, image_record(cr)), "Invalid picture in annotation text");

  // Whatever loads, saves to text that loads again into the same marks and pictures.
  struct picture {
    std::string pnm;
    int width, height;  // as read by hand
  };
  const std::vector<picture> pictures = {
      {"P4\n#\r\n3 2\n\xA0\x40", 3, 2},           // comment ended by CR LF
      {"P1\nx2 -3\n1 0 0 1 1 1\n", 2, 3},          // stray bytes before the numbers
      {"P2\n2#c\n1\n9\n9 0\n", 2, 1},              // "#" right after a number only ends it
      {"P5 2 1 65535 \x12\x34\xFF\xFF", 2, 1},      // 16-bit grey
      {"P6\n1 1\n255\n\x10\x20\x30", 1, 1},
      {"P3\n# c\r\n1 1\n255\n1 2 3\n", 1, 1},
  };
  for (const picture& p : pictures) {
    SCOPED_TRACE(p.pnm);
    TAnnotationsEditor first(nullptr);
    ASSERT_EQ(error_of(first, image_record(p.pnm)), "no error");
    ASSERT_EQ(first.Count(), 1);
    const auto* mark = static_cast<TImageMark*>(first.Marks(0));
    ASSERT_NE(mark->DIBHandle(), nullptr);
    const auto* h0 = static_cast<const BITMAPINFOHEADER*>(GlobalLock(mark->DIBHandle()));
    EXPECT_EQ(h0->biWidth, p.width);
    EXPECT_EQ(std::abs(h0->biHeight), p.height);
    GlobalUnlock(mark->DIBHandle());
    const std::string saved = first.SaveToString();
    TAnnotationsEditor second(nullptr);
    ASSERT_EQ(error_of(second, saved), "no error");
    ASSERT_EQ(second.Count(), 1);
    const auto* again = static_cast<TImageMark*>(second.Marks(0));
    ASSERT_NE(again->DIBHandle(), nullptr);
    const auto* h1 = static_cast<const BITMAPINFOHEADER*>(GlobalLock(mark->DIBHandle()));
    const auto* h2 = static_cast<const BITMAPINFOHEADER*>(GlobalLock(again->DIBHandle()));
    EXPECT_EQ(h2->biWidth, h1->biWidth);
    EXPECT_EQ(h2->biHeight, h1->biHeight);
    GlobalUnlock(again->DIBHandle());
    GlobalUnlock(mark->DIBHandle());
    EXPECT_EQ(second.SaveToString(), saved);
  }
}
