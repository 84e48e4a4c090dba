// What the picture view needs of the annotation tools, without depending on them: the members
// of the annotations editor the view calls, the operations of the annotating and rubber-band
// mouse modes the view calls, and one registry of factories that the annotation tools fill at
// start-up (register_annotation_factories, an explicit call of the program's main and of the
// test mains). Until they are registered the view runs with an editor that does nothing, and
// the annotating and selecting modes install no handler.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "image/mouse_handler.hpp"
#include "platform/types.hpp"

class TControl;
class TControlScrollBar;
class TDibGraphic;
class TImageScrollBox;
class TWinControl;

// The annotations editor as the picture view uses it: the view keeps one, read-only, that
// shows the stored annotation text over the picture.
class IAnnotationsEditor {
public:
  virtual ~IAnnotationsEditor() = default;

  // The control the marks are children of (the view).
  virtual void SetDisplaySurface(TWinControl* Value) = 0;
  // Dots per inch of the display.
  virtual void SetDisplayResolution(int Value) = 0;
  // The picture bounds in picture pixels into which mark rectangles are clamped.
  virtual void SetDisplayRect(const TRect& Value) = 0;
  // The view's scroll bars, whose Position is subtracted when a mark is placed (nullptr: none).
  virtual void SetDisplayHorzScrollBar(TControlScrollBar* Value) = 0;
  virtual void SetDisplayVertScrollBar(TControlScrollBar* Value) = 0;
  // Zoom in percent (100 = one picture pixel per screen pixel).
  virtual void SetZoomFactor(double Value) = 0;
  virtual void SetVisible(bool Value) = 0;
  virtual void SetAllowEdit(bool Value) = 0;
  // The annotation text format; loading first removes every mark.
  virtual void LoadFromString(const std::string& S) = 0;
  virtual std::string SaveToString() = 0;
  // Removes every mark.
  virtual void Clear() = 0;
  virtual int Count() const = 0;
};

// The annotating mode as the view calls it. Marks are returned as their controls (nullptr when
// nothing was added).
class TAnnotationHandlerBase : public TMouseHandler {
public:
  using TMouseHandler::TMouseHandler;
  std::string ClassName() const override { return "TAnnotationHandlerBase"; }

  // The handler's annotation text (its AnnotationsStr).
  virtual std::string SaveToString() = 0;
  virtual void LoadFromString(const std::string& S) = 0;
  virtual TControl* AddNote() = 0;
  virtual TControl* AddText() = 0;
  virtual TControl* AddRectangle() = 0;
  virtual TControl* AddLine() = 0;
  virtual TControl* AddImage() = 0;
  // Draws every mark into the view's source picture (already true colour) and removes them.
  virtual void Burn() = 0;
};

// The rubber-band selection as the view calls it. Rectangles are (left, top, right, bottom).
class TRubberbandHandlerBase : public TMouseHandler {
public:
  using TMouseHandler::TMouseHandler;
  std::string ClassName() const override { return "TRubberbandHandlerBase"; }

  virtual void ClearSelection() = 0;
  virtual void CopySelectionToClipBoard() = 0;
  virtual void CropToSelection() = 0;
  virtual void ExtractSelection(TDibGraphic* Dest) = 0;
  // The band in displayed-picture pixels, and in source-picture pixels. Both raise
  // ERubberbandError "A region is not selected" when no band is shown.
  virtual TRect GetSelection() = 0;
  virtual TRect GetSourceSelection() = 0;
};

// The factories the annotation tools register. An empty member means "not available".
struct AnnotationFactories {
  std::function<std::unique_ptr<IAnnotationsEditor>()> make_editor;
  std::function<std::unique_ptr<TAnnotationHandlerBase>(TImageScrollBox* View)> make_annotation_handler;
  std::function<std::unique_ptr<TRubberbandHandlerBase>(TImageScrollBox* View)> make_rubberband_handler;
};

// Replaces the registered factories (views made afterwards use them; a view keeps the editor it
// was made with).
void register_annotation_factories(AnnotationFactories Factories);
const AnnotationFactories& annotation_factories();

// An editor that does nothing, for views made while no editor is registered.
std::unique_ptr<IAnnotationsEditor> make_null_annotations_editor();
