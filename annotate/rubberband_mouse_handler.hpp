// The picture view's selecting mouse mode: a rectangular band pulled over the displayed picture,
// resized by its corners and edges or moved as a whole, drawn as a dotted outline whose two
// colours can swap on a timer (marching ants), with optional square grips on its corners. It
// follows the view through zoom changes and reports every change to the view's
// OnRubberbandChange. The selected part of the source picture can be copied to the clipboard,
// cropped to, or extracted into another picture.
//
// Corners are held in displayed-picture pixels (the zoomed picture the view shows); client
// coordinates of the view are displayed coordinates less the scroll positions (H, V).
#pragma once

#include <string>

#include "image/annotation_hooks.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/graphics.hpp"

HW_DECLARE_EXCEPTION(ERubberbandError, Exception);

enum TBandMovement { bmAllDirections = 0, bmTopBottom = 1, bmLeftRight = 2, bmInside = 3 };
enum TGrabHandle {
  ghTopLeft = 0, ghTop = 1, ghTopRight = 2, ghRight = 3, ghBottomRight = 4, ghBottom = 5, ghBottomLeft = 6, ghLeft = 7,
  ghInside = 8
};

// How dragging a handle changes the band, and the cursor over it. Any other value raises
// Exception "Invalid GrabHandle, GrabHandleToBandMovement" or "Invalid GrabHandle,
// GrabHandleToCursor".
TBandMovement GrabHandleToBandMovement(TGrabHandle Handle);
TCursor GrabHandleToCursor(TGrabHandle Handle);

class TTimer;

class TRubberbandMouseHandler : public TRubberbandHandlerBase {
public:
  explicit TRubberbandMouseHandler(TImageScrollBox* InImageScrollBox);
  ~TRubberbandMouseHandler() override;
  std::string ClassName() const override { return "TRubberbandMouseHandler"; }

  // A visible band is taken down before the view renders again and put back, scaled to the new
  // displayed size, afterwards (and reported); a view that is centred loses it.
  void BeforeResize() override;
  void AfterResize() override;
  // X and Y relative to the displayed picture. A press on a handle of the band grabs it;
  // anywhere else it starts a new band at that point.
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // A visible band at rest sets the cursor of the handle under the pointer; with the left
  // button held the grabbed handle follows the pointer within the displayed picture.
  void MouseMove(TShiftState Shift, int X, int Y) override;
  // The band is normalised; one of no width or height goes.
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // The band, its grips and its marching colours, from the handler's state.
  void PaintOverlay(TCanvas& Canvas) override;

  // The band in displayed pixels, normalised; ERubberbandError "A region is not selected"
  // without a band.
  TRect GetSelection() override;
  // Shows the band at Rect (normalised), without a report.
  void SetSelection(const TRect& Rect);
  // Source size / displayed size.
  double GetXFactor() const;
  double GetYFactor() const;
  // GetSelection in source pixels, each coordinate rounded half to even.
  TRect GetSourceSelection() override;
  // Takes a visible band down and reports the empty rectangle.
  void ClearSelection() override;
  // The selected part of the source picture onto the clipboard (corners scaled by truncating
  // integer division); a selection under one source pixel wide or high copies nothing.
  void CopySelectionToClipBoard() override;
  // The source picture becomes its selected part, and the view renders it.
  void CropToSelection() override;
  // The selected part of the source picture into Dest; ERubberbandError "Graphic not
  // assigned!" for a nil Dest.
  void ExtractSelection(TDibGraphic* Dest) override;
  // Which handle (client coordinates) is hit, if any.
  bool HitTestBand(int X, int Y, TGrabHandle& Handle) const;

  // ---- Properties.
  TColor ForegroundColor() const { return FPen.Color(); }
  void SetForegroundColor(TColor Value);
  TColor BackgroundColor() const { return FBrush.Color(); }
  void SetBackgroundColor(TColor Value);
  TPenStyle LineStyle() const { return FPen.Style(); }
  // Solid, dash, dot, dash-dot and dash-dot-dot; any other style raises EZuroroveError
  // "Invalid rubberband line style".
  void SetLineStyle(TPenStyle Value);
  TPenMode LineMode() const { return FPen.Mode(); }
  void SetLineMode(TPenMode Value);
  bool SelectionActive() const { return FBandVisible; }
  void SetSelectionActive(bool Value) { FBandVisible = Value; }
  bool Animated() const { return FAnimated; }
  void SetAnimated(bool Value);
  int AnimationInterval() const { return FAnimationInterval; }
  void SetAnimationInterval(int Value);
  bool ShowGrips() const { return FShowGrips; }
  void SetShowGrips(bool Value);
  int GripSize() const { return FGripSize; }
  void SetGripSize(int Value);
  TColor GripColor() const { return FGripColor; }
  void SetGripColor(TColor Value);

  // ---- State, for the view's owner and for tests.
  // The corners as they stand (not normalised during a drag).
  TRect Corners() const { return Rect(FX1, FY1, FX2, FY2); }
  TBandMovement BandMovement() const { return FBandMovement; }
  TGrabHandle GrabHandle() const { return FGrabHandle; }
  TTimer* AnimationTimer() const { return FAnimationTimer; }
  // One step of the marching ants: the line's two colours swap.
  void DrawBandTimerEvent(TObject* Sender);

private:
  int scroll_h() const;
  int scroll_v() const;
  TPoint client_point(int X, int Y) const;
  int displayed_width() const;
  int displayed_height() const;
  // Shows the band when both corners lie in the picture; takes it down.
  void DrawBand();
  void EraseBand();
  // Marks the pixels of the band's outline and grips for repainting, and no others: the picture
  // under the rest of the overlay is not painted again.
  void InvalidateBand();
  void ReportBand();
  void ReportEmpty();
  void Normalise();

  int FX1 = 0, FY1 = 0, FX2 = 0, FY2 = 0;
  bool FBandVisible = false;
  TBandMovement FBandMovement = bmAllDirections;
  TGrabHandle FGrabHandle = ghBottomRight;
  TPoint FSaveSize;
  bool FAnimated = false;
  TTimer* FAnimationTimer = nullptr;  // owned by the view as a component, freed here
  int FAnimationInterval = 400;
  TColor FTempFore = clWhite, FTempBack = clNavy;
  int FMouseX = 0, FMouseY = 0;
  bool FShowGrips = false;
  int FGripSize = 6;
  TColor FGripColor = clNavy;
  TPen FPen;
  TBrush FBrush;
};
