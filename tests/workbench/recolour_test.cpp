#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "workbench/workbench_fixture.hpp"
#include "image/dib_graphic.hpp"
#include "image/png_graphic.hpp"
#include "platform/synthetic_input.hpp"
#include "platform/text_codec.hpp"
#include "resources/test_pictures.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"
#include "workbench/marker_replacement.hpp"

namespace {

TColor rgb(int r, int g, int b) { return static_cast<TColor>(RGB(r, g, b)); }

// The grey key by its formula, in plain doubles: good enough to check that a palette of the
// tests has clearly different greys in the order the test says.
double approx_grey(TColor c) {
  const auto u = static_cast<std::uint32_t>(c);
  return 0.216 * GetRValue(u) + 0.388 * GetGValue(u) + 0.072 * GetBValue(u);
}

void expect_falling_greys(const std::array<TColor, 16>& tones) {
  for (size_t i = 1; i < 16; ++i) ASSERT_GT(approx_grey(tones[i - 1]), approx_grey(tones[i]) + 1) << i;
}

// Sixteen colours, brightest first, whose reds are none of the test markers, so nothing is
// replaced twice.
std::array<TColor, 16> plain_tones() {
  const int v[16] = {250, 235, 220, 205, 190, 175, 160, 145, 130, 115, 100, 85, 70, 50, 30, 10};
  std::array<TColor, 16> t{};
  for (size_t i = 0; i < 16; ++i) t[i] = rgb(v[i], v[i] / 2, 255 - v[i]);
  return t;
}

// The colour of a pixel of a picture, 0x00BBGGRR.
TColor pixel(const TDibGraphic& g, int x, int y) { return RgbToColor(g.GetPixel(x, y)); }

// A main window in a scratch current folder, shown on the offscreen screen.
class Recolour : public WorkbenchTest {
protected:
  // Adds a colour as a user would by its hex text: the hex entry button, six keys, the add
  // button.
  void add_by_hex(TColor c) {
    if (!w->edcolor->Visible()) send_click(*w->imgEdColor, 5, 5);
    w->edcolor->SetText("");
    send_text(*w->edcolor, ColorToHex(c));
    ASSERT_EQ(w->pan->Color(), c);
    send_click(*w->imgPick, 5, 5);
  }
  void fill_palette(const std::array<TColor, 16>& slots) {
    for (TColor c : slots) add_by_hex(c);
    ASSERT_TRUE(w->pan16()->Visible());
    for (int n = 1; n <= 16; ++n) ASSERT_EQ(w->panN(n)->Color(), slots[static_cast<size_t>(n - 1)]) << n;
  }
  TDibGraphic& view() { return *w->ImageScrollBox1->Graphic(); }

  // Checks every pixel of the view against the colour its test-picture marker should take.
  void expect_recoloured(const TestPicture& pic, const std::function<TColor(int marker)>& expected) {
    ASSERT_EQ(view().Width(), pic.width);
    ASSERT_EQ(view().Height(), pic.height);
    std::set<int> markers_seen;
    for (int y = 0; y < pic.height; ++y)
      for (int x = 0; x < pic.width; ++x) {
        const int m = pic.marker_at(x, y);
        markers_seen.insert(m);
        ASSERT_EQ(pixel(view(), x, y), expected(m)) << "marker " << m << " at " << x << "," << y;
      }
    EXPECT_EQ(markers_seen.size(), 16u);
  }

  // Writes a 24-bit picture file: PNG or BMP by the name's extension.
  std::string write_picture(const std::string& name, int width, int height, const std::function<TColor(int, int)>& f) {
    TPngGraphic g;
    g.NewImage(width, height, ifTrueColor, nullptr, 96, 96);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) g.SetPixel(x, y, ColorToRgb(f(x, y)));
    const std::string path = cwd.file(name);
    if (name.ends_with(".bmp")) {
      TBitmap b;
      b.Assign(&g);
      b.SaveToFile(path);
    } else {
      g.SaveToFile(path);
    }
    return path;
  }
  // Runs the picture recolouring on a file, answering the open dialog with it.
  void process(const std::string& path) {
    hw_test::dialogs().answers.push_back({IDOK, path});
    send_click(*w->butProcessPic, 5, 5);
  }

};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tone order and the replacement steps, without a window
// ---------------------------------------------------------------------------------------------
TEST(ToneOrder, BrightestFirstAndEqualGreysKeepTheirSlotOrder) {
  // (255, 0, 0) and (0, 100, 225) both have the grey key 55 (55.08 and 55.0), which no other
  // colour here has.
  const TColor a = rgb(255, 0, 0), b = rgb(0, 100, 225);
  ASSERT_EQ(ColorToGrey(a), ColorToGrey(b));
  std::array<TColor, 16> slots = plain_tones();
  std::reverse(slots.begin(), slots.end());  // darkest first
  slots[2] = a;                              // slot 3
  slots[8] = b;                              // slot 9
  const std::array<TColor, 16> tone = tone_order(slots);
  const auto pos = [&](TColor c) { return std::find(tone.begin(), tone.end(), c) - tone.begin(); };
  EXPECT_EQ(pos(b), pos(a) + 1);
  EXPECT_EQ(tone[0], plain_tones()[0]);
  EXPECT_EQ(tone[15], plain_tones()[15]);
  for (size_t i = 1; i < 16; ++i) EXPECT_GE(ColorToGrey(tone[i - 1]), ColorToGrey(tone[i])) << i;
  // The other way round, the other order.
  std::swap(slots[2], slots[8]);
  const std::array<TColor, 16> swapped = tone_order(slots);
  EXPECT_EQ(std::find(swapped.begin(), swapped.end(), a) - swapped.begin(),
            std::find(swapped.begin(), swapped.end(), b) - swapped.begin() + 1);
}

TEST(ToneOrder, SystemColoursAreResolvedAndEmptySlotsTakePart) {
  std::array<TColor, 16> slots;
  slots.fill(kEmptyColour);
  slots[5] = clWhite;
  slots[6] = clWindow;  // white on this system
  const std::array<TColor, 16> tone = tone_order(slots);
  EXPECT_EQ(tone[0], clWhite);
  EXPECT_EQ(tone[1], ColorToRGB(clWindow));
  for (size_t i = 2; i < 16; ++i) EXPECT_EQ(tone[i], kEmptyColour);
}

TEST(MarkerSteps, StepsRunInOrderOnTheRedAsTheEarlierStepsLeftIt) {
  MarkerSteps steps;
  for (auto& s : steps) s = {kNoMarker, clBlack};
  steps[0] = {10, rgb(20, 1, 1)};   // 10 -> red 20 ...
  steps[1] = {20, rgb(30, 2, 2)};   // ... -> red 30 ...
  steps[2] = {5, rgb(10, 3, 3)};    // 5 -> red 10, too late for step 1
  steps[3] = {30, rgb(40, 4, 4)};   // ... -> red 40
  std::uint8_t row[] = {10, 10, 10, 5, 5, 5, 7, 7, 7, 20, 20, 20};  // blue, green, red
  replace_markers(row, 4, steps);
  // Pixel 0 (red 10) went through 20 and 30 to 40.
  EXPECT_EQ(row[2], 40);
  EXPECT_EQ(row[1], 4);
  // Pixel 1 (red 5) became red 10 at step 3 and stays: step 1 has passed.
  EXPECT_EQ(row[5], 10);
  EXPECT_EQ(row[4], 3);
  // Pixel 2 matches nothing: a missing marker (-1) never matches.
  EXPECT_EQ(row[8], 7);
  EXPECT_EQ(row[6], 7);
  // Pixel 3 (red 20) takes step 2, then step 4.
  EXPECT_EQ(row[11], 40);
}

TEST(MarkerSteps, ReducedPictureStepsTakeTheEntriesInTheirOrder) {
  std::array<int, 16> red{};
  for (int k = 0; k < 16; ++k) red[static_cast<size_t>(k)] = 100 + k;  // entry k has red 100 + k
  red[12] = kNoMarker;
  const std::array<TColor, 16> tone = plain_tones();
  const MarkerSteps steps = reduced_picture_steps(red, tone);
  const int entry[16] = {15, 14, 13, 12, 11, 10, 9, 8, 5, 7, 6, 4, 3, 2, 1, 0};
  const int tone_no[16] = {1, 2, 3, 4, 5, 6, 7, 8, 11, 9, 10, 12, 13, 14, 15, 16};
  for (size_t s = 0; s < 16; ++s) {
    EXPECT_EQ(steps[s].marker, entry[s] == 12 ? kNoMarker : 100 + entry[s]) << s;
    EXPECT_EQ(steps[s].colour, tone[static_cast<size_t>(tone_no[s] - 1)]) << s;
  }
  const MarkerSteps test = test_picture_steps(tone);
  const int marker[16] = {241, 232, 215, 199, 183, 168, 151, 134, 87, 118, 104, 71, 55, 39, 24, 5};
  for (size_t s = 0; s < 16; ++s) {
    EXPECT_EQ(test[s].marker, marker[s]);
    EXPECT_EQ(test[s].colour, steps[s].colour);
  }
}

// ---------------------------------------------------------------------------------------------
// Test-picture recolouring
// ---------------------------------------------------------------------------------------------
TEST_F(Recolour, TheBrightestMarkerTakesTheBrightestColourWhateverTheSlotOrder) {
  const std::array<TColor, 16> tones = plain_tones();
  expect_falling_greys(tones);
  // Slots in a scrambled order.
  const int order[16] = {7, 2, 15, 0, 9, 12, 4, 1, 14, 3, 11, 6, 10, 13, 8, 5};
  std::array<TColor, 16> slots{};
  for (size_t i = 0; i < 16; ++i) slots[i] = tones[static_cast<size_t>(order[i])];
  fill_palette(slots);
  ASSERT_TRUE(w->imgTestPic->Visible());
  send_click(*w->imgTestPic, 5, 5);
  const TestPicture pic = make_test_picture("imgPicTest");
  expect_recoloured(pic, [&](int m) {
    const size_t rank = static_cast<size_t>(std::find(kTestMarkers.begin(), kTestMarkers.end(), m) - kTestMarkers.begin());
    return tones[rank];
  });
  EXPECT_EQ(w->ImageScrollBox1->ZoomPercent(), 100.0f);
  EXPECT_FALSE(w->ImageScrollBox1->VertScrollBar().IsScrollBarVisible());
}

TEST_F(Recolour, AColourWhoseRedIsALaterMarkerIsReplacedAgain) {
  // Brightest first. Tone 1 has the red of marker 232, so marker 241 goes on to tone 2. Tone 11
  // (step 9, marker 87) has the red of marker 118, so it goes on to tone 9 at step 10; tone 9
  // has the red of marker 87, whose step has passed, so it stays.
  const std::array<TColor, 16> tones = {rgb(232, 255, 255), rgb(250, 180, 200), rgb(240, 200, 40), rgb(210, 190, 60),
                                        rgb(200, 170, 90),  rgb(190, 150, 120), rgb(180, 130, 150), rgb(220, 110, 35),
                                        rgb(87, 120, 120),  rgb(100, 100, 100), rgb(118, 60, 60),  rgb(70, 35, 185),
                                        rgb(50, 25, 205),   rgb(30, 15, 225),   rgb(20, 10, 100),  rgb(10, 5, 20)};
  expect_falling_greys(tones);
  fill_palette(tones);
  send_click(*w->imgTestPic, 5, 5);
  auto t = [&](int n) { return tones[static_cast<size_t>(n - 1)]; };
  expect_recoloured(make_test_picture("imgPicTest"), [&](int m) {
    switch (m) {
      case 241: case 232: return t(2);
      case 215: return t(3);
      case 199: return t(4);
      case 183: return t(5);
      case 168: return t(6);
      case 151: return t(7);
      case 134: return t(8);
      case 118: case 87: return t(9);
      case 104: return t(10);
      case 71: return t(12);
      case 55: return t(13);
      case 39: return t(14);
      case 24: return t(15);
      default: return t(16);
    }
  });
}

TEST_F(Recolour, TwoClicksDrawTheFirstThenTheSecondTestPicture) {
  fill_palette(plain_tones());
  EXPECT_EQ(w->imgTestPic->Tag(), 0);
  send_click(*w->imgTestPic, 5, 5);
  EXPECT_EQ(w->imgTestPic->Tag(), 1);
  const TestPicture first = make_test_picture("imgPicTest");
  const TestPicture second = make_test_picture("imgPicTest1");
  auto colour_of = [&](int m) {
    return plain_tones()[static_cast<size_t>(std::find(kTestMarkers.begin(), kTestMarkers.end(), m) - kTestMarkers.begin())];
  };
  // A pixel where the two pictures differ tells which one is shown.
  int dx = -1, dy = -1;
  for (int y = 0; y < first.height && dx < 0; y += 7)
    for (int x = 0; x < first.width; x += 7)
      if (first.marker_at(x, y) != second.marker_at(x, y)) {
        dx = x, dy = y;
        break;
      }
  ASSERT_GE(dx, 0);
  EXPECT_EQ(pixel(view(), dx, dy), colour_of(first.marker_at(dx, dy)));
  send_click(*w->imgTestPic, 5, 5);
  EXPECT_EQ(w->imgTestPic->Tag(), 0);
  EXPECT_EQ(pixel(view(), dx, dy), colour_of(second.marker_at(dx, dy)));
  // The holders keep their 4-bit pictures with the palettes in the given orders.
  auto* held = dynamic_cast<TPngGraphic*>(w->imgPicTest1->Picture().Graphic());
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->ImageFormat(), ifColor16);
  const int order1[16] = {5, 39, 87, 24, 55, 71, 104, 118, 151, 134, 183, 168, 199, 215, 241, 232};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(held->Palette().palPalEntry[i].peRed, order1[i]);
  auto* held0 = dynamic_cast<TPngGraphic*>(w->imgPicTest->Picture().Graphic());
  ASSERT_NE(held0, nullptr);
  const int order0[16] = {5, 24, 55, 39, 168, 71, 87, 134, 151, 183, 199, 215, 232, 118, 104, 241};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(held0->Palette().palPalEntry[i].peRed, order0[i]);
}

TEST_F(Recolour, TheButtonsFollowTheModeAfterATestRecolouring) {
  fill_palette(plain_tones());
  send_click(*w->imgTestPic, 5, 5);
  EXPECT_TRUE(w->imgResetSpectrum->Visible());
  EXPECT_TRUE(w->imgLoadpic->Visible());
  EXPECT_FALSE(w->imgResetpic->Visible());
  EXPECT_FALSE(w->imgGenSpec->Visible());
  EXPECT_TRUE(w->imgSaveTest->Visible());
  EXPECT_EQ(w->imgSaveTest->Tag(), 1);
  // Artist mode returns to the own palette instead; an open variant palette keeps the save
  // button hidden.
  w->imgSaveTest->Hide();
  w->labMode->SetCaption("art  ");
  w->imgResetVariant->Show();
  send_click(*w->imgTestPic, 5, 5);
  EXPECT_FALSE(w->imgResetSpectrum->Visible());
  EXPECT_TRUE(w->imgResetpic->Visible());
  EXPECT_FALSE(w->imgSaveTest->Visible());
  EXPECT_EQ(w->imgSaveTest->Tag(), 1);
}

// ---------------------------------------------------------------------------------------------
// Saving
// ---------------------------------------------------------------------------------------------
TEST_F(Recolour, SavingAfterATestRecolouringWritesTheFileAtOnce) {
  // The status timer stays still, so a slow machine cannot hide "saved" while it is checked.
  w->Timer1->SetEnabled(false);
  fill_palette(plain_tones());
  send_click(*w->imgTestPic, 5, 5);
  const std::string name = "testimage" + ColorToHex(w->pan->Color()) + "_1.png";
  send_click(*w->imgSaveTest, 5, 5);
  EXPECT_TRUE(hw_test::dialogs().requests.empty());
  ASSERT_TRUE(FileExists(cwd.file(name))) << name;
  EXPECT_TRUE(w->labtestpic->Visible());
  EXPECT_FALSE(w->imgSaveTest->Visible());
  EXPECT_TRUE(w->imgLoadpic->Visible());
  EXPECT_EQ(w->imgSaveTest->Tag(), 0);
  // "saved" can be seen: showing it changes what the screen shows where it stands.
  ASSERT_TRUE(w->butProcessPic->Visible());
  auto label_pixels = [&] {
    flush_paints();
    std::vector<std::uint32_t> out;
    const TPoint at = w->labtestpic->ClientToScreen({0, 0});
    for (int y = 0; y < w->labtestpic->Height(); ++y)
      for (int x = 0; x < w->labtestpic->Width(); ++x) out.push_back(GetScreenPixel(at.X + x, at.Y + y));
    return out;
  };
  ASSERT_GT(w->labtestpic->Width(), 0);
  // No control shown beside it is drawn over it (windowed controls always are).
  const TRect lab = w->labtestpic->BoundsRect();
  TWinControl* tools = w->labtestpic->Parent();
  for (int i = 0; i < tools->ControlCount(); ++i) {
    TControl* c = tools->Controls(i);
    if (c == w->labtestpic || !c->Visible() || !c->IsWindowed()) continue;
    const TRect r = c->BoundsRect();
    EXPECT_FALSE(r.Left < lab.Right && lab.Left < r.Right && r.Top < lab.Bottom && lab.Top < r.Bottom) << c->Name();
  }
  const std::vector<std::uint32_t> shown = label_pixels();
  w->labtestpic->Hide();
  EXPECT_NE(label_pixels(), shown);
  w->labtestpic->Show();
  TPngGraphic back;
  back.LoadFromFile(cwd.file(name));
  ASSERT_EQ(back.Width(), 720);
  ASSERT_EQ(back.Height(), 524);
  for (int y = 0; y < 524; y += 3)
    for (int x = 0; x < 720; x += 3) ASSERT_EQ(pixel(back, x, y), pixel(view(), x, y)) << x << "," << y;
  // "saved" goes with the status timer.
  w->Timer1->Fire();
  EXPECT_FALSE(w->labtestpic->Visible());
}

TEST_F(Recolour, SavingOtherwiseAsksForTheNameAndACancelBringsTheButtonBack) {
  fill_palette(plain_tones());
  send_click(*w->imgTestPic, 5, 5);
  w->imgSaveTest->SetTag(0);  // as after a picture recolouring
  auto& rec = hw_test::dialogs();
  rec.clear();
  send_click(*w->imgSaveTest, 5, 5);
  ASSERT_EQ(rec.requests.size(), 1u);
  EXPECT_EQ(rec.requests[0].kind, DialogKind::SaveFile);
  EXPECT_EQ(rec.requests[0].text, "Save Testimage");
  EXPECT_EQ(rec.requests[0].file_name, "testimage" + ColorToHex(w->pan->Color()) + "_1.png");
  EXPECT_EQ(rec.requests[0].filter, "Portable Network Graphic (*.png)|*.png");
  EXPECT_TRUE(w->imgSaveTest->Visible());
  EXPECT_FALSE(w->labtestpic->Visible());
  EXPECT_TRUE(FindFiles(cwd.path(), "*.png").empty());
  // Confirmed, the picture goes where the dialog says.
  hw_test::ScratchDir elsewhere;
  rec.answers.push_back({IDOK, elsewhere.file("mine.png")});
  send_click(*w->imgSaveTest, 5, 5);
  EXPECT_TRUE(FileExists(elsewhere.file("mine.png")));
  EXPECT_FALSE(w->imgSaveTest->Visible());
  EXPECT_FALSE(w->labtestpic->Visible());
}

// ---------------------------------------------------------------------------------------------
// Picture recolouring
// ---------------------------------------------------------------------------------------------
TEST_F(Recolour, WithoutSlot16OrWithTheDialogCancelledNothingHappens) {
  w->imgSaveTest->SetTag(1);
  TDibGraphic* before = w->ImageScrollBox1->Graphic();
  const int width = before->Width();
  w->butProcessPicClick(w);  // the button is hidden while slot 16 is empty
  EXPECT_TRUE(hw_test::dialogs().requests.empty());
  EXPECT_EQ(w->imgSaveTest->Tag(), 1);
  fill_palette(plain_tones());
  send_click(*w->butProcessPic, 5, 5);
  ASSERT_EQ(hw_test::dialogs().requests.size(), 1u);
  EXPECT_EQ(hw_test::dialogs().requests[0].kind, DialogKind::OpenFile);
  EXPECT_EQ(w->imgSaveTest->Tag(), 0);
  EXPECT_EQ(w->ImageScrollBox1->Graphic()->Width(), width);
  EXPECT_FALSE(FileExists(cwd.file("intermediary.bmp")));
}

TEST_F(Recolour, APictureIsScaledToTheViewHeightBeforeItIsReduced) {
  fill_palette(plain_tones());
  // 1000 x 500 gives 1048 x 524; 525 x 1000 gives 275.1, so 275 x 524.
  process(write_picture("wide.bmp", 1000, 500, [](int x, int y) { return rgb(x % 256, y % 256, (x + y) % 256); }));
  TBitmap reduced;
  reduced.LoadFromFile(cwd.file("intermediary.bmp"));
  EXPECT_EQ(reduced.Width(), 1048);
  EXPECT_EQ(reduced.Height(), 524);
  EXPECT_EQ(reduced.PixelFormat(), pf4bit);
  PALETTEENTRY e[256];
  EXPECT_EQ(GetPaletteEntries(reduced.GetPalette(), 0, 256, e), 16u);
  // Every pixel ended as a slot colour.
  const std::array<TColor, 16> tones = plain_tones();
  const std::set<TColor> slots(tones.begin(), tones.end());
  ASSERT_EQ(view().Width(), 1048);
  for (int y = 0; y < 524; y += 5)
    for (int x = 0; x < 1048; x += 5) ASSERT_TRUE(slots.count(pixel(view(), x, y))) << x << "," << y;
  EXPECT_EQ(w->ImageScrollBox1->ZoomMode(), zmFitHeight);
  EXPECT_TRUE(w->imgSaveTest->Visible());
  EXPECT_EQ(w->imgSaveTest->Tag(), 0);
  EXPECT_EQ(Screen->Cursor(), crDefault);

  process(write_picture("tall.png", 525, 1000, [](int x, int y) { return rgb(x % 200, y % 256, 90); }));
  reduced.LoadFromFile(cwd.file("intermediary.bmp"));
  EXPECT_EQ(reduced.Width(), 275);
  EXPECT_EQ(reduced.Height(), 524);
  // Rounded, not truncated: 1003 x 1000 gives 525.572, so 526; halves go to the even
  // neighbour: 1001 x 1048 gives 500.5, so 500, and 1003 x 1048 gives 501.5, so 502.
  const struct {
    int width, height, scaled;
  } cases[] = {{1003, 1000, 526}, {1001, 1048, 500}, {1003, 1048, 502}};
  for (const auto& c : cases) {
    process(write_picture("odd.png", c.width, c.height, [](int x, int y) { return rgb(x % 256, y % 256, 40); }));
    reduced.LoadFromFile(cwd.file("intermediary.bmp"));
    EXPECT_EQ(reduced.Width(), c.scaled) << c.width << " x " << c.height;
    EXPECT_EQ(reduced.Height(), 524);
  }
}

TEST_F(Recolour, AReducedPictureOfFewGreysRecoloursOnlyItsOwnMarkers) {
  fill_palette(plain_tones());
  // Four bands: black, 100, 160 and 220. Their palette has four entries, dark to light; the
  // twelve missing entries match nothing (black pixels in particular).
  const int band[4] = {0, 100, 160, 220};
  process(write_picture("bands.png", 40, 40, [&](int x, int) { return rgb(band[x / 10], band[x / 10], band[x / 10]); }));
  TBitmap reduced;
  reduced.LoadFromFile(cwd.file("intermediary.bmp"));
  PALETTEENTRY e[16];
  ASSERT_EQ(GetPaletteEntries(reduced.GetPalette(), 0, 16, e), 4u);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(e[k].peRed, band[k]);
  // Entry 3 is taken at step 13 (tone 13), entry 2 at 14, entry 1 at 15, entry 0 at 16.
  const std::array<TColor, 16> t = plain_tones();
  const TColor want[4] = {t[15], t[14], t[13], t[12]};
  ASSERT_EQ(view().Width(), 524);
  for (int b = 0; b < 4; ++b) EXPECT_EQ(pixel(view(), 131 * b + 65, 262), want[b]) << b;
  const std::set<TColor> allowed(std::begin(want), std::end(want));
  for (int y = 0; y < 524; y += 4)
    for (int x = 0; x < 524; x += 4) ASSERT_TRUE(allowed.count(pixel(view(), x, y))) << x << "," << y;
}

TEST_F(Recolour, AFileThatCannotBeDecodedIsReportedAndChangesNothingElse) {
  fill_palette(plain_tones());
  w->imgSaveTest->SetTag(1);
  write_file_bytes_atomic(cwd.file("junk.png"), "this is no picture");
  const int width = view().Width();
  process(cwd.file("junk.png"));
  EXPECT_EQ(hw_test::dialogs().messages().size(), 1u);
  EXPECT_EQ(view().Width(), width);
  EXPECT_EQ(w->imgSaveTest->Tag(), 0);
  EXPECT_FALSE(FileExists(cwd.file("intermediary.bmp")));
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

// ---------------------------------------------------------------------------------------------
// A saved recolouring opened again is sampled at the places of its own markers
// ---------------------------------------------------------------------------------------------
TEST_F(Recolour, ASavedRecolouringGivesItsPaletteBackWhenSampled) {
  const std::array<TColor, 16> tones = plain_tones();
  // The first test picture is saved with "_1", the second with "_0".
  for (const char* suffix : {"_1.png", "_0.png"}) {
    if (w->pan1()->Visible()) {
      // The palette export after the sampling left the last slot selected for replacing: the
      // base panel cancels that, then the palette is built again.
      send_click(*w->imgClearPicked, 4, 4);
      send_click(*w->panBase, 200, 100);
      ASSERT_EQ(w->labPickSelect->Tag(), 0);
    }
    fill_palette(tones);
    send_click(*w->imgTestPic, 5, 5);
    const std::string name = cwd.file("testimage" + ColorToHex(w->pan->Color()) + suffix);
    send_click(*w->imgSaveTest, 5, 5);
    ASSERT_TRUE(FileExists(name)) << name;
    hw_test::dialogs().answers.push_back({IDOK, name});
    send_click(*w->imgLoadpic, 5, 5);
    ASSERT_TRUE(w->imgGenPal->Visible());
    EXPECT_EQ(w->imgGenPal->Hint(), "load palette of test image");
    flush_paints();
    send_click(*w->imgGenPal, 5, 5);
    for (int n = 1; n <= 16; ++n) {
      // The fifteenth place of the first picture lies on the marker 55 (the 13th colour).
      const size_t k = std::string(suffix) == "_1.png" && n == 15 ? 12 : static_cast<size_t>(n - 1);
      EXPECT_EQ(w->panN(n)->Color(), tones[k]) << suffix << " slot " << n;
    }
  }
}
