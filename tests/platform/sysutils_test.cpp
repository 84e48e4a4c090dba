#include <gtest/gtest.h>

#include <cstdint>

#include "platform/classes.hpp"
#include "platform/math.hpp"
#include "platform/sysutils.hpp"
#include "platform/text_codec.hpp"
#include "platform/types.hpp"
#include "common/test_env.hpp"

TEST(Format, PlaceholdersAndErrors) {
  EXPECT_EQ(Format("Frame %d does not exist", {7}), "Frame 7 does not exist");
  EXPECT_EQ(Format("Saving to format %s is not supported", {"PNG"}), "Saving to format PNG is not supported");
  EXPECT_EQ(Format("%5d|%-4s|%.3d|%x|%%", {42, "ab", 7, 255}), "   42|ab  |007|FF|%");
  EXPECT_EQ(Format("%.2f", {1.005L}), "1.00");
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s %s", {"one"}), EConvertError);
}

TEST(Numbers, RoundingRules) {
  EXPECT_EQ(Round(0.5L), 0);
  EXPECT_EQ(Round(1.5L), 2);
  EXPECT_EQ(Round(2.5L), 2);
  EXPECT_EQ(Round(-0.5L), 0);
  EXPECT_EQ(Round(-1.5L), -2);
  EXPECT_EQ(MulDiv(250, 10, 100), 25);
  EXPECT_EQ(MulDiv(5, 10, 100), 1);    // 0.5 goes away from zero
  EXPECT_EQ(MulDiv(-5, 10, 100), -1);
  EXPECT_EQ(MulDiv(15, 10, 100), 2);   // 1.5 -> 2
  EXPECT_EQ(MulDiv(25, 10, 100), 3);   // 2.5 -> 3, not 2
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(Trunc(-2.7L), -2);
}

TEST(Texts, ConversionsAndPositions) {
  EXPECT_EQ(IntToHex(0x4B, 2), "4B");
  EXPECT_EQ(IntToHex(0x52, 6), "000052");
  EXPECT_EQ(FloatToStr(256.0L), "256");
  EXPECT_EQ(FloatToStr(0.25L), "0.25");
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("-12"), -12);
  EXPECT_THROW(StrToInt("12a"), EConvertError);
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_THROW(StrToInt("99999999999"), EConvertError);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_THROW(StrToInt64("-9223372036854775809"), EConvertError);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  // Trimming removes the space and every control character, nothing above the space.
  EXPECT_EQ(Trim("\x1F \x01!\t\x20"), "!");
  EXPECT_EQ(Trim("\xA0\x7F\x21\xA0"), "\xA0\x7F\x21\xA0");
  EXPECT_EQ(Pos("b", "abc"), 2);
  EXPECT_EQ(Pos("z", "abc"), 0);
  EXPECT_EQ(Copy("hex006095", 4, 6), "006095");
  EXPECT_EQ(Copy("abc", 3, 10), "c");
  EXPECT_EQ(Copy("abc", 4, 1), "");
}

TEST(Files, NamesAndSearch) {
  EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
  EXPECT_EQ(ExtractFileExt("x/Tintbox.CSS"), ".CSS");
  EXPECT_EQ(ChangeFileExt("a/b.png", ".bmp"), "a/b.bmp");
  EXPECT_EQ(ExtractFileName("/x/y/z.css"), "z.css");
  EXPECT_EQ(ExtractFilePath("/x/y/z.css"), "/x/y/");
  hw_test::ScratchDir dir;
  for (const char* n : {"b.css", "A.CSS", "c.txt", "d.css.bak"}) {
    TStringList l;
    l.Add(n);
    l.SaveToFile(dir.file(n));
  }
  auto found = FindFiles(dir.path(), "*.css");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], "A.CSS");
  EXPECT_EQ(found[1], "b.css");
}

TEST(TextFiles, Windows1252WithCrLf) {
  hw_test::ScratchDir dir;
  TStringList l;
  l.Add("hex006095\u00B7rgb0,96,149");
  l.Add("\u20AC");
  l.SaveToFile(dir.file("h.dat"));
  std::string bytes = read_file_bytes(dir.file("h.dat"));
  EXPECT_EQ(bytes, std::string("hex006095\xB7rgb0,96,149\r\n\x80\r\n"));
  TStringList back;
  back.LoadFromFile(dir.file("h.dat"));
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back[0], l[0]);
  EXPECT_EQ(back[1], l[1]);
}

TEST(TextFiles, Windows1252AroundItsBoundaries) {
  // U+00A0 .. U+00FF are the bytes of the same value; U+0080 .. U+009F are not in the code page
  // (its 0x80 .. 0x9F hold other characters), nor is U+0100.
  EXPECT_EQ(utf8_to_cp1252("\u009F\u00A0\u00A1\u00FE\u00FF\u0100"), std::string("?\xA0\xA1\xFE\xFF?"));
  EXPECT_EQ(utf8_to_cp1252("\u0080\u20AC\u0178\u017E\u2122"), std::string("?\x80\x9F\x9E\x99"));
  EXPECT_EQ(utf8_to_cp1252("\u007F"), std::string("\x7F"));
  EXPECT_EQ(cp1252_to_utf8("\x9F\xA0\xFF\x7F"), "\u0178\u00A0\u00FF\u007F");
}

TEST(TextFiles, ReadersAcceptEveryLineEndAndUtf8Mark) {
  auto lines = decode_text_lines("a\r\nb\nc\rd");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "d");
  auto utf = decode_text_lines("\xEF\xBB\xBF" "x\xC2\xB7y\r\n");
  ASSERT_EQ(utf.size(), 1u);
  EXPECT_EQ(utf[0], "x\u00B7y");
  EXPECT_TRUE(decode_text_lines("").empty());
  EXPECT_EQ(decode_text_lines("\r\n\r\n").size(), 2u);
}

TEST(TextFiles, PositionsCountCharactersNotBytes) {
  // "h", e acute (two bytes), "x", then six digits: characters 4-9 are the digits.
  const std::string line = "h\u00E9x006095";
  EXPECT_EQ(character_count(line), 9u);
  EXPECT_EQ(copy_characters(line, 4, 6), "006095");
  EXPECT_EQ(copy_characters(line, 2, 1), "\u00E9");
  // Clamped as Copy is; a three-byte and a four-byte character count once each.
  EXPECT_EQ(copy_characters(line, 0, 2), "h\u00E9");
  EXPECT_EQ(copy_characters(line, 8, 10), "95");
  EXPECT_EQ(copy_characters(line, 10, 1), "");
  EXPECT_EQ(copy_characters(line, 3, 0), "");
  EXPECT_EQ(character_count("\u20AC\U0001F600a"), 3u);
  EXPECT_EQ(copy_characters("\u20AC\U0001F600a", 2, 2), "\U0001F600a");
  // A byte that starts no UTF-8 sequence is one character; nothing is read past the end.
  EXPECT_EQ(character_count("a\xE9" "b\x80"), 4u);
  EXPECT_EQ(copy_characters("a\xE9" "b", 2, 1), "\xE9");
  EXPECT_EQ(character_count("\xE2\x82"), 2u);
  // Characters of a Windows-1252 line read back: one per byte of the file.
  const std::vector<std::string> read = decode_text_lines("\xE4\xE9\xF6" "123456\r\n");
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(copy_characters(read[0], 4, 6), "123456");
}

TEST(TextFiles, FailedWriteKeepsTheOldFile) {
  hw_test::ScratchDir dir;
  TStringList l;
  l.Add("old");
  l.SaveToFile(dir.file("keep.dat"));
  TStringList bad;
  bad.Add("new");
  EXPECT_THROW(bad.SaveToFile(dir.file("missing-folder/keep.dat")), EStreamError);
  TStringList back;
  back.LoadFromFile(dir.file("keep.dat"));
  EXPECT_EQ(back[0], "old");
  EXPECT_THROW(back.LoadFromFile(dir.file("nothing-here.dat")), EFOpenError);
}

TEST(Streams, MemoryAndFile) {
  TMemoryStream m;
  m.WriteBuffer("abcdef", 6);
  EXPECT_EQ(m.Size(), 6);
  m.SetPosition(4);
  char buf[4] = {};
  EXPECT_EQ(m.Read(buf, 4), 2);
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  EXPECT_THROW(m.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
  hw_test::ScratchDir dir;
  {
    TFileStream f(dir.file("s.bin"), fmCreate);
    f.CopyFrom(m, 0);
  }
  TFileStream r(dir.file("s.bin"), fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(r.Size(), 6);
  EXPECT_THROW(TFileStream(dir.file("none.bin"), fmOpenRead), EFOpenError);
}

TEST(SystemColors, ResolveThroughTheDefaultTable) {
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC8D0D4);
  EXPECT_EQ(ColorToRGB(clWindowText), 0);
  EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
}
