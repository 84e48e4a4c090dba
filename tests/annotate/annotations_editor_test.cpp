#include "annotate/annotations_editor.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/forms.hpp"
#include "platform/scroll_box.hpp"
#include "platform/synthetic_input.hpp"

namespace {

// A shown window with a 400 x 300 surface for marks.
struct Surface {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TPanel* panel;
  TAnnotationsEditor editor{nullptr};
  Surface() {
    form->SetBounds(30, 30, 420, 320);
    panel = new TPanel(form.get());
    panel->SetBounds(0, 0, 400, 300);
    panel->SetParent(form.get());
    editor.SetDisplaySurface(panel);
    editor.SetZoomFactor(100);
    form->Show();
  }
};

}  // namespace

TEST(AnnotationsEditor, MarksNeedAnEditorAsOwner) {
  TForm form(nullptr);
  try {
    TRectangleMark m(&form);
    FAIL() << "a mark was made without an editor";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Invalid Parent for Mark");
  }
  EXPECT_THROW(TLineMark m(nullptr), Exception);
  EXPECT_EQ(form.ComponentCount(), 0);
}

TEST(AnnotationsEditor, EachKindStartsWithItsDefaults) {
  TAnnotationsEditor e(nullptr);
  TStickNoteMark* note = e.AddStickNote();
  EXPECT_EQ(note->Color(), 0x00FFFF);
  EXPECT_EQ(note->Text(), "Stick Note");
  EXPECT_EQ(note->Font().Name(), "Arial");
  EXPECT_EQ(note->Font().Size(), 12);
  TRectangleMark* rect = e.AddRectangle();
  EXPECT_EQ(rect->Color(), 0x00FF00);
  EXPECT_EQ(rect->LineSize(), 4);
  EXPECT_TRUE(rect->Filled());
  EXPECT_TRUE(rect->HightLight());
  TTextMark* text = e.AddText();
  EXPECT_EQ(text->Color(), 0x00FFFF);
  EXPECT_EQ(text->Text(), "Text");
  EXPECT_EQ(text->Font().Size(), 12);
  TLineMark* line = e.AddLine();
  EXPECT_EQ(line->Color(), 0x800000);
  EXPECT_EQ(line->LineSize(), 4);
  EXPECT_EQ(line->Orientation(), loTLBR);
  TMultiLineMark* poly = e.AddMultiLine();
  EXPECT_EQ(poly->Color(), 0x800000);
  EXPECT_EQ(poly->PointsCount(), 0);
  TImageMark* image = e.AddImage();
  EXPECT_EQ(image->Color(), 0);
  EXPECT_EQ(image->DIBHandle(), nullptr);
  EXPECT_FALSE(image->Transparent());
  for (int i = 0; i < e.Count(); ++i) {
    EXPECT_FALSE(e.Marks(i)->EditMode());
    EXPECT_FALSE(e.Marks(i)->Modified());
    EXPECT_EQ(e.Marks(i)->ControlResizer(), nullptr);
  }
}

TEST(AnnotationsEditor, AddingFindingDeletingAndClearing) {
  Surface s;
  s.editor.SetZoomFactor(200);
  s.editor.SetEditMode(true);
  TRectangleMark* a = s.editor.AddRectangle();
  TLineMark* b = s.editor.AddLine();
  // A new mark takes the editor's zoom, surface and edit mode.
  EXPECT_EQ(a->ZoomFactor(), 200);
  EXPECT_EQ(a->Parent(), s.panel);
  EXPECT_TRUE(b->EditMode());
  EXPECT_NE(b->ControlResizer(), nullptr);
  EXPECT_EQ(s.editor.Count(), 2);
  EXPECT_EQ(s.editor.FindIndex(b), 1);
  EXPECT_EQ(s.editor.FindIndex(nullptr), -1);
  s.editor.Delete(0);
  EXPECT_EQ(s.editor.Count(), 1);
  EXPECT_EQ(s.editor.Marks(0), b);
  EXPECT_EQ(s.panel->ControlCount(), 1 + 1 + 8);  // the line, its frame and the frame's handles
  EXPECT_THROW(s.editor.Delete(1), EListError);
  EXPECT_THROW(s.editor.Marks(-1), EListError);
  s.editor.Clear();
  EXPECT_EQ(s.editor.Count(), 0);
  EXPECT_EQ(s.panel->ControlCount(), 0);
}

TEST(AnnotationsEditor, MarkRectanglesAreClampedIntoANonEmptyDisplayRect) {
  TAnnotationsEditor e(nullptr);
  TRectangleMark* m = e.AddRectangle();
  m->SetMarkRect(Rect(-10, -20, 900, 700));
  EXPECT_EQ(m->MarkRect(), Rect(-10, -20, 900, 700));  // no display rectangle: as given
  e.SetDisplayRect(Rect(0, 0, 640, 480));
  m->SetMarkRect(Rect(-10, 5, 900, 700));
  EXPECT_EQ(m->MarkRect(), Rect(0, 5, 640, 480));
  // A mark made afterwards has the display rectangle from the start.
  TLineMark* l = e.AddLine();
  l->SetMarkRect(Rect(600, 400, 700, 500));
  EXPECT_EQ(l->MarkRect(), Rect(600, 400, 640, 480));
}

TEST(AnnotationsEditor, ZoomScalesBoundsWithHalvesToEven) {
  TAnnotationsEditor e(nullptr);
  e.SetZoomFactor(50);
  TRectangleMark* m = e.AddRectangle();
  m->SetMarkRect(Rect(5, 3, 201, 199));
  // 2.5 -> 2, 1.5 -> 2, 100.5 -> 100, 99.5 -> 100
  EXPECT_EQ(m->BoundsRect(), Rect(2, 2, 100, 100));
  e.SetZoomFactor(150);
  // 7.5 -> 8, 4.5 -> 4, 301.5 -> 302, 298.5 -> 298
  EXPECT_EQ(m->BoundsRect(), Rect(8, 4, 302, 298));
  EXPECT_EQ(m->MarkRect(), Rect(5, 3, 201, 199));
  // Setting the zoom the editor has already changes nothing, even bounds moved by hand.
  m->SetBounds(0, 0, 10, 10);
  e.SetZoomFactor(150);
  EXPECT_EQ(m->BoundsRect(), Rect(0, 0, 10, 10));
  EXPECT_EQ(ScaleRect(Rect(1, 3, 5, 7), 50), Rect(0, 2, 2, 4));
}

TEST(AnnotationsEditor, ScrollPositionsShiftPlacedMarks) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 300);
  auto* view = new TScrollingWinControl(&form);
  view->SetBounds(0, 0, 200, 150);
  view->SetParent(&form);
  view->HorzScrollBar().SetRange(1000);
  view->VertScrollBar().SetRange(1000);
  view->HorzScrollBar().SetPosition(30);
  view->VertScrollBar().SetPosition(20);
  ASSERT_EQ(view->HorzScrollBar().Position(), 30);
  ASSERT_EQ(view->VertScrollBar().Position(), 20);
  TAnnotationsEditor e(nullptr);
  e.SetDisplaySurface(view);
  e.SetZoomFactor(100);
  e.SetDisplayHorzScrollBar(&view->HorzScrollBar());
  e.SetDisplayVertScrollBar(&view->VertScrollBar());
  TRectangleMark* m = e.AddRectangle();
  m->SetMarkRect(Rect(40, 50, 100, 120));
  EXPECT_EQ(m->BoundsRect(), Rect(10, 30, 70, 100));
  // Scrolling moves the mark along with every other child.
  view->HorzScrollBar().SetPosition(0);
  EXPECT_EQ(m->BoundsRect(), Rect(40, 30, 100, 100));
}

TEST(AnnotationsEditor, SettingsReachEveryMark) {
  Surface s;
  TStickNoteMark* a = s.editor.AddStickNote();
  TTextMark* b = s.editor.AddText();
  s.editor.SetDisplayResolution(120);
  EXPECT_EQ(a->DisplayResolution(), 120);
  s.editor.SetDisplayRect(Rect(0, 0, 50, 60));
  EXPECT_EQ(b->DisplayRect(), Rect(0, 0, 50, 60));
  s.editor.SetVisible(false);
  EXPECT_FALSE(a->Visible());
  EXPECT_FALSE(b->Visible());
  s.editor.SetVisible(true);
  EXPECT_TRUE(b->Visible());
  s.editor.SetAllowEdit(false);
  EXPECT_FALSE(a->Enabled());
  s.editor.SetAllowEdit(true);
  EXPECT_TRUE(a->Enabled());
  TForm other(nullptr);
  s.editor.SetDisplaySurface(&other);
  EXPECT_EQ(a->Parent(), &other);
  EXPECT_EQ(b->Parent(), &other);
}

TEST(AnnotationsEditor, ClicksOnMarksReachTheEditorsEvent) {
  Surface s;
  TRectangleMark* m = s.editor.AddRectangle();
  m->SetMarkRect(Rect(10, 10, 60, 60));
  std::vector<TObject*> clicked;
  s.editor.OnAnnotationClick = [&](TObject* sender) { clicked.push_back(sender); };
  send_click(*s.panel, 30, 30);
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0], m);
  // A read-only overlay takes no clicks.
  s.editor.SetAllowEdit(false);
  send_click(*s.panel, 30, 30);
  EXPECT_EQ(clicked.size(), 1u);
}

TEST(AnnotationsEditor, EditModeGivesEachMarkABlueFrameAndLeavingItHidesIt) {
  Surface s;
  TRectangleMark* m = s.editor.AddRectangle();
  m->SetMarkRect(Rect(20, 30, 120, 90));
  s.editor.SetEditMode(true);
  TControlResizer* frame = m->ControlResizer();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->BoundsRect(), m->BoundsRect());
  EXPECT_EQ(frame->BoxColor(), clBlue);
  EXPECT_TRUE(frame->Visible());
  EXPECT_TRUE(frame->Handle(rhSE)->Visible());
  s.editor.SetEditMode(false);
  EXPECT_FALSE(frame->Visible());
  EXPECT_FALSE(frame->Handle(rhSE)->Visible());
  s.editor.SetEditMode(true);
  EXPECT_EQ(m->ControlResizer(), frame);  // made once
  EXPECT_TRUE(frame->Visible());
}

TEST(AnnotationsEditor, MovingAMarkWithTheMouseUpdatesItsPictureRectangle) {
  Surface s;
  s.editor.SetZoomFactor(200);
  TRectangleMark* m = s.editor.AddRectangle();
  m->SetMarkRect(Rect(10, 10, 60, 40));  // bounds (20, 20, 120, 80)
  s.editor.SetEditMode(true);
  EXPECT_FALSE(s.editor.Changed());
  send_mouse_press(*s.panel, mbLeft, 50, 50);
  TControlResizer* frame = m->ControlResizer();
  ASSERT_TRUE(frame->Moving());
  send_mouse_move(*frame, 30 + 41, 30 + 21, ssLeft);
  send_mouse_release(*frame, mbLeft, 30 + 41, 30 + 21);
  // Moved by (41, 21) screen pixels: 20.5 -> 20 and 10.5 -> 10 picture pixels (halves to even).
  EXPECT_EQ(m->BoundsRect(), Rect(60, 40, 160, 100));
  EXPECT_EQ(m->MarkRect(), Rect(30, 20, 80, 50));
  EXPECT_EQ(frame->BoundsRect(), m->BoundsRect());
  EXPECT_TRUE(m->Modified());
  EXPECT_TRUE(s.editor.Changed());
  // Moved by (43, 21) more: 51.5 -> 52, 30.5 -> 30, 101.5 -> 102, 60.5 -> 60.
  send_mouse_press(*s.panel, mbLeft, 100, 70);
  ASSERT_TRUE(frame->Moving());
  send_mouse_move(*frame, 40 + 43, 30 + 21, ssLeft);
  send_mouse_release(*frame, mbLeft, 40 + 43, 30 + 21);
  EXPECT_EQ(m->MarkRect(), Rect(52, 30, 102, 60));
  EXPECT_EQ(m->BoundsRect(), Rect(104, 60, 204, 120));
}

TEST(AnnotationsEditor, ResizingAMarkWithAHandle) {
  Surface s;
  TLineMark* m = s.editor.AddLine();
  m->SetMarkRect(Rect(100, 100, 200, 150));
  s.editor.SetEditMode(true);
  TResizerHandle* se = m->ControlResizer()->Handle(rhSE);
  send_mouse_press(*s.panel, mbLeft, se->Left() + 2, se->Top() + 2);
  send_mouse_move(*se, 32, -8, ssLeft);
  send_mouse_release(*se, mbLeft, 32, -8);
  EXPECT_EQ(m->MarkRect(), Rect(100, 100, 230, 140));
  EXPECT_EQ(m->BoundsRect(), Rect(100, 100, 230, 140));
  EXPECT_TRUE(m->Modified());
  // Dragging the frame past the picture's edge clamps the mark into it.
  s.editor.SetDisplayRect(Rect(0, 0, 250, 250));
  send_mouse_press(*s.panel, mbLeft, 150, 120);
  send_mouse_move(*m->ControlResizer(), 50 + 100, 20, ssLeft);
  send_mouse_release(*m->ControlResizer(), mbLeft, 50 + 100, 20);
  EXPECT_EQ(m->MarkRect(), Rect(200, 100, 250, 140));
}

TEST(AnnotationsEditor, PolylinePointsFollowTheirRectangle) {
  TAnnotationsEditor e(nullptr);
  TMultiLineMark* p = e.AddMultiLine();
  p->SetMarkRect(Rect(0, 0, 100, 50));
  p->AddPoint(Point(10, 20));
  p->AddPoint(Point(33, 7));
  p->AddPoint(Point(100, 50));
  p->SetMarkRect(Rect(0, 0, 200, 50));
  EXPECT_EQ(p->Points(0), Point(20, 20));
  EXPECT_EQ(p->Points(1), Point(66, 7));
  EXPECT_EQ(p->Points(2), Point(200, 50));
  p->SetMarkRect(Rect(10, 10, 110, 20));  // x by 1/2, y by 1/5: 7 x 0.2 = 1.4 -> 1
  EXPECT_EQ(p->Points(1), Point(33, 1));
  EXPECT_EQ(p->Points(0), Point(10, 4));
  p->DeletePoint(1);
  EXPECT_EQ(p->PointsCount(), 2);
  EXPECT_THROW(p->DeletePoint(2), EListError);
  p->ClearPoints();
  EXPECT_EQ(p->PointsCount(), 0);
  // From an empty rectangle nothing can be scaled.
  TMultiLineMark* q = e.AddMultiLine();
  q->AddPoint(Point(3, 4));
  q->SetMarkRect(Rect(0, 0, 80, 90));
  EXPECT_EQ(q->Points(0), Point(3, 4));
}

TEST(AnnotationsEditor, LineAndPenSizesStayWithinBounds) {
  TAnnotationsEditor e(nullptr);
  TRectangleMark* r = e.AddRectangle();
  r->SetLineSize(-3);
  EXPECT_EQ(r->LineSize(), 0);
  r->SetLineSize(1 << 30);
  EXPECT_EQ(r->LineSize(), kMaxMarkLineSize);
  TLineMark* l = e.AddLine();
  l->SetLineSize(12);
  EXPECT_EQ(l->LineSize(), 12);
}

TEST(AnnotationsEditor, ExtremeRectanglesKeepTheControlWithinReach) {
  TAnnotationsEditor e(nullptr);
  e.SetZoomFactor(10000);
  TRectangleMark* m = e.AddRectangle();
  m->SetMarkRect(Rect(-2000000000, 5, 2000000000, 2147483647));
  EXPECT_EQ(m->MarkRect(), Rect(-2000000000, 5, 2000000000, 2147483647));
  const int reach = 1 << 24;
  EXPECT_EQ(m->Left(), -reach);
  EXPECT_EQ(m->Top(), 500);
  EXPECT_EQ(m->Width(), reach);
  EXPECT_EQ(m->Height(), reach);
  e.SetEditMode(true);
  ASSERT_NE(m->ControlResizer(), nullptr);
  EXPECT_EQ(m->ControlResizer()->Handle(rhSE)->Left(), -reach + reach - 5 + 2);
}
