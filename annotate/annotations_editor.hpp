// The annotations editor: owns the marks laid over a display surface, hands every display
// setting on to all of them, burns them into a picture, and turns them into and back from the
// annotation text.
//
// The annotation text: Integer Count, then per mark Integer kind, Rect MarkRect, Boolean
// Visible, Integer Color and the kind's fields:
//   1 sticky note  String Text, Font
//   2 rectangle    Boolean HightLight, Boolean Filled, Integer LineSize
//   3 line         Integer LineSize, Integer Orientation (0-3)
//   4 text         String Text, Font
//   5 picture      Boolean Transparent, Boolean has-picture; when set Integer N and a String of
//                  N bytes holding the picture as ASCII PPM text
// Polylines have no kind and are not saved. An editor with nothing to save gives "".
#pragma once

#include <string>
#include <vector>

#include "annotate/marks.hpp"
#include "image/annotation_hooks.hpp"
#include "platform/controls.hpp"

class TControlScrollBar;
class TPopupMenu;

class TAnnotationsEditor : public TComponent, public IAnnotationsEditor {
public:
  explicit TAnnotationsEditor(TComponent* AOwner);
  ~TAnnotationsEditor() override;
  std::string ClassName() const override { return "TAnnotationsEditor"; }

  TStickNoteMark* AddStickNote();
  TRectangleMark* AddRectangle();
  TTextMark* AddText();
  TMultiLineMark* AddMultiLine();
  TLineMark* AddLine();
  TImageMark* AddImage();
  // Frees the mark at the index (EListError outside the list).
  void Delete(int Index);
  void Clear() override;
  // The list index of the mark, -1 when it is not in the list.
  int FindIndex(const TGenericMark* Mark) const;
  // Draws every mark, in list order, at its Left and Top onto the canvas.
  void BurnIn(TCanvas& Canvas);

  // Raises Exception for a damaged text (see TAnnotationTextReader). The editor is emptied
  // first; marks read before an error stay.
  void LoadFromString(const std::string& S) override;
  std::string SaveToString() override;

  TWinControl* DisplaySurface() const { return FDisplaySurface; }
  void SetDisplaySurface(TWinControl* Value) override;
  const TRect& DisplayRect() const { return FDisplayRect; }
  void SetDisplayRect(const TRect& Value) override;
  int DisplayResolution() const { return FDisplayResolution; }
  void SetDisplayResolution(int Value) override;
  TControlScrollBar* DisplayHorzScrollBar() const { return FDisplayHorzScrollBar; }
  void SetDisplayHorzScrollBar(TControlScrollBar* Value) override { FDisplayHorzScrollBar = Value; }
  TControlScrollBar* DisplayVertScrollBar() const { return FDisplayVertScrollBar; }
  void SetDisplayVertScrollBar(TControlScrollBar* Value) override { FDisplayVertScrollBar = Value; }
  double ZoomFactor() const { return FZoomFactor; }
  void SetZoomFactor(double Value) override;
  bool EditMode() const { return FEditMode; }
  void SetEditMode(bool Value);
  void SetAllowEdit(bool Value) override;
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) override;
  // True when the user moved or resized any mark.
  bool Changed() const;
  int Count() const override { return static_cast<int>(FMarks.size()); }
  TGenericMark* Marks(int Index) const;

  TNotifyEvent OnAnnotationClick;
  TNotifyEvent OnAnnotationDblClick;

private:
  friend class TGenericMark;
  template <class M>
  M* add_mark();
  // The marks' mouse events, passed on with the mark as Sender.
  void AnnotationClick(TObject* Sender);
  void AnnotationDblClick(TObject* Sender);
  void AnnotationMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void AnnotationMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void AnnotationMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);

  TWinControl* FDisplaySurface = nullptr;
  int FDisplayResolution = 0;
  TRect FDisplayRect;
  TControlScrollBar* FDisplayHorzScrollBar = nullptr;
  TControlScrollBar* FDisplayVertScrollBar = nullptr;
  bool FVisible = false;
  std::vector<TGenericMark*> FMarks;  // owned as components
  double FZoomFactor = 0;
  bool FEditMode = false;
  bool FChanged = false;
  TMouseEvent FOnAnnotationMouseDown;
  TMouseEvent FOnAnnotationMouseUp;
  TMouseMoveEvent FOnAnnotationMouseMove;
  TPopupMenu* FPopupMenu = nullptr;
};
