#include "annotate/annotation_mouse_handler.hpp"

#include "annotate/annotations_property_dialog.hpp"
#include "image/dib_graphic.hpp"
#include "platform/forms.hpp"
#include "platform/menus.hpp"

TAnnotationMouseHandler::TAnnotationMouseHandler(TImageScrollBox* InImageScrollBox)
    : TAnnotationHandlerBase(InImageScrollBox) {
  TImageScrollBox& view = *FImageScrollBox;
  view.Image()->SetCursor(crDefault);
  FEditor = std::make_unique<TAnnotationsEditor>(nullptr);
  FEditor->SetDisplaySurface(&view);
  FMenu = std::make_unique<TPopupMenu>(nullptr);
  FMenu->AddItem("Properties...", [this](TObject* Sender) { PropertiesDialog(Sender); });
  FMenu->AddItem("Delete", [this](TObject* Sender) { DeleteAnnotation(Sender); });
  FEditor->SetPopupMenu(FMenu.get());
  FEditor->OnAnnotationClick = [this](TObject* Sender) { AnnotationClick(Sender); };
  OldNewGraphic = view.OnNewGraphic;
  view.OnNewGraphic = [this](TDibGraphic* Graphic) { ImageScrollBoxNewGraphic(Graphic); };
  ImageScrollBoxNewGraphic(view.Graphic());
}

TAnnotationMouseHandler::~TAnnotationMouseHandler() {
  FImageScrollBox->OnNewGraphic = OldNewGraphic;
  FEditor->SetPopupMenu(nullptr);
  FMenu.reset();
  FEditor.reset();
}

int TAnnotationMouseHandler::scroll_h() const { return FImageScrollBox->HorzScrollBar().Position(); }
int TAnnotationMouseHandler::scroll_v() const { return FImageScrollBox->VertScrollBar().Position(); }

void TAnnotationMouseHandler::ImageScrollBoxNewGraphic(TDibGraphic* Graphic) {
  if (OldNewGraphic) OldNewGraphic(Graphic);
  TImageScrollBox& view = *FImageScrollBox;
  FEditor->Clear();
  FLastAnnotationSelected = nullptr;
  const int w = Graphic ? Graphic->Width() : 0, h = Graphic ? Graphic->Height() : 0;
  FEditor->SetDisplayRect(Rect(0, 0, w, h));
  FEditor->SetDisplayResolution(Screen->PixelsPerInch());
  FEditor->SetVisible(true);
  FEditor->SetZoomFactor(view.ZoomPercent());
  FEditor->SetDisplayVertScrollBar(&view.VertScrollBar());
  FEditor->SetDisplayHorzScrollBar(&view.HorzScrollBar());
}

void TAnnotationMouseHandler::AfterResize() {
  FEditor->SetVisible(!FImageScrollBox->Centered());
  FEditor->SetZoomFactor(FImageScrollBox->ZoomPercent());
}

void TAnnotationMouseHandler::MouseDown(TMouseButton, TShiftState, int, int) {
  if (FImageScrollBox->Centered()) return;
  FEditor->SetEditMode(false);
  FLastAnnotationSelected = nullptr;
}

TGenericMark* TAnnotationMouseHandler::LastAnnotationSelected() const {
  // A mark freed since it was selected (its list lost it) is selected no longer.
  return FLastAnnotationSelected && FEditor->FindIndex(FLastAnnotationSelected) >= 0 ? FLastAnnotationSelected : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Selection and the menu
// ---------------------------------------------------------------------------------------------
void TAnnotationMouseHandler::AnnotationClick(TObject* Sender) {
  FEditor->SetEditMode(false);
  auto* mark = dynamic_cast<TGenericMark*>(Sender);
  if (!mark) throw EInvalidCast("Invalid class typecast");
  FLastAnnotationSelected = mark;
  mark->SetEditMode(true);
}

void TAnnotationMouseHandler::PropertiesDialog(TObject*) {
  TGenericMark* mark = LastAnnotationSelected();
  if (!mark) return;
  auto dialog = std::make_unique<TAnnotationsPropertyDialog>(nullptr);
  dialog->SetValues(mark);
  if (dialog->ShowModal() == mrOk) dialog->GetValues(mark);
}

void TAnnotationMouseHandler::DeleteAnnotation(TObject*) {
  TGenericMark* mark = LastAnnotationSelected();
  FLastAnnotationSelected = nullptr;
  if (!mark) return;
  const int index = FEditor->FindIndex(mark);
  if (index >= 0) FEditor->Delete(index);
}

// ---------------------------------------------------------------------------------------------
// Text, new marks and burning
// ---------------------------------------------------------------------------------------------
std::string TAnnotationMouseHandler::AnnotationsStr() { return FEditor->SaveToString(); }

void TAnnotationMouseHandler::SetAnnotationsStr(const std::string& Value) {
  FLastAnnotationSelected = nullptr;
  FEditor->LoadFromString(Value);
}

TStickNoteMark* TAnnotationMouseHandler::AddNote() {
  TStickNoteMark* m = FEditor->AddStickNote();
  m->SetMarkRect(Rect(scroll_h() + 5, scroll_v() + 5, scroll_h() + 200, scroll_v() + 200));
  return m;
}

TRectangleMark* TAnnotationMouseHandler::AddRectangle() {
  TRectangleMark* m = FEditor->AddRectangle();
  m->SetMarkRect(Rect(scroll_h() + 5, scroll_v() + 5, scroll_h() + 200, scroll_v() + 200));
  return m;
}

TGenericMark* TAnnotationMouseHandler::AddText() {
  TTextMark* m = FEditor->AddText();
  m->SetMarkRect(Rect(scroll_h() + 5, scroll_v() + 5, scroll_h() + 400, scroll_v() + 100));
  m->Font().SetColor(clRed);
  return m;
}

TGenericMark* TAnnotationMouseHandler::AddLine() {
  TLineMark* m = FEditor->AddLine();
  m->SetMarkRect(Rect(scroll_h() + 10, scroll_v() + 10, scroll_h() + 200, scroll_v() + 200));
  return m;
}

TGenericMark* TAnnotationMouseHandler::AddImage() {
  TImageMark* m = FEditor->AddImage();
  m->SetMarkRect(Rect(scroll_h() + 10, scroll_v() + 10, scroll_h() + 200, scroll_v() + 200));
  return m;
}

void TAnnotationMouseHandler::Burn() {
  TImageScrollBox& view = *FImageScrollBox;
  TDibGraphic* picture = view.Graphic();
  FEditor->SetZoomFactor(100);
  // Every mark is placed at its picture rectangle, without the scrolling: a view already at
  // 100 % would otherwise leave the marks where the scrolled view shows them.
  for (int i = 0; i < FEditor->Count(); ++i) FEditor->Marks(i)->SetZoomFactor(100);
  if (picture && !picture->Empty() && picture->Canvas()) FEditor->BurnIn(*picture->Canvas());
  FEditor->Clear();
  FLastAnnotationSelected = nullptr;
  view.Redraw(true);
}
