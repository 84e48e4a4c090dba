// Antialiased vector drawing into a 32-bit picture, for the program's own button glyphs and
// built-in pictures: pens, fills, lines, arcs, shapes, polygons and text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/types.hpp"

struct VPoint {
  double x = 0;
  double y = 0;
};

class VectorPainter {
public:
  // A picture of w x h pixels filled with `background` (fully transparent when `transparent`).
  VectorPainter(int w, int h, TColor background, bool transparent = false);
  ~VectorPainter();
  VectorPainter(const VectorPainter&) = delete;
  VectorPainter& operator=(const VectorPainter&) = delete;

  int width() const;
  int height() const;

  // Outline colour and width (a width of 0 draws no outline); fill colour or none.
  void pen(TColor colour, double width);
  void no_pen();
  void fill(TColor colour);
  void no_fill();
  void antialias(bool on);

  void line(double x1, double y1, double x2, double y2);
  void polyline(const std::vector<VPoint>& pts);
  void polygon(const std::vector<VPoint>& pts);
  void rect(double x, double y, double w, double h, double radius = 0);
  void ellipse(double cx, double cy, double rx, double ry);
  // An arc of the ellipse from `start` degrees, `span` degrees counter-clockwise (0 = 3 o'clock).
  void arc(double cx, double cy, double rx, double ry, double start, double span);
  // Text in a box: `align` 0 left, 1 centre, 2 right; vertically centred.
  void text(double x, double y, double w, double h, const std::string& s, double pixel_size, bool bold,
            int align = 1, const std::string& family = "Calibri");
  // The advance width of a line of text in a font, for laying text out.
  double text_width(const std::string& s, double pixel_size, bool bold, const std::string& family = "Calibri") const;
  // A linear vertical gradient over a rectangle, from `top` to `bottom`.
  void gradient_rect(double x, double y, double w, double h, TColor top, TColor bottom);
  void set_pixel(int x, int y, TColor colour);

  // The picture as 0xAARRGGBB values, rows top-down (not premultiplied).
  std::vector<std::uint32_t> argb() const;
  // The picture as blue, green, red bytes, rows top-down (alpha dropped).
  std::vector<std::uint8_t> bgr() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
