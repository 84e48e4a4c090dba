#include <gtest/gtest.h>

#include "common/test_env.hpp"
#include "platform/text_codec.hpp"
#include "storage/css_palette_file.hpp"

namespace {

CssSlotBlock block(int slot, const std::string& c) {
  // Distinct texts per cell so that the order of the lines shows.
  std::string s(c);
  return CssSlotBlock{slot, s, "D" + s.substr(1), "L" + s.substr(1), "N" + s.substr(1), "C" + s.substr(1), "M" + s.substr(1)};
}

}  // namespace

TEST(CssPaletteFile, OneSlotFileByteForByte) {
  hw_test::ScratchDir dir;
  auto lines = css_palette_lines(CssFileKind::OneSlot, {block(1, "006095")});
  write_css_palette_file(dir.file("t.css"), lines);
  const std::string expected =
      "/* CSS - Cascading Style Sheet */\r\n"
      " \r\n"
      ".color-primary-0 { color: #006095 }\t/* primary color */ \r\n"
      ".color-primary-0 { color: #D06095 }\t/* primary dark color */ \r\n"
      ".color-primary-0 { color: #L06095 }\t/* primary light color */ \r\n"
      ".color-primary-0 { color: #N06095 }\t/* analogic/triadic of primary color */ \r\n"
      ".color-primary-0 { color: #C06095 }\t/* complimentary of primary color */ \r\n"
      ".color-primary-0 { color: #M06095 }\t/* analogic/triadic of primary color */ \r\n"
      " \r\n"
      "/* palette made with Tintgrabber, \xA9 Huewright */\r\n"
      "/* more palettes and help: https://huewright.org/ */\r\n";
  EXPECT_EQ(read_file_bytes(dir.file("t.css")), expected);
}

TEST(CssPaletteFile, LineLengthsAndCommentsByWriterAndSlot) {
  auto one = css_palette_lines(CssFileKind::OneSlot, {block(2, "112233")});
  auto all = css_palette_lines(CssFileKind::AllSlots, {block(1, "112233")});
  ASSERT_EQ(one.size(), 11u);
  ASSERT_EQ(all.size(), 11u);
  EXPECT_EQ(one[2].size(), 56u);  // a primary line
  EXPECT_NE(all[6].find("complementary"), std::string::npos);
  EXPECT_NE(all[7].find("triadic200"), std::string::npos);
  EXPECT_NE(one[6].find("complimentary"), std::string::npos);
  EXPECT_NE(one[7].find("triadic200"), std::string::npos);  // slot 2 of a one-slot file
  auto one1 = css_palette_lines(CssFileKind::OneSlot, {block(1, "112233")});
  EXPECT_NE(one1[7].find("analogic/triadic"), std::string::npos);
  // Comment texts with " }" and the tab: 23, 28, 29, 43, 40 (complementary), 37 (triadic200).
  auto tail = [](const std::string& l) { return l.size() - 33; };
  EXPECT_EQ(tail(all[2]), 23u);
  EXPECT_EQ(tail(all[3]), 28u);
  EXPECT_EQ(tail(all[4]), 29u);
  EXPECT_EQ(tail(all[5]), 43u);
  EXPECT_EQ(tail(all[6]), 40u);
  EXPECT_EQ(tail(one[6]), 40u);
  EXPECT_EQ(tail(all[7]), 37u);
  // Which slots name their sixth line a triad differs between the writers: slots 1 and 10 of
  // the whole palette, slots 2, 6 and 11 of a one-slot file.
  for (int slot = 1; slot <= 16; ++slot) {
    const auto all_k = css_palette_lines(CssFileKind::AllSlots, {block(slot, "112233")});
    const auto one_k = css_palette_lines(CssFileKind::OneSlot, {block(slot, "112233")});
    EXPECT_EQ(all_k[7].find("triadic200") != std::string::npos, slot == 1 || slot == 10) << slot;
    EXPECT_EQ(one_k[7].find("triadic200") != std::string::npos, slot == 2 || slot == 6 || slot == 11) << slot;
  }
  std::vector<CssSlotBlock> sixteen;
  for (int slot = 1; slot <= 16; ++slot) sixteen.push_back(block(slot, "112233"));
  const auto whole = css_palette_lines(CssFileKind::AllSlots, sixteen);
  for (int slot = 1; slot <= 16; ++slot) {
    const std::string& sixth = whole[static_cast<size_t>(7 * slot)];
    EXPECT_EQ(sixth.find("triadic200") != std::string::npos, slot == 1 || slot == 10) << slot;
  }
  // Only the generator line carries the copyright sign.
  int signs = 0;
  for (auto& l : all) signs += l.find("\u00A9") != std::string::npos;
  EXPECT_EQ(signs, 1);
}

TEST(CssPaletteFile, BlocksStandSevenLinesApart) {
  std::vector<CssSlotBlock> b;
  for (int k = 1; k <= 16; ++k) b.push_back(block(k, "A0000" + std::string(1, "0123456789ABCDEF"[k - 1])));
  auto three = css_palette_lines(CssFileKind::AllSlots, {b[0], b[1], b[2]});
  ASSERT_EQ(three.size(), 25u);
  EXPECT_EQ(three[8], " ");   // line 9
  EXPECT_EQ(three[15], " ");  // line 16
  EXPECT_EQ(three[22], " ");  // line 23
  EXPECT_EQ(three[23], kCssGeneratorLine);
  auto all = css_palette_lines(CssFileKind::AllSlots, b);
  ASSERT_EQ(all.size(), 116u);
  EXPECT_EQ(all[114], kCssGeneratorLine);
  EXPECT_EQ(all[115], kCssClosingLine);
  auto pos = css_palette_positions(all);
  for (int k = 0; k < 16; ++k) {
    EXPECT_FALSE(pos[static_cast<size_t>(k)].generator);
    EXPECT_EQ(pos[static_cast<size_t>(k)].text, b[static_cast<size_t>(k)].colour);
  }
  auto pos3 = css_palette_positions(three);
  EXPECT_EQ(pos3[2].text, "A00002");
  EXPECT_TRUE(pos3[3].generator);
  EXPECT_FALSE(pos3[4].generator);
  EXPECT_EQ(pos3[4].text, "");
}

TEST(CssPaletteFile, ReaderToleratesShortAndForeignFiles) {
  hw_test::ScratchDir dir;
  write_file_bytes_atomic(dir.file("short.css"), "a\r\n");
  auto pos = read_css_palette_positions(dir.file("short.css"));
  ASSERT_EQ(pos.size(), 16u);
  for (auto& p : pos) EXPECT_EQ(p.text, "");
  write_file_bytes_atomic(dir.file("cut.css"), "x\ny\n.color-primary-0 { color: #12");
  EXPECT_EQ(read_css_palette_positions(dir.file("cut.css"))[0].text, "12");
  // Characters 28-33 are characters of the file: a letter outside ASCII earlier on the line
  // (one byte in a Windows-1252 file, two in a file marked as UTF-8) moves nothing.
  write_file_bytes_atomic(dir.file("accent.css"), "x\r\ny\r\n.c\xF4lor-primary-0 { color: #123456 }\r\n");
  EXPECT_EQ(read_css_palette_positions(dir.file("accent.css"))[0].text, "123456");
  write_file_bytes_atomic(dir.file("utf8.css"), "\xEF\xBB\xBFx\ny\n.c\xC3\xB4lor-primary-0 { color: #ABCDEF }\n");
  EXPECT_EQ(read_css_palette_positions(dir.file("utf8.css"))[0].text, "ABCDEF");
  // One character more or less before them shifts them by exactly one character.
  write_file_bytes_atomic(dir.file("more.css"), "x\r\ny\r\n.c\xF4\xF4lor-primary-0 { color: #123456 }\r\n");
  EXPECT_EQ(read_css_palette_positions(dir.file("more.css"))[0].text, "#12345");
  write_file_bytes_atomic(dir.file("less.css"), "x\r\ny\r\n.\xF4lor-primary-0 { color: #123456\xE9 }\r\n");
  EXPECT_EQ(read_css_palette_positions(dir.file("less.css"))[0].text, "23456\u00E9");
  EXPECT_THROW(read_css_palette_positions(dir.file("missing.css")), EInOutError);
  EXPECT_THROW(write_css_palette_file(dir.file("no/such/folder.css"), {"x"}), EInOutError);
}

TEST(CssPaletteFile, NamesAndTheirColours) {
  EXPECT_EQ(css_one_slot_file_name("484B52"), "Tintbox484B52.css");
  EXPECT_EQ(css_all_slots_file_name("006095", 17), "Tintbox006095_17.css");
  EXPECT_TRUE(is_own_palette_file_name("Tintbox1A2B3C_5.css"));
  EXPECT_FALSE(is_own_palette_file_name("tintbox1A2B3C.css"));
  EXPECT_FALSE(is_own_palette_file_name("session.css"));
  EXPECT_EQ(palette_file_name_hex("Tintbox1A2B3C_5.css"), "1A2B3C");
  EXPECT_EQ(palette_file_name_hex("Tint\u00E9ox1A2B3C_5.css"), "1A2B3C");
  EXPECT_EQ(WebColorStrToColor("1A2B3C"), 0x3C2B1A);
  EXPECT_THROW(WebColorStrToColor("1A2B3"), EConvertError);
  EXPECT_THROW(WebColorStrToColor("1A2B3G"), EConvertError);
}
