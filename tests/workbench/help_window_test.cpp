// The help window on the real windows: where it appears, which page the workbench's state
// brings up, the hot spots and page clicks (through real clicks on the window, which reach the
// topmost image under the point), and the logo's web page.
#include <gtest/gtest.h>

#include <string>

#include "common/test_env.hpp"
#include "workbench/workbench_fixture.hpp"
#include "image/png_graphic.hpp"
#include "platform/synthetic_input.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

namespace {

class HelpWindow : public WorkbenchTest {
protected:
  void SetUp() override {
    WorkbenchTest::SetUp();
    h = Form2;
  }

  void click(TControl& c) { send_click(c, 4, 4); }
  void open_help() {
    click(*w->imgHelp);
    flush_paints();
  }
  // The topmost shown image of the help window at a point.
  TControl* top_at(int x, int y) {
    for (int i = h->ControlCount() - 1; i >= 0; --i) {
      TControl* c = h->Controls(i);
      if (c->Visible() && x >= c->Left() && x < c->Left() + c->Width() && y >= c->Top() && y < c->Top() + c->Height())
        return c;
    }
    return nullptr;
  }
  // The page the user sees, away from the hot spots and the logo.
  TControl* page() { return top_at(20, 20); }

  TForm2* h = nullptr;
};

// Points inside the two hot spots and on a page beside them.
constexpr TPoint kOnGridLink{200, 210};
constexpr TPoint kOnDetailsLink{200, 400};
constexpr TPoint kOnPage{40, 100};

}  // namespace

TEST_F(HelpWindow, ItIsABorderlessToolWindowOfTheMainWindowHoldingPngPages) {
  EXPECT_FALSE(h->Visible());
  EXPECT_EQ(h->BorderStyle(), TFormBorderStyle::bsNone);
  EXPECT_EQ(h->PopupParent(), w);
  EXPECT_EQ(h->ClientWidth(), 487);
  EXPECT_EQ(h->ClientHeight(), 449);
  // The pages are drawn once the main window has been painted.
  Application->ProcessMessages();
  for (TImage* p : {h->Image1, h->Image2, h->Image3, h->Image4, h->Image8, h->Image9, h->Image11}) {
    auto* g = dynamic_cast<TPngGraphic*>(p->Picture().Graphic());
    ASSERT_NE(g, nullptr) << p->Name();
    EXPECT_EQ(g->Width(), 486);
    EXPECT_EQ(g->Height(), 454);
  }
  EXPECT_EQ(h->Image7->Picture().Width(), 497);
  EXPECT_EQ(h->Image5->Picture().Graphic(), nullptr);
  EXPECT_EQ(h->Image6->Picture().Graphic(), nullptr);
  EXPECT_NE(dynamic_cast<TPngGraphic*>(h->Image10->Picture().Graphic()), nullptr);
  EXPECT_TRUE(h->Image10->Transparent());
  EXPECT_EQ(h->Image10->Hint(), "click for Huewright website");
  // Creation order stacks Image11 lowest and the logo highest.
  EXPECT_EQ(h->Controls(0), h->Image11);
  EXPECT_EQ(h->Controls(h->ControlCount() - 1), h->Image10);
}

TEST_F(HelpWindow, ItPlacesItselfAtAFixedOffsetFromThePictureViewWheneverShown) {
  auto expected = [&] {
    TPoint p = w->ClientToScreen({w->ImageScrollBox1->Left(), w->ImageScrollBox1->Top()});
    return TPoint{p.X + 671, p.Y + 137};
  };
  open_help();
  ASSERT_TRUE(h->Visible());
  EXPECT_EQ(h->Left(), expected().X);
  EXPECT_EQ(h->Top(), expected().Y);
  // The window itself is there, not only its numbers.
  TPoint origin = h->ClientToScreen({0, 0});
  EXPECT_EQ(origin.X, expected().X);
  EXPECT_EQ(origin.Y, expected().Y);
  // A move of the help window puts it back.
  h->SetBounds(5, 5, h->Width(), h->Height());
  EXPECT_EQ(h->Left(), expected().X);
  EXPECT_EQ(h->Top(), expected().Y);
  // It follows the main window the next time it is shown.
  send_click(*h, kOnPage.X, kOnPage.Y);
  ASSERT_FALSE(h->Visible());
  w->SetBounds(70, 40, w->Width(), w->Height());
  flush_paints();
  open_help();
  EXPECT_EQ(h->Left(), expected().X);
  EXPECT_EQ(h->Top(), expected().Y);
}

TEST_F(HelpWindow, AnEmptyPaletteShowsTheFirstPageAndItsLinks) {
  pick_at(250, 250);
  open_help();
  EXPECT_EQ(page(), h->Image1);
  EXPECT_EQ(top_at(kOnGridLink.X, kOnGridLink.Y), h->Image5);
  EXPECT_EQ(top_at(470, 430), h->Image10);
  // The magnifier shows the selected colour.
  EXPECT_EQ(w->panBlowColor->Color(), w->pan->Color());
  EXPECT_EQ(w->panBlowCaption->Caption(), ColorToHex(w->pan->Color()));
  send_click(*h, kOnGridLink.X, kOnGridLink.Y);
  EXPECT_EQ(page(), h->Image4);
  EXPECT_TRUE(h->Visible());
  send_click(*h, kOnDetailsLink.X, kOnDetailsLink.Y);
  EXPECT_EQ(page(), h->Image7);
  EXPECT_TRUE(h->Visible());
  send_click(*h, kOnPage.X, kOnPage.Y);  // a click on Image7 goes back to the grid page
  EXPECT_EQ(page(), h->Image4);
  EXPECT_EQ(top_at(kOnDetailsLink.X, kOnDetailsLink.Y), h->Image6);
  EXPECT_TRUE(h->Visible());
  send_click(*h, kOnPage.X, kOnPage.Y);  // any other page closes the window
  EXPECT_FALSE(h->Visible());
  // Showing again starts from the first page.
  open_help();
  EXPECT_EQ(page(), h->Image1);
}

TEST_F(HelpWindow, ArtistModeShowsThePainterPageWithoutTheGridLink) {
  for (int i = 0; i < 16; ++i) add_from(20 + 40 * i, 90);
  // The state a painter's palette leaves behind.
  w->panArt->SetWidth(310);
  w->panSearch->SetWidth(337);
  w->labMode->SetCaption("art  ");
  w->imgGenArtPal->Show();
  open_help();
  EXPECT_EQ(page(), h->Image9);
  EXPECT_EQ(top_at(kOnGridLink.X, kOnGridLink.Y), h->Image9);
  send_click(*h, kOnGridLink.X, kOnGridLink.Y);  // no link there: the page closes the window
  EXPECT_FALSE(h->Visible());
  // Without a painter's palette to take over, the artist page itself.
  w->imgGenArtPal->Hide();
  open_help();
  EXPECT_EQ(page(), h->Image3);
}

TEST_F(HelpWindow, HistoryModeShowsTheHistoryPageAndTheListItsOwn) {
  click(*w->imgExtendpanel);
  open_help();
  EXPECT_EQ(page(), h->Image2);
  EXPECT_NE(top_at(kOnGridLink.X, kOnGridLink.Y), h->Image5);
  send_click(*h, kOnPage.X, kOnPage.Y);
  click(*w->imgCSS);  // the palette list takes the history's place
  ASSERT_EQ(w->imgCSS->Tag(), 1);
  ASSERT_EQ(w->labMode->Caption(), "history");
  open_help();
  EXPECT_EQ(page(), h->Image11);
  // Image11 came after Image2.
  int i11 = -1, i2 = -1;
  for (int i = 0; i < h->ControlCount(); ++i) {
    if (h->Controls(i) == h->Image11) i11 = i;
    if (h->Controls(i) == h->Image2) i2 = i;
  }
  EXPECT_GT(i11, i2);
}

TEST_F(HelpWindow, AFullPaletteWithTheGridOpenShowsTheGridPage) {
  for (int i = 0; i < 16; ++i) add_from(30 + 40 * i, 300);
  open_help();
  EXPECT_EQ(page(), h->Image8);
  send_click(*h, kOnPage.X, kOnPage.Y);
  click(*w->imgVar);
  ASSERT_EQ(w->panVar->Width(), 210);
  open_help();
  EXPECT_EQ(page(), h->Image4);
  EXPECT_EQ(top_at(kOnDetailsLink.X, kOnDetailsLink.Y), h->Image6);
  send_click(*h, kOnDetailsLink.X, kOnDetailsLink.Y);
  EXPECT_EQ(page(), h->Image7);
}

TEST_F(HelpWindow, TheLogoOpensTheWebPageFromEveryPage) {
  open_help();
  send_click(*h, 470, 430);
  ASSERT_EQ(hw_test::dialogs().requests.size(), 1u);
  EXPECT_EQ(hw_test::dialogs().requests[0].kind, DialogKind::WebPage);
  EXPECT_EQ(hw_test::dialogs().requests[0].text, "https://huewright.org/");
  EXPECT_TRUE(h->Visible());
  send_click(*h, kOnGridLink.X, kOnGridLink.Y);
  send_click(*h, kOnDetailsLink.X, kOnDetailsLink.Y);
  ASSERT_EQ(page(), h->Image7);
  send_click(*h, 470, 430);
  EXPECT_EQ(hw_test::dialogs().requests.size(), 2u);
  EXPECT_EQ(page(), h->Image7);
}

TEST_F(HelpWindow, AddingAColourHidesIt) {
  pick_at(200, 200);
  open_help();
  ASSERT_TRUE(h->Visible());
  send_click(*w->imgPick, 5, 5);
  EXPECT_FALSE(h->Visible());
}
