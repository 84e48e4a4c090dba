#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "common/test_env.hpp"
#include "workbench/workbench_fixture.hpp"
#include "image/dib_graphic.hpp"
#include "platform/synthetic_input.hpp"
#include "resources/spectrum_strips.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

namespace {

TColor rgb(int r, int g, int b) { return static_cast<TColor>(RGB(r, g, b)); }

// The first point of the search's order on a page (rows 1..523, columns 1..720 of the view's
// client area, columns page x 720 + x of the picture) where a raster has the colour.
std::optional<TPoint> first_on_page(const Raster24& r, TColor c, int page) {
  for (int y = 1; y <= 523; ++y)
    for (int x = 1; x <= 720; ++x) {
      const int col = page * 720 + x;
      if (col < r.width && y < r.height && static_cast<TColor>(r.colour(col, y)) == c) return TPoint{x, y};
    }
  return std::nullopt;
}

// The same picture: both graphics write the same bytes.
bool same_picture(TImage* a, TImage* b) {
  TMemoryStream sa, sb;
  a->Picture().Graphic()->SaveToStream(sa);
  b->Picture().Graphic()->SaveToStream(sb);
  return sa.Bytes() == sb.Bytes();
}

class HexEntry : public WorkbenchTest {
protected:
  // Opens the hex entry and types into it, key by key.
  void type_colour(const std::string& text) {
    if (!w->edcolor->Visible()) send_click(*w->imgEdColor, 5, 5);
    ASSERT_TRUE(w->edcolor->Visible());
    w->edcolor->SetText("");
    send_text(*w->edcolor, text);
  }
  // Opens the search field and types into it, key by key; the sixth key starts the search.
  void type_search(const std::string& text) {
    if (!w->edcolor->Visible()) send_click(*w->imgEdColor, 5, 5);
    if (!w->edcolorsearch->Visible()) send_click(*w->imgedcolorsearch, 5, 5);
    ASSERT_TRUE(w->edcolorsearch->Visible());
    w->edcolorsearch->SetText("");
    send_text(*w->edcolorsearch, text);
  }
  TPoint client_to_screen(TPoint p) { return w->ImageScrollBox1->ClientToScreen(p); }
  // A true-colour picture for the view, every pixel `fill`.
  void show_picture(int width, int height, TColor fill, const std::vector<std::pair<TPoint, TColor>>& dots) {
    TDibGraphic g;
    g.NewImage(width, height, ifTrueColor, nullptr, 96, 96);
    g.Fill(ColorToRgb(fill));
    for (const auto& [p, c] : dots) g.SetPixel(p.X, p.Y, ColorToRgb(c));
    w->ImageScrollBox1->SetGraphic(&g);
    w->ImageScrollBox1->Redraw(true);
    flush_paints();
  }

};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Typed entry of the selected colour
// ---------------------------------------------------------------------------------------------
TEST_F(HexEntry, SixDigitsBecomeTheSelectedColourWithTheFontRule) {
  const TColor magnifier = w->panBlowColor->Color();
  type_colour("FF8000");
  EXPECT_EQ(w->pan->Color(), 0x000080FF);
  EXPECT_EQ(w->Label1->Caption(), "hexFF8000\u00B7rgb255,128,0\u00B7cmyk0,127,255,1");
  EXPECT_EQ(w->Label1->Font().Color(), clWhite);  // 255 + 128 + 0 = 383
  EXPECT_EQ(w->ImageScrollBox1->Tag(), 1);
  EXPECT_TRUE(w->imgPick->Visible());
  EXPECT_EQ(w->panRtop->Width(), 255);
  EXPECT_EQ(w->panGtop->Width(), 128);
  // The magnifier and the edit itself are left alone.
  EXPECT_EQ(w->panBlowColor->Color(), magnifier);
  EXPECT_EQ(w->edcolor->Text(), "FF8000");
  type_colour("FF8100");
  EXPECT_EQ(w->Label1->Font().Color(), clWhite);  // 384
  type_colour("FF8200");
  EXPECT_EQ(w->pan->Color(), 0x000082FF);
  EXPECT_EQ(w->Label1->Font().Color(), clBlack);  // 385
}

TEST_F(HexEntry, LowerCaseDigitsGiveTheSameColourAndAnUpperCaseCaption) {
  type_colour("ff8000");
  EXPECT_EQ(w->pan->Color(), 0x000080FF);
  EXPECT_EQ(w->Label1->Caption().substr(0, 9), "hexFF8000");
  type_colour("0a0b0c");
  EXPECT_EQ(w->pan->Color(), rgb(10, 11, 12));
}

TEST_F(HexEntry, OnlyExactlySixCharactersCount) {
  type_colour("123456");
  const TColor six = w->pan->Color();
  ASSERT_EQ(six, rgb(0x12, 0x34, 0x56));
  // Five characters, then seven: nothing changes.
  w->ImageScrollBox1->SetTag(0);
  type_colour("AAAAA");
  EXPECT_EQ(w->pan->Color(), six);
  EXPECT_EQ(w->ImageScrollBox1->Tag(), 0);
  send_text(*w->edcolor, "A");
  EXPECT_EQ(w->pan->Color(), rgb(0xAA, 0xAA, 0xAA));
  send_text(*w->edcolor, "B");
  EXPECT_EQ(w->edcolor->Text(), "AAAAAAB");
  EXPECT_EQ(w->pan->Color(), rgb(0xAA, 0xAA, 0xAA));
  // Back to six: the release of the deleting key counts.
  send_key(*w->edcolor, VK_BACK);
  EXPECT_EQ(w->edcolor->Text(), "AAAAAA");
  EXPECT_EQ(w->pan->Color(), rgb(0xAA, 0xAA, 0xAA));
  // Six characters that are not all ASCII are six characters, and not hexadecimal.
  type_colour("12345");
  w->edcolor->SetText("12345\u00E9");
  send_key(*w->edcolor, VK_END);
  EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_EQ(w->pan->Color(), rgb(0xAA, 0xAA, 0xAA));
}

TEST_F(HexEntry, TextThatIsNotHexadecimalIsReportedAndKeepsTheColour) {
  type_colour("102030");
  hw_test::dialogs().clear();
  type_colour("GG0000");
  EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_EQ(w->pan->Color(), rgb(0x10, 0x20, 0x30));
  // A colour given this way is added as a picked one.
  type_colour("405060");
  send_click(*w->imgPick, 5, 5);
  EXPECT_TRUE(w->pan1()->Visible());
  EXPECT_EQ(w->pan1()->Color(), rgb(0x40, 0x50, 0x60));
}

TEST_F(HexEntry, TheButtonsShowAndHideTheEditsAndHandTheTextOver) {
  EXPECT_FALSE(w->edcolor->Visible());
  EXPECT_FALSE(w->imgedcolorsearch->Visible());
  w->edcolor->SetText("old");
  send_click(*w->imgEdColor, 5, 5);
  EXPECT_TRUE(w->edcolor->Visible());
  EXPECT_EQ(w->edcolor->Text(), "");
  EXPECT_TRUE(w->edcolor->Focused());
  EXPECT_TRUE(w->imgedcolorsearch->Visible());
  EXPECT_FALSE(w->edcolorsearch->Visible());
  send_text(*w->edcolor, "00FF00");
  const int scroll = w->ImageScrollBox1->HorzScrollBar().Position();
  send_click(*w->imgedcolorsearch, 5, 5);
  EXPECT_TRUE(w->edcolorsearch->Visible());
  EXPECT_TRUE(w->edcolorsearch->Focused());
  // Copied, but not searched for: only a key release searches.
  EXPECT_EQ(w->edcolorsearch->Text(), "00FF00");
  EXPECT_FALSE(w->labScan->Visible());
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), scroll);
  send_click(*w->imgedcolorsearch, 5, 5);
  EXPECT_FALSE(w->edcolorsearch->Visible());
  // Five characters are not handed over.
  w->edcolor->SetText("00FF0");
  w->edcolorsearch->SetText("");
  send_click(*w->imgedcolorsearch, 5, 5);
  EXPECT_EQ(w->edcolorsearch->Text(), "");
  send_click(*w->imgEdColor, 5, 5);
  EXPECT_FALSE(w->edcolor->Visible());
  EXPECT_FALSE(w->imgedcolorsearch->Visible());
  EXPECT_FALSE(w->edcolorsearch->Visible());
}

// ---------------------------------------------------------------------------------------------
// Colour search
// ---------------------------------------------------------------------------------------------
TEST_F(HexEntry, AColourFirstPresentOnPage1IsFoundThere) {
  ASSERT_EQ(w->labVer->Caption(), "2");
  const Raster24 strip = make_spectrum_strip(0);
  // A colour of columns 721..1440 that the first page does not have.
  std::optional<TColor> target;
  for (int x = 800; x < 1440 && !target; x += 37) {
    const TColor c = static_cast<TColor>(strip.colour(x, 200));
    if (!first_on_page(strip, c, 0)) target = c;
  }
  ASSERT_TRUE(target);
  const std::optional<TPoint> at = first_on_page(strip, *target, 1);
  ASSERT_TRUE(at);
  w->imgcolrtone->Show();
  type_search(ColorToHex(*target));
  const TPoint expected = client_to_screen(*at);
  EXPECT_EQ(GetCursorPos().X, expected.X);
  EXPECT_EQ(GetCursorPos().Y, expected.Y);
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), 720);
  EXPECT_EQ(w->panindicatLeft->Left(), 119);  // Trunc(720 / 6.05)
  EXPECT_EQ(w->panindicatBot->Left(), 119);
  EXPECT_EQ(w->panindicatRight->Left(), 245);
  EXPECT_FALSE(w->labScan->Visible());
  EXPECT_TRUE(same_picture(w->imgedcolorsearch, w->imgedcolorsearchblu));
  // The tone-sort button stays hidden, remembered.
  EXPECT_FALSE(w->imgcolrtone->Visible());
  EXPECT_EQ(w->imgcolrtone->Tag(), 1);
  EXPECT_TRUE(w->ImageScrollBox1->Focused());
  // A later release with other than six characters brings it back.
  send_key(*w->edcolorsearch, VK_BACK);
  EXPECT_TRUE(w->imgcolrtone->Visible());
  EXPECT_EQ(w->imgcolrtone->Tag(), 0);
}

TEST_F(HexEntry, AColourThatIsNowhereRunsThroughAllPages) {
  const Raster24 strip = make_spectrum_strip(0);
  // A dark blue-grey the brightness strip has nowhere.
  const TColor absent = rgb(3, 60, 61);
  for (int p = 0; p < 6; ++p) ASSERT_FALSE(first_on_page(strip, absent, p));
  w->imgcolrtone->Show();
  const TPoint before = GetCursorPos();
  type_search(ColorToHex(absent));
  EXPECT_EQ(GetCursorPos().X, before.X);
  EXPECT_EQ(GetCursorPos().Y, before.Y);
  EXPECT_TRUE(w->labScan->Visible());
  EXPECT_EQ(w->labScan->Caption(), "");
  EXPECT_TRUE(w->imgcolrtone->Visible());
  EXPECT_EQ(w->imgcolrtone->Tag(), 0);
  EXPECT_TRUE(same_picture(w->imgedcolorsearch, w->imgedcolorsearchblu));
  // The view stays on the last page, as far as it scrolls; the frame says page 5.
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), kSpectrumWidth - 720);
  EXPECT_EQ(w->panindicatLeft->Left(), 595);  // Trunc(3600 / 6.05)
  EXPECT_EQ(w->panindicatRight->Left(), 721);
}

TEST_F(HexEntry, RowZeroAndColumnZeroAreNeverExamined) {
  const TColor grey = rgb(50, 50, 50), k = rgb(1, 2, 3), k2 = rgb(4, 5, 6);
  show_picture(800, 524, grey, {{{0, 100}, k}, {{300, 0}, k}, {{1, 1}, k2}});
  type_search("010203");
  EXPECT_EQ(w->labScan->Caption(), "");
  EXPECT_TRUE(w->labScan->Visible());
  // The first point looked at is (1, 1).
  type_search("040506");
  EXPECT_FALSE(w->labScan->Visible());
  const TPoint expected = client_to_screen({1, 1});
  EXPECT_EQ(GetCursorPos().X, expected.X);
  EXPECT_EQ(GetCursorPos().Y, expected.Y);
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), 0);
}

TEST_F(HexEntry, ColumnsOfLaterPagesAreReadFromThePicture) {
  // Column 720 is the last of page 0; column 1441 the first of page 2; a row past the picture
  // (it is 300 high) reads no colour.
  const TColor grey = rgb(50, 50, 50), a = rgb(7, 8, 9), b = rgb(10, 11, 12);
  show_picture(2000, 300, grey, {{{720, 299}, a}, {{1441, 5}, b}});
  type_search("070809");
  TPoint expected = client_to_screen({720, 299});
  EXPECT_EQ(GetCursorPos().X, expected.X);
  EXPECT_EQ(GetCursorPos().Y, expected.Y);
  type_search("0A0B0C");
  expected = client_to_screen({1, 5});
  EXPECT_EQ(GetCursorPos().X, expected.X);
  EXPECT_EQ(GetCursorPos().Y, expected.Y);
  EXPECT_EQ(w->panindicatLeft->Left(), 238);  // Trunc(1440 / 6.05)
}

TEST_F(HexEntry, WithAnotherWindowsVersionNothingIsReadAndNothingFound) {
  const TColor k = rgb(4, 5, 6);
  show_picture(800, 524, rgb(50, 50, 50), {{{1, 1}, k}});
  w->labVer->SetCaption("3");
  const TPoint before = GetCursorPos();
  type_search("040506");
  EXPECT_EQ(GetCursorPos().X, before.X);
  EXPECT_EQ(GetCursorPos().Y, before.Y);
  EXPECT_TRUE(w->labScan->Visible());
  EXPECT_EQ(w->labScan->Caption(), "");
  // Nothing is compared, so text that is not hexadecimal raises nothing either.
  type_search("zzzzzz");
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
}

TEST_F(HexEntry, WithVersion1TheScreenIsRead) {
  const TColor k = rgb(200, 7, 99);
  show_picture(800, 524, rgb(50, 50, 50), {{{30, 20}, k}});
  w->labVer->SetCaption("1");
  type_search("C80763");
  const TPoint expected = client_to_screen({30, 20});
  EXPECT_EQ(GetCursorPos().X, expected.X);
  EXPECT_EQ(GetCursorPos().Y, expected.Y);
  EXPECT_FALSE(w->labScan->Visible());
}

TEST_F(HexEntry, SearchTextThatIsNotHexadecimalStopsTheSearchUntilTheNextShortText) {
  w->imgcolrtone->Show();
  type_search("GGGGGG");
  EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_TRUE(w->labScan->Visible());
  EXPECT_EQ(w->labScan->Caption(), "scanning pixels....");
  EXPECT_TRUE(same_picture(w->imgedcolorsearch, w->imgedcolorsearchred));
  EXPECT_FALSE(w->imgcolrtone->Visible());
  send_key(*w->edcolorsearch, VK_BACK);
  EXPECT_EQ(w->labScan->Caption(), "");
  EXPECT_TRUE(w->imgcolrtone->Visible());
  EXPECT_TRUE(same_picture(w->imgedcolorsearch, w->imgedcolorsearchblu));
}
