#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "workbench/workbench_fixture.hpp"
#include "image/dib_graphic.hpp"
#include "platform/synthetic_input.hpp"
#include "resources/spectrum_strips.hpp"
#include "storage/css_palette_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

namespace {

struct PainterCase {
  const char* thumbnail;
  const char* label;
  int width;  // of the painting
  int height;
  bool hides_horizontal;
  std::array<const char*, 16> colours;
};

// The ten painters in thumbnail order, with the sizes of their paintings and their palettes.
const std::array<PainterCase, 10> kPainters = {{
    {"imgNorvandopic", "Label5", 834, 524, false,
     {"CFB381", "966638", "78451A", "632006", "D9986E", "F5E2C2", "BEB78D", "768252", "40492C", "4E5E53", "859A8B",
      "878973", "463A0A", "693D16", "A88B4F", "433C29"}},
    {"imgPellowinpic", "Label6", 760, 524, true,
     {"5E101D", "603D21", "8A5B13", "562D27", "734D36", "BE9523", "836C4C", "DAD0B5", "626C30", "516623", "4D5621",
      "3D3E12", "303F3A", "476182", "8094AF", "262E3B"}},
    {"imgBrimsapic", "Label7", 720, 531, false,
     {"865535", "958236", "857252", "999275", "C4C4A2", "DFDE9E", "DCE8E4", "B9B9B1", "9C9D95", "BAC5CB", "B0B5B1",
      "9FA2A7", "929DB9", "8695A8", "73819C", "5D6B92"}},
    {"imgVelbrinpic", "Label8", 1101, 524, false,
     {"58361D", "6C350C", "7D5124", "8D6B00", "C4AA3B", "788847", "5D7A4C", "495831", "90B7B6", "527E9B", "497EC2",
      "205797", "14324E", "0D1F37", "332F14", "1C2A07"}},
    {"imgDravostpic", "Label9", 720, 529, false,
     {"58403C", "B14A37", "D36647", "D38D5C", "D5A55D", "B59296", "BFC1BE", "8EA19D", "4C6967", "435853", "17403C",
      "1C5657", "234850", "223D44", "112E2C", "201F1A"}},
    {"imgQuenlorpic", "Label4", 720, 575, false,
     {"201212", "621622", "9D2526", "DD3A2B", "DE9B88", "F9A660", "E9AF41", "F9E769", "E9ECE5", "AE8945", "869E90",
      "89AC68", "2F443F", "394987", "6674A3", "7B89AC"}},
    {"imgOrlatpic", "Label10", 1122, 524, false,
     {"583F03", "A28489", "CC95AA", "AE8DA5", "8D8873", "DACD9E", "FDF2E0", "939059", "868435", "4D581D", "44577F",
      "5A6389", "7A7D9D", "9388AB", "8E959E", "47514B"}},
    {"imgRuskavypic", "Label11", 720, 546, false,
     {"76332D", "974E40", "AF664E", "808D76", "706F59", "858587", "574B4F", "47383D", "1F408F", "1E3B5C", "364E74",
      "7D96D0", "A1C0DC", "708286", "4A5B5E", "122C31"}},
    {"imgFalvestripic", "Label12", 720, 586, false,
     {"3B4956", "455F7A", "5773A3", "557AA6", "5F84AE", "7490A5", "9FA8A5", "709873", "A09B7D", "AE9F5A", "B49755",
      "B88C81", "906262", "504B48", "55636C", "71828C"}},
    {"imgTambrelpic", "Label14", 778, 524, false,
     {"A31A12", "D1081A", "EB2B1E", "E96B16", "F39406", "F7AA10", "8DB226", "36A636", "4C9732", "6F8010", "897E12",
      "BA7E42", "A47040", "895837", "5B5928", "41310D"}},
}};

constexpr CellKind kKinds[5] = {CellKind::Compli, CellKind::Triad120, CellKind::Triad240, CellKind::Dark, CellKind::Light};

class Painters : public WorkbenchTest {
protected:
  void TearDown() override {
    EXPECT_TRUE(hw_test::dialogs().messages().empty());
    WorkbenchTest::TearDown();
  }

  TControl& component(const std::string& name) {
    auto* c = dynamic_cast<TControl*>(w->Find(name));
    EXPECT_NE(c, nullptr) << name;
    return *c;
  }
  void click_art() { send_click(*w->imgArt, 4, 4); }
  // Enters artist mode if needed and clicks a painter's thumbnail.
  void load(const PainterCase& p) {
    if (w->panArt->Width() == 0) click_art();
    send_click(component(p.thumbnail), 10, 10);
  }
  void add_hex(const std::string& hex) {
    w->edcolor->SetText(hex);
    w->imgpickCompli();
  }
  std::vector<std::string> memo() { return w->Memo1->Lines().Items(); }
  std::vector<std::string> slot_hex() {
    std::vector<std::string> out;
    for (int n = 1; n <= 16; ++n)
      if (w->panN(n)->Visible()) out.push_back(ColorToHex(w->panN(n)->Color()));
    return out;
  }
  void expect_painter_on_slots(const PainterCase& p) {
    for (int n = 1; n <= 16; ++n) {
      EXPECT_TRUE(w->panN(n)->Visible()) << p.thumbnail << " slot " << n;
      EXPECT_EQ(ColorToHex(w->panN(n)->Color()), p.colours[static_cast<size_t>(n - 1)]) << p.thumbnail << " slot " << n;
    }
  }
  void expect_pick_images(bool shown) {
    for (int n = 1; n <= 16; ++n)
      for (CellKind k : kKinds) EXPECT_EQ(w->CellPick(n, k)->Visible(), shown) << "row " << n;
  }
  void expect_delete_buttons(bool shown) {
    for (int n = 1; n <= 16; ++n) EXPECT_EQ(w->Slot(n).imgDel->Visible(), shown) << "slot " << n;
  }
  void expect_art_look() {
    EXPECT_EQ(w->labMode->Caption(), "art  ");
    EXPECT_EQ(w->labMode->Left(), 1);
    EXPECT_EQ(w->panSearch->Color(), kArtModeColour);
    EXPECT_EQ(w->labMode->Color(), kArtModeColour);
    EXPECT_EQ(w->panReset->Color(), kArtModeColour);
  }
  void expect_edit_look() {
    EXPECT_EQ(w->labMode->Caption(), "edit");
    EXPECT_EQ(w->labMode->Left(), 50);
    EXPECT_EQ(w->panSearch->Color(), kEditModeColour);
    EXPECT_EQ(w->labMode->Color(), kEditModeColour);
  }

};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The panel
// ---------------------------------------------------------------------------------------------
TEST_F(Painters, ThePanelListsTenThumbnailsWithTheirCaptions) {
  EXPECT_EQ(w->panArt->Width(), 0);
  click_art();
  EXPECT_EQ(w->panArt->Width(), 310);
  const int tops[10] = {0, 48, 96, 144, 192, 240, 288, 336, 384, 432};
  for (size_t i = 0; i < 10; ++i) {
    auto* thumb = dynamic_cast<TImage*>(&component(kPainters[i].thumbnail));
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->Parent(), w->panArt);
    EXPECT_EQ(thumb->Top(), tops[i]);
    EXPECT_EQ(thumb->Height(), 48);
    EXPECT_EQ(thumb->Hint(), "see this palette");
    ASSERT_NE(thumb->Picture().Graphic(), nullptr) << kPainters[i].thumbnail;
    EXPECT_EQ(thumb->Picture().Graphic()->Width(), kPainters[i].width);
    EXPECT_EQ(thumb->Picture().Graphic()->Height(), kPainters[i].height);
    EXPECT_EQ(thumb->Picture().Graphic()->ClassName(), "TPngGraphic");
    auto* label = dynamic_cast<TLabel*>(&component(kPainters[i].label));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Left(), 102);
    EXPECT_EQ(label->Top(), tops[i] + 28);
    EXPECT_EQ(label->Height(), 14);
    EXPECT_FALSE(label->Caption().empty());
  }
  // The captions name the painters.
  EXPECT_EQ(dynamic_cast<TLabel&>(component("Label4")).Caption().rfind("Quenlor", 0), 0u);
  EXPECT_EQ(dynamic_cast<TLabel&>(component("Label14")).Caption().rfind("Tambrel", 0), 0u);
}

// ---------------------------------------------------------------------------------------------
// Loading a painter's palette
// ---------------------------------------------------------------------------------------------
TEST_F(Painters, EachPainterGivesExactlyItsSixteenColours) {
  for (const PainterCase& p : kPainters) {
    load(p);
    expect_painter_on_slots(p);
    EXPECT_EQ(w->imgPick->Tag(), 16) << p.thumbnail;
    EXPECT_EQ(w->labImgPick->Tag(), 16) << p.thumbnail;
    EXPECT_EQ(ColorToHex(w->pan->Color()), p.colours[15]) << p.thumbnail;
    EXPECT_FALSE(w->imgPickArt->Visible()) << p.thumbnail;
    expect_pick_images(false);
    expect_delete_buttons(false);
    expect_art_look();
    EXPECT_EQ(w->panArt->Width(), 310) << p.thumbnail;
    EXPECT_EQ(w->panSearch->Width(), 337) << p.thumbnail;
    EXPECT_EQ(w->imgArt->Tag(), 0);
    EXPECT_EQ(w->imgArt->Hint(), "example artists palettes");
    EXPECT_EQ(w->labPickSelect->Tag(), 0);
    // The painting is in the view, without its vertical scroll bar.
    ASSERT_NE(w->ImageScrollBox1->Graphic(), nullptr);
    EXPECT_EQ(w->ImageScrollBox1->Graphic()->Width(), p.width) << p.thumbnail;
    EXPECT_EQ(w->ImageScrollBox1->Graphic()->Height(), p.height) << p.thumbnail;
    EXPECT_FALSE(w->ImageScrollBox1->VertScrollBar().IsScrollBarVisible()) << p.thumbnail;
    if (p.hides_horizontal) {
      EXPECT_FALSE(w->ImageScrollBox1->HorzScrollBar().IsScrollBarVisible());
    }
    // The mode's tools.
    for (TControl* c : std::initializer_list<TControl*>{w->imgResetpic, w->imgTestPic, w->butProcessPic, w->imgcolrtone,
                                                        w->imgGenArtPal, w->imgSaveAll})
      EXPECT_TRUE(c->Visible()) << p.thumbnail << " " << c->Name();
    for (TControl* c : std::initializer_list<TControl*>{w->imgSaveTest, w->imgLoadpic, w->imgEdColor, w->imgClearPicked,
                                                        w->imgGenPal, w->imgPaletteAll, w->imgVar, w->imgGenSpec})
      EXPECT_FALSE(c->Visible()) << p.thumbnail << " " << c->Name();
  }
}

TEST_F(Painters, TheCaptionLabelLoadsToo) {
  click_art();
  send_click(component("Label12"), 5, 5);
  expect_painter_on_slots(kPainters[8]);
  // Falvestri's fourteenth colour is close to the empty colour but an ordinary one.
  EXPECT_TRUE(w->panN(14)->Visible());
  EXPECT_EQ(ColorToHex(w->panN(14)->Color()), "504B48");
  EXPECT_NE(w->panN(14)->Color(), kEmptyColour);
}

TEST_F(Painters, APainterLoadKeepsTheOwnPaletteInTheList) {
  for (const char* h : {"112233", "445566", "778899"}) add_hex(h);
  click_art();
  EXPECT_EQ(memo(), (std::vector<std::string>{"112233", "445566", "778899"}));
  send_click(component("imgBrimsapic"), 10, 10);
  EXPECT_EQ(memo(), (std::vector<std::string>{"112233", "445566", "778899"}));
  // The palette comes back with the return button, with its delete buttons and pick images.
  ASSERT_TRUE(w->imgResetpic->Visible());
  send_click(*w->imgResetpic, 4, 4);
  EXPECT_EQ(slot_hex(), (std::vector<std::string>{"112233", "445566", "778899"}));
  EXPECT_FALSE(w->panN(4)->Visible());
  expect_delete_buttons(true);
  expect_pick_images(true);
  expect_edit_look();
  EXPECT_EQ(w->ImageScrollBox1->Graphic()->Width(), kSpectrumWidth);
}

// ---------------------------------------------------------------------------------------------
// Entering and leaving artist mode
// ---------------------------------------------------------------------------------------------
TEST_F(Painters, EnteringKeepsTheShownSlotsAndLeavingOverTheSpectrumReturnsToEditMode) {
  std::vector<std::string> own;
  for (int i = 0; i < 16; ++i) {
    own.push_back(ColorToHex(RGB(10 * i, 255 - 10 * i, 100)));
    add_hex(own.back());
  }
  click_art();
  EXPECT_EQ(memo(), own);
  EXPECT_EQ(w->imgArt->Tag(), 1);
  EXPECT_EQ(w->imgArt->Hint(), "return to your palette");
  EXPECT_EQ(w->panArt->Width(), 310);
  EXPECT_EQ(w->panSearch->Width(), 337);
  EXPECT_EQ(w->panArt->Color(), kArtModeColour);
  expect_art_look();
  // The spectrum is 4316 wide: there is no picture to return from.
  EXPECT_FALSE(w->imgResetpic->Visible());
  for (TControl* c : std::initializer_list<TControl*>{w->imgLoadpic, w->imgGenSpec, w->imgVar, w->imgEdColor, w->imgClearPicked})
    EXPECT_FALSE(c->Visible()) << c->Name();
  click_art();
  EXPECT_EQ(w->imgArt->Tag(), 0);
  EXPECT_EQ(w->panArt->Width(), 0);
  EXPECT_EQ(w->panSearch->Width(), 90);
  expect_edit_look();
  EXPECT_EQ(w->imgArt->Hint(), "example artists palettes");
  EXPECT_FALSE(w->imgGenArtPal->Visible());
  for (TControl* c : std::initializer_list<TControl*>{w->imgLoadpic, w->imgGenSpec, w->imgVar, w->imgEdColor,
                                                      w->imgClearPicked, w->imgSaveAll, w->imgPaletteAll})
    EXPECT_TRUE(c->Visible()) << c->Name();
  expect_pick_images(true);
  EXPECT_EQ(slot_hex(), own);
}

TEST_F(Painters, EnteringWithNoSlotFilledLeavesTheListEmpty) {
  click_art();
  EXPECT_TRUE(memo().empty());
  // A colour added now becomes the list's line instead of failing on the empty list.
  TControl& image = *w->ImageScrollBox1->Image();
  TPoint scr = image.ClientToScreen({300, 100});
  SetCursorPos(scr.X, scr.Y);
  send_mouse_press(image, mbLeft, 300, 100);
  send_mouse_release(image, mbLeft, 300, 100);
  ASSERT_TRUE(w->imgPick->Visible());
  send_click(*w->imgPick, 5, 5);
  EXPECT_TRUE(w->pan1()->Visible());
  EXPECT_EQ(memo(), std::vector<std::string>{ColorToHex(w->pan1()->Color())});
}

TEST_F(Painters, AnOwnPaletteEndingInAPaintersLastColourIsNotCopied) {
  for (int i = 0; i < 15; ++i) add_hex(ColorToHex(RGB(i, 2 * i, 3 * i)));
  add_hex("5D6B92");  // Brimsa's last colour
  const std::vector<std::string> before = memo();
  click_art();
  EXPECT_EQ(memo(), before);
  EXPECT_EQ(w->imgArt->Tag(), 1);
}

TEST_F(Painters, AfterALoadTheArtButtonEntersAgainThenLeavesWithThePaintingShown) {
  for (const char* h : {"0A0B0C", "D0E0F0"}) add_hex(h);
  click_art();
  send_click(component("imgTambrelpic"), 10, 10);
  ASSERT_EQ(w->imgArt->Tag(), 0);
  // Entering again: slot 16 holds a painter's last colour, so the own palette stays listed.
  click_art();
  EXPECT_EQ(w->imgArt->Tag(), 1);
  EXPECT_EQ(w->panArt->Width(), 310);
  EXPECT_EQ(memo(), (std::vector<std::string>{"0A0B0C", "D0E0F0"}));
  EXPECT_TRUE(w->imgResetpic->Visible());  // a painting is shown
  // Leaving with the painting shown keeps the artist look and the take-over button.
  click_art();
  EXPECT_EQ(w->imgArt->Tag(), 0);
  EXPECT_EQ(w->panArt->Width(), 0);
  EXPECT_EQ(w->panSearch->Width(), 90);
  expect_art_look();
  EXPECT_TRUE(w->imgGenArtPal->Visible());
  EXPECT_TRUE(w->imgLoadpic->Visible());
  EXPECT_FALSE(w->imgClearPicked->Visible());
  EXPECT_FALSE(w->imgPaletteAll->Visible());
  EXPECT_TRUE(w->imgSaveAll->Visible());
}

TEST_F(Painters, LeavingReopensAVariantGridThatWasOpen) {
  for (const char* h : {"336699", "993366"}) add_hex(h);
  send_click(*w->imgVar, 4, 4);
  ASSERT_EQ(w->imgVar->Tag(), 1);
  ASSERT_EQ(w->panSearch->Width(), 240);
  click_art();
  EXPECT_EQ(w->panVar->Width(), 0);
  EXPECT_EQ(w->panSearch->Width(), 337);
  EXPECT_FALSE(w->imgVar->Visible());
  click_art();
  EXPECT_EQ(w->imgVar->Tag(), 1);
  EXPECT_GT(w->panVar->Width(), 0);
  EXPECT_EQ(w->panSearch->Width(), 240);
  EXPECT_TRUE(w->imgVar->Visible());
  EXPECT_FALSE(w->imgEdColor->Visible());
  expect_edit_look();
}

TEST_F(Painters, EditModeShowsThePickImagesAgain) {
  click_art();
  send_click(component("imgOrlatpic"), 10, 10);
  expect_pick_images(false);
  w->imgCollapsepanelClick(w);
  expect_pick_images(true);
  EXPECT_EQ(w->labMode->Caption(), "edit");
}

// ---------------------------------------------------------------------------------------------
// Taking a painter's palette over
// ---------------------------------------------------------------------------------------------
TEST_F(Painters, TakingOverMakesThePaintersColoursTheOwnPalette) {
  for (const char* h : {"0A0B0C", "D0E0F0"}) add_hex(h);
  w->working_palette_save();
  ASSERT_TRUE(FileExists(cwd.file("session.css")));
  click_art();
  send_click(component("imgQuenlorpic"), 10, 10);
  send_click(*w->imgGenArtPal, 4, 4);
  const PainterCase& q = kPainters[5];
  expect_painter_on_slots(q);
  EXPECT_EQ(memo(), std::vector<std::string>(q.colours.begin(), q.colours.end()));
  EXPECT_EQ(w->labImgPick->Tag(), 16);
  EXPECT_FALSE(w->imgGenArtPal->Visible());
  EXPECT_FALSE(w->imgResetpic->Visible());
  EXPECT_EQ(w->imgArt->Tag(), 0);
  EXPECT_EQ(w->labMode->Caption(), "edit");
  EXPECT_TRUE(w->edcolorsearch->Text().empty());
  expect_delete_buttons(true);
  for (TControl* c : std::initializer_list<TControl*>{w->imgVar, w->imgLoadpic, w->imgCSS, w->imgEdColor,
                                                      w->imgClearPicked, w->imgcolrtone, w->imgTestPic, w->butProcessPic})
    EXPECT_TRUE(c->Visible()) << c->Name();
  EXPECT_FALSE(w->imgPaletteAll->Visible());
  EXPECT_FALSE(w->imgPickArt->Visible());
  // The old working file is gone with the old palette.
  EXPECT_FALSE(FileExists(cwd.file("session.css")));
  // Slot 1 is selected without being marked for editing.
  EXPECT_EQ(w->imgPick->Tag(), 1);
  EXPECT_FALSE(w->pan1()->Visible() && w->Slot(1).labpanselect->Visible());
  EXPECT_EQ(w->labPickSelect->Tag(), 0);
}

TEST_F(Painters, TakingOverAfterReenteringTheModeKeepsTheListInStep) {
  for (const char* h : {"0A0B0C", "D0E0F0", "123123"}) add_hex(h);
  click_art();
  send_click(component("imgDravostpic"), 10, 10);
  click_art();  // enters again: adds now write into the list
  ASSERT_EQ(w->imgArt->Tag(), 1);
  ASSERT_TRUE(w->imgGenArtPal->Visible());
  send_click(*w->imgGenArtPal, 4, 4);
  const PainterCase& d = kPainters[4];
  expect_painter_on_slots(d);
  EXPECT_EQ(memo(), std::vector<std::string>(d.colours.begin(), d.colours.end()));
}

TEST_F(Painters, TakingOverAShortPaletteDoesNothing) {
  for (const char* h : {"0A0B0C", "D0E0F0"}) add_hex(h);
  w->imgGenArtPal->Show();
  send_click(*w->imgGenArtPal, 4, 4);
  EXPECT_EQ(slot_hex(), (std::vector<std::string>{"0A0B0C", "D0E0F0"}));
  EXPECT_EQ(w->labImgPick->Tag(), 2);
  EXPECT_FALSE(w->imgGenArtPal->Visible());
}

// ---------------------------------------------------------------------------------------------
// The small routines of the mode
// ---------------------------------------------------------------------------------------------
TEST_F(Painters, ArtbutsHidesTheListButtonOnlyForALongList) {
  w->Memo1->Lines().Clear();
  for (int i = 0; i < 13; ++i) w->Memo1->Lines().Add("ABCDEF");
  w->imgPickArt->Show();
  w->artbuts();
  EXPECT_TRUE(w->imgPickArt->Visible());
  EXPECT_FALSE(w->imgSaveAll->Visible());  // no slot selected
  EXPECT_TRUE(w->imgResetpic->Visible());
  w->Memo1->Lines().Add("ABCDEF");
  w->imgPick->SetTag(1);
  w->artbuts();
  EXPECT_FALSE(w->imgPickArt->Visible());
  EXPECT_TRUE(w->imgSaveAll->Visible());
}

TEST_F(Painters, HideDelbutsHidesTheListButtonOnlyAtSlot16) {
  w->imgPickArt->Show();
  w->imgPick->SetTag(15);
  w->hideDelbuts();
  EXPECT_TRUE(w->imgPickArt->Visible());
  expect_delete_buttons(false);
  expect_art_look();
  EXPECT_TRUE(w->imgGenArtPal->Visible());
  w->imgPick->SetTag(16);
  w->hideDelbuts();
  EXPECT_FALSE(w->imgPickArt->Visible());
  w->showDelbuts();
  expect_delete_buttons(true);
  // The pick images follow the caption exactly, blanks included.
  w->labMode->SetCaption("art");
  w->setvariantpick();
  expect_pick_images(true);
  w->labMode->SetCaption("art  ");
  w->setvariantpick();
  expect_pick_images(false);
}
