// The saved-palette list on the real window: listing the folder, the cells beside the list,
// loading a palette file, leaving the list, deleting files, and damaged files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "workbench/workbench_fixture.hpp"
#include "platform/synthetic_input.hpp"
#include "platform/text_codec.hpp"
#include "storage/css_palette_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

namespace {

constexpr TColor kEmptyCell = 0x00566050;

class PaletteList : public WorkbenchTest {
protected:
  void click(TControl& c) { send_click(c, 4, 4); }
  void open_list() {
    click(*w->imgCSS);
    flush_paints();
  }
  // A click on row r of the shown part of the palette list.
  void click_row(int r) { send_click(*w->ListBox2, 30, 14 * r + 6); }
  int row_of(const std::string& name) {
    for (int i = 0; i < w->ListBox2->Count(); ++i)
      if (w->ListBox2->Item(i) == name) return i;
    return -1;
  }

  // A palette file as the program writes it, holding these slot colours.
  void write_palette(const std::string& name, const std::vector<TColor>& colours, CssFileKind kind = CssFileKind::AllSlots) {
    std::vector<CssSlotBlock> blocks;
    int n = 0;
    for (TColor c : colours)
      blocks.push_back({++n, ColorToHex(c), ColorToHex(DarkerColor(c, 20)), ColorToHex(LighterColor(c, 20)),
                        ColorToHex(TriadicRGB120(c)), ColorToHex(ComplementRGB(c)), ColorToHex(TriadicRGB240(c))});
    write_css_palette_file(cwd.file(name), css_palette_lines(kind, blocks));
  }
  void write_lines(const std::string& name, const std::vector<std::string>& lines) {
    write_file_bytes_atomic(cwd.file(name), encode_text_lines(lines));
  }
  std::vector<TColor> slots() {
    std::vector<TColor> out;
    for (int n = 1; n <= 16 && w->panN(n)->Visible(); ++n) out.push_back(w->panN(n)->Color());
    return out;
  }

};

const std::vector<TColor> kThree = {RGB(0x10, 0x20, 0x30), RGB(0xC0, 0x80, 0x40), RGB(0xFF, 0xEE, 0x01)};

}  // namespace

TEST_F(PaletteList, AFolderWithoutPaletteFilesListsNothing) {
  open_list();
  EXPECT_EQ(w->imgCSS->Tag(), 1);
  EXPECT_EQ(w->ListBox2->Count(), 0);
  for (int k = 1; k <= 30; ++k) EXPECT_EQ(w->Panel[static_cast<size_t>(k)]->Color(), kEmptyCell) << k;
  EXPECT_EQ(w->labMode->Caption(), "history");
  EXPECT_EQ(w->imgCSS->Hint(), "return to your palette");
  EXPECT_EQ(w->imgClearItem->Hint(), "delete a palette from list");
  EXPECT_EQ(w->ListBox2->Hint(), "your saved palettes");
  EXPECT_FALSE(w->imgClearHistory->Visible());
  EXPECT_FALSE(w->imgHistPick->Visible());
  EXPECT_TRUE(w->imgExtendpanel->Visible());
  // Cells without a palette ignore clicks.
  send_click(*w->Panel[1], 5, 5);
  EXPECT_EQ(w->imgCSS->Tag(), 1);
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
}

TEST_F(PaletteList, CellsShowTheFirstColourThatTheFileNameCarries) {
  write_lines("Tintbox1A2B3C_5.css", {"x"});
  write_lines("tintbox1A2B3C.css", {"x"});
  write_lines("session.css", {"x"});
  write_lines("Tips.css", {"x"});        // a "Ti" name without a colour in it
  write_lines("TintboxGGGGGG.css", {"x"});
  write_lines("notes.txt", {"x"});
  ASSERT_EQ(mkdir(cwd.file("folder.css").c_str(), 0700), 0);
  open_list();
  ASSERT_EQ(w->ListBox2->Count(), 5);  // neither the text file nor the folder
  EXPECT_EQ(row_of("folder.css"), -1);
  const int tintbox = row_of("Tintbox1A2B3C_5.css");
  ASSERT_GE(tintbox, 0);
  for (int r = 0; r < 5; ++r) {
    TColor expected = r == tintbox ? RGB(0x1A, 0x2B, 0x3C) : kEmptyCell;
    EXPECT_EQ(w->Panel[static_cast<size_t>(r + 1)]->Color(), expected) << w->ListBox2->Item(r);
  }
  // Moving over the list refreshes the cells without any error report.
  send_mouse_move(*w->ListBox2, 30, 20);
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
}

TEST_F(PaletteList, CellsFollowTheListWhenItIsScrolled) {
  for (int i = 0; i < 40; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Tintbox%06X.css", 0x100000 + i);
    write_lines(name, {"x"});
  }
  open_list();
  ASSERT_EQ(w->ListBox2->Count(), 40);
  EXPECT_EQ(w->Panel[30]->Color(), RGB(0x10, 0x00, 29));
  w->ListBox2->SetTopIndex(8);
  send_mouse_move(*w->ListBox2, 30, 30);
  EXPECT_EQ(w->ListBox2->Tag(), 8);
  EXPECT_EQ(w->Panel[1]->Color(), RGB(0x10, 0x00, 8));
  EXPECT_EQ(w->Panel[30]->Color(), RGB(0x10, 0x00, 37));
  // A cell addresses the row beside it: cell 4 loads entry 8 + 3.
  send_click(*w->Panel[4], 5, 5);
  EXPECT_EQ(w->ListBox2->ItemIndex(), 11);
  EXPECT_EQ(w->imgClearHistory->Visible(), false);
}

TEST_F(PaletteList, LoadingAFileFillsTheSlotsAndRecomputesTheirCells) {
  // A file whose dark line was edited by hand still loads with the program's own shades.
  std::vector<CssSlotBlock> blocks;
  for (size_t i = 0; i < kThree.size(); ++i)
    blocks.push_back({static_cast<int>(i + 1), ColorToHex(kThree[i]), "000000", "FFFFFF", "000000", "000000", "000000"});
  write_css_palette_file(cwd.file("Tintbox102030_3.css"), css_palette_lines(CssFileKind::AllSlots, blocks));
  open_list();
  click_row(row_of("Tintbox102030_3.css"));
  ASSERT_EQ(slots(), kThree);
  for (int n = 1; n <= 3; ++n) {
    EXPECT_EQ(w->Slot(n).dark->Color(), DarkerColor(kThree[static_cast<size_t>(n - 1)], 20));
    EXPECT_EQ(w->Slot(n).compli->Color(), ComplementRGB(kThree[static_cast<size_t>(n - 1)]));
  }
  EXPECT_EQ(w->labImgPick->Tag(), 3);
  EXPECT_EQ(w->imgPick->Tag(), 3);
  ASSERT_EQ(w->Memo1->Lines().Count(), 3);
  EXPECT_EQ(w->Memo1->Lines()[2], "FFEE01");
  // The list stays, with the entry selected and slot 1 previewed.
  EXPECT_EQ(w->imgCSS->Tag(), 1);
  EXPECT_EQ(w->ListBox2->ItemIndex(), row_of("Tintbox102030_3.css"));
  EXPECT_EQ(w->panhistcolor->Color(), kThree[0]);
  EXPECT_EQ(w->labHistory->Caption(), "102030");
  EXPECT_EQ(w->labHistory->Font().Color(), clWhite);
  EXPECT_EQ(w->panCompli->Color(), ComplementRGB(kThree[0]));
  EXPECT_EQ(w->pandark->Color(), DarkerColor(kThree[0], 20));
  EXPECT_TRUE(w->imgSaveAll->Visible());
  EXPECT_TRUE(w->imgGenArtPal->Visible());
  EXPECT_FALSE(w->imgPaletteAll->Visible());
  EXPECT_FALSE(w->imgHistPick->Visible());
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
}

TEST_F(PaletteList, OneSlotSixteenSlotsAndShortFiles) {
  write_palette("Tintbox0A0B0C.css", {RGB(10, 11, 12)}, CssFileKind::OneSlot);
  std::vector<TColor> sixteen;
  for (int i = 0; i < 16; ++i) sixteen.push_back(RGB(15 * i, 255 - 15 * i, 7 * i));
  write_palette("Tintbox00FF00_16.css", sixteen);
  write_lines("short.css", {"/* CSS - Cascading Style Sheet */", " "});
  open_list();
  click_row(row_of("Tintbox0A0B0C.css"));
  EXPECT_EQ(slots(), std::vector<TColor>{RGB(10, 11, 12)});
  click_row(row_of("Tintbox00FF00_16.css"));
  EXPECT_EQ(slots(), sixteen);
  EXPECT_TRUE(w->imgTestPic->Visible());
  EXPECT_TRUE(w->butProcessPic->Visible());
  click_row(row_of("short.css"));
  EXPECT_TRUE(slots().empty());
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
  // A letter outside ASCII earlier on the line is one character of the file.
  write_file_bytes_atomic(cwd.file("accent.css"), "x\r\ny\r\n.c\xF4lor-primary-0 { color: #123456\r\n");
  click(*w->imgCSS);
  open_list();
  click_row(row_of("accent.css"));
  EXPECT_EQ(slots(), std::vector<TColor>{RGB(0x12, 0x34, 0x56)});
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
}

TEST_F(PaletteList, LeavingTheListBringsTheWorkingPaletteBack) {
  TColor a = add_from(100, 100);
  TColor b = add_from(400, 300);
  write_palette("Tintbox102030_3.css", kThree);
  open_list();
  EXPECT_TRUE(FileExists(cwd.file("session.css")));
  click_row(row_of("Tintbox102030_3.css"));
  ASSERT_EQ(slots(), kThree);
  click(*w->imgCSS);
  EXPECT_EQ(slots(), (std::vector<TColor>{a, b}));
  EXPECT_EQ(w->labMode->Caption(), "edit");
  EXPECT_EQ(w->imgCSS->Tag(), 0);
  EXPECT_EQ(w->imgCSS->Hint(), "load a palette");
  EXPECT_EQ(w->imgCSSload->Tag(), 0);
  EXPECT_FALSE(w->imgGenArtPal->Visible());
}

TEST_F(PaletteList, LeavingWithNothingSelectedBringsTheWorkingPaletteBack) {
  TColor a = add_from(100, 100);
  write_palette("Tintbox0A0B0C.css", {RGB(10, 11, 12)}, CssFileKind::OneSlot);
  open_list();
  // The file loaded, then deleted: no entry is selected when the list is left.
  click_row(row_of("Tintbox0A0B0C.css"));
  click(*w->imgClearItem);
  click_row(row_of("Tintbox0A0B0C.css"));
  click(*w->imgCSS);
  EXPECT_EQ(slots(), std::vector<TColor>{a});
  EXPECT_EQ(w->labMode->Caption(), "edit");
  // Leaving delete mode deletes nothing.
  open_list();
  click(*w->imgClearItem);
  click(*w->imgCSS);
  EXPECT_TRUE(FileExists(cwd.file("session.css")));
}

TEST_F(PaletteList, LeavingWithoutAWorkingFileEmptiesThePalette) {
  add_from(100, 100);
  add_from(200, 200);
  write_palette("Tintbox102030_3.css", kThree);
  open_list();
  click_row(row_of("Tintbox102030_3.css"));
  ASSERT_TRUE(DeleteFile(cwd.file("session.css")));
  click(*w->imgCSS);
  EXPECT_TRUE(slots().empty());
  EXPECT_EQ(w->labMode->Caption(), "edit");
}

TEST_F(PaletteList, BackFromHistoryReloadsTheWorkingFile) {
  TColor a = add_from(100, 100);
  write_palette("Tintbox102030_3.css", kThree);
  open_list();
  click_row(row_of("Tintbox102030_3.css"));
  ASSERT_EQ(slots(), kThree);
  click(*w->imgCollapseColorPanel);
  EXPECT_EQ(slots(), std::vector<TColor>{a});
  EXPECT_EQ(w->labMode->Caption(), "edit");
  EXPECT_EQ(w->imgCSSload->Tag(), 0);
}

TEST_F(PaletteList, TextThatIsNoColourStopsTheLoadWithAReport) {
  std::vector<std::string> lines = css_palette_lines(
      CssFileKind::AllSlots, {{1, "102030", "000000", "000000", "000000", "000000", "000000"},
                              {2, "GG0000", "000000", "000000", "000000", "000000", "000000"},
                              {3, "C08040", "000000", "000000", "000000", "000000", "000000"}});
  write_lines("bad.css", lines);
  open_list();
  click_row(row_of("bad.css"));
  ASSERT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_NE(hw_test::dialogs().messages()[0].find("GG"), std::string::npos);
  EXPECT_EQ(slots(), std::vector<TColor>{RGB(0x10, 0x20, 0x30)});
  // The window carries on: another file loads.
  write_palette("good.css", kThree);
  click(*w->imgCSS);
  open_list();
  click_row(row_of("good.css"));
  EXPECT_EQ(slots(), kThree);
  // Six characters, one of them outside ASCII (two bytes in the program's text), are six
  // characters: the add is tried and reports the text as it stands.
  write_lines("accent.css", css_palette_lines(CssFileKind::AllSlots,
                                              {{1, "102030", "0", "0", "0", "0", "0"},
                                               {2, "12345\u00E9", "0", "0", "0", "0", "0"},
                                               {3, "C08040", "0", "0", "0", "0", "0"}}));
  click(*w->imgCSS);
  open_list();
  hw_test::dialogs().clear();
  click_row(row_of("accent.css"));
  ASSERT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_NE(hw_test::dialogs().messages()[0].find("5\u00E9"), std::string::npos) << hw_test::dialogs().messages()[0];
  EXPECT_EQ(slots(), std::vector<TColor>{RGB(0x10, 0x20, 0x30)});
}

TEST_F(PaletteList, TheSelectedSlotAndTheOwnPaletteLineFollowThePosition) {
  // Position 2 is too short to be a colour: position 3's colour goes into slot 2, while the
  // selected slot and the list's line are those of position 3 (slot 3, empty).
  std::vector<std::string> lines = css_palette_lines(
      CssFileKind::AllSlots, {{1, "102030", "0", "0", "0", "0", "0"}, {2, "C08040", "0", "0", "0", "0", "0"},
                              {3, "FFEE01", "0", "0", "0", "0", "0"}});
  lines[9] = ".color-primary-0 { color: #AB";
  write_lines("hand.css", lines);
  open_list();
  click_row(row_of("hand.css"));
  ASSERT_EQ(slots(), (std::vector<TColor>{RGB(0x10, 0x20, 0x30), RGB(0xFF, 0xEE, 0x01)}));
  ASSERT_EQ(w->Memo1->Lines().Count(), 2);
  EXPECT_EQ(w->Memo1->Lines()[0], "102030");
  EXPECT_EQ(w->Memo1->Lines()[1], "484B52");
  EXPECT_EQ(w->imgPick->Tag(), 3);
}

TEST_F(PaletteList, AFileGoneSinceListingChangesNothing) {
  TColor a = add_from(100, 100);
  write_palette("gone.css", kThree);
  open_list();
  ASSERT_TRUE(DeleteFile(cwd.file("gone.css")));
  click_row(row_of("gone.css"));
  EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_EQ(slots(), std::vector<TColor>{a});
}

TEST_F(PaletteList, DeleteModeDeletesTheClickedEntry) {
  write_palette("a.css", kThree);
  write_palette("b.css", kThree);
  write_palette("c.css", kThree);
  open_list();
  click(*w->imgClearItem);
  EXPECT_EQ(w->imgCSS->Tag(), 2);
  EXPECT_EQ(w->ListBox2->ItemIndex(), 0);
  EXPECT_EQ(w->ListBox2->Hint(), "select a CSS palette file to delete");
  EXPECT_FALSE(w->imgClearItem->Visible());
  EXPECT_TRUE(w->imgClearCSS->Visible());
  EXPECT_EQ(w->imgClearCSS->Tag(), 1);
  click_row(2);
  EXPECT_FALSE(FileExists(cwd.file("c.css")));
  EXPECT_TRUE(FileExists(cwd.file("a.css")));
  // Listed again, in normal mode.
  EXPECT_EQ(w->imgCSS->Tag(), 1);
  EXPECT_EQ(w->ListBox2->Count(), 2);
  EXPECT_FALSE(w->imgClearCSS->Visible());
  EXPECT_TRUE(w->imgClearItem->Visible());
  EXPECT_EQ(w->ListBox2->Hint(), "your saved palettes");
  EXPECT_TRUE(slots().empty());
}

TEST_F(PaletteList, DeleteModeThroughACell) {
  write_palette("Tintbox102030_3.css", kThree);
  write_palette("Tintbox405060.css", kThree);
  open_list();
  click(*w->imgClearItem);
  send_click(*w->Panel[2], 5, 5);
  EXPECT_FALSE(FileExists(cwd.file("Tintbox405060.css")));
  EXPECT_TRUE(FileExists(cwd.file("Tintbox102030_3.css")));
  ASSERT_EQ(w->ListBox2->Count(), 1);
  EXPECT_EQ(w->Panel[1]->Color(), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(w->Panel[2]->Color(), kEmptyCell);
  EXPECT_EQ(w->imgCSS->Tag(), 1);
}

TEST_F(PaletteList, ACellLoadsItsRowAndTheHistoryStaysApart) {
  write_palette("Tintbox102030_3.css", kThree);
  open_list();
  send_click(*w->Panel[1], 5, 5);
  EXPECT_EQ(slots(), kThree);
  EXPECT_EQ(w->ListBox1->Count(), 1);
  // The history's own delete still works once the history is shown again.
  click(*w->imgExtendpanel);
  EXPECT_EQ(w->imgCSS->Tag(), 0);
  w->ListBox1->SetItemIndex(0);
  click(*w->imgClearItem);
  EXPECT_EQ(w->imgCSS->Tag(), 0);
  EXPECT_FALSE(w->imgClearCSS->Visible());
  EXPECT_EQ(w->ListBox1->Count(), 1);
  EXPECT_TRUE(FileExists(cwd.file("Tintbox102030_3.css")));
}
