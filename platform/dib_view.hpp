// A control that shows a device-independent bitmap kept by someone else, at one screen pixel
// per bitmap pixel from its top-left corner. Painting converts only the rows and columns that
// are exposed, so scrolling a large bitmap costs what the window shows, not what it holds.
#pragma once

#include <string>

#include "platform/controls.hpp"
#include "platform/gdi.hpp"

class QPainter;

class TDibView : public TControl {
public:
  explicit TDibView(TComponent* owner);
  std::string ClassName() const override { return "TDibView"; }

  // The bitmap shown: a header with its colour table (1, 4, 8, 24 or 32 bits, BI_RGB) and its
  // rows (bottom-up for a positive height, top-down for a negative one, each padded to 32 bits).
  // Both stay the caller's and must live while they are shown; call Invalidate after changing
  // the pixels. nullptr shows nothing but the background.
  void SetDib(const BITMAPINFO* info, const void* bits);
  const BITMAPINFO* DibInfo() const { return info_; }
  const void* DibBits() const { return bits_; }

  bool HasCustomPaint() const override { return true; }
  // Fired after each paint of the control.
  TNotifyEvent OnAfterPaint;

private:
  friend void paint_dib_view(TDibView& view, QPainter& painter);
  const BITMAPINFO* info_ = nullptr;
  const void* bits_ = nullptr;
};
