#include "resources/glyph_canvas.hpp"

#include <algorithm>

GlyphCanvas::GlyphCanvas(int w, int h, double content)
    : painter_(w, h, 0, true), ox_((w - content) / 2.0), oy_((h - content) / 2.0), s_(content / 20.0) {}

void GlyphCanvas::pen(TColor c, double width) { painter_.pen(c, std::max(1.0, width * s_)); }

void GlyphCanvas::line(double x1, double y1, double x2, double y2) { painter_.line(X(x1), Y(y1), X(x2), Y(y2)); }

void GlyphCanvas::polyline(const std::vector<VPoint>& pts) {
  std::vector<VPoint> q;
  q.reserve(pts.size());
  for (const auto& p : pts) q.push_back({X(p.x), Y(p.y)});
  painter_.polyline(q);
}

void GlyphCanvas::polygon(const std::vector<VPoint>& pts) {
  std::vector<VPoint> q;
  q.reserve(pts.size());
  for (const auto& p : pts) q.push_back({X(p.x), Y(p.y)});
  painter_.polygon(q);
}

void GlyphCanvas::rect(double x, double y, double w, double h, double radius) {
  painter_.rect(X(x), Y(y), w * s_, h * s_, radius * s_);
}

void GlyphCanvas::ellipse(double cx, double cy, double rx, double ry) { painter_.ellipse(X(cx), Y(cy), rx * s_, ry * s_); }

void GlyphCanvas::arc(double cx, double cy, double r, double start, double span) {
  painter_.arc(X(cx), Y(cy), r * s_, r * s_, start, span);
}

void GlyphCanvas::text(double x, double y, double w, double h, const std::string& s, double size, bool bold) {
  painter_.text(X(x), Y(y), w * s_, h * s_, s, size * s_, bold, 1);
}

Raster24 GlyphCanvas::flatten(TColor backdrop, TColor key) const {
  Raster24 out(width(), height());
  const std::vector<std::uint32_t> px = painter_.argb();
  const int br = GetRValue(static_cast<std::uint32_t>(backdrop)), bg = GetGValue(static_cast<std::uint32_t>(backdrop)),
            bb = GetBValue(static_cast<std::uint32_t>(backdrop));
  const auto kr = GetRValue(static_cast<std::uint32_t>(key)), kg = GetGValue(static_cast<std::uint32_t>(key)),
             kb = GetBValue(static_cast<std::uint32_t>(key));
  for (int y = 0; y < height(); ++y) {
    for (int x = 0; x < width(); ++x) {
      std::uint32_t p = px[static_cast<size_t>(y) * static_cast<size_t>(width()) + static_cast<size_t>(x)];
      int a = static_cast<int>(p >> 24);
      if (a < 64) {
        out.set(x, y, kr, kg, kb);
        continue;
      }
      int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF), b = static_cast<int>(p & 0xFF);
      r = (r * a + br * (255 - a) + 127) / 255;
      g = (g * a + bg * (255 - a) + 127) / 255;
      b = (b * a + bb * (255 - a) + 127) / 255;
      if (r == kr && g == kg && b == kb) g = g > 0 ? g - 1 : 1;
      out.set(x, y, r, g, b);
    }
  }
  return out;
}
