// The picture view's annotating mouse mode. It owns an annotations editor whose marks lie over
// the view, adds marks of five kinds at the visible top-left of the picture, selects a mark when
// it is clicked (its sizing frame shows), offers a popup menu with "Properties..." and "Delete"
// on the marks, edits the selected mark in the properties dialog, burns the marks into the
// picture and converts them to and from the annotation text.
#pragma once

#include <memory>
#include <string>

#include "annotate/annotations_editor.hpp"
#include "annotate/marks.hpp"
#include "image/annotation_hooks.hpp"
#include "image/image_scroll_box.hpp"

class TPopupMenu;

class TAnnotationMouseHandler : public TAnnotationHandlerBase {
public:
  // Takes over the view's OnNewGraphic (and gives it back when freed) and shows the marks of
  // the view's picture, none to begin with.
  explicit TAnnotationMouseHandler(TImageScrollBox* InImageScrollBox);
  ~TAnnotationMouseHandler() override;
  std::string ClassName() const override { return "TAnnotationMouseHandler"; }

  void BeforeResize() override {}
  // Marks hide while the picture is centred, and follow the view's zoom.
  void AfterResize() override;
  // A press on the picture itself (not on a mark) gives up the selection, unless the view is
  // centred.
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton, TShiftState, int, int) override {}
  void MouseMove(TShiftState, int, int) override {}

  // The menu's "Properties...": edits the selected mark in the properties dialog.
  virtual void PropertiesDialog(TObject* Sender);
  // The menu's "Delete": frees the selected mark; nothing is selected afterwards.
  virtual void DeleteAnnotation(TObject* Sender);
  // A mark was clicked: it alone goes into edit mode and becomes the selected mark. Raises
  // EInvalidCast for a Sender that is not a mark.
  virtual void AnnotationClick(TObject* Sender);

  // The marks as annotation text; setting it replaces every mark (and the selection goes).
  std::string AnnotationsStr();
  void SetAnnotationsStr(const std::string& Value);
  std::string SaveToString() override { return AnnotationsStr(); }
  void LoadFromString(const std::string& S) override { SetAnnotationsStr(S); }

  // New marks at the visible top-left of the picture (H, V: the scroll positions): note and
  // rectangle (H+5, V+5, H+200, V+200), text (H+5, V+5, H+400, V+100) with a red font, line
  // and picture (H+10, V+10, H+200, V+200).
  TStickNoteMark* AddNote() override;
  TRectangleMark* AddRectangle() override;
  TGenericMark* AddText() override;
  TGenericMark* AddLine() override;
  TGenericMark* AddImage() override;
  // Draws every mark at its place in picture pixels into the view's source picture, removes the
  // marks and redraws the view.
  void Burn() override;

  TAnnotationsEditor& Editor() const { return *FEditor; }
  TPopupMenu& Menu() const { return *FMenu; }
  // The selected mark, or nullptr.
  TGenericMark* LastAnnotationSelected() const;

private:
  void ImageScrollBoxNewGraphic(TDibGraphic* Graphic);
  int scroll_h() const;
  int scroll_v() const;

  std::unique_ptr<TAnnotationsEditor> FEditor;
  std::unique_ptr<TPopupMenu> FMenu;
  TGenericMark* FLastAnnotationSelected = nullptr;
  TNewGraphicEvent OldNewGraphic;
};
