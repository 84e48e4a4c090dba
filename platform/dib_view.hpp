// A control that shows a device-independent bitmap kept by someone else, at one screen pixel
// per bitmap pixel from its top-left corner. Painting converts only the rows and columns that
// are exposed, so scrolling a large bitmap costs what the window shows, not what it holds.
#pragma once

#include <functional>
#include <string>

#include "platform/controls.hpp"
#include "platform/gdi.hpp"

class QPainter;

class TDibView : public TControl {
public:
  explicit TDibView(TComponent* owner);
  std::string ClassName() const override { return "TDibView"; }

  // A bitmap: a header with its colour table (1, 4, 8, 24 or 32 bits, BI_RGB) and its rows
  // (bottom-up for a positive height, top-down for a negative one, each padded to 32 bits).
  struct Dib {
    const BITMAPINFO* info = nullptr;
    const void* bits = nullptr;
  };
  // Where the bitmap shown comes from, asked at every paint, so that it may be rebuilt between
  // paints; the bitmap stays the caller's. An empty source or an empty answer shows nothing but
  // the background. Call Invalidate after changing the pixels.
  void SetDibSource(std::function<Dib()> source);

  bool HasCustomPaint() const override { return true; }
  // Fired after each paint of the control.
  TNotifyEvent OnAfterPaint;

private:
  friend void paint_dib_view(TDibView& view, QPainter& painter);
  std::function<Dib()> source_;
};
