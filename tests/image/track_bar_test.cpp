#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "image/ex_track_bar.hpp"
#include "platform/forms.hpp"
#include "platform/graphics.hpp"
#include "platform/synthetic_input.hpp"

namespace {

using Label = TExTrackBar::TLabelPlacement;

struct Fixture {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TExTrackBar* bar;
  TBitmap bitmap;
  Fixture() {
    form->SetBounds(0, 0, 500, 300);
    form->SetColor(clWhite);
    bar = new TExTrackBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(10, 10, 300, 50);
    bitmap.SetSize(300, 50);
    bitmap.Canvas()->Font().Assign(bar->Font());
  }
  TCanvas& canvas() { return *bitmap.Canvas(); }
  int width(const std::string& s) { return canvas().TextWidth(s); }
  int height(const std::string& s) { return canvas().TextHeight(s); }
};

}  // namespace

TEST(ExTrackBar, StartsWithLabelsOnAndTheIntervalOfThePageSize) {
  Fixture f;
  EXPECT_TRUE(f.bar->Labels());
  EXPECT_TRUE(f.bar->LabelsFirstLast());
  EXPECT_EQ(f.bar->LabelsLeftTop(), 30);
  EXPECT_EQ(f.bar->LabelsText(), "");
  EXPECT_EQ(f.bar->LabelsFactor(), 1);
  EXPECT_EQ(f.bar->LabelsFactorOperation(), foMul);
  EXPECT_EQ(f.bar->LabelsInterval(), f.bar->PageSize());
  EXPECT_EQ(f.bar->LabelsInterval(), 2);
  EXPECT_FALSE(f.bar->SelEnable());
  EXPECT_TRUE(f.bar->ParentColor());
  // Its windows come without the selection range of the plain track bar.
  EXPECT_EQ(f.bar->WindowStyle() & TBS_ENABLESELRANGE, 0u);
}

TEST(ExTrackBar, LabelTextAppliesTheFactorAndRoundsHalvesToEven) {
  Fixture f;
  f.bar->SetLabelsFactor(3);
  f.bar->SetLabelsFactorOperation(foDiv);
  EXPECT_EQ(f.bar->LabelText(5), "2");  // 1.67
  EXPECT_EQ(f.bar->LabelText(3), "1");
  f.bar->SetLabelsText("%");
  EXPECT_EQ(f.bar->LabelText(15), "5%");
  f.bar->SetLabelsText("");
  f.bar->SetLabelsFactor(2);
  EXPECT_EQ(f.bar->LabelText(1), "0");   // 0.5
  EXPECT_EQ(f.bar->LabelText(3), "2");   // 1.5
  EXPECT_EQ(f.bar->LabelText(5), "2");   // 2.5
  EXPECT_EQ(f.bar->LabelText(-3), "-2");  // -1.5
  f.bar->SetLabelsFactorOperation(foMul);
  f.bar->SetLabelsFactor(-4);
  EXPECT_EQ(f.bar->LabelText(7), "-28");
}

TEST(ExTrackBar, IntervalAndFactorRefuseImpossibleValues) {
  Fixture f;
  f.bar->SetLabelsInterval(0);
  EXPECT_EQ(f.bar->LabelsInterval(), 1);
  f.bar->SetLabelsInterval(-5);
  EXPECT_EQ(f.bar->LabelsInterval(), 1);
  f.bar->SetLabelsFactor(5);
  f.bar->SetLabelsFactor(0);
  EXPECT_EQ(f.bar->LabelsFactor(), 5);
  f.bar->SetLabelsFactorOperation(foDiv);
  EXPECT_EQ(f.bar->LabelText(10), "2");
}

TEST(ExTrackBar, LabelsSitAtTheirTicksAndTheChannelEnds) {
  Fixture f;
  f.bar->SetMax(10);
  f.bar->SetLabelsInterval(2);
  TRect c = f.bar->ChannelRect();
  TRect t = f.bar->ThumbRect();
  int h = (t.Right - t.Left) / 2;
  std::vector<Label> expected;
  for (int v : {2, 4, 6, 8}) {
    std::string s = std::to_string(v);
    expected.push_back({s, f.bar->TicPos(v - 1) - f.width(s) / 2, 30});
  }
  expected.push_back({"0", std::max(1, c.Left + h - f.width("0") / 2), 30});
  expected.push_back({"10", c.Right - h - f.width("10") / 2, 30});
  EXPECT_EQ(f.bar->LabelPlacements(f.canvas()), expected);
  // The ticks are where the values are.
  EXPECT_EQ(f.bar->TicPos(3), f.bar->ValueToPixel(4));
  EXPECT_EQ(c.Left + h, f.bar->ValueToPixel(0));
}

TEST(ExTrackBar, VerticalLabelsGoDownTheBarAtTheirLeftDistance) {
  Fixture f;
  f.bar->SetOrientation(trVertical);
  f.bar->SetBounds(10, 10, 60, 300);
  f.bar->SetMax(4);
  f.bar->SetLabelsInterval(1);
  f.bar->SetLabelsLeftTop(35);
  f.bar->SetLabelsText(" u");
  TRect c = f.bar->ChannelRect();
  TRect t = f.bar->ThumbRect();
  int h = (t.Bottom - t.Top) / 2;
  std::vector<Label> expected;
  for (int v : {1, 2, 3}) {
    std::string s = std::to_string(v) + " u";
    expected.push_back({s, 35, f.bar->TicPos(v - 1) - f.height(s) / 2});
  }
  expected.push_back({"0 u", 35, std::max(1, c.Left + h - f.height("0 u") / 2)});
  expected.push_back({"4 u", 35, c.Right - h - f.height("4 u") / 2});
  EXPECT_EQ(f.bar->LabelPlacements(f.canvas()), expected);
}

TEST(ExTrackBar, EndLabelsStayInsideTheBar) {
  Fixture f;
  f.bar->SetMax(1);  // no interior values
  f.bar->SetLabelsText(" long unit text");
  std::vector<Label> got = f.bar->LabelPlacements(f.canvas());
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].Text, "0 long unit text");
  EXPECT_GE(got[0].X, 1);
  EXPECT_EQ(got[1].Text, "1 long unit text");
  EXPECT_EQ(got[1].X, 300 - f.width(got[1].Text) - 1);
  f.bar->SetLabelsFirstLast(false);
  EXPECT_TRUE(f.bar->LabelPlacements(f.canvas()).empty());
}

TEST(ExTrackBar, InteriorLabelsTakeTheTickOfTheirIndexWhateverTheFrequency) {
  Fixture f;
  f.bar->SetMax(10);
  f.bar->SetFrequency(3);
  f.bar->SetLabelsInterval(1);
  f.bar->SetLabelsFirstLast(false);
  std::vector<Label> got = f.bar->LabelPlacements(f.canvas());
  ASSERT_EQ(got.size(), 9u);
  // Ticks at 3, 6, 9 have the indices 0, 1, 2; values 1, 2, 3 take them; the rest get -1.
  EXPECT_EQ(got[0].X, f.bar->ValueToPixel(3) - f.width("1") / 2);
  EXPECT_EQ(got[2].X, f.bar->ValueToPixel(9) - f.width("3") / 2);
  EXPECT_EQ(got[3].X, -1 - f.width("4") / 2);
}

TEST(ExTrackBar, TurningLabelsOnMakesTicksAutomaticAndBelow) {
  Fixture f;
  f.bar->SetLabels(false);
  f.bar->SetTickStyle(tsManual);
  f.bar->SetTickMarks(tmTopLeft);
  f.bar->SetLabels(true);
  EXPECT_EQ(f.bar->TickStyle(), tsAuto);
  EXPECT_EQ(f.bar->TickMarks(), tmBottomRight);
  f.bar->SetLabels(false);
  f.bar->SetTickMarks(tmBoth);
  f.bar->SetLabels(true);
  EXPECT_EQ(f.bar->TickMarks(), tmBoth);
}

TEST(ExTrackBar, PaintingWithoutAutomaticTicksTurnsLabelsOff) {
  Fixture f;
  f.form->Show();
  flush_paints();
  EXPECT_TRUE(f.bar->Labels());
  f.bar->SetTickStyle(tsNone);
  EXPECT_TRUE(f.bar->Labels());
  f.bar->Repaint();
  flush_paints();
  EXPECT_FALSE(f.bar->Labels());
}

TEST(ExTrackBar, ANewColourRecreatesTheWindowWithoutTheSelectionRange) {
  Fixture f;
  f.bar->SetSelEnable(true);
  EXPECT_NE(f.bar->WindowStyle() & TBS_ENABLESELRANGE, 0u);
  int made = f.bar->WindowCreations();
  f.bar->SetColor(clYellow);
  EXPECT_EQ(f.bar->WindowCreations(), made + 1);
  EXPECT_EQ(f.bar->WindowColor(), clYellow);
  EXPECT_EQ(f.bar->WindowStyle() & TBS_ENABLESELRANGE, 0u);
  EXPECT_TRUE(f.bar->SelEnable());
  // The parent's colour counts too while the bar follows it.
  f.bar->SetParentColor(true);
  EXPECT_EQ(f.bar->WindowCreations(), made + 2);
  EXPECT_EQ(f.bar->WindowColor(), clWhite);
  f.bar->SetSelEnable(false);
  f.bar->SetSelEnable(true);
  EXPECT_NE(f.bar->WindowStyle() & TBS_ENABLESELRANGE, 0u);
}

TEST(ExTrackBar, LabelsAreDrawnInTheFontColourOrEmbossedWhenDisabled) {
  Fixture f;
  f.bar->SetMax(10);
  f.bar->Font().SetColor(clBlack);
  // Grey level of a pixel (text edges are smoothed).
  auto grey = [&](int x, int y) {
    auto c = static_cast<std::uint32_t>(f.canvas().Pixels(x, y));
    return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
  };
  auto count = [&](const TRect& r, auto pred) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += pred(grey(x, y));
    return n;
  };
  auto clear = [&] {
    f.canvas().Brush().SetColor(clWhite);
    f.canvas().FillRect(Rect(0, 0, 300, 50));
  };
  auto dark = [](int g) { return g < 64; };
  clear();
  f.bar->PaintLabels(f.canvas());
  std::vector<Label> labels = f.bar->LabelPlacements(f.canvas());
  ASSERT_EQ(labels.size(), 6u);
  for (const Label& l : labels) {
    TRect r = Rect(l.X, l.Y, l.X + f.width(l.Text), l.Y + f.height(l.Text));
    EXPECT_GT(count(r, dark), 0) << l.Text;
  }
  // Nothing above the labels.
  EXPECT_EQ(count(Rect(0, 0, 300, 30), [](int g) { return g < 255; }), 0);
  // Disabled: a grey shadow over a white highlight, nothing dark.
  f.bar->SetEnabled(false);
  clear();
  f.bar->PaintLabels(f.canvas());
  TRect all = Rect(0, 30, 300, 50);
  EXPECT_EQ(count(all, dark), 0);
  EXPECT_GT(count(all, [](int g) { return g >= 112 && g <= 144; }), 0);
}
