// The variant grid on the real window: opening and closing, the cells against the colour
// routines, the three switches, picking a cell, and the two 16-variant palettes.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "workbench/workbench_fixture.hpp"
#include "platform/synthetic_input.hpp"
#include "resources/spectrum_strips.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

namespace {

constexpr TColor kRed = 0x000000FF;

class VariantGrid : public WorkbenchTest {
protected:
  void TearDown() override {
    EXPECT_TRUE(hw_test::dialogs().messages().empty());
    WorkbenchTest::TearDown();
  }

  // The first point of the shown strip that has exactly this colour.
  bool find_on_strip(TColor c, int& px, int& py) {
    for (int y = 0; y < kSpectrumHeight; ++y)
      for (int x = 0; x < 720; ++x)
        if (static_cast<TColor>(strip.colour(x, y)) == c) {
          px = x;
          py = y;
          return true;
        }
    return false;
  }
  // Makes pure red the selected colour and adds it: picked from the strip where it shows, or as
  // the channel rotation of a picked pure green or blue (a slot's neighbour cell).
  void add_red() {
    int x = 0, y = 0;
    if (find_on_strip(kRed, x, y)) {
      add_from(x, y);
      return;
    }
    if (find_on_strip(0x0000FF00, x, y)) {
      add_from(x, y);
      send_click(*w->Slot(1).imgTriad120, 10, 5);  // (G, B, R) of green
    } else if (find_on_strip(0x00FF0000, x, y)) {
      add_from(x, y);
      send_click(*w->Slot(1).imgTriad240, 10, 5);  // (B, R, G) of blue
    } else {
      FAIL() << "no primary colour on the strip";
    }
    ASSERT_EQ(w->pan->Color(), kRed);
    send_click(*w->imgPick, 5, 5);
  }
  TPanel* cell(const std::string& name) {
    auto* p = dynamic_cast<TPanel*>(w->Find(name));
    EXPECT_NE(p, nullptr) << name;
    return p;
  }
  void click(TControl& c) { send_click(c, 4, 4); }

  Raster24 strip = make_spectrum_strip(0);
};

// What each row of the grid should show, written from the row table: its base colour and its
// routine for the downward and the upward steps.
struct ExpectedRow {
  std::string prefix;
  int base;  // 0 the colour, 1 first neighbour, 2 second neighbour, 3 complement
  TColor (*down)(TColor, Byte);
  TColor (*up)(TColor, Byte);
};

const std::vector<ExpectedRow> kExpectedRows = {
    {"panVartone", 0, DarkerColor, LighterColor},  {"panVarred", 0, LessRed, MoreRed},
    {"panVaryel", 0, LessGreen, MoreGreen},        {"panVargrn", 0, LessBlue, MoreBlue},
    {"panVartri1red", 1, LessRed, MoreRed},        {"panVartri1grn", 1, LessGreen, MoreGreen},
    {"panVartri1blu", 1, LessBlue, MoreBlue},      {"panVartri2red", 2, LessRed, MoreRed},
    {"panVartri2grn", 2, LessGreen, MoreGreen},    {"panVartri2blu", 2, LessBlue, MoreBlue},
    {"panVarcyn", 3, LessRed, MoreRed},            {"panVarblu", 3, LessGreen, MoreGreen},
    {"panVarmag", 3, LessBlue, MoreBlue},
};

// Checks all 78 variant cells against their routines from the four base colours.
void expect_rows(VariantGrid* t, TForm1* w, const TColor base[4]) {
  const Byte steps[7] = {0, 30, 20, 10, 10, 20, 30};
  for (const ExpectedRow& r : kExpectedRows)
    for (int i = 1; i <= 6; ++i) {
      std::string name = r.prefix + std::to_string(i);
      TControl* c = dynamic_cast<TControl*>(w->Find(name));
      ASSERT_NE(c, nullptr) << name;
      TColor expected = i <= 3 ? r.down(base[r.base], steps[i]) : r.up(base[r.base], steps[i]);
      EXPECT_EQ(c->Color(), expected) << name;
    }
  (void)t;
}

}  // namespace

TEST_F(VariantGrid, OpeningForPureRedFillsEveryCellFromItsBlock) {
  add_red();
  ASSERT_EQ(w->pan->Color(), kRed);
  EXPECT_TRUE(w->imgVar->Visible());
  EXPECT_EQ(w->imgVar->Hint(), "see 80 variants");
  click(*w->imgVar);
  EXPECT_EQ(w->imgVar->Tag(), 1);
  EXPECT_EQ(w->imgVar->Hint(), "hide chromatic mixes");
  EXPECT_EQ(w->panSearch->Width(), 240);
  EXPECT_EQ(w->panVar->Width(), 210);
  EXPECT_TRUE(w->imgVariantsPal->Visible());
  EXPECT_FALSE(w->imgEdColor->Visible());
  EXPECT_EQ(w->labMode->Caption(), "edit");
  // Worked by hand: 255 - MulDiv(255, 30, 100) = 255 - 77 = 178.
  EXPECT_EQ(cell("panVarorg")->Color(), kRed);
  EXPECT_EQ(cell("panVartone1")->Color(), RGB(178, 0, 0));
  EXPECT_EQ(cell("panVarcompli")->Color(), RGB(0, 255, 255));
  EXPECT_EQ(cell("pantri1")->Color(), AnalogicPlus15(kRed));
  EXPECT_EQ(cell("panTri2")->Color(), AnalogicMinus15(kRed));
  // The working cell ends with the last block computed, the second neighbour.
  EXPECT_EQ(w->panCompli->Color(), AnalogicMinus15(kRed));
  const TColor base[4] = {kRed, AnalogicPlus15(kRed), AnalogicMinus15(kRed), RGB(0, 255, 255)};
  expect_rows(this, w, base);
}

TEST_F(VariantGrid, CellsCarryTheirNamesPlacesAndHints) {
  // The sixth red cell has its own spelling; the lookup by name ignores case, the name does not.
  EXPECT_EQ(cell("panvarred6")->Name(), "panvarred6");
  EXPECT_EQ(cell("panVartone1")->Hint(), "-  darker 30%");
  EXPECT_EQ(cell("panVartone2")->Hint(), "- darker 20%");
  EXPECT_EQ(cell("panVarred1")->Hint(), "-  red 30%");
  EXPECT_EQ(cell("panVaryel6")->Hint(), "+ green 30%");
  EXPECT_EQ(cell("panVartri1blu1")->Hint(), " - blue 30%");
  EXPECT_EQ(cell("panVartri2blu1")->Hint(), "- blue 30%");
  EXPECT_EQ(cell("panVarblu1")->Hint(), "complement  - green 30%");
  EXPECT_EQ(cell("panVarblu5")->Hint(), "complement + green 20%");
  EXPECT_EQ(cell("panVarmag5")->Hint(), "complement + blue  20%");
  EXPECT_EQ(cell("panVarmag6")->Hint(), "cmoplement + blue  30%");
  EXPECT_EQ(cell("pantri1")->Hint(), "triadic +135\u00B0");
  EXPECT_EQ(cell("panVarcompli")->Hint(), "complement");
  // Columns 0, 30, 60 | base 90 | 120, 150, 180; rows 30 apart.
  EXPECT_EQ(cell("panVarmag3")->Left(), 60);
  EXPECT_EQ(cell("panVarmag4")->Left(), 120);
  EXPECT_EQ(cell("panVarmag4")->Top(), 360);
  EXPECT_EQ(cell("panTri2")->Top(), 210);
  EXPECT_EQ(cell("panTri2")->Height(), 90);
  EXPECT_EQ(cell("panVarorg")->Height(), 120);
  EXPECT_EQ(w->labVarcomp->Top(), 458);
  EXPECT_EQ(w->labVartriad1->Caption(), "toggle triadic +135\u00B0 HSL to RGB");
  EXPECT_EQ(w->labVarcomp->Caption(), "toggle complement RGB to HSL");
}

TEST_F(VariantGrid, TheComplementSwitchSurvivesClosingAndReopening) {
  TColor c = add_from(150, 120);
  click(*w->imgVar);
  click(*w->imgVarcomp);
  EXPECT_EQ(w->imgVarcomp->Tag(), 1);
  EXPECT_EQ(w->labVarcomp->Caption(), "toggle complement HSL to RGB");
  EXPECT_EQ(cell("panVarcompli")->Color(), ComplementHLS(c));
  EXPECT_EQ(w->panCompli->Color(), ComplementHLS(c));
  EXPECT_EQ(cell("panVarcyn1")->Color(), LessRed(ComplementHLS(c), 30));
  // Only the complement block changed.
  EXPECT_EQ(cell("pantri1")->Color(), AnalogicPlus15(c));

  click(*w->imgVar);  // close
  EXPECT_EQ(w->imgVar->Tag(), 0);
  EXPECT_EQ(w->imgVar->Hint(), "see chromatic mixes");
  EXPECT_EQ(w->panSearch->Width(), 90);
  EXPECT_EQ(w->panVar->Width(), 0);
  EXPECT_TRUE(w->imgEdColor->Visible());
  EXPECT_FALSE(w->imgVariantsPal->Visible());
  click(*w->imgVar);  // open again
  EXPECT_EQ(w->imgVarcomp->Tag(), 1);
  EXPECT_EQ(w->labVarcomp->Caption(), "toggle complement HSL to RGB");
  const TColor base[4] = {c, AnalogicPlus15(c), AnalogicMinus15(c), ComplementHLS(c)};
  expect_rows(this, w, base);

  // The label does what its image does.
  click(*w->labVarcomp);
  EXPECT_EQ(w->imgVarcomp->Tag(), 0);
  EXPECT_EQ(w->labVarcomp->Caption(), "toggle complement RGB to HSL");
  EXPECT_EQ(cell("panVarmag6")->Color(), MoreBlue(ComplementRGB(c), 30));
}

TEST_F(VariantGrid, TheNeighbourSwitchesTurnToChannelRotationsAndBack) {
  TColor c = add_from(500, 300);
  click(*w->imgVar);
  click(*w->imgVartriad1);
  EXPECT_EQ(w->labVartriad1->Caption(), "toggle triadic +135\u00B0 RGB to HSL");
  EXPECT_EQ(cell("pantri1")->Color(), TriadicRGB120(c));
  EXPECT_EQ(w->panCompli->Color(), TriadicRGB120(c));
  EXPECT_EQ(cell("panVartri1grn2")->Color(), LessGreen(TriadicRGB120(c), 20));
  click(*w->labVartriad1);
  EXPECT_EQ(w->labVartriad1->Caption(), "toggle analogic +15\u00B0 HSL to RGB");
  EXPECT_EQ(cell("pantri1")->Color(), AnalogicPlus15(c));

  click(*w->labVartriad2);
  EXPECT_EQ(w->imgVartriad2->Tag(), 1);
  EXPECT_EQ(w->labVartriad2->Caption(), "toggle triadic -135\u00B0 RGB to HSL");
  EXPECT_EQ(cell("panTri2")->Color(), TriadicRGB240(c));
  // A rebuild for a new colour keeps the switched derivation.
  TColor d = add_from(100, 400);
  EXPECT_EQ(w->imgVar->Tag(), 1);
  EXPECT_EQ(cell("panVarorg")->Color(), d);
  EXPECT_EQ(cell("panTri2")->Color(), TriadicRGB240(d));
  EXPECT_EQ(cell("panVartri2blu5")->Color(), MoreBlue(TriadicRGB240(d), 20));
  EXPECT_EQ(w->panCompli->Color(), TriadicRGB240(d));
}

TEST_F(VariantGrid, ClickingACellSelectsItsColour) {
  TColor c = add_from(260, 180);
  click(*w->imgVar);
  send_click(*cell("panVartone6"), 10, 10);
  EXPECT_EQ(w->pan->Color(), LighterColor(c, 30));
  EXPECT_EQ(w->edcolor->Text(), ColorToHex(LighterColor(c, 30)));
  EXPECT_EQ(w->Label1->Caption(), HistoryLine(LighterColor(c, 30)));
  EXPECT_TRUE(w->imgPick->Visible());
  EXPECT_EQ(w->ImageScrollBox1->Tag(), 1);
  // The colour of the slot being edited is not offered again.
  send_click(*cell("panVarorg"), 10, 60);
  EXPECT_EQ(w->pan->Color(), c);
  EXPECT_FALSE(w->imgPick->Visible());
  // Adding a cell's colour puts it in the next slot and rebuilds the open grid for it.
  send_click(*cell("panVarcyn4"), 10, 10);
  TColor k = w->pan->Color();
  EXPECT_EQ(k, MoreRed(ComplementRGB(c), 10));
  send_click(*w->imgPick, 5, 5);
  EXPECT_EQ(w->pan2()->Color(), k);
  EXPECT_EQ(w->imgVar->Tag(), 1);
  EXPECT_EQ(cell("panVarorg")->Color(), k);
}

TEST_F(VariantGrid, SelectingASlotRebuildsAndClearingCloses) {
  TColor a = add_from(100, 100);
  add_from(600, 300);
  click(*w->imgVar);
  send_click(*w->pan1(), 300, 3);
  EXPECT_EQ(w->imgVar->Tag(), 1);
  EXPECT_EQ(w->panVar->Width(), 210);
  EXPECT_EQ(cell("panVarorg")->Color(), a);
  EXPECT_EQ(cell("panVarcompli")->Color(), ComplementRGB(a));
  // Switching to history and back to edit mode keeps the grid open.
  click(*w->imgExtendpanel);
  EXPECT_EQ(w->panVar->Width(), 0);
  click(*w->imgCollapseColorPanel);
  EXPECT_EQ(w->labMode->Caption(), "edit");
  EXPECT_EQ(w->imgVar->Tag(), 1);
  EXPECT_EQ(w->panVar->Width(), 210);
  EXPECT_EQ(w->panSearch->Width(), 240);
  click(*w->imgClearPicked);
  EXPECT_EQ(w->imgVar->Tag(), 0);
  EXPECT_FALSE(w->imgVar->Visible());
  EXPECT_EQ(w->panVar->Width(), 0);
  EXPECT_EQ(w->panSearch->Width(), 90);
  EXPECT_EQ(w->imgVar->Hint(), "see 80 variants");
  // The cells keep their colours while closed.
  EXPECT_NE(cell("panVarorg")->Color(), kDesignPanelColour);
}

TEST_F(VariantGrid, TheGridOpensInEditModeFromHistoryMode) {
  add_from(100, 100);
  add_from(200, 100);
  add_from(300, 100);
  click(*w->imgExtendpanel);
  ASSERT_EQ(w->labMode->Caption(), "history");
  w->imgVar->Show();  // the history pick shows it again; here it is shown by hand
  click(*w->imgVar);
  EXPECT_EQ(w->labMode->Caption(), "edit");
  EXPECT_EQ(w->panSearch->Width(), 240);
  EXPECT_EQ(w->panSearch->Color(), kEditModeColour);
  EXPECT_EQ(w->panVar->Color(), kEditModeColour);
  // With a slot selected beyond the first, the palette tools are offered.
  EXPECT_TRUE(w->imgSaveAll->Visible());
  EXPECT_TRUE(w->imgPaletteAll->Visible());
}

TEST_F(VariantGrid, TheVariantPalettesAlternateBetweenTheirTwoSelections) {
  for (int x : {100, 200, 300}) add_from(x, 100);
  send_click(*w->Slot(2).imgDel, 4, 4);
  add_from(400, 150);
  TColor c = add_from(333, 222);
  click(*w->imgVar);
  // The cells as they stand before the palette is built.
  std::vector<TColor> a{c};
  for (const char* n : {"panVartone1", "panVartone6", "panVarred1", "panvarred6", "panVaryel1", "panVaryel6",
                        "panVargrn1", "panVargrn6", "panVartri1red1", "panVartri1red6", "panVartri1grn1",
                        "panVartri1grn6", "panVartri1blu1", "panVartri1blu6", "panVarcompli"})
    a.push_back(cell(n)->Color());

  click(*w->imgVariantsPal);
  for (int n = 1; n <= 16; ++n) {
    EXPECT_TRUE(w->panN(n)->Visible()) << n;
    EXPECT_EQ(w->panN(n)->Color(), a[static_cast<size_t>(n - 1)]) << n;
  }
  EXPECT_EQ(w->labImgPick->Tag(), 16);
  EXPECT_EQ(w->imgPick->Tag(), 16);
  EXPECT_EQ(w->imgVariantsPal->Tag(), 1);
  EXPECT_EQ(w->imgVariantsPal->Hint(), "add alternate 16 variant palette");
  // The grid is open again, built from the last colour added, the complement.
  const TColor k = ComplementRGB(c);
  EXPECT_EQ(w->pan->Color(), k);
  EXPECT_EQ(w->imgVar->Tag(), 1);
  EXPECT_EQ(cell("panVarorg")->Color(), k);
  EXPECT_EQ(w->panCompli->Color(), AnalogicMinus15(k));
  EXPECT_EQ(w->panBlowColor->Color(), c);
  for (TControl* t : std::initializer_list<TControl*>{w->imgTestPic, w->butProcessPic, w->imgcolrtone, w->imgSaveAll,
                                                      w->imgPaletteAll, w->imgResetVariant, w->imgVariantsPal})
    EXPECT_TRUE(t->Visible()) << t->Name();
  EXPECT_FALSE(w->imgGenArtPal->Visible());
  EXPECT_EQ(w->labMode->Caption(), "edit");

  std::vector<TColor> b{k};
  for (const char* n : {"panVartone2", "panVartone5", "panVartri1red1", "panVartri1red6", "panVartri1grn1",
                        "panVartri1grn6", "panVartri1blu1", "panVartri1blu6", "panVartri2red1", "panVartri2red6",
                        "panVartri2grn1", "panVartri2grn6", "panVartri2blu1", "panVartri2blu6", "panVarcompli"})
    b.push_back(cell(n)->Color());
  click(*w->imgVariantsPal);
  for (int n = 1; n <= 16; ++n) EXPECT_EQ(w->panN(n)->Color(), b[static_cast<size_t>(n - 1)]) << n;
  EXPECT_EQ(w->imgVariantsPal->Tag(), 0);
  EXPECT_EQ(w->imgVariantsPal->Hint(), "add 16 variant palette from current color");
  EXPECT_EQ(w->pan->Color(), ComplementRGB(k));
  click(*w->imgResetVariant);
  EXPECT_EQ(w->panN(4)->Color(), c);
  // Sixteen colours picked by hand all come back.
  for (int i = 0; i < 12; ++i) c = add_from(30 + 55 * i, 300);
  for (TControl* b : std::initializer_list<TControl*>{w->imgVar, w->imgVariantsPal, w->imgResetVariant}) click(*b);
  EXPECT_EQ(w->pan16()->Color(), c);
}

TEST_F(VariantGrid, OpeningOrClosingTheGridHidesTheHelpWindow) {
  add_from(100, 100);
  click(*w->imgHelp);
  ASSERT_TRUE(Form2->Visible());
  click(*w->imgVar);
  EXPECT_FALSE(Form2->Visible());
  click(*w->imgHelp);
  ASSERT_TRUE(Form2->Visible());
  click(*w->imgVar);
  EXPECT_FALSE(Form2->Visible());
}
