#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "common/small_disk.hpp"
#include "common/test_env.hpp"
#include "workbench/workbench_fixture.hpp"
#include "image/dib_graphic.hpp"
#include "image/ex_track_bar.hpp"
#include "platform/dib_view.hpp"
#include "platform/synthetic_input.hpp"
#include "platform/safe_save.hpp"
#include "platform/text_codec.hpp"
#include "resources/spectrum_strips.hpp"
#include "storage/css_palette_file.hpp"
#include "storage/history_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

namespace {

// File access of this thread as the unprivileged user "nobody" while the object lives: permissions
// then hold for a test run by root as well.
struct AsNobody {
  AsNobody() {
    if (geteuid() == 0) setfsuid(65534);
  }
  ~AsNobody() {
    if (geteuid() == 0) setfsuid(0);
  }
};

// A main window in a scratch current folder, shown on the offscreen screen.
class Workbench : public WorkbenchTest {
protected:
  TColor strip_colour(int x, int y) { return static_cast<TColor>(strip.colour(x, y)); }

  Raster24 strip = make_spectrum_strip(0);
};

}  // namespace

TEST_F(Workbench, FirstStartWritesTheDefaultHistoryAtOnce) {
  EXPECT_EQ(read_file_bytes(cwd.file("history.dat")), "hex006095\xB7rgb0,96,149\xB7" "cmyk149,53,0,107\r\n");
  ASSERT_EQ(w->ListBox1->Count(), 1);
  EXPECT_EQ(w->Panel[1]->Color(), RGB(0, 96, 149));
  EXPECT_EQ(w->Panel[2]->Color(), kEditModeColour);
  EXPECT_EQ(w->labMode->Caption(), "edit");
  EXPECT_EQ(w->panSearch->Width(), 90);
  EXPECT_EQ(w->ImageScrollBox1->Graphic()->Width(), kSpectrumWidth);
  // The spectrum scrolls sideways; its vertical bar stays hidden.
  EXPECT_TRUE(w->ImageScrollBox1->HorzScrollBar().IsScrollBarVisible());
  EXPECT_FALSE(w->ImageScrollBox1->VertScrollBar().IsScrollBarVisible());
  EXPECT_EQ(w->Caption(), "Huewright");
  EXPECT_EQ(w->ClientWidth(), 1160);
  EXPECT_EQ(w->ClientHeight(), 616);
  // The view and its picture carry the cross cursor; the bars show no value labels.
  EXPECT_EQ(w->ImageScrollBox1->Cursor(), crCross);
  EXPECT_EQ(w->ImageScrollBox1->Image()->Cursor(), crCross);
  for (TExTrackBar* bar : {w->trkbarLum, w->trkbarSat, w->trkbarVar}) {
    EXPECT_FALSE(bar->Labels()) << bar->Name();
    EXPECT_FALSE(bar->LabelsFirstLast()) << bar->Name();
  }
}

TEST_F(Workbench, PickingReadsTheScreenUnderThePointer) {
  pick_at(100, 50, mbRight);  // any button picks
  EXPECT_EQ(w->pan->Color(), strip_colour(100, 50));
  EXPECT_EQ(w->ImageScrollBox1->Tag(), 1);
  EXPECT_TRUE(w->imgPick->Visible());
  EXPECT_EQ(w->edcolor->Text(), ColorToHex(strip_colour(100, 50)));
  EXPECT_EQ(w->Label1->Caption(), HistoryLine(strip_colour(100, 50)));
  EXPECT_EQ(w->panBlowColor->Color(), strip_colour(100, 50));
  // Moving shows the colour under the pointer in the magnifier only.
  TControl& image = *w->ImageScrollBox1->Image();
  TPoint scr = image.ClientToScreen({300, 200});
  SetCursorPos(scr.X, scr.Y);
  send_mouse_move(image, 300, 200);
  EXPECT_EQ(w->panBlowColor->Color(), strip_colour(300, 200));
  EXPECT_EQ(w->panBlowCaption->Caption(), ColorToHex(strip_colour(300, 200)));
  EXPECT_EQ(w->pan->Color(), strip_colour(100, 50));
  EXPECT_EQ(w->panRtop->Width(), strip_colour(300, 200) & 0xFF);
  // Moving over the selected colour's panel shows that colour in the bars again, and only there.
  ASSERT_NE(strip_colour(300, 200) & 0xFF, strip_colour(100, 50) & 0xFF);
  send_mouse_move(*w->pan, 5, 5);
  EXPECT_EQ(w->panRtop->Width(), strip_colour(100, 50) & 0xFF);
  EXPECT_EQ(w->panGtop->Width(), (strip_colour(100, 50) >> 8) & 0xFF);
  EXPECT_EQ(w->panBlowColor->Color(), strip_colour(300, 200));
}

TEST_F(Workbench, LeavingTheViewBringsTheMagnifierBackToTheSelectedColour) {
  pick_at(100, 50);
  TControl& image = *w->ImageScrollBox1->Image();
  TPoint scr = image.ClientToScreen({300, 200});
  SetCursorPos(scr.X, scr.Y);
  send_mouse_move(image, 300, 200);
  ASSERT_NE(strip_colour(300, 200), strip_colour(100, 50));
  ASSERT_EQ(w->panBlowColor->Color(), strip_colour(300, 200));
  // The view holds the focus, as the colour search leaves it; the hex entry takes it away.
  w->ImageScrollBox1->SetFocus();
  ASSERT_TRUE(w->ImageScrollBox1->Focused());
  ASSERT_EQ(w->panBlowColor->Color(), strip_colour(300, 200));
  send_click(*w->imgEdColor, 5, 5);
  ASSERT_FALSE(w->ImageScrollBox1->Focused());
  EXPECT_EQ(w->panBlowColor->Color(), strip_colour(100, 50));
  EXPECT_EQ(w->panBlowCaption->Color(), strip_colour(100, 50));
  EXPECT_EQ(w->panBlowCaption->Caption(), ColorToHex(strip_colour(100, 50)));
}

TEST_F(Workbench, AnUnreadablePixelChangesNothing) {
  pick_at(100, 50);
  TColor before = w->pan->Color();
  std::string caption = w->Label1->Caption();
  TControl& image = *w->ImageScrollBox1->Image();
  SetCursorPos(1250, 790);  // outside every window of the offscreen screen
  send_mouse_press(image, mbLeft, 5, 5);
  send_mouse_release(image, mbLeft, 5, 5);
  send_mouse_move(image, 6, 6);
  EXPECT_EQ(w->pan->Color(), before);
  EXPECT_EQ(w->Label1->Caption(), caption);
  EXPECT_EQ(w->panBlowColor->Color(), before);
}

TEST_F(Workbench, AddingFillsSlotsWithTheirDerivedColours) {
  TColor a = add_from(100, 100);
  ASSERT_TRUE(w->pan1()->Visible());
  EXPECT_EQ(w->pan1()->Color(), a);
  EXPECT_EQ(w->pan1()->Tag(), 1);
  EXPECT_EQ(w->labImgPick->Tag(), 1);
  EXPECT_EQ(w->Slot(1).dark->Color(), DarkerColor(a, 20));
  EXPECT_EQ(w->Slot(1).light->Color(), LighterColor(a, 20));
  EXPECT_EQ(w->Slot(1).compli->Color(), ComplementRGB(a));
  EXPECT_EQ(w->Slot(1).triad120->Color(), TriadicRGB120(a));
  EXPECT_EQ(w->Slot(1).triad240->Color(), TriadicRGB240(a));
  EXPECT_FALSE(w->imgSaveAll->Visible());
  EXPECT_FALSE(w->imgPaletteAll->Visible());
  EXPECT_FALSE(w->imgPick->Visible());
  TColor b = add_from(400, 100);
  EXPECT_EQ(w->pan2()->Color(), b);
  EXPECT_TRUE(w->imgSaveAll->Visible());
  EXPECT_TRUE(w->imgPaletteAll->Visible());
}

TEST_F(Workbench, SixteenthAddShowsTheTestToolsAndLaterAddsReplaceSlot16) {
  for (int i = 0; i < 16; ++i) add_from(20 + 40 * i, 60);
  EXPECT_EQ(w->labImgPick->Tag(), 16);
  EXPECT_TRUE(w->pan16()->Visible());
  EXPECT_TRUE(w->imgTestPic->Visible());
  EXPECT_TRUE(w->butProcessPic->Visible());
  EXPECT_TRUE(w->imgcolrtone->Visible());
  TColor first15 = w->panN(15)->Color();
  TColor last = add_from(700, 400);
  EXPECT_EQ(w->labImgPick->Tag(), 16);
  EXPECT_EQ(w->pan16()->Color(), last);
  EXPECT_EQ(w->panN(15)->Color(), first15);
}

TEST_F(Workbench, DeletingCompactsAndRecomputesEveryMovedRow) {
  TColor c[8];
  for (int i = 0; i < 8; ++i) c[i] = add_from(30 + 80 * i, 120);
  // Slot 6 shows its alternative complement before the delete.
  send_click(*w->Slot(6).compli, 10, 25);
  ASSERT_EQ(w->Slot(6).compli->Tag(), 1);
  send_click(*w->Slot(5).imgDel, 4, 4);
  EXPECT_EQ(w->labImgPick->Tag(), 7);
  for (int n = 5; n <= 7; ++n) {
    EXPECT_EQ(w->panN(n)->Color(), c[n]) << n;
    EXPECT_EQ(w->Slot(n).dark->Color(), DarkerColor(c[n], 20));
    EXPECT_EQ(w->Slot(n).triad120->Color(), TriadicRGB120(c[n]));
  }
  // Row 6 now holds slot 7's colour and computes its complement by its own toggle.
  EXPECT_EQ(w->Slot(6).compli->Color(), ComplementHLS(c[6]));
  EXPECT_EQ(w->Slot(5).compli->Color(), ComplementRGB(c[5]));
  EXPECT_FALSE(w->panN(8)->Visible());
  EXPECT_EQ(w->panN(8)->Color(), kEmptyColour);
}

TEST_F(Workbench, DeletingSlot16KeepsTheCounterInStep) {
  for (int i = 0; i < 16; ++i) add_from(20 + 40 * i, 200);
  send_click(*w->Slot(16).imgDel, 4, 4);
  EXPECT_EQ(w->pan16()->Tag(), 0);
  EXPECT_EQ(w->labImgPick->Tag(), 15);
  TColor again = add_from(650, 300);
  EXPECT_EQ(w->labImgPick->Tag(), 16);
  EXPECT_EQ(w->pan16()->Color(), again);
  EXPECT_TRUE(w->pan16()->Visible());
}

TEST_F(Workbench, ClearAlwaysRestartsTheCounter) {
  add_from(100, 100);
  add_from(200, 100);
  send_click(*w->imgClearPicked, 4, 4);
  EXPECT_EQ(w->labImgPick->Tag(), 0);
  EXPECT_FALSE(w->pan1()->Visible());
  EXPECT_EQ(w->Memo1->Lines().Count(), 1);
  EXPECT_EQ(w->Memo1->Lines()[0], "484B52");
  TColor again = add_from(300, 300);
  EXPECT_EQ(w->pan1()->Color(), again);
  EXPECT_EQ(w->labImgPick->Tag(), 1);
}

TEST_F(Workbench, AClearCancelsAnArmedReplace) {
  add_from(100, 100);
  add_from(200, 100);
  send_click(*w->panN(2), 300, 3);
  ASSERT_EQ(w->labPickSelect->Tag(), 1);
  send_click(*w->imgClearPicked, 4, 4);
  EXPECT_EQ(w->labPickSelect->Tag(), 0);
  EXPECT_FALSE(w->Slot(2).labpanselect->Visible());
  TColor again = add_from(300, 300);
  EXPECT_TRUE(w->pan1()->Visible());
  EXPECT_EQ(w->pan1()->Color(), again);
}

TEST_F(Workbench, SelectingASlotArmsReplaceInEditMode) {
  add_from(100, 100);
  add_from(200, 100);
  add_from(300, 100);
  add_from(400, 100);
  // The selection mark stands rightmost in its row, right of the delete button.
  const TControl& mark = *w->Slot(4).labpanselect;
  EXPECT_GE(mark.Left(), w->Slot(4).imgDel->Left() + w->Slot(4).imgDel->Width());
  EXPECT_LE(mark.Left() + mark.Width(), w->panN(4)->Width());
  // Selecting slot 3 marks it free; other slots stay filled.
  send_click(*w->panN(3), 300, 3);
  EXPECT_EQ(w->panN(3)->Tag(), 0);
  EXPECT_TRUE(w->Slot(3).labpanselect->Visible());
  send_click(*w->panN(4), 300, 3);  // the slot panel right of its cells
  EXPECT_EQ(w->panN(4)->Tag(), 1);
  EXPECT_EQ(w->imgPick->Tag(), 4);
  EXPECT_TRUE(w->Slot(4).labpanselect->Visible());
  EXPECT_EQ(w->Slot(4).labpanselect->Font().Color(), ComplementRGB(w->panN(4)->Color()));
  EXPECT_EQ(w->labPickSelect->Tag(), 1);
  TColor r = add_from(600, 400);
  EXPECT_EQ(w->panN(4)->Color(), r);
  EXPECT_EQ(w->labImgPick->Tag(), 4);
  send_click(*w->panBase, 60, 470);
  EXPECT_FALSE(w->Slot(4).labpanselect->Visible());
  EXPECT_EQ(w->labPickSelect->Tag(), 0);
}

TEST_F(Workbench, CellTogglesSwitchValueAndHint) {
  TColor a = add_from(250, 150);
  TPanel* dark = w->Slot(1).dark;
  send_click(*dark, 10, 25);
  EXPECT_EQ(dark->Color(), DarkerColor(a, 40));
  EXPECT_EQ(dark->Hint(), "40% darker");
  send_click(*dark, 10, 25);
  EXPECT_EQ(dark->Color(), DarkerColor(a, 20));
  EXPECT_EQ(dark->Hint(), "20% darker");
  send_click(*w->Slot(1).triad120, 10, 25);
  EXPECT_EQ(w->Slot(1).triad120->Hint(), "hsl analogic +15\u00B0");
  // The pick image over the upper half makes the cell's colour the selected one.
  send_click(*w->Slot(1).imgpicklight, 10, 5);
  EXPECT_EQ(w->pan->Color(), LighterColor(a, 20));
  EXPECT_TRUE(w->imgPick->Visible());
}

TEST_F(Workbench, BarsChangeTheSelectedSlotAndResetRestoresIt) {
  TColor a = add_from(250, 150);
  TColor b = add_from(500, 150);
  // A fresh pick shows the add button; selecting slot 2 leaves it, selecting slot 1 hides it.
  pick_at(600, 300);
  ASSERT_TRUE(w->imgPick->Visible());
  send_click(*w->pan2(), 300, 3);
  EXPECT_TRUE(w->imgPick->Visible());
  EXPECT_EQ(w->pan->Color(), b);
  send_click(*w->pan1(), 300, 3);
  EXPECT_FALSE(w->imgPick->Visible());
  ASSERT_EQ(w->imgPick->Tag(), 1);
  ASSERT_EQ(w->panIntermediate->Color(), a);
  send_key(*w->trkbarLum, VK_HOME);  // top of the bar: luminance 240
  EXPECT_EQ(w->trkbarLum->Position(), 0);
  EXPECT_EQ(w->pan1()->Color(), 0xFFFFFF);
  EXPECT_EQ(w->pan->Color(), 0xFFFFFF);
  EXPECT_TRUE(w->imgReset->Visible());
  // Only the saturation and hue bars copy their result into panIntermediate.
  EXPECT_EQ(w->panIntermediate->Color(), a);
  send_key(*w->trkbarLum, VK_DOWN);  // value 239: a little below white, still grey
  const TColor lum239 = w->pan->Color();
  ASSERT_NE(lum239, 0xFFFFFF);
  EXPECT_EQ(w->panIntermediate->Color(), a);
  send_key(*w->trkbarSat, VK_DOWN);
  EXPECT_EQ(w->panIntermediate->Color(), w->pan->Color());
  send_key(*w->trkbarVar, VK_UP);
  EXPECT_EQ(w->trkbarVar->Position(), 119);
  EXPECT_EQ(w->panIntermediate->Color(), w->pan->Color());
  send_click(*w->imgReset, 4, 4);
  EXPECT_EQ(w->pan1()->Color(), a);
  EXPECT_EQ(w->trkbarLum->Position(), 120);
  EXPECT_FALSE(w->imgReset->Visible());
}

TEST_F(Workbench, AddingAfterMovingABarStoresTheAddedColour) {
  add_from(250, 150);
  EXPECT_FALSE(w->imgReset->Visible());  // no bar moved
  send_key(*w->trkbarSat, VK_END);  // changes slot 1 through the bar
  ASSERT_EQ(w->trkbarSat->Position(), 240);
  send_click(*w->imgReset, 4, 4);
  ASSERT_FALSE(w->imgReset->Visible());
  send_key(*w->trkbarSat, VK_END);
  TColor b = add_from(500, 300);
  EXPECT_EQ(w->pan2()->Color(), b);
  EXPECT_EQ(w->pan->Color(), b);
  EXPECT_EQ(w->trkbarSat->Position(), 120);
}

TEST_F(Workbench, ExportAllWritesOneBlockPerShownSlot) {
  TColor c[3];
  for (int i = 0; i < 3; ++i) c[i] = add_from(50 + 200 * i, 250);
  send_click(*w->imgPaletteAll, 4, 4);
  std::string name = "Tintbox" + ColorToHex(c[0]) + "_3.css";
  auto lines = decode_text_lines(read_file_bytes(cwd.file(name)));
  ASSERT_EQ(lines.size(), 25u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(lines[2 + 7 * k], ".color-primary-0 { color: #" + ColorToHex(c[k]) + " }\t/* primary color */ ");
    EXPECT_EQ(lines[3 + 7 * k].substr(27, 6), ColorToHex(DarkerColor(c[k], 20)));
  }
  EXPECT_EQ(w->imgPaletteAll->Hint(), "last export, Tintbox" + ColorToHex(c[0]) + "all.css");
  EXPECT_FALSE(w->imgPaletteAll->Visible());
  EXPECT_EQ(w->Slot(2).labpan->Caption(), "css");
  // A counter ahead of the shown slots never writes empty slots.
  w->labImgPick->SetTag(5);
  send_click(*w->imgSaveAll, 4, 4);
  w->imgPaletteAllClick(w);
  auto again = decode_text_lines(read_file_bytes(cwd.file("Tintbox" + ColorToHex(c[0]) + "_5.css")));
  EXPECT_EQ(again.size(), 25u);
}

TEST_F(Workbench, AnExportThatCannotBeWrittenChangesNothingAndNoColourWritesNoFile) {
  // Nothing shown: no file at all, and nothing to report.
  w->imgPaletteAllClick(w);
  w->labImgPick->SetTag(0);
  w->imgPaletteAll->SetTag(1);
  w->working_palette_save();
  EXPECT_TRUE(FindFiles(cwd.path(), "*.css").empty());
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
  TColor c[3];
  for (int i = 0; i < 3; ++i) c[i] = add_from(50 + 200 * i, 250);
  const std::string name = "Tintbox" + ColorToHex(c[0]) + "_3.css";
  const std::string hint = w->imgPaletteAll->Hint();
  // Slot 1 selected, and a cell of row 2 that a selection of slot 2 would recompute.
  send_click(*w->pan1(), 300, 3);
  ASSERT_EQ(w->imgPick->Tag(), 1);
  const TColor odd = 0x00010203;
  w->Slot(2).dark->SetColor(odd);
  auto unchanged = [&](const char* how) {
    EXPECT_EQ(hw_test::dialogs().messages().size(), 1u) << how;
    EXPECT_TRUE(w->imgPaletteAll->Visible()) << how;
    EXPECT_EQ(w->imgPaletteAll->Hint(), hint) << how;
    EXPECT_EQ(w->imgPick->Tag(), 1) << how;
    EXPECT_EQ(w->Slot(2).dark->Color(), odd) << how;
    for (int n = 1; n <= 3; ++n) EXPECT_FALSE(w->Slot(n).labpan->Visible()) << how << n;
    hw_test::dialogs().clear();
  };
  // The name taken by a folder.
  ASSERT_EQ(mkdir(cwd.file(name).c_str(), 0700), 0);
  hw_test::dialogs().clear();
  send_click(*w->imgPaletteAll, 4, 4);
  unchanged("folder in the way");
  ASSERT_EQ(rmdir(cwd.file(name).c_str()), 0);
  // A folder that takes no new file.
  ASSERT_EQ(chmod(cwd.path().c_str(), 0555), 0);
  {
    AsNobody nobody;
    send_click(*w->imgPaletteAll, 4, 4);
  }
  ASSERT_EQ(chmod(cwd.path().c_str(), 0700), 0);
  unchanged("read-only folder");
  EXPECT_FALSE(FileExists(cwd.file(name)));
  // A disk with no room left: the file is refused only when it is written.
  if (hw_test::SmallDisk disk; disk.mounted()) {
    ASSERT_EQ(chdir(disk.path().c_str()), 0);
    ASSERT_GT(disk.fill(), 0);
    send_click(*w->imgPaletteAll, 4, 4);
    ASSERT_EQ(chdir(cwd.path().c_str()), 0);
    unchanged("full disk");
    EXPECT_EQ(disk.names(), std::vector<std::string>{"filler"});
  }
  // Once it can be written, the file is complete when the slots show "css".
  send_click(*w->imgPaletteAll, 4, 4);
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
  EXPECT_EQ(decode_text_lines(read_file_bytes(cwd.file(name))).size(), 25u);
  EXPECT_EQ(w->Slot(3).labpan->Caption(), "css");
  EXPECT_EQ(w->imgPick->Tag(), 3);
  EXPECT_EQ(w->Slot(2).dark->Color(), DarkerColor(c[1], 20));
}

TEST_F(Workbench, AnAddBeforeAnyPickChangesNothing) {
  const std::string hint = w->imgPick->Hint();
  send_click(*w->imgPick, 5, 5);
  EXPECT_EQ(w->ListBox1->Count(), 1);
  EXPECT_EQ(w->labImgPick->Tag(), 0);
  EXPECT_EQ(w->imgPick->Hint(), hint);
  EXPECT_FALSE(w->pan1()->Visible());
  EXPECT_FALSE(w->panTrackBars->Visible());
  // The first colour picked is then the first slot.
  const TColor a = add_from(300, 200);
  EXPECT_EQ(w->labImgPick->Tag(), 1);
  EXPECT_EQ(w->pan1()->Color(), a);
  EXPECT_EQ(w->ListBox1->Count(), 1);
}

TEST_F(Workbench, OneSlotExportAndWorkingPalette) {
  TColor a = add_from(123, 321);
  send_click(*w->Slot(1).imgpanPal, 4, 4);
  std::string name = "Tintbox" + ColorToHex(a) + ".css";
  EXPECT_TRUE(FileExists(cwd.file(name)));
  EXPECT_EQ(w->Slot(1).imgpanPal->Hint(), "saved to " + name);
  EXPECT_EQ(w->Slot(1).labpan->Caption(), "exported");
  w->working_palette_save();
  EXPECT_TRUE(FileExists(cwd.file("session.css")));
  // Status words go with the timer.
  w->Timer1->Fire();
  EXPECT_FALSE(w->Slot(1).labpan->Visible());
}

TEST_F(Workbench, CopyButtonsPutHashHexOnTheClipboard) {
  TColor a = add_from(100, 100);
  TColor b = add_from(200, 300);
  send_click(*w->Slot(2).imgcopy, 4, 4);
  EXPECT_EQ(ClipboardText(), "#" + ColorToHex(b));
  EXPECT_EQ(w->Slot(2).imgcopy->Hint(), "color #" + ColorToHex(b) + " copied");
  send_click(*w->Slot(1).imgcopy, 4, 4);
  EXPECT_EQ(w->Slot(2).imgcopy->Hint(), "copy color to clipboard");
  // The hidden holders of the buttons' two pictures carry slot 1's copy handler.
  for (TImage* holder : {w->imgCopyRed, w->imgCopyblu}) {
    send_click(*w->Slot(2).imgcopy, 4, 4);
    ASSERT_FALSE(holder->Visible());
    send_click(*holder, 1, 1);
    EXPECT_EQ(ClipboardText(), "#" + ColorToHex(a)) << holder->Name();
    EXPECT_EQ(w->Slot(1).imgcopy->Hint(), "color #" + ColorToHex(a) + " copied") << holder->Name();
    EXPECT_EQ(w->Slot(2).imgcopy->Hint(), "copy color to clipboard") << holder->Name();
  }
}

TEST_F(Workbench, HistorySavesPreviewsAndSurvivesClose) {
  TColor a = add_from(222, 111);
  send_click(*w->Slot(1).imgsavepan, 4, 4);
  ASSERT_EQ(w->ListBox1->Count(), 2);
  EXPECT_EQ(w->ListBox1->Item(1), HistoryLine(a));
  EXPECT_EQ(w->ListBox1->ItemIndex(), 1);
  send_click(*w->imgExtendpanel, 4, 4);
  EXPECT_EQ(w->labMode->Caption(), "history");
  EXPECT_EQ(w->panSearch->Width(), 337);
  EXPECT_EQ(w->panSearch->Color(), kHistoryModeColour);
  send_click(*w->Panel[2], 5, 5);
  EXPECT_EQ(w->panhistcolor->Color(), a);
  EXPECT_EQ(w->labHistory->Caption(), ColorToHex(a));
  send_click(*w->imgHistCopy, 4, 4);
  EXPECT_EQ(ClipboardText(), "#" + ColorToHex(a));
  send_close(*w);
  EXPECT_EQ(read_file_bytes(cwd.file("history.dat")),
            encode_text_lines({kDefaultHistoryLine, HistoryLine(a)}));
  EXPECT_FALSE(FileExists(cwd.file("session.css")));
}

TEST_F(Workbench, ClearingAndDeletingHistoryKeepTheFirstEntry) {
  for (int i = 0; i < 4; ++i) {
    add_from(100 + 100 * i, 100);
    send_click(*w->Slot(1).imgsavepan, 4, 4);
  }
  send_click(*w->imgExtendpanel, 4, 4);
  w->ListBox1->SetItemIndex(0);
  send_click(*w->imgClearItem, 4, 4);
  EXPECT_EQ(w->ListBox1->Count(), 5);
  EXPECT_EQ(w->ListBox1->ItemIndex(), 4);
  send_click(*w->imgClearItem, 4, 4);
  EXPECT_EQ(w->ListBox1->Count(), 4);
  // 40 entries fill all 30 cells; the clear gives every cell from the second to the last the
  // side panel's colour.
  while (w->ListBox1->Count() < 40) w->ListBox1->Add(HistoryLine(TColor(0x00204080)));
  w->imgPopClick(nullptr);
  ASSERT_EQ(w->Panel[30]->Color(), TColor(0x00204080));
  send_click(*w->imgClearHistory, 4, 4);
  ASSERT_EQ(w->ListBox1->Count(), 1);
  EXPECT_EQ(w->ListBox1->Item(0), kDefaultHistoryLine);
  EXPECT_EQ(w->Panel[1]->Color(), TColor(0x00956000));
  for (int k = 2; k <= 30; ++k) ASSERT_EQ(w->Panel[static_cast<size_t>(k)]->Color(), w->panSearch->Color()) << k;
  send_click(*w->imgClearHistory, 4, 4);
  EXPECT_EQ(w->ListBox1->Count(), 1);
}

TEST_F(Workbench, OverviewClickScrollsAndMovesTheFrame) {
  TPoint scr = w->Image1->ClientToScreen({100, 40});
  SetCursorPos(scr.X, scr.Y);
  send_click(*w->Image1, 100, 40);
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), 500);
  EXPECT_EQ(SavedHorzScrollPos, 500);
  EXPECT_EQ(w->panindicatLeft->Left(), 82);
  EXPECT_EQ(w->panindicatRight->Left(), 208);
  EXPECT_EQ(w->panindicatBot->Left(), 82);
}

TEST_F(Workbench, ReleasingAfterADragSavesThePlaceAndMovesTheFrame) {
  TControl& image = *w->ImageScrollBox1->Image();
  TPoint scr = image.ClientToScreen({650, 200});
  SetCursorPos(scr.X, scr.Y);
  send_mouse_press(image, mbLeft, 650, 200);
  send_mouse_move(image, 50, 200, ssLeft);  // the picture follows the mouse 600 pixels left
  ASSERT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), 600);
  send_mouse_release(image, mbLeft, 650, 200);
  EXPECT_EQ(SavedHorzScrollPos, 600);
  // 600 / 6.05 = 99.17, and 99.17 + 126 = 225.17.
  EXPECT_EQ(w->panindicatLeft->Left(), 99);
  EXPECT_EQ(w->panindicatBot->Left(), 99);
  EXPECT_EQ(w->panindicatRight->Left(), 225);
  // Zoomed in, the place is scaled back to the picture's own pixels first: 1200 at 200 % and
  // 2400 at 400 % are 600 again.
  for (int zoom : {200, 400}) {
    send_click(*w->imgZoom, 4, 4);
    ASSERT_EQ(w->ImageScrollBox1->ZoomPercent(), static_cast<float>(zoom));
    const int pos = w->ImageScrollBox1->HorzScrollBar().Position();
    ASSERT_EQ(pos, 6 * zoom);
    w->panindicatLeft->SetLeft(0);
    const TPoint at = image.ScreenToClient(scr);
    send_mouse_press(image, mbLeft, at.X, at.Y);
    send_mouse_release(image, mbLeft, at.X, at.Y);
    EXPECT_EQ(SavedHorzScrollPos, pos) << zoom;
    EXPECT_EQ(w->panindicatLeft->Left(), 99) << zoom;
    EXPECT_EQ(w->panindicatRight->Left(), 225) << zoom;
  }
}

TEST_F(Workbench, ZoomCyclesAndScalesThePlace) {
  w->ImageScrollBox1->HorzScrollBar().SetPosition(300);
  send_click(*w->imgZoom, 4, 4);
  EXPECT_EQ(w->ImageScrollBox1->ZoomPercent(), 200.0f);
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), 600);
  EXPECT_EQ(w->imgZoom->Hint(), "zoom 200%, click for 400%");
  send_click(*w->imgZoom, 4, 4);
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), 1200);
  send_click(*w->imgZoom, 4, 4);
  EXPECT_EQ(w->ImageScrollBox1->ZoomPercent(), 100.0f);
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), 300);
  EXPECT_EQ(SavedHorzScrollPos, 300);
  EXPECT_EQ(w->imgZoom->Hint(), "zoom 100%, click for 200%");
}

TEST_F(Workbench, ZoomAtAFittedZoomKeepsTheZoomAndDoublesThePlaceAbove101) {
  w->ImageScrollBox1->SetZoomMode(zmFitHeight);
  float fitted = w->ImageScrollBox1->ZoomPercent();
  ASSERT_GT(fitted, 101.0f);
  w->ImageScrollBox1->HorzScrollBar().SetPosition(250);
  send_click(*w->imgZoom, 4, 4);
  EXPECT_EQ(w->ImageScrollBox1->ZoomPercent(), fitted);
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), 500);
  EXPECT_EQ(SavedHorzScrollPos, 500);
  // 200 % of a picture of 90,000,000 pixels would pass the pixel limit: the view lowers the
  // step, and the next click goes back to 100 % rather than keeping the lowered zoom.
  TDibGraphic big;
  big.NewImage(10000, 9000, ifBlackWhite, nullptr, 0, 0);
  w->ImageScrollBox1->SetGraphic(&big);
  w->ImageScrollBox1->SetZoomPercent(100);
  send_click(*w->imgZoom, 4, 4);
  ASSERT_LT(w->ImageScrollBox1->ZoomPercent(), 200.0f);
  send_click(*w->imgZoom, 4, 4);
  EXPECT_EQ(w->ImageScrollBox1->ZoomPercent(), 100.0f);
}

TEST(WorkbenchHistoryFile, ForeignLinesAreShownKeptAndWrittenBack) {
  hw_test::ScratchCwd cwd;
  const std::string bytes = std::string("hex006095\xB7rgb0,96,149\xB7" "cmyk149,53,0,107\r\n") +
                            "not a colour line\r\nhexABCDEF\r\n\xE4\xE9\xF6" "123456\r\n";
  write_file_bytes_atomic(cwd.file("history.dat"), bytes);
  hw_test::dialogs().clear();
  create_workbench_windows();
  TForm1* w = Form1;
  w->Show();
  EXPECT_EQ(w->ListBox1->Count(), 4);
  EXPECT_EQ(w->Panel[2]->Color(), w->panSearch->Color());
  EXPECT_EQ(w->Panel[3]->Color(), WebColorStrToColor("ABCDEF"));
  // Characters 4-9 are characters of the file: three letters outside ASCII come first.
  EXPECT_EQ(w->Panel[4]->Color(), WebColorStrToColor("123456"));
  send_click(*w->imgExtendpanel, 4, 4);
  EXPECT_TRUE(w->panhistcolor->Visible());
  EXPECT_EQ(w->panhistcolor->Color(), RGB(0, 96, 149));
  // Clicking the entry that is no colour reports it and previews nothing; copy and pick then
  // act on no colour at all.
  SetClipboardText("before");
  const int row = w->ListBox1->ItemHeight() + w->ListBox1->ItemHeight() / 2;
  send_click(*w->ListBox1, 20, row);
  EXPECT_EQ(w->ListBox1->ItemIndex(), 1);
  EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_FALSE(w->panhistcolor->Visible());
  w->imgHistCopyClick(w);
  EXPECT_EQ(ClipboardText(), "before");
  w->imgHistPickClick(w);
  EXPECT_FALSE(w->pan1()->Visible());
  EXPECT_EQ(w->labImgPick->Tag(), 0);
  // Moving over the list reports nothing more.
  send_mouse_move(*w->ListBox1, 20, row);
  EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
  // A colour entry shows again.
  send_click(*w->ListBox1, 20, 2 * w->ListBox1->ItemHeight() + 3);
  EXPECT_TRUE(w->panhistcolor->Visible());
  EXPECT_EQ(w->panhistcolor->Color(), WebColorStrToColor("ABCDEF"));
  send_close(*w);
  EXPECT_EQ(read_file_bytes(cwd.file("history.dat")), bytes);
  delete Form2;
  Form2 = nullptr;
  delete Form1;
}

TEST(WorkbenchHistoryFile, AFailedHistoryWriteIsReportedTheWindowClosesAndTheWorkingFileStays) {
  hw_test::ScratchCwd cwd;
  create_workbench_windows();
  TForm1* w = Form1;
  w->Show();
  write_file_bytes_atomic(cwd.file("session.css"), "x");
  // A folder in place of the history makes the write fail.
  ASSERT_TRUE(DeleteFile(cwd.file("history.dat")));
  ASSERT_EQ(mkdir(cwd.file("history.dat").c_str(), 0700), 0);
  hw_test::dialogs().clear();
  send_close(*w);
  EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_EQ(read_file_bytes(cwd.file("session.css")), "x");
  EXPECT_FALSE(w->Visible());
  EXPECT_TRUE(DirectoryExists(cwd.file("history.dat")));
  delete Form2;
  Form2 = nullptr;
  delete Form1;
}

TEST(WorkbenchHistoryFile, AHistoryThatCannotBeUsedIsReportedAndTheWindowStillOpens) {
  // A folder named "history.dat": the first write fails at start and again at close.
  {
    hw_test::ScratchCwd cwd;
    ASSERT_EQ(mkdir(cwd.file("history.dat").c_str(), 0700), 0);
    hw_test::dialogs().clear();
    create_workbench_windows();
    ASSERT_NE(Form1, nullptr);
    ASSERT_NE(Form2, nullptr);
    TForm1* w = Form1;
    EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
    w->Show();
    EXPECT_TRUE(w->Visible());
    send_close(*w);
    EXPECT_EQ(hw_test::dialogs().messages().size(), 2u);
    EXPECT_FALSE(w->Visible());
    EXPECT_TRUE(DirectoryExists(cwd.file("history.dat")));
    EXPECT_TRUE(FindFiles(cwd.path(), "*").empty());
    delete Form2;
    Form2 = nullptr;
    delete Form1;
  }
  // A history that cannot be read, in a folder that takes new files: it is never replaced.
  {
    hw_test::ScratchCwd cwd;
    const std::string bytes = encode_text_lines({kDefaultHistoryLine, "hexABCDEF"});
    write_file_bytes_atomic(cwd.file("history.dat"), bytes);
    ASSERT_EQ(chmod(cwd.file("history.dat").c_str(), 0), 0);
    ASSERT_EQ(chmod(cwd.path().c_str(), 0777), 0);
    struct stat before {};
    ASSERT_EQ(stat(cwd.file("history.dat").c_str(), &before), 0);
    hw_test::dialogs().clear();
    {
      AsNobody nobody;
      create_workbench_windows();
      ASSERT_NE(Form1, nullptr);
      TForm1* w = Form1;
      EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
      EXPECT_EQ(w->ListBox1->Count(), 0);
      w->Show();
      EXPECT_TRUE(w->Visible());
      send_close(*w);
      EXPECT_FALSE(w->Visible());
    }
    ASSERT_EQ(hw_test::dialogs().messages().size(), 2u);
    EXPECT_NE(hw_test::dialogs().messages()[1].find("history.dat"), std::string::npos);
    struct stat after {};
    ASSERT_EQ(stat(cwd.file("history.dat").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0u);
    EXPECT_EQ(read_file_bytes(cwd.file("history.dat")), bytes);
    EXPECT_EQ(FindFiles(cwd.path(), "*").size(), 1u);
    delete Form2;
    Form2 = nullptr;
    delete Form1;
  }
}
