// Drawing surface for the button glyphs: a transparent picture with a square design grid of 20
// units centred in it, so that one drawing serves every button size, and the flattening of the
// drawing into a picture with a colour key for its transparent parts.
#pragma once

#include <string>
#include <vector>

#include "platform/types.hpp"
#include "platform/vector_painter.hpp"
#include "resources/raster.hpp"

class GlyphCanvas {
public:
  // A w x h picture whose design grid (0..20 in both directions) fills a square of `content`
  // pixels centred in it.
  GlyphCanvas(int w, int h, double content);

  int width() const { return painter_.width(); }
  int height() const { return painter_.height(); }
  // Pixels per grid unit.
  double scale() const { return s_; }
  // The underlying painter, in pixel coordinates.
  VectorPainter& raw() { return painter_; }

  // Outline in a colour with a width in grid units (never thinner than one pixel); fill.
  void pen(TColor c, double width);
  void no_pen() { painter_.no_pen(); }
  void fill(TColor c) { painter_.fill(c); }
  void no_fill() { painter_.no_fill(); }

  // Shapes in grid coordinates.
  void line(double x1, double y1, double x2, double y2);
  void polyline(const std::vector<VPoint>& pts);
  void polygon(const std::vector<VPoint>& pts);
  void rect(double x, double y, double w, double h, double radius = 0);
  void ellipse(double cx, double cy, double rx, double ry);
  void arc(double cx, double cy, double r, double start, double span);
  void text(double x, double y, double w, double h, const std::string& s, double size, bool bold);

  // The glyph on a backdrop: every pixel less than a quarter covered becomes `key`; every other
  // pixel is blended over `backdrop`, the colour of the panel the glyph is shown on, so that the
  // antialiased edges fit it. No blended pixel equals the key.
  Raster24 flatten(TColor backdrop, TColor key) const;

private:
  VectorPainter painter_;
  double ox_, oy_, s_;
  double X(double x) const { return ox_ + x * s_; }
  double Y(double y) const { return oy_ + y * s_; }
};
