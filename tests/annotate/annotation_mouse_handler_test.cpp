// The annotating mouse mode of the picture view: adding marks, selecting them with the mouse,
// the popup menu, editing through the properties dialog, deleting, burning in, and the
// annotation text kept across mode changes.
#include "annotate/annotation_mouse_handler.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "annotate/annotations_property_dialog.hpp"
#include "annotation_view.hpp"
#include "common/test_env.hpp"
#include "platform/check_controls.hpp"
#include "platform/menus.hpp"
#include "platform/page_control.hpp"
#include "platform/std_controls.hpp"
#include "platform/synthetic_window_input.hpp"

using hw_test::colour_of;
using hw_test::ViewWindow;

namespace {

const TRgb kGrey = Rgb(0x80, 0x80, 0x80);

// A view in annotating mode over a grey picture.
struct Annotating : ViewWindow {
  Annotating(int view_w, int view_h, int pic_w, int pic_h)
      : ViewWindow(view_w, view_h, *hw_test::plain_picture(pic_w, pic_h, kGrey)) {
    hw_test::popups().clear();
    hw_test::modal_forms().clear();
    hw_test::dialogs().clear();
    view->SetMouseMode(mmAnnotate);
  }
  TAnnotationMouseHandler& h() const { return handler<TAnnotationMouseHandler>(); }
  TAnnotationsEditor& editor() const { return h().Editor(); }
  // A left click at a client point of the view, routed as the pointer's.
  void click(int x, int y) const {
    send_window_mouse_press(*form, mbLeft, x, y);
    send_window_mouse_release(*form, mbLeft, x, y);
  }
  // A right click there, choosing menu item `choice` (-1: dismiss).
  void menu(int x, int y, int choice) const {
    if (choice >= 0) hw_test::popups().choices.push_back(choice);
    send_window_mouse_press(*form, mbRight, x, y);
    send_window_mouse_release(*form, mbRight, x, y);
  }
};

TAnnotationsPropertyDialog& dialog_of(TForm& f) { return dynamic_cast<TAnnotationsPropertyDialog&>(f); }

}  // namespace

TEST(AnnotationHandler, TheAnnotatingModeMakesTheHandlerForThePicture) {
  Annotating a(420, 320, 640, 480);
  TAnnotationMouseHandler& h = a.h();
  EXPECT_EQ(h.Editor().DisplayRect(), Rect(0, 0, 640, 480));
  EXPECT_EQ(h.Editor().Count(), 0);
  EXPECT_EQ(h.Editor().DisplaySurface(), a.view);
  EXPECT_EQ(h.Editor().DisplayResolution(), 96);
  EXPECT_TRUE(h.Editor().Visible());
  EXPECT_EQ(h.Editor().ZoomFactor(), 100);
  EXPECT_EQ(h.Editor().PopupMenu(), &h.Menu());
  ASSERT_EQ(h.Menu().Count(), 2);
  EXPECT_EQ(h.Menu().Items(0)->Caption(), "Properties...");
  EXPECT_EQ(h.Menu().Items(1)->Caption(), "Delete");
  EXPECT_EQ(a.view->Image()->Cursor(), crDefault);
  EXPECT_EQ(h.LastAnnotationSelected(), nullptr);
}

TEST(AnnotationHandler, ItChainsTheViewsNewPictureEventAndGivesItBack) {
  auto picture = hw_test::plain_picture(100, 80, kGrey);
  ViewWindow w(300, 200, *picture);
  std::vector<int> widths;
  w.view->OnNewGraphic = [&](TDibGraphic* g) { widths.push_back(g->Width()); };
  w.view->SetMouseMode(mmAnnotate);
  EXPECT_EQ(widths, (std::vector<int>{100}));  // once at creation
  auto& h = w.handler<TAnnotationMouseHandler>();
  h.AddNote();
  auto other = hw_test::plain_picture(50, 40, kGrey);
  w.view->SetGraphic(other.get());
  EXPECT_EQ(widths, (std::vector<int>{100, 50}));
  EXPECT_EQ(h.Editor().Count(), 0);
  EXPECT_EQ(h.Editor().DisplayRect(), Rect(0, 0, 50, 40));
  w.view->SetMouseMode(mmDrag);
  w.view->SetGraphic(picture.get());
  EXPECT_EQ(widths, (std::vector<int>{100, 50, 100}));
}

TEST(AnnotationHandler, NewMarksLieAtTheVisibleTopLeftOfThePicture) {
  Annotating a(300, 220, 640, 480);
  TAnnotationMouseHandler& h = a.h();
  auto* text = dynamic_cast<TTextMark*>(a.view->AddText());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->MarkRect(), Rect(5, 5, 400, 100));
  EXPECT_EQ(text->Font().Color(), clRed);
  EXPECT_EQ(h.AddNote()->MarkRect(), Rect(5, 5, 200, 200));
  EXPECT_EQ(h.AddRectangle()->MarkRect(), Rect(5, 5, 200, 200));
  EXPECT_EQ(h.AddLine()->MarkRect(), Rect(10, 10, 200, 200));
  EXPECT_EQ(h.AddImage()->MarkRect(), Rect(10, 10, 200, 200));
  EXPECT_EQ(h.Editor().Count(), 5);

  a.view->HorzScrollBar().SetPosition(40);
  a.view->VertScrollBar().SetPosition(30);
  TStickNoteMark* note = h.AddNote();
  EXPECT_EQ(note->MarkRect(), Rect(45, 35, 240, 230));
  EXPECT_EQ(note->BoundsRect(), Rect(5, 5, 200, 200));  // on screen at the view's top-left
  EXPECT_EQ(dynamic_cast<TLineMark*>(a.view->AddLine())->MarkRect(), Rect(50, 40, 240, 230));
  EXPECT_EQ(a.view->AddText()->BoundsRect(), Rect(5, 5, 400, 100));
}

TEST(AnnotationHandler, TheViewOffersMarksOnlyInAnnotatingModeAndWithAPicture) {
  Annotating a(300, 220, 100, 100);
  EXPECT_NE(a.view->AddRectangle(), nullptr);
  a.view->Clear();
  EXPECT_EQ(a.view->AddNote(), nullptr);
  EXPECT_EQ(a.view->AddImage(), nullptr);
  auto picture = hw_test::plain_picture(100, 100, kGrey);
  a.view->SetGraphic(picture.get());
  a.view->SetMouseMode(mmDrag);
  EXPECT_EQ(a.view->AddLine(), nullptr);
}

TEST(AnnotationHandler, ClickingAMarkSelectsItAloneAndAPressOnThePictureGivesItUp) {
  Annotating a(420, 320, 400, 300);
  TAnnotationMouseHandler& h = a.h();
  TRectangleMark* rect = h.AddRectangle();
  rect->SetMarkRect(Rect(20, 20, 100, 100));
  TGenericMark* line = h.AddLine();
  line->SetMarkRect(Rect(200, 20, 300, 120));
  a.click(50, 50);
  EXPECT_EQ(h.LastAnnotationSelected(), rect);
  EXPECT_TRUE(rect->EditMode());
  ASSERT_NE(rect->ControlResizer(), nullptr);
  EXPECT_TRUE(rect->ControlResizer()->Visible());
  EXPECT_EQ(rect->ControlResizer()->BoundsRect(), rect->BoundsRect());
  EXPECT_FALSE(line->EditMode());

  a.click(250, 70);
  EXPECT_EQ(h.LastAnnotationSelected(), line);
  EXPECT_TRUE(line->EditMode());
  EXPECT_FALSE(rect->EditMode());
  EXPECT_FALSE(rect->ControlResizer()->Visible());

  a.click(150, 250);  // the picture itself
  EXPECT_EQ(h.LastAnnotationSelected(), nullptr);
  EXPECT_FALSE(line->EditMode());
  EXPECT_FALSE(line->ControlResizer()->Visible());
}

TEST(AnnotationHandler, OnlyMarksCanBeClicked) {
  Annotating a(300, 220, 100, 100);
  TObject other;
  EXPECT_THROW(a.h().AnnotationClick(&other), EInvalidCast);
  EXPECT_EQ(a.h().LastAnnotationSelected(), nullptr);
}

TEST(AnnotationHandler, TheMenuDeletesTheSelectedMarkOnly) {
  Annotating a(420, 320, 400, 300);
  TAnnotationMouseHandler& h = a.h();
  TRectangleMark* rect = h.AddRectangle();
  rect->SetMarkRect(Rect(20, 20, 100, 100));
  TGenericMark* line = h.AddLine();
  line->SetMarkRect(Rect(200, 20, 300, 120));
  // Nothing selected: the menu shows on a mark, and Delete does nothing.
  a.menu(250, 70, 1);
  ASSERT_EQ(hw_test::popups().shown.size(), 1u);
  EXPECT_EQ(hw_test::popups().shown[0].component, line);
  EXPECT_EQ(hw_test::popups().shown[0].captions, (std::vector<std::string>{"Properties...", "Delete"}));
  EXPECT_EQ(h.Editor().Count(), 2);

  a.click(50, 50);
  a.menu(50, 50, 1);  // on the selected mark's sizing frame
  ASSERT_EQ(hw_test::popups().shown.size(), 2u);
  EXPECT_EQ(hw_test::popups().shown[1].component, rect->ControlResizer());
  ASSERT_EQ(h.Editor().Count(), 1);
  EXPECT_EQ(h.Editor().Marks(0), line);
  EXPECT_EQ(h.LastAnnotationSelected(), nullptr);
  // The menu again: nothing is selected any more.
  a.menu(250, 70, 1);
  a.menu(250, 70, 0);
  EXPECT_EQ(h.Editor().Count(), 1);
  EXPECT_TRUE(hw_test::modal_forms().captions.empty());
  flush_paints();
  EXPECT_EQ(a.pixel(50, 50), colour_of(kGrey));
}

TEST(AnnotationHandler, PropertiesEditsTheSelectedMarkThroughTheDialog) {
  Annotating a(420, 320, 400, 300);
  TAnnotationMouseHandler& h = a.h();
  auto* line = dynamic_cast<TLineMark*>(h.AddLine());
  line->SetMarkRect(Rect(200, 20, 300, 120));
  a.click(250, 70);
  hw_test::modal_forms().scripts.push_back([&](TForm& f) {
    TAnnotationsPropertyDialog& d = dialog_of(f);
    f.Show();
    EXPECT_EQ(d.PageControl->ActivePage(), d.TabSheetLine);
    EXPECT_EQ(d.EditLeft->Text(), "200  ");
    EXPECT_EQ(d.EditTop->Text(), "20   ");
    EXPECT_EQ(d.EditRight->Text(), "300  ");
    EXPECT_EQ(d.EditBottom->Text(), "120  ");
    EXPECT_EQ(d.EditLinePen->Text(), "4    ");
    EXPECT_EQ(d.LineRG->ItemIndex(), loTLBR);
    EXPECT_TRUE(d.CheckBoxVisible->Checked());
    // The user types a new left edge and pen width, picks another orientation and says OK.
    d.EditLeft->SetFocus();
    send_key(*d.EditLeft, VK_HOME);
    send_text(*d.EditLeft, "150");
    d.EditLinePen->SetFocus();
    send_key(*d.EditLinePen, VK_HOME);
    send_text(*d.EditLinePen, "7");
    d.LineRG->SetItemIndex(loBLTR);
    send_click(*d.OkBtn, 10, 10);
    return f.ModalResult();
  });
  a.menu(250, 70, 0);
  EXPECT_EQ(hw_test::modal_forms().captions, (std::vector<std::string>{"Annotation Properties"}));
  EXPECT_EQ(line->MarkRect(), Rect(150, 20, 300, 120));
  EXPECT_EQ(line->LineSize(), 7);
  EXPECT_EQ(line->Orientation(), loBLTR);
  EXPECT_EQ(line->BoundsRect(), Rect(150, 20, 300, 120));
  EXPECT_TRUE(hw_test::dialogs().messages().empty());
}

TEST(AnnotationHandler, CancellingTheDialogChangesNothing) {
  Annotating a(420, 320, 400, 300);
  TRectangleMark* rect = a.h().AddRectangle();
  a.click(50, 50);
  hw_test::modal_forms().scripts.push_back([&](TForm& f) {
    TAnnotationsPropertyDialog& d = dialog_of(f);
    f.Show();
    EXPECT_EQ(d.PageControl->ActivePage(), d.TabSheetRectangle);
    d.EditRectanglePen->SetText("9");
    d.CheckBoxRectangleFilled->SetChecked(false);
    send_click(*d.CancelBtn, 10, 10);
    return f.ModalResult();
  });
  a.menu(50, 50, 0);
  EXPECT_EQ(hw_test::modal_forms().captions.size(), 1u);
  EXPECT_EQ(rect->LineSize(), 4);
  EXPECT_TRUE(rect->Filled());
}

TEST(AnnotationHandler, AnEmptyFieldIsReportedAndStopsTheRestOfTheValues) {
  Annotating a(420, 320, 400, 300);
  auto* line = dynamic_cast<TLineMark*>(a.h().AddLine());
  a.click(100, 100);
  ASSERT_EQ(a.h().LastAnnotationSelected(), line);
  hw_test::modal_forms().scripts.push_back([&](TForm& f) {
    TAnnotationsPropertyDialog& d = dialog_of(f);
    f.Show();
    d.EditTop->SetText("30");
    d.EditLinePen->SetText("");
    d.LineRG->SetItemIndex(loTop);
    send_click(*d.OkBtn, 10, 10);
    return f.ModalResult();
  });
  a.menu(100, 100, 0);
  // The rectangle was applied before the pen width failed; the orientation after it was not.
  EXPECT_EQ(line->MarkRect(), Rect(10, 30, 200, 200));
  EXPECT_EQ(line->LineSize(), 4);
  EXPECT_EQ(line->Orientation(), loTLBR);
  EXPECT_EQ(hw_test::dialogs().messages(), (std::vector<std::string>{"'' is not a valid integer value"}));
}

TEST(AnnotationHandler, ANewPictureDropsTheSelection) {
  Annotating a(420, 320, 400, 300);
  a.h().AddRectangle();
  a.click(50, 50);
  ASSERT_NE(a.h().LastAnnotationSelected(), nullptr);
  auto other = hw_test::plain_picture(200, 100, kGrey);
  a.view->SetGraphic(other.get());
  EXPECT_EQ(a.h().LastAnnotationSelected(), nullptr);
  a.h().PropertiesDialog(nullptr);
  a.h().DeleteAnnotation(nullptr);
  EXPECT_TRUE(hw_test::modal_forms().captions.empty());
  // Loading annotation text replaces the marks and drops the selection too.
  a.h().AddNote();
  a.click(50, 50);
  ASSERT_NE(a.h().LastAnnotationSelected(), nullptr);
  a.view->SetAnnotations("(1)(2)(10)(10)(50)(40)(1)(65280)(0)(1)(4)");
  EXPECT_EQ(a.h().LastAnnotationSelected(), nullptr);
  EXPECT_EQ(a.editor().Count(), 1);
}

TEST(AnnotationHandler, DraggingTheSizingFrameMovesTheMarkInPicturePixels) {
  Annotating a(420, 320, 200, 150);
  a.view->SetZoomPercent(200);
  TRectangleMark* rect = a.h().AddRectangle();
  rect->SetMarkRect(Rect(20, 20, 60, 50));
  EXPECT_EQ(rect->BoundsRect(), Rect(40, 40, 120, 100));
  a.click(80, 70);
  ASSERT_TRUE(rect->EditMode());
  send_window_mouse_press(*a.form, mbLeft, 80, 70);
  send_window_mouse_move(*a.form, 100, 80, ssLeft);
  send_window_mouse_move(*a.form, 110, 90, ssLeft);
  send_window_mouse_release(*a.form, mbLeft, 110, 90);
  // 30 and 20 screen pixels at 200 % are 15 and 10 picture pixels.
  EXPECT_EQ(rect->MarkRect(), Rect(35, 30, 75, 60));
  EXPECT_TRUE(rect->Modified());
  EXPECT_TRUE(a.editor().Changed());
  EXPECT_EQ(a.view->Annotations(), "(1)(2)(35)(30)(75)(60)(1)(65280)(1)(1)(4)");
}

TEST(AnnotationHandler, MarksFollowTheZoom) {
  Annotating a(420, 320, 200, 150);
  TRectangleMark* rect = a.h().AddRectangle();
  rect->SetMarkRect(Rect(10, 20, 50, 60));
  a.view->SetZoomPercent(200);
  EXPECT_EQ(a.editor().ZoomFactor(), 200);
  EXPECT_EQ(rect->BoundsRect(), Rect(20, 40, 100, 120));
  a.view->SetZoomPercent(50);
  EXPECT_EQ(rect->BoundsRect(), Rect(5, 10, 25, 30));
}

TEST(AnnotationHandler, TheMarksSurviveAChangeOfMode) {
  Annotating a(420, 320, 400, 300);
  TRectangleMark* rect = a.h().AddRectangle();
  rect->SetHightLight(false);
  a.h().AddLine();
  const std::string text = "(2)(2)(5)(5)(200)(200)(1)(65280)(0)(1)(4)(3)(10)(10)(200)(200)(1)(8388608)(4)(2)";
  EXPECT_EQ(a.view->Annotations(), text);
  a.view->SetMouseMode(mmDrag);
  EXPECT_EQ(a.view->AnnotationsStr(), text);
  a.view->SetMouseMode(mmAnnotate);
  EXPECT_EQ(a.editor().Count(), 2);
  EXPECT_EQ(a.h().SaveToString(), text);
}

TEST(AnnotationHandler, BurningDrawsTheMarksIntoThePictureAndRemovesThem) {
  Annotating a(420, 320, 400, 300);
  TRectangleMark* rect = a.h().AddRectangle();
  rect->SetHightLight(false);
  a.view->BurnAnnotations();
  EXPECT_EQ(a.editor().Count(), 0);
  TDibGraphic& g = *a.view->Graphic();
  EXPECT_EQ(g.ImageFormat(), ifTrueColor);
  // The mark's 196-pixel bitmap stretched over its 195 pixels from (5, 5).
  EXPECT_EQ(g.GetPixel(5, 5), Rgb(0, 255, 0));
  EXPECT_EQ(g.GetPixel(199, 199), Rgb(0, 255, 0));
  EXPECT_EQ(g.GetPixel(4, 100), kGrey);
  EXPECT_EQ(g.GetPixel(200, 100), kGrey);
  EXPECT_EQ(g.GetPixel(100, 200), kGrey);
  flush_paints();
  EXPECT_EQ(a.pixel(100, 100), 0x00FF00u);  // the view shows the new picture
}

TEST(AnnotationHandler, BurningAScrolledViewUsesThePicturePlaceOfEachMark) {
  Annotating a(300, 220, 640, 480);
  a.view->HorzScrollBar().SetPosition(40);
  a.view->VertScrollBar().SetPosition(30);
  TRectangleMark* rect = a.h().AddRectangle();
  rect->SetHightLight(false);
  ASSERT_EQ(rect->MarkRect(), Rect(45, 35, 240, 230));
  a.view->BurnAnnotations();
  TDibGraphic& g = *a.view->Graphic();
  EXPECT_EQ(g.GetPixel(45, 35), Rgb(0, 255, 0));
  EXPECT_EQ(g.GetPixel(239, 229), Rgb(0, 255, 0));
  EXPECT_EQ(g.GetPixel(44, 100), kGrey);
  EXPECT_EQ(g.GetPixel(100, 34), kGrey);
  EXPECT_EQ(g.GetPixel(240, 100), kGrey);
}

TEST(AnnotationHandler, BurningAZoomedViewDrawsAtOneToOne) {
  Annotating a(420, 320, 200, 150);
  a.view->SetZoomPercent(200);
  TRectangleMark* rect = a.h().AddRectangle();
  rect->SetMarkRect(Rect(10, 10, 30, 20));
  rect->SetHightLight(false);
  rect->SetColor(clBlue);
  a.view->BurnAnnotations();
  TDibGraphic& g = *a.view->Graphic();
  EXPECT_EQ(g.GetPixel(10, 10), Rgb(0, 0, 255));
  EXPECT_EQ(g.GetPixel(29, 19), Rgb(0, 0, 255));
  EXPECT_EQ(g.GetPixel(30, 15), kGrey);
  EXPECT_EQ(g.GetPixel(20, 20), kGrey);
  EXPECT_EQ(a.view->ZoomPercent(), 200);
}
