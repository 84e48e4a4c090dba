// Attaching a canvas to a Qt painter for the length of one paint call. Private to the platform
// layer.
#pragma once

#include <QPainter>

#include "platform/graphics.hpp"

// While it lives, `canvas` draws through `painter` onto a surface of width × height pixels
// (its ClipRect); the canvas's previous context is restored afterwards.
class CanvasPaintScope {
public:
  CanvasPaintScope(TCanvas& canvas, QPainter& painter, int width, int height);
  ~CanvasPaintScope();
  CanvasPaintScope(const CanvasPaintScope&) = delete;
  CanvasPaintScope& operator=(const CanvasPaintScope&) = delete;

private:
  TCanvas& canvas_;
  HDC old_;
  HDC dc_;
};

// A device context whose drawing goes to `painter` (surface of width × height pixels).
HDC gdi_create_painter_dc(QPainter* painter, int width, int height);
// The surface size of a painter context (0 x 0 for others).
QSize gdi_surface_size(HDC dc);
// The painter behind a context made that way, nullptr for any other context.
QPainter* gdi_painter_of(HDC dc);

// The pixels of a bitmap's rectangle as 32-bit RGB (monochrome bitmaps as black and white,
// palette bitmaps through their colour table). `rect` is clipped to the bitmap.
QImage gdi_read_bitmap(HBITMAP bitmap, QRect rect);
// Writes `image` (32-bit RGB, at rect's place) back into the bitmap; palette bitmaps take the
// nearest colour of their table, and only pixels that differ from `before` are written so that
// unchanged pixels keep their exact index.
void gdi_write_bitmap(HBITMAP bitmap, QRect rect, const QImage& before, const QImage& image);
// A 32-bit premultiplied image of the bitmap's pixels (alpha from the fourth byte of a 32-bit
// section with alpha, else opaque) and back: a new 32-bit section from an image.
HBITMAP gdi_bitmap_from_image(const QImage& image, bool keep_alpha);
QFont gdi_qfont(const GdiFontSpec& font_desc);
