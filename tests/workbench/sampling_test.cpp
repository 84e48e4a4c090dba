#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/test_env.hpp"
#include "workbench/workbench_fixture.hpp"
#include "image/png_graphic.hpp"
#include "platform/synthetic_input.hpp"
#include "platform/text_codec.hpp"
#include "resources/spectrum_strips.hpp"
#include "resources/test_pictures.hpp"
#include "storage/css_palette_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"
#include "workbench/tone_sort.hpp"

namespace {

using Points = std::array<std::pair<int, int>, 16>;

// The grid, column by column, and the patches of the two test pictures, in slot order.
constexpr Points kGrid = {{{144, 105}, {144, 210}, {144, 315}, {144, 420}, {288, 105}, {288, 210}, {288, 315},
                           {288, 420}, {432, 105}, {432, 210}, {432, 315}, {432, 420}, {576, 105}, {576, 210},
                           {576, 315}, {576, 420}}};
constexpr Points kPatchesOfPicTest = {{{294, 355}, {658, 103}, {600, 129}, {629, 171}, {616, 186}, {602, 191},
                                       {565, 197}, {700, 249}, {342, 234}, {562, 252}, {392, 284}, {51, 186},
                                       {60, 233}, {69, 313}, {174, 361}, {580, 476}}};
constexpr Points kPatchesOfPicTest1 = {{{520, 88}, {613, 94}, {677, 140}, {542, 166}, {573, 161}, {542, 217},
                                        {425, 223}, {585, 297}, {565, 338}, {643, 399}, {618, 419}, {621, 437},
                                        {314, 450}, {338, 460}, {244, 487}, {356, 496}}};

const char* const kFilter =
    "Pictures(*.png;*.jpeg;*.jpg;*.tiff;*.tif;*.bmp;*.tif;*.tiff)|*.png;*.jpeg;*.jpg;*.tiff;*.tif;*.bmp;*.tif;*.tiff|"
    "Portable Network Graphics (*.png)|*.png|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|"
    "Bitmaps (*.bmp)|*.bmp|TIFF Images (*.tif)|*.tif|TIFF Images (*.tiff)|*.tiff";

// Writes a 720 x 524 true-colour PNG whose pixel (x, y) has the colour f(x, y) (0x00BBGGRR).
void write_picture(const std::string& path, const std::function<TColor(int, int)>& f, int w = 720, int h = 524) {
  TPngGraphic g;
  g.NewImage(w, h, ifTrueColor, nullptr, 96, 96);
  for (int y = 0; y < h; ++y) {
    Byte* row = g.GetScanLine(y);
    for (int x = 0; x < w; ++x) {
      const TColor c = f(x, y);
      row[3 * x] = static_cast<Byte>(GetBValue(c));
      row[3 * x + 1] = static_cast<Byte>(GetGValue(c));
      row[3 * x + 2] = static_cast<Byte>(GetRValue(c));
    }
  }
  g.SaveToFile(path);
}

// A test picture as a PNG file of its grey markers.
void write_test_picture(const std::string& path, const char* holder) {
  const TestPicture p = make_test_picture(holder);
  write_picture(path, [&](int x, int y) { return p.palette[p.index_at(x, y)]; });
}

TColor grey(int g) { return RGB(g, g, g); }

class Sampling : public WorkbenchTest {
protected:
  // Answers the open-picture dialog with a file and clicks the open button.
  void open_picture(const std::string& path) {
    hw_test::dialogs().answers.push_back({IDOK, path});
    send_click(*w->imgLoadpic, 4, 4);
    flush_paints();
  }
  void add_hex(const std::string& hex) {
    w->edcolor->SetText(hex);
    w->imgpickCompli();
  }
  std::vector<TColor> slot_colours() {
    std::vector<TColor> out;
    for (int n = 1; n <= 16; ++n) out.push_back(w->panN(n)->Color());
    return out;
  }

};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Opening a picture
// ---------------------------------------------------------------------------------------------
TEST_F(Sampling, OpeningAPictureAsksWithThePictureFilterAndFitsTheHeight) {
  const std::string path = cwd.file("flat.png");
  write_picture(path, [](int, int) { return RGB(10, 120, 200); }, 360, 262);
  open_picture(path);
  ASSERT_EQ(hw_test::dialogs().requests.size(), 1u);
  EXPECT_EQ(hw_test::dialogs().requests[0].kind, DialogKind::OpenFile);
  EXPECT_EQ(hw_test::dialogs().requests[0].filter, kFilter);
  EXPECT_EQ(w->ImageScrollBox1->Graphic()->Width(), 360);
  EXPECT_EQ(w->ImageScrollBox1->ZoomMode(), zmFitHeight);
  EXPECT_FALSE(w->ImageScrollBox1->VertScrollBar().IsScrollBarVisible());
  EXPECT_EQ(w->imgGenPal->Hint(), "attempt to create palette");
  EXPECT_EQ(w->imgTestPic->Tag(), 0);
  EXPECT_TRUE(w->imgGenPal->Visible());
  EXPECT_TRUE(w->imgResetSpectrum->Visible());
  EXPECT_FALSE(w->imgGenSpec->Visible());
  EXPECT_FALSE(w->imgVar->Visible());
}

TEST_F(Sampling, CancellingOrAMissingFileChangesNothing) {
  send_click(*w->imgLoadpic, 4, 4);  // no answer given: the dialog is cancelled
  EXPECT_EQ(hw_test::dialogs().requests.size(), 1u);
  open_picture(cwd.file("no such picture.png"));
  EXPECT_EQ(hw_test::dialogs().requests.size(), 2u);
  EXPECT_EQ(w->ImageScrollBox1->Graphic()->Width(), kSpectrumWidth);
  EXPECT_FALSE(w->imgGenPal->Visible());
  EXPECT_EQ(w->imgGenPal->Hint(), "load palette of test image");
  EXPECT_TRUE(w->imgGenSpec->Visible());
  EXPECT_FALSE(w->imgResetSpectrum->Visible());
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
}

TEST_F(Sampling, APictureThatCannotBeLoadedIsReportedAndTheButtonsStay) {
  const std::string path = cwd.file("broken.png");
  write_file_bytes_atomic(path, "\x89PNG\r\n\x1a\nthis is no picture");
  open_picture(path);
  ASSERT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_NE(hw_test::dialogs().messages()[0].find("broken.png"), std::string::npos);
  // The view keeps the picture it showed.
  EXPECT_EQ(w->ImageScrollBox1->Graphic()->Width(), kSpectrumWidth);
  EXPECT_EQ(w->ImageScrollBox1->DisplayedGraphic()->Width(), kSpectrumWidth);
  EXPECT_FALSE(w->imgGenPal->Visible());
  EXPECT_TRUE(w->imgGenSpec->Visible());
  EXPECT_FALSE(w->imgResetSpectrum->Visible());
  // A file of a kind no decoder knows is refused as well.
  const std::string text = cwd.file("notes.txt");
  write_file_bytes_atomic(text, "just words");
  open_picture(text);
  EXPECT_EQ(hw_test::dialogs().messages().size(), 2u);
  EXPECT_FALSE(w->imgGenPal->Visible());
  EXPECT_EQ(w->ImageScrollBox1->Graphic()->Width(), kSpectrumWidth);
}

TEST_F(Sampling, AResetAfterABarMovedLeavesTheButtonsAsTheBarWould) {
  for (int i = 0; i < 16; ++i) add_hex(ColorToHex(RGB(15 * i, 100, 240 - 15 * i)));
  const std::string path = cwd.file("flat.png");
  write_picture(path, [](int, int) { return RGB(10, 120, 200); }, 360, 262);
  // Slot 5 is edited with a bar; then a picture is opened, which offers its sampling.
  send_click(*w->panN(5), 300, 3);
  const TColor five = w->panN(5)->Color();
  send_key(*w->trkbarLum, VK_DOWN);
  ASSERT_NE(w->panN(5)->Color(), five);
  open_picture(path);
  ASSERT_TRUE(w->imgGenPal->Visible());
  ASSERT_FALSE(w->imgPaletteAll->Visible());
  ASSERT_TRUE(w->imgReset->Visible());
  // The reset moves the bar back: its change hides the sampling and offers the export again.
  send_click(*w->imgReset, 4, 4);
  EXPECT_EQ(w->panN(5)->Color(), five);
  EXPECT_EQ(w->trkbarLum->Position(), 120);
  EXPECT_FALSE(w->imgReset->Visible());
  EXPECT_FALSE(w->imgGenPal->Visible());
  EXPECT_TRUE(w->imgPaletteAll->Visible());
  EXPECT_TRUE(w->imgTestPic->Visible());
  EXPECT_TRUE(w->butProcessPic->Visible());
  // With the bars at 120 nothing moves, and a reset leaves those buttons alone.
  open_picture(path);
  ASSERT_TRUE(w->imgGenPal->Visible());
  send_click(*w->panN(6), 300, 3);
  EXPECT_TRUE(w->imgGenPal->Visible());
  EXPECT_FALSE(w->imgPaletteAll->Visible());
}

TEST_F(Sampling, OpeningFromTheHistoryModeReturnsToEditMode) {
  send_click(*w->imgExtendpanel, 4, 4);
  ASSERT_EQ(w->labMode->Caption(), "history");
  const std::string path = cwd.file("flat.png");
  write_picture(path, [](int, int) { return RGB(1, 2, 3); });
  // The open button is hidden in history mode; the handler is run directly.
  hw_test::dialogs().answers.push_back({IDOK, path});
  w->imgLoadpicClick(w);
  EXPECT_EQ(w->labMode->Caption(), "edit");
  EXPECT_EQ(w->panSearch->Width(), 90);
}

// ---------------------------------------------------------------------------------------------
// Sampling the picture view
// ---------------------------------------------------------------------------------------------
TEST_F(Sampling, GridSamplingOfAFlatPictureAddsThatColourSixteenTimes) {
  const TColor flat = RGB(10, 120, 200);
  const std::string path = cwd.file("flat.png");
  write_picture(path, [&](int, int) { return flat; });
  open_picture(path);
  send_click(*w->imgGenPal, 4, 4);
  for (int n = 1; n <= 16; ++n) {
    EXPECT_TRUE(w->panN(n)->Visible()) << n;
    EXPECT_EQ(w->panN(n)->Color(), flat) << n;
    EXPECT_EQ(w->Slot(n).dark->Color(), DarkerColor(flat, 20)) << n;
  }
  EXPECT_EQ(w->labImgPick->Tag(), 16);
  EXPECT_EQ(w->imgPick->Tag(), 16);
  EXPECT_FALSE(w->imgGenPal->Visible());
  for (TControl* c : std::initializer_list<TControl*>{w->imgTestPic, w->butProcessPic, w->imgcolrtone, w->imgLoadpic,
                                                      w->imgResetSpectrum})
    EXPECT_TRUE(c->Visible()) << c->Name();
  EXPECT_FALSE(w->imgGenSpec->Visible());
  EXPECT_FALSE(w->imgResetpic->Visible());
  EXPECT_EQ(w->imgCSS->Hint(), "load a palette");
  EXPECT_TRUE(FileExists(cwd.file("session.css")));
}

TEST_F(Sampling, GridSamplingReadsEachPointInColumnOrder) {
  // Every pixel carries its own position, so each slot tells where it was read.
  const std::string path = cwd.file("positions.png");
  write_picture(path, [](int x, int y) { return RGB(x / 4, y / 4, (x % 4) * 64 + (y % 4) * 16); });
  open_picture(path);
  ASSERT_EQ(w->imgGenPal->Hint(), "attempt to create palette");
  send_click(*w->imgGenPal, 4, 4);
  for (int k = 0; k < 16; ++k) {
    const auto [x, y] = kGrid[static_cast<size_t>(k)];
    EXPECT_EQ(w->panN(k + 1)->Color(), RGB(x / 4, y / 4, (x % 4) * 64 + (y % 4) * 16)) << "slot " << k + 1;
  }
}

struct TestPictureCase {
  const char* folder;  // "" for the scratch folder itself
  const char* file;
  const char* picture;  // the test picture drawn into the file
  int tag;              // imgTestPic.Tag after opening
  const Points* points;
};

std::string test_picture_case_name(const ::testing::TestParamInfo<TestPictureCase>& info) {
  static const char* const names[] = {"StillLifeRecolouring", "LandscapeRecolouring", "LandscapeInAFolderOfOnes"};
  return names[info.index];
}

class SamplingTestPictures : public Sampling, public ::testing::WithParamInterface<TestPictureCase> {};

TEST_P(SamplingTestPictures, SavedTestPicturesAreSampledAtTheirPatches) {
  const TestPictureCase& c = GetParam();
  std::string dir = cwd.path();
  if (*c.folder) {
    dir += std::string("/") + c.folder;
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  }
  const std::string path = dir + "/" + c.file;
  write_test_picture(path, c.picture);
  open_picture(path);
  EXPECT_EQ(w->imgGenPal->Hint(), "load palette of test image");
  EXPECT_EQ(w->imgTestPic->Tag(), c.tag);
  send_click(*w->imgGenPal, 4, 4);
  const TestPicture shown = make_test_picture(c.picture);
  for (int k = 0; k < 16; ++k) {
    const auto [x, y] = (*c.points)[static_cast<size_t>(k)];
    EXPECT_EQ(w->panN(k + 1)->Color(), grey(shown.marker_at(x, y))) << "slot " << k + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    ByPath, SamplingTestPictures,
    ::testing::Values(TestPictureCase{"", "testimage8A2BE2_1.png", "imgPicTest", 1, &kPatchesOfPicTest},
                      TestPictureCase{"", "testimage8A2BE2_0.png", "imgPicTest1", 0, &kPatchesOfPicTest1},
                      // A folder named with _1 makes the points those of imgPicTest.
                      TestPictureCase{"set_1", "testimage8A2BE2_0.png", "imgPicTest1", 1, &kPatchesOfPicTest}),
    test_picture_case_name);

TEST_F(Sampling, TheTestPicturesPatchesReadTheirMarkersBrightestFirst) {
  const std::string path = cwd.file("testimage000000_0.png");
  write_test_picture(path, "imgPicTest1");
  open_picture(path);
  send_click(*w->imgGenPal, 4, 4);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(w->panN(k + 1)->Color(), grey(kTestMarkers[static_cast<size_t>(k)])) << k + 1;
}

TEST_F(Sampling, ThePathTestIsCaseSensitive) {
  const std::string path = cwd.file("TestImage8A2BE2_1.png");
  write_test_picture(path, "imgPicTest");
  open_picture(path);
  EXPECT_EQ(w->imgGenPal->Hint(), "attempt to create palette");
  EXPECT_EQ(w->imgTestPic->Tag(), 1);
}

TEST_F(Sampling, SamplingWhereThePictureIsCoveredAddsNothingThatCannotBeRead) {
  // The window moved mostly off the offscreen screen: points there have no pixel to read, and
  // no white stands in for them.
  const std::string path = cwd.file("flat.png");
  write_picture(path, [](int, int) { return RGB(200, 30, 40); });
  open_picture(path);
  w->SetLeft(1280 - 200);
  flush_paints();
  send_click(*w->imgGenPal, 4, 4);
  // Only the first column (x = 144) lies on the screen.
  EXPECT_EQ(w->labImgPick->Tag(), 4);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(w->panN(n)->Color(), RGB(200, 30, 40)) << n;
  EXPECT_FALSE(w->panN(5)->Visible());
  EXPECT_FALSE(w->imgTestPic->Visible());
  EXPECT_FALSE(w->imgcolrtone->Visible());
}

// ---------------------------------------------------------------------------------------------
// Sampling the spectrum
// ---------------------------------------------------------------------------------------------
TEST_F(Sampling, SpectrumSamplingReadsTheGridAtTheScrollPlaceAndRebuildsTheList) {
  w->ImageScrollBox1->HorzScrollBar().SetPosition(1000);
  flush_paints();
  send_click(*w->imgGenSpec, 4, 4);
  EXPECT_EQ(SavedHorzScrollPos, 1000);
  const Raster24 strip = make_spectrum_strip(0);
  for (int k = 0; k < 16; ++k) {
    const auto [x, y] = kGrid[static_cast<size_t>(k)];
    EXPECT_EQ(w->panN(k + 1)->Color(), static_cast<TColor>(strip.colour(x + 1000, y))) << "slot " << k + 1;
  }
  // The own palette list: one line per filled slot, in slot order, nothing else.
  ASSERT_EQ(w->Memo1->Lines().Count(), 16);
  for (int n = 1; n <= 16; ++n) EXPECT_EQ(w->Memo1->Lines()[n - 1], ColorToHex(w->panN(n)->Color())) << n;
  for (TControl* c : std::initializer_list<TControl*>{w->imgTestPic, w->butProcessPic, w->imgcolrtone, w->imgLoadpic})
    EXPECT_TRUE(c->Visible()) << c->Name();
  EXPECT_TRUE(FileExists(cwd.file("session.css")));
}

TEST_F(Sampling, SpectrumSamplingReplacesAnEarlierPalette) {
  for (const char* hex : {"FF0000", "00FF00", "0000FF"}) add_hex(hex);
  send_click(*w->imgSpectrum[1], 20, 10);
  flush_paints();
  send_click(*w->imgGenSpec, 4, 4);
  const Raster24 strip = make_spectrum_strip(255);
  EXPECT_EQ(w->pan1()->Color(), static_cast<TColor>(strip.colour(144, 105)));
  EXPECT_EQ(w->labImgPick->Tag(), 16);
  EXPECT_EQ(w->Memo1->Lines().Count(), 16);
}

// ---------------------------------------------------------------------------------------------
// Spectrum buttons
// ---------------------------------------------------------------------------------------------
TEST_F(Sampling, SpectrumButtonsReturnToTheSavedPlace) {
  w->ImageScrollBox1->HorzScrollBar().SetPosition(1500);
  send_mouse_release(*w->ImageScrollBox1->Image(), mbLeft, 10, 10);  // saves the place
  ASSERT_EQ(SavedHorzScrollPos, 1500);
  send_click(*w->imgSpectrum[1], 20, 10);
  EXPECT_EQ(SpectrumStep, 255);
  EXPECT_EQ(w->ImageScrollBox1->HorzScrollBar().Position(), 1500);
  EXPECT_EQ(w->ImageScrollBox1->Graphic()->Width(), kSpectrumWidth);
  // The strip drawn straight into the picture's rows holds the drawn strip, row for row.
  {
    const Raster24 strip = make_spectrum_strip(255);
    TDibGraphic* shown = w->ImageScrollBox1->Graphic();
    int wrong_rows = 0;
    for (int y = 0; y < kSpectrumHeight; ++y)
      wrong_rows += std::memcmp(shown->GetScanLine(y), strip.row(y), static_cast<size_t>(kSpectrumWidth) * 3) != 0;
    EXPECT_EQ(wrong_rows, 0);
  }
  // The brightness strip also returns to one-to-one size.
  send_click(*w->imgZoom, 4, 4);
  ASSERT_EQ(w->ImageScrollBox1->ZoomPercent(), 200.0f);
  send_click(*w->imgSpectrum[0], 20, 10);
  EXPECT_EQ(SpectrumStep, 0);
  EXPECT_EQ(w->ImageScrollBox1->ZoomMode(), zmOriginalSize);
  EXPECT_EQ(w->ImageScrollBox1->ZoomPercent(), 100.0f);
  // The return button shows the strip of a saturation step, 135 to 255, and the brightness
  // strip for any other value.
  for (const auto& [step, shown] : {std::pair{255, 255}, {135, 135}, {263, 0}, {127, 0}, {254, 0}}) {
    SpectrumStep = step;
    w->imgResetSpectrumClick(nullptr);
    EXPECT_EQ(SpectrumStep, shown) << step;
  }
}

// ---------------------------------------------------------------------------------------------
// Tone sort
// ---------------------------------------------------------------------------------------------
namespace {

// The expected order, by an independent stable sort on the grey values.
std::vector<TColor> by_tone(std::vector<TColor> c) {
  std::stable_sort(c.begin(), c.end(), [](TColor a, TColor b) { return ColorToGrey(a) > ColorToGrey(b); });
  return c;
}

// Sixteen different colours that share one grey value.
std::vector<TColor> same_grey_colours() {
  std::vector<TColor> out;
  const TColor target = ColorToGrey(RGB(100, 100, 100));
  for (int r = 0; r < 256 && out.size() < 16; r += 17)
    for (int g = 0; g < 256 && out.size() < 16; ++g)
      for (int b = 0; b < 256; ++b)
        if (ColorToGrey(RGB(r, g, b)) == target) {
          out.push_back(RGB(r, g, b));
          break;
        }
  return out;
}

}  // namespace

TEST(ToneSort, BrightestFirstAndEqualGreysKeepTheirOrder) {
  std::vector<TColor> c = {RGB(10, 10, 10), RGB(255, 255, 255), RGB(0, 0, 0), RGB(128, 128, 128), RGB(100, 0, 0),
                           RGB(0, 56, 0),  RGB(200, 100, 50),  RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 255, 0)};
  ASSERT_EQ(ColorToGrey(RGB(100, 0, 0)), ColorToGrey(RGB(0, 56, 0)));
  const std::vector<TColor> sorted = sort_by_tone(c);
  EXPECT_EQ(sorted, by_tone(c));
  EXPECT_EQ(sorted.front(), RGB(255, 255, 255));
  EXPECT_EQ(sorted.back(), RGB(0, 0, 0));
  // Swapped inputs of the same grey come out swapped.
  std::swap(c[4], c[5]);
  const std::vector<TColor> again = sort_by_tone(c);
  const auto a = std::find(again.begin(), again.end(), RGB(0, 56, 0));
  const auto b = std::find(again.begin(), again.end(), RGB(100, 0, 0));
  EXPECT_EQ(b - a, 1);
}

TEST(ToneSort, AllEqualGreysLeaveTheOrderAndSystemColoursAreResolved) {
  const std::vector<TColor> c = same_grey_colours();
  ASSERT_EQ(c.size(), 16u);
  EXPECT_EQ(sort_by_tone(c), c);
  const std::vector<TColor> sys = sort_by_tone({clWindow, RGB(1, 1, 1)});
  EXPECT_EQ(sys[0], ColorToRGB(clWindow));
  EXPECT_GE(sys[0], 0);
  EXPECT_TRUE(sort_by_tone({}).empty());
}

TEST_F(Sampling, SortingTheSlotsPutsWhiteFirstAndKeepsEqualGreysInSlotOrder) {
  // Slots 3 and 9 share a grey value.
  const std::vector<std::string> hex = {"808080", "FFFFFF", "640000", "000000", "0000FF", "00FF00", "FF0000", "C86432",
                                        "003800", "101010", "ABCDEF", "FEDCBA", "123456", "654321", "777777", "F0F0F0"};
  ASSERT_EQ(ColorToGrey(RGB(0x64, 0, 0)), ColorToGrey(RGB(0, 0x38, 0)));
  for (const std::string& h : hex) add_hex(h);
  ASSERT_TRUE(w->imgcolrtone->Visible());
  const std::vector<TColor> before = slot_colours();
  send_click(*w->imgcolrtone, 4, 4);
  const std::vector<TColor> after = slot_colours();
  EXPECT_EQ(after, by_tone(before));
  EXPECT_EQ(after[0], RGB(255, 255, 255));
  EXPECT_EQ(after[15], RGB(0, 0, 0));
  const auto i3 = std::find(after.begin(), after.end(), RGB(0x64, 0, 0));
  const auto i9 = std::find(after.begin(), after.end(), RGB(0, 0x38, 0));
  EXPECT_EQ(i9 - i3, 1);
  // Every row shows the derived colours of its new colour.
  for (int n = 1; n <= 16; ++n) {
    EXPECT_EQ(w->Slot(n).light->Color(), LighterColor(w->panN(n)->Color(), 20)) << n;
    EXPECT_EQ(w->Slot(n).compli->Color(), ComplementRGB(w->panN(n)->Color())) << n;
    EXPECT_FALSE(w->Slot(n).labpanselect->Visible()) << n;
  }
  EXPECT_EQ(w->imgPick->Tag(), 1);
  EXPECT_EQ(w->labPickSelect->Tag(), 0);
  EXPECT_FALSE(w->imgcolrtone->Visible());
  EXPECT_TRUE(w->imgSaveAll->Visible());
  EXPECT_TRUE(w->imgPaletteAll->Visible());
}

TEST_F(Sampling, SortingEqualGreysChangesNothing) {
  const std::vector<TColor> c = same_grey_colours();
  for (TColor x : c) add_hex(ColorToHex(x));
  send_click(*w->imgcolrtone, 4, 4);
  EXPECT_EQ(slot_colours(), c);
}

TEST_F(Sampling, SortingTakesAllSixteenSlotsFilledOrNot) {
  for (const char* h : {"101010", "F0F0F0", "808080"}) add_hex(h);
  const std::vector<TColor> before = slot_colours();
  w->imgcolrtone->Show();
  send_click(*w->imgcolrtone, 4, 4);
  // The empty colour of the thirteen free slots (grey about 50) sorts between 808080 and 101010,
  // which ends in the hidden slot 16.
  const std::vector<TColor> after = slot_colours();
  EXPECT_EQ(after, by_tone(before));
  EXPECT_EQ(after[0], RGB(0xF0, 0xF0, 0xF0));
  EXPECT_EQ(after[1], RGB(0x80, 0x80, 0x80));
  for (int n = 3; n <= 15; ++n) EXPECT_EQ(after[static_cast<size_t>(n - 1)], kEmptyColour) << n;
  EXPECT_EQ(after[15], RGB(0x10, 0x10, 0x10));
  // Every slot's click handler ran: each row shows its new colour's cells, slot 3's handler
  // marked it free, and slot 1 is selected last.
  for (int n = 1; n <= 16; ++n) EXPECT_EQ(w->Slot(n).dark->Color(), DarkerColor(w->panN(n)->Color(), 20)) << n;
  EXPECT_EQ(w->panN(3)->Tag(), 0);
  EXPECT_EQ(w->pan2()->Tag(), 1);
  EXPECT_EQ(w->imgPick->Tag(), 1);
  // The slots keep their visibility.
  EXPECT_TRUE(w->panN(3)->Visible());
  EXPECT_FALSE(w->panN(4)->Visible());
  EXPECT_FALSE(w->pan16()->Visible());
}
