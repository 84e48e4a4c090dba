// A one-byte-per-pixel canvas for pictures of a few flat regions: shapes fill every pixel whose
// centre lies inside them, without antialiasing, so each pixel keeps exactly one value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct IPoint {
  double x = 0;
  double y = 0;
};

class IndexCanvas {
public:
  IndexCanvas(int w, int h, std::uint8_t background);

  int width() const { return w_; }
  int height() const { return h_; }
  std::uint8_t at(int x, int y) const { return px_[static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x)]; }
  const std::vector<std::uint8_t>& pixels() const { return px_; }

  // The rectangle [x0, x1) x [y0, y1).
  void rect(double x0, double y0, double x1, double y1, std::uint8_t v);
  void ellipse(double cx, double cy, double rx, double ry, std::uint8_t v);
  // A simple or self-crossing polygon, filled by the even-odd rule.
  void polygon(const std::vector<IPoint>& pts, std::uint8_t v);
  // A straight band `width` wide between two points.
  void line(double x0, double y0, double x1, double y1, double width, std::uint8_t v);

private:
  int w_, h_;
  std::vector<std::uint8_t> px_;
  void span(int y, double xa, double xb, std::uint8_t v);
};
