// The scrolling, zooming picture view. It keeps a source picture, renders it at the current
// zoom into a displayed picture and shows that in a child picture control inside its scrolling
// client area. Mouse input goes first to a pluggable mouse handler, then to the view's picture
// mouse events. It loads pictures through the format registry or the picture container, saves
// and appends through the registry, keeps annotation text that a read-only annotations editor
// can show over the picture, and can step through the frames of a multi-frame picture.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/annotation_hooks.hpp"
#include "image/mouse_handler.hpp"
#include "image/zu_misc.hpp"
#include "platform/dib_view.hpp"
#include "platform/scroll_box.hpp"

class TAntiAliasTransform;
class TDibGraphic;
class TGraphic;
class TResizeTransform;
class TTimer;
class TImageScrollBox;
class ReadAheadLoader;

enum TZoomMode { zmOriginalSize, zmFullPage, zmFitWidth, zmFitHeight, zmPercent, zmFitToPage };
enum TMouseMode { mmDrag, mmQuickSelect, mmSelect, mmAnnotate, mmUser };

using TZoomChangeEvent = std::function<void(TImageScrollBox* Sender, float Zoom)>;
using TBeforeSaveEvent = std::function<void(TImageScrollBox* Sender, TDibGraphic* Graphic)>;
using TRedrawEvent = std::function<void(TDibGraphic* Graphic)>;
using TNewGraphicEvent = std::function<void(TDibGraphic* Graphic)>;
using TQuickSelectEvent = std::function<void(TImageScrollBox* Sender, TDibGraphic* Graphic, const TRect& Rect)>;
using TRubberbandChangeEvent = std::function<void(const TRect& Rect)>;

class TImageScrollBox : public TScrollingWinControl {
public:
  explicit TImageScrollBox(TComponent* AOwner);
  ~TImageScrollBox() override;
  std::string ClassName() const override { return "TImageScrollBox"; }

  // ---- Loading. Each ends with DoNewGraphic and Redraw(true) unless it raises; a load that
  // fails leaves the previous picture in place.
  // ImageNo 0 loads every page as frames of one picture, n >= 1 page n alone. Takes the
  // read-ahead picture instead when FileName is the read-ahead file and that picture is ready.
  void LoadFromFile(const std::string& FileName, int ImageNo);
  // By extension: an extension with or without its dot, or a file name whose extension counts.
  void LoadFromStream(TStream& Stream, const std::string& Extension, int ImageNo);
  // By content.
  void LoadFromStream(TStream& Stream, int ImageNo);
  // The number of pages; 1 when no format class is registered for the extension.
  int ImageCountFromFile(const std::string& FileName);
  int ImageCountFromStream(TStream& Stream, const std::string& Extension);

  // ---- Saving. An unknown extension or a failing writer leaves an existing file as it was.
  void SaveToFile(const std::string& FileName);
  void SaveToStream(TStream& Stream, const std::string& Extension);
  void AppendToStream(TStream& Stream, const std::string& Extension);
  void AppendToFile(const std::string& FileName);

  // ---- The picture.
  // The source picture itself; after changing it call Redraw(true).
  TDibGraphic* Graphic() const { return FSourceGraphic.get(); }
  // The source picture takes a copy of Value (nullptr empties it).
  void SetGraphic(TGraphic* Value);
  // The rendering the child picture control shows.
  TDibGraphic* DisplayedGraphic() const { return FDisplayedGraphic.get(); }
  void Clear();
  // Takes the clipboard's bitmap; false (and no change) when it holds none.
  bool AssignFromClipboard();
  // Renders the source picture at the current zoom. GraphicChanged: the picture changed, not
  // only the zoom or the place.
  virtual void Redraw(bool GraphicChanged);
  virtual void DoNewGraphic();

  // ---- Zoom.
  TZoomMode ZoomMode() const { return FZoomMode; }
  void SetZoomMode(TZoomMode Value);
  float ZoomPercent() const { return FZoomPercent; }
  void SetZoomPercent(float Value);
  double MaxZoomPercent() const { return FMaxZoomPercent; }
  void SetMaxZoomPercent(double Value);
  bool Centered() const { return FCentered; }
  void SetCentered(bool Value);
  bool AntiAliased() const { return FAntiAliased; }
  void SetAntiAliased(bool Value);

  // ---- Mouse modes.
  TMouseMode MouseMode() const { return FMouseMode; }
  void SetMouseMode(TMouseMode Value);
  TMouseHandler* MouseHandler() const { return FMouseHandler; }
  // Frees the current handler when the view owns it, then keeps Value (ownership unchanged).
  void SetMouseHandler(TMouseHandler* Value);
  bool MouseHandlerOwnership() const { return FMouseHandlerOwnership; }
  void SetMouseHandlerOwnership(bool Value) { FMouseHandlerOwnership = Value; }

  // ---- Selections of the rubber band; with another handler each raises EZuroroveError
  // "Rubberband mouse handler not active".
  void CopySelectionToClipboard();
  void CropToSelection();
  void ExtractSelection(TDibGraphic* Dest);
  void CopyGraphicIntoSelection(TGraphic* Graphic);
  void ZoomToSelection();

  // ---- Annotations.
  TControl* AddNote();
  TControl* AddText();
  TControl* AddRectangle();
  TControl* AddLine();
  TControl* AddImage();
  void BurnAnnotations();
  std::string Annotations();
  void SetAnnotations(const std::string& Value);
  bool AlwaysShowAnnotations() const { return FAlwaysShowAnnotations; }
  void SetAlwaysShowAnnotations(bool Value);

  // ---- Frames and animation.
  int FrameCount() const;
  int CurrentFrame() const;
  void SetCurrentFrame(int Value);
  bool Animated() const { return FAnimated; }
  void SetAnimated(bool Value);
  int AnimationDelayMS = 300;

  // ---- Files.
  const std::string& FileName() const { return FFileName; }
  // A name loads page 1 of that file; an empty name clears the view.
  void SetFileName(const std::string& Value);
  const std::string& ReadAheadFileName() const { return FReadAheadFileName; }
  // Starts loading the file in the background for a later LoadFromFile of the same name.
  void SetReadAheadFileName(const std::string& Value);
  // Is the picture of the read-ahead file ready?
  bool ReadAheadReady() const;

  // ---- State.
  // The child picture control's bounds in client coordinates after the last rendering.
  const TRect& ImageRect() const { return FImageRect; }
  bool ScrollInProgress() const { return FScrollInProgress; }
  bool RedrawInProgress() const { return FRedrawInProgress; }

  // ---- What the mouse handlers and the annotation tools reach.
  // The child picture control.
  TDibView* Image() const { return FImage; }
  // The read-only annotations editor of the view.
  IAnnotationsEditor* DisplayEditor() const { return FDisplayEditor.get(); }
  // The stored annotation text, as it stands (without asking an annotating handler).
  const std::string& AnnotationsStr() const { return FAnnotationsStr; }

  // ---- Events (tested for assignment before each call).
  TZoomChangeEvent OnZoomChange;
  TBeforeSaveEvent OnBeforeSave;
  TRedrawEvent OnRedraw;
  TNewGraphicEvent OnNewGraphic;
  TQuickSelectEvent OnQuickSelect;
  TMouseMoveEvent OnImageMouseMove;
  TMouseEvent OnImageMouseDown;
  TMouseEvent OnImageMouseUp;
  TNotifyEvent OnImageDblClick;
  TNotifyEvent OnImageClick;
  TRubberbandChangeEvent OnRubberbandChange;
  TZuroroveProgressEvent OnReadWriteProgress;
  TNotifyEvent OnBeginScroll;
  TNotifyEvent OnEndScroll;

  void ScrollMessage(TScrollBarKind kind, int code, int pos) override;
  void PaintOverlay(TCanvas& Canvas) override;

protected:
  void ClientResized() override;

private:
  std::unique_ptr<TDibGraphic> LoadGraphic(TStream& Stream, const std::string& Extension, int ImageNo, bool ReportProgress);
  std::unique_ptr<TDibGraphic> LoadRegistered(TStream& Stream, const std::string& Extension, int ImageNo, bool ReportProgress);
  std::unique_ptr<TDibGraphic> LoadViaPicture(TStream& Stream, const std::string& Extension, bool ReportProgress);
  void ReplaceSource(std::unique_ptr<TDibGraphic> Graphic);
  void AfterPictureChanged();
  void ComputeZoom();
  void Render();
  void PlaceRendering(int W, int H);
  void CentreImage(int W, int H);
  void ShowAnnotationsOverlay();
  void HideAnnotationsOverlay();
  void AnimationStep();
  void FreeOwnedHandler();
  TAnnotationHandlerBase* AnnotationHandler() const;
  // A new mark made by the annotating handler's `Add`; none in another mode or without a picture.
  TControl* AddMark(TControl* (TAnnotationHandlerBase::*Add)());
  TRubberbandHandlerBase* RubberbandHandler() const;
  TRubberbandHandlerBase& RequireRubberband() const;
  void SaveOrAppend(TStream& Stream, const std::string& Extension, bool Append);

  // Routers of the view's and the child control's mouse events.
  void RouteMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void RouteMouseMove(TShiftState Shift, int X, int Y);
  void RouteMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void RouteClick();
  void RouteDblClick();

  TDibView* FImage = nullptr;  // owned as a component of the view
  std::unique_ptr<TDibGraphic> FSourceGraphic;
  std::unique_ptr<TDibGraphic> FDisplayedGraphic;
  std::unique_ptr<TResizeTransform> FResizeTransform;
  std::unique_ptr<TAntiAliasTransform> FAntiAliasTransform;
  // Owned when FMouseHandlerOwnership is set at the time it is replaced; see FreeOwnedHandler.
  TMouseHandler* FMouseHandler = nullptr;
  TMouseMode FMouseMode = mmUser;
  TZoomMode FZoomMode = zmOriginalSize;
  float FZoomPercent = 100;
  float FLastZoomPercent = 100;
  bool FAntiAliased = false;
  bool FAnimated = false;
  TTimer* FAnimationTimer = nullptr;  // owned as a component of the view
  std::string FFileName;
  bool FCentered = false;
  bool FRedrawInProgress = false;
  // The view's size at the last resize it answered.
  int FResizedWidth = -1, FResizedHeight = -1;
  bool FScrollInProgress = false;
  TRect FImageRect{};
  std::string FReadAheadFileName;
  std::unique_ptr<ReadAheadLoader> FReadAhead;
  bool FMouseHandlerOwnership = true;
  std::string FAnnotationsStr;
  bool FAlwaysShowAnnotations = false;
  std::unique_ptr<IAnnotationsEditor> FDisplayEditor;
  double FMaxZoomPercent = 1000;
};
