#include "platform/vector_painter.hpp"

#include <algorithm>

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "platform/control_host_qt.hpp"

struct VectorPainter::Impl {
  QImage image;
  std::unique_ptr<QPainter> painter;
};

VectorPainter::VectorPainter(int w, int h, TColor background, bool transparent) : impl_(std::make_unique<Impl>()) {
  // Premultiplied: the raster engine blends such a surface in exact integer arithmetic. On a
  // straight-alpha surface it divides by alpha with an approximate reciprocal whose result differs
  // between processor makers, so the same drawing came out a unit apart on different machines;
  // argb() divides by alpha in integers instead.
  impl_->image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
  impl_->image.fill(transparent ? QColor(0, 0, 0, 0) : qt_color(background));
  impl_->painter = std::make_unique<QPainter>(&impl_->image);
  impl_->painter->setRenderHint(QPainter::Antialiasing, true);
  impl_->painter->setRenderHint(QPainter::TextAntialiasing, true);
  impl_->painter->setPen(Qt::NoPen);
  impl_->painter->setBrush(Qt::NoBrush);
}

VectorPainter::~VectorPainter() { impl_->painter->end(); }

int VectorPainter::width() const { return impl_->image.width(); }
int VectorPainter::height() const { return impl_->image.height(); }

void VectorPainter::pen(TColor colour, double width) {
  if (width <= 0) return no_pen();
  QPen p(qt_color(colour));
  p.setWidthF(width);
  p.setCapStyle(Qt::RoundCap);
  p.setJoinStyle(Qt::RoundJoin);
  impl_->painter->setPen(p);
}
void VectorPainter::no_pen() { impl_->painter->setPen(Qt::NoPen); }
void VectorPainter::fill(TColor colour) { impl_->painter->setBrush(qt_color(colour)); }
void VectorPainter::no_fill() { impl_->painter->setBrush(Qt::NoBrush); }
void VectorPainter::antialias(bool on) { impl_->painter->setRenderHint(QPainter::Antialiasing, on); }

void VectorPainter::line(double x1, double y1, double x2, double y2) { impl_->painter->drawLine(QPointF(x1, y1), QPointF(x2, y2)); }

void VectorPainter::polyline(const std::vector<VPoint>& pts) {
  QPolygonF poly;
  for (auto& p : pts) poly << QPointF(p.x, p.y);
  impl_->painter->drawPolyline(poly);
}

void VectorPainter::polygon(const std::vector<VPoint>& pts) {
  QPolygonF poly;
  for (auto& p : pts) poly << QPointF(p.x, p.y);
  impl_->painter->drawPolygon(poly);
}

void VectorPainter::rect(double x, double y, double w, double h, double radius) {
  if (radius > 0) impl_->painter->drawRoundedRect(QRectF(x, y, w, h), radius, radius);
  else impl_->painter->drawRect(QRectF(x, y, w, h));
}

void VectorPainter::ellipse(double cx, double cy, double rx, double ry) {
  impl_->painter->drawEllipse(QPointF(cx, cy), rx, ry);
}

void VectorPainter::arc(double cx, double cy, double rx, double ry, double start, double span) {
  impl_->painter->drawArc(QRectF(cx - rx, cy - ry, 2 * rx, 2 * ry), static_cast<int>(start * 16), static_cast<int>(span * 16));
}

void VectorPainter::text(double x, double y, double w, double h, const std::string& s, double pixel_size, bool bold,
                         int align, const std::string& family) {
  QFont f(QString::fromStdString(family));
  f.setPixelSize(std::max(1, static_cast<int>(pixel_size + 0.5)));
  f.setBold(bold);
  impl_->painter->setFont(f);
  QPen old = impl_->painter->pen();
  if (old.style() == Qt::NoPen) impl_->painter->setPen(impl_->painter->brush().color());
  int flags = Qt::AlignVCenter | (align == 0 ? Qt::AlignLeft : align == 2 ? Qt::AlignRight : Qt::AlignHCenter);
  impl_->painter->drawText(QRectF(x, y, w, h), flags, QString::fromStdString(s));
  impl_->painter->setPen(old);
}

double VectorPainter::text_width(const std::string& s, double pixel_size, bool bold, const std::string& family) const {
  QFont f(QString::fromStdString(family));
  f.setPixelSize(std::max(1, static_cast<int>(pixel_size + 0.5)));
  f.setBold(bold);
  return QFontMetricsF(f).horizontalAdvance(QString::fromStdString(s));
}

void VectorPainter::gradient_rect(double x, double y, double w, double h, TColor top, TColor bottom) {
  QLinearGradient g(QPointF(x, y), QPointF(x, y + h));
  g.setColorAt(0, qt_color(top));
  g.setColorAt(1, qt_color(bottom));
  impl_->painter->fillRect(QRectF(x, y, w, h), g);
}

void VectorPainter::set_pixel(int x, int y, TColor colour) {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return;
  impl_->painter->fillRect(QRect(x, y, 1, 1), qt_color(colour));
}

namespace {

// One premultiplied pixel back to straight alpha, rounded to nearest: the same on every processor.
std::uint32_t unpremultiply(std::uint32_t p) {
  const std::uint32_t a = p >> 24;
  if (a == 255) return p;
  if (a == 0) return 0;
  auto channel = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
  return (a << 24) | (channel((p >> 16) & 0xFF) << 16) | (channel((p >> 8) & 0xFF) << 8) | channel(p & 0xFF);
}

}  // namespace

std::vector<std::uint32_t> VectorPainter::argb() const {
  std::vector<std::uint32_t> out;
  out.reserve(static_cast<size_t>(width()) * static_cast<size_t>(height()));
  // The raster painter draws synchronously, so the rows are complete while it stays open.
  const QImage& img = impl_->image;
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) out.push_back(unpremultiply(row[x]));
  }
  return out;
}

std::vector<std::uint8_t> VectorPainter::bgr() const {
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<size_t>(width()) * static_cast<size_t>(height()) * 3);
  for (std::uint32_t p : argb()) {
    out.push_back(static_cast<std::uint8_t>(p & 0xFF));
    out.push_back(static_cast<std::uint8_t>((p >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>((p >> 16) & 0xFF));
  }
  return out;
}
