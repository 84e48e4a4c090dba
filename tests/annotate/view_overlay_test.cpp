// The picture view showing stored annotations through this folder's editor: marks over the
// picture at the view's zoom, moving with its scrolling, read-only.
#include <gtest/gtest.h>

#include <memory>

#include "annotate/annotations_editor.hpp"
#include "image/dib_graphic.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/forms.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"

namespace {

struct ViewWindow {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TImageScrollBox* view;
  ViewWindow() {
    form->SetBounds(50, 50, 320, 240);
    view = new TImageScrollBox(form.get());
    view->SetBounds(0, 0, 300, 220);
    view->SetParent(form.get());
    form->Show();
    TDibGraphic picture;
    picture.NewImage(400, 300, ifTrueColor, nullptr, 0, 0);
    picture.Fill(Rgb(0x80, 0x80, 0x80));
    view->SetGraphic(&picture);
  }
  TAnnotationsEditor* editor() const { return dynamic_cast<TAnnotationsEditor*>(view->DisplayEditor()); }
  std::uint32_t pixel(int x, int y) const {
    flush_paints();
    TPoint p = view->ClientToScreen(Point(x, y));
    return GetScreenPixel(p.X, p.Y);
  }
};

// A plain lime rectangle at (10, 10, 50, 40) and a navy diagonal line at (100, 20, 140, 60).
const char* const kText = "(2)(2)(10)(10)(50)(40)(1)(65280)(0)(1)(4)(3)(100)(20)(140)(60)(1)(8388608)(1)(2)";

}  // namespace

TEST(ViewOverlay, TheViewShowsStoredAnnotationsThroughTheRegisteredEditor) {
  ViewWindow w;
  ASSERT_NE(w.editor(), nullptr);
  w.view->SetAnnotations(kText);
  w.view->SetAlwaysShowAnnotations(true);
  ASSERT_EQ(w.editor()->Count(), 2);
  TGenericMark* rect = w.editor()->Marks(0);
  EXPECT_EQ(rect->Parent(), w.view);
  EXPECT_EQ(rect->BoundsRect(), Rect(10, 10, 50, 40));
  EXPECT_FALSE(rect->Enabled());  // read-only
  EXPECT_EQ(w.pixel(30, 25), 0x00FF00u);
  EXPECT_EQ(w.pixel(70, 25), 0x808080u);
  // Hiding the overlay hides the marks.
  w.view->SetAlwaysShowAnnotations(false);
  EXPECT_FALSE(rect->Visible());
  EXPECT_EQ(w.pixel(30, 25), 0x808080u);
}

TEST(ViewOverlay, MarksFollowTheZoomAndTheScrolling) {
  ViewWindow w;
  w.view->SetAnnotations(kText);
  w.view->SetAlwaysShowAnnotations(true);
  w.view->SetZoomPercent(200);
  TGenericMark* rect = w.editor()->Marks(0);
  EXPECT_EQ(rect->BoundsRect(), Rect(20, 20, 100, 80));
  EXPECT_EQ(w.pixel(90, 70), 0x00FF00u);
  w.view->HorzScrollBar().SetPosition(40);
  w.view->VertScrollBar().SetPosition(10);
  EXPECT_EQ(rect->BoundsRect(), Rect(-20, 10, 60, 70));
  EXPECT_EQ(w.pixel(50, 60), 0x00FF00u);
  EXPECT_EQ(w.pixel(70, 60), 0x808080u);
  // A redraw at a new zoom scrolls back to the top-left corner and places the marks afresh.
  w.view->SetZoomPercent(100);
  EXPECT_EQ(rect->BoundsRect(), Rect(10, 10, 50, 40));
}

TEST(ViewOverlay, ClicksOnReadOnlyMarksReachThePicture) {
  ViewWindow w;
  w.view->SetAnnotations(kText);
  w.view->SetAlwaysShowAnnotations(true);
  int downs = 0;
  TPoint at;
  w.view->OnImageMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
    ++downs;
    at = Point(x, y);
  };
  send_click(*w.view, 30, 25);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(at, Point(30, 25));
}

TEST(ViewOverlay, ANewPictureClearsTheOverlay) {
  ViewWindow w;
  w.view->SetAnnotations(kText);
  w.view->SetAlwaysShowAnnotations(true);
  TDibGraphic other;
  other.NewImage(50, 50, ifTrueColor, nullptr, 0, 0);
  w.view->SetGraphic(&other);
  EXPECT_EQ(w.editor()->Count(), 0);
  EXPECT_EQ(w.view->Annotations(), "");
}
