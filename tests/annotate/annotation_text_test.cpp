#include "annotate/annotation_text.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

std::string error_of(const std::string& text, void (*read)(TAnnotationTextReader&)) {
  TAnnotationTextReader r(text);
  try {
    read(r);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

void read_int(TAnnotationTextReader& r) { r.ReadInteger(); }
void read_str(TAnnotationTextReader& r) { r.ReadString(); }

}  // namespace

TEST(AnnotationTextWriter, IntegersBooleansAndCountedStrings) {
  TAnnotationTextWriter w;
  w.WriteInteger(200);
  w.WriteInteger(-4);
  w.WriteInteger(0);
  w.WriteInteger(INT_MIN);
  w.WriteBoolean(true);
  w.WriteBoolean(false);
  w.WriteString("a(b)c");
  w.WriteString("");
  EXPECT_EQ(w.Text(), "(200)(-4)(0)(-2147483648)(1)(0)(5)a(b)c(0)");
}

TEST(AnnotationTextWriter, RectAndFontFieldOrder) {
  TAnnotationTextWriter w;
  w.WriteRect(Rect(5, 6, 200, 201));
  TFont f;
  f.SetColor(0x0000FF);
  f.SetName("Arial");
  f.SetSize(12);
  f.SetStyle(fsBold | fsUnderline);
  w.WriteFont(f);
  // Colour, name, size, then italic, underline, strike-out, bold.
  EXPECT_EQ(w.Text(), "(5)(6)(200)(201)(255)(5)Arial(12)(0)(1)(0)(1)");
}

TEST(AnnotationTextReader, ReadsWhatTheWriterWrote) {
  TAnnotationTextWriter w;
  w.WriteInteger(INT_MAX);
  w.WriteInteger(INT_MIN);
  std::string all_bytes;
  for (int i = 0; i < 256; ++i) all_bytes += static_cast<char>(i);
  w.WriteString(all_bytes);
  w.WriteRect(Rect(-3, 4, -5, 6));
  TFont f;
  f.SetColor(-16777201);  // a system colour survives as its signed value
  f.SetName("Liberation Sans");
  f.SetSize(9);
  f.SetStyle(fsItalic | fsStrikeOut);
  w.WriteFont(f);

  TAnnotationTextReader r(w.Text());
  EXPECT_EQ(r.ReadInteger(), INT_MAX);
  EXPECT_EQ(r.ReadInteger(), INT_MIN);
  EXPECT_EQ(r.ReadString(), all_bytes);
  EXPECT_EQ(r.ReadRect(), Rect(-3, 4, -5, 6));
  TFont g;
  g.SetStyle(fsBold);
  r.ReadFont(g);
  EXPECT_EQ(g.Color(), -16777201);
  EXPECT_EQ(g.Name(), "Liberation Sans");
  EXPECT_EQ(g.Size(), 9);
  EXPECT_EQ(g.Style(), fsItalic | fsStrikeOut);  // the old bold is gone
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(r.Position(), w.Text().size());
}

TEST(AnnotationTextReader, BooleansAreAnyNonZeroValue) {
  TAnnotationTextReader r("(0)(1)(-7)(2)");
  EXPECT_FALSE(r.ReadBoolean());
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_TRUE(r.ReadBoolean());
}

TEST(AnnotationTextReader, IntegerErrors) {
  EXPECT_EQ(error_of("", read_int), "Invalid position in ReadInteger");
  EXPECT_EQ(error_of("(", read_int), "Invalid position in ReadInteger");
  EXPECT_EQ(error_of("(12", read_int), "Invalid position in ReadInteger");
  EXPECT_EQ(error_of("12)", read_int), "( expected in ReadInteger");
  EXPECT_EQ(error_of(" (1)", read_int), "( expected in ReadInteger");
  EXPECT_EQ(error_of("(1a)", read_int), "'1a' is not a valid integer value");
  EXPECT_EQ(error_of("()", read_int), "'' is not a valid integer value");
  EXPECT_EQ(error_of("(2147483648)", read_int), "'2147483648' is not a valid integer value");
  EXPECT_EQ(error_of("( 1)", read_int), "' 1' is not a valid integer value");
}

TEST(AnnotationTextReader, StringCountsMustStayInsideTheText) {
  EXPECT_EQ(error_of("(4)abc", read_str), "Invalid position in ReadString");
  // A negative count would step back over bytes already read.
  EXPECT_EQ(error_of("(-3)abc", read_str), "Invalid position in ReadString");
  TAnnotationTextReader r("(3)abc(0)");
  EXPECT_EQ(r.ReadString(), "abc");
  EXPECT_EQ(r.Position(), 6u);
  EXPECT_EQ(r.ReadString(), "");
  EXPECT_TRUE(r.AtEnd());
}

TEST(AnnotationTextReader, FontSizesAreKeptInBounds) {
  TFont f;
  TAnnotationTextReader r("(0)(1)A(-12)(0)(0)(0)(0)(0)(1)A(99999)(0)(0)(0)(0)(0)(1)A(0)(0)(0)(0)(0)");
  r.ReadFont(f);
  EXPECT_EQ(f.Size(), kMinAnnotationFontSize);
  r.ReadFont(f);
  EXPECT_EQ(f.Size(), kMaxAnnotationFontSize);
  r.ReadFont(f);
  EXPECT_EQ(f.Size(), 1);
}

TEST(AnnotationTextReader, StylesComeInAsTheyAreRead) {
  // The text ends after the italic flag: italic is set, the rest of the old style is gone.
  TFont f;
  f.SetStyle(fsBold | fsUnderline);
  TAnnotationTextReader r("(0)(1)A(10)(1)");
  EXPECT_THROW(r.ReadFont(f), Exception);
  EXPECT_EQ(f.Style(), fsItalic);
}
