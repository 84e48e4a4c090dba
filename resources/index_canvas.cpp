#include "resources/index_canvas.hpp"

#include <algorithm>
#include <cmath>

IndexCanvas::IndexCanvas(int w, int h, std::uint8_t background)
    : w_(w), h_(h), px_(static_cast<size_t>(w) * static_cast<size_t>(h), background) {}

// Fills the pixels of row y whose centres lie in [xa, xb).
void IndexCanvas::span(int y, double xa, double xb, std::uint8_t v) {
  if (y < 0 || y >= h_) return;
  const int x0 = std::max(0, static_cast<int>(std::ceil(xa - 0.5)));
  const int x1 = std::min(w_, static_cast<int>(std::ceil(xb - 0.5)));
  std::uint8_t* row = px_.data() + static_cast<size_t>(y) * static_cast<size_t>(w_);
  for (int x = x0; x < x1; ++x) row[x] = v;
}

void IndexCanvas::rect(double x0, double y0, double x1, double y1, std::uint8_t v) {
  for (int y = 0; y < h_; ++y) {
    const double c = y + 0.5;
    if (c >= y0 && c < y1) span(y, x0, x1, v);
  }
}

void IndexCanvas::ellipse(double cx, double cy, double rx, double ry, std::uint8_t v) {
  if (rx <= 0 || ry <= 0) return;
  for (int y = 0; y < h_; ++y) {
    const double d = (y + 0.5 - cy) / ry;
    if (d * d >= 1) continue;
    const double half = rx * std::sqrt(1 - d * d);
    span(y, cx - half, cx + half, v);
  }
}

void IndexCanvas::polygon(const std::vector<IPoint>& pts, std::uint8_t v) {
  const size_t n = pts.size();
  if (n < 3) return;
  std::vector<double> xs;
  for (int y = 0; y < h_; ++y) {
    const double c = y + 0.5;
    xs.clear();
    for (size_t i = 0; i < n; ++i) {
      const IPoint& a = pts[i];
      const IPoint& b = pts[(i + 1) % n];
      // Half-open in y, so a vertex on the scan line counts once.
      if ((a.y <= c && c < b.y) || (b.y <= c && c < a.y)) xs.push_back(a.x + (c - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2) span(y, xs[i], xs[i + 1], v);
  }
}

void IndexCanvas::line(double x0, double y0, double x1, double y1, double width, std::uint8_t v) {
  const double dx = x1 - x0, dy = y1 - y0, l = std::hypot(dx, dy);
  if (l == 0) return;
  const double nx = -dy / l * width / 2, ny = dx / l * width / 2;
  polygon({{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}}, v);
}
