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
  w.WriteBytes(all_bytes);  // bytes pass unchanged
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
  EXPECT_EQ(r.ReadBytes(), all_bytes);
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

TEST(AnnotationTextReader, StringCountsPastTheEndReadTheShorterString) {
  // The bytes up to the end: the next Integer finds the text ended.
  TAnnotationTextReader past("(4)abc");
  EXPECT_EQ(past.ReadString(), "abc");
  EXPECT_EQ(past.Position(), 6u);
  EXPECT_THROW(past.ReadInteger(), Exception);
  EXPECT_EQ(error_of("(4)abc", read_str), "no error");
  // A negative count reads nothing and does not step back over bytes already read.
  TAnnotationTextReader negative("(-3)(7)");
  EXPECT_EQ(negative.ReadString(), "");
  EXPECT_EQ(negative.Position(), 4u);
  EXPECT_EQ(negative.ReadInteger(), 7);
  TAnnotationTextReader r("(3)abc(0)");
  EXPECT_EQ(r.ReadString(), "abc");
  EXPECT_EQ(r.Position(), 6u);
  EXPECT_EQ(r.ReadString(), "");
  EXPECT_TRUE(r.AtEnd());
}

TEST(AnnotationTextStrings, Windows1252BytesCountedInBytes) {
  TAnnotationTextWriter w;
  w.WriteString("caf\u00E9");
  w.WriteString("\u20AC5 \u6F22\u00A0\u00FF\u0100");  // the euro sign is 0x80; CJK and U+0100 are missing
  w.WriteBytes("\xE9\x80");                              // bytes pass unchanged
  EXPECT_EQ(w.Text(), std::string("(4)caf\xE9") + "(7)\x80" "5 ?\xA0\xFF?" + "(2)\xE9\x80");
  TAnnotationTextReader r(w.Text());
  EXPECT_EQ(r.ReadString(), "caf\u00E9");
  EXPECT_EQ(r.ReadString(), "\u20AC5 ?\u00A0\u00FF?");
  EXPECT_EQ(r.ReadBytes(), "\xE9\x80");
  EXPECT_TRUE(r.AtEnd());
}

TEST(AnnotationTextReader, FontSizesAreKeptAsRead) {
  TFont f;
  TAnnotationTextReader r("(0)(1)A(-12)(0)(0)(0)(0)(0)(1)A(99999)(0)(0)(0)(0)(0)(1)A(0)(0)(0)(0)(0)");
  r.ReadFont(f);
  EXPECT_EQ(f.Size(), -12);
  r.ReadFont(f);
  EXPECT_EQ(f.Size(), 99999);
  r.ReadFont(f);
  EXPECT_EQ(f.Size(), 0);
}

TEST(AnnotationTextReader, StylesComeInAsTheyAreRead) {
  // The text ends after the italic flag: italic is set, the rest of the old style is gone.
  TFont f;
  f.SetStyle(fsBold | fsUnderline);
  TAnnotationTextReader r("(0)(1)A(10)(1)");
  EXPECT_THROW(r.ReadFont(f), Exception);
  EXPECT_EQ(f.Style(), fsItalic);
}
