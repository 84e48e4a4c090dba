// The canvas: drawing through QPainter on a window being painted or on a bitmap.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <functional>

#include "platform/canvas_qt.hpp"
#include "platform/graphics.hpp"

// ---------------------------------------------------------------------------------------------
// Pen, brush
// ---------------------------------------------------------------------------------------------
void TPen::Assign(TPersistent* source) {
  if (auto* p = dynamic_cast<TPen*>(source)) {
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    return;
  }
  TPersistent::Assign(source);
}

void TBrush::Assign(TPersistent* source) {
  if (auto* b = dynamic_cast<TBrush*>(source)) {
    color_ = b->color_;
    style_ = b->style_;
    return;
  }
  TPersistent::Assign(source);
}

void TBrush::SetColor(TColor v) {
  color_ = v;
  if (style_ == bsClear) style_ = bsSolid;
}

namespace {

QColor qcolor(TColor c) {
  COLORREF r = ColorToRef(c);
  return QColor(int(r & 0xFF), int((r >> 8) & 0xFF), int((r >> 16) & 0xFF));
}

QPainter::CompositionMode pen_mode(TPenMode m) {
  switch (m) {
    case pmBlack: return QPainter::RasterOp_ClearDestination;
    case pmWhite: return QPainter::RasterOp_SetDestination;
    case pmNot: return QPainter::RasterOp_NotDestination;
    case pmNotCopy: return QPainter::RasterOp_NotSource;
    case pmMergePenNot: return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot: return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen: return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen: return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge: return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge: return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask: return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask: return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor: return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor: return QPainter::RasterOp_NotSourceXorDestination;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

QPen qpen(const TPen& pen) {
  if (pen.Style() == psClear || pen.Mode() == pmNop) return QPen(Qt::NoPen);
  QPen p(qcolor(pen.Color()));
  p.setWidth(pen.Width() <= 1 ? 0 : pen.Width());
  p.setCapStyle(Qt::FlatCap);
  p.setJoinStyle(Qt::MiterJoin);
  switch (pen.Style()) {
    case psDash: p.setDashPattern({6, 2}); break;
    case psDot: p.setDashPattern({1, 1}); break;
    case psDashDot: p.setDashPattern({6, 2, 1, 2}); break;
    case psDashDotDot: p.setDashPattern({6, 2, 1, 2, 1, 2}); break;
    default: break;
  }
  return p;
}

QBrush qbrush(const TBrush& brush) {
  QColor c = qcolor(brush.Color());
  switch (brush.Style()) {
    case bsClear: return QBrush(Qt::NoBrush);
    case bsHorizontal: return QBrush(c, Qt::HorPattern);
    case bsVertical: return QBrush(c, Qt::VerPattern);
    case bsFDiagonal: return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal: return QBrush(c, Qt::BDiagPattern);
    case bsCross: return QBrush(c, Qt::CrossPattern);
    case bsDiagCross: return QBrush(c, Qt::DiagCrossPattern);
    default: return QBrush(c);
  }
}

QString qtext(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Runs `draw` with a painter on the context: the window's painter, or a 32-bit copy of the
// bitmap's part `bounds` (null: all of it) that is written back afterwards.
void with_painter(HDC dc, QRect bounds, const std::function<void(QPainter&)>& draw) {
  if (!dc) return;
  if (QPainter* p = gdi_painter_of(dc)) {
    p->save();
    draw(*p);
    p->restore();
    return;
  }
  HBITMAP bm = gdi_selected_bitmap(dc);
  if (!bm) return;
  BITMAP info{};
  if (!GetObject(bm, sizeof info, &info)) return;
  QRect full(0, 0, info.bmWidth, info.bmHeight);
  QRect r = bounds.isNull() ? full : bounds.intersected(full);
  if (r.isEmpty()) return;
  QImage before = gdi_read_bitmap(bm, r);
  QImage img = before.copy();
  {
    QPainter p(&img);
    p.translate(-r.left(), -r.top());
    draw(p);
  }
  gdi_write_bitmap(bm, r, before, img);
}

QRect inflate(QRect r, int by) { return r.adjusted(-by, -by, by, by); }

int qt_text_flags(UINT flags) {
  int f = 0;
  f |= (flags & DT_CENTER) ? Qt::AlignHCenter : (flags & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
  if (flags & DT_SINGLELINE) {
    f |= Qt::TextSingleLine;
    f |= (flags & DT_VCENTER) ? Qt::AlignVCenter : (flags & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
  } else {
    f |= Qt::AlignTop;
  }
  if (flags & DT_WORDBREAK) f |= Qt::TextWordWrap;
  if (flags & DT_EXPANDTABS) f |= Qt::TextExpandTabs;
  if (flags & DT_NOCLIP) f |= Qt::TextDontClip;
  if (!(flags & DT_NOPREFIX)) f |= Qt::TextShowMnemonic;
  return f;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TCanvas
// ---------------------------------------------------------------------------------------------
namespace {
constexpr TColor kNotPushed = 0x7FFFFFFF;
}

TCanvas::TCanvas() = default;
TCanvas::~TCanvas() = default;

HDC TCanvas::Handle() {
  if (!dc_) return nullptr;
  // Select the font and colours the way the class library's canvas does: the background mode
  // follows the brush only when the brush changed, so a caller's SetBkMode holds until then.
  gdi_select_font(dc_, font_spec());
  SetTextColor(dc_, ColorToRef(font_.Color()));
  if (brush_.Color() != pushed_brush_color_ || brush_.Style() != pushed_brush_style_) {
    pushed_brush_color_ = brush_.Color();
    pushed_brush_style_ = brush_.Style();
    SetBkColor(dc_, ColorToRef(brush_.Color()));
    SetBkMode(dc_, brush_.Style() == bsClear ? TRANSPARENT : OPAQUE);
  }
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  dc_ = dc;
  pushed_brush_color_ = kNotPushed;
}

TRect TCanvas::ClipRect() {
  if (!dc_) return {};
  if (gdi_painter_of(dc_)) {
    QSize size = gdi_surface_size(dc_);
    return {0, 0, size.width(), size.height()};
  }
  HBITMAP bm = gdi_selected_bitmap(dc_);
  BITMAP info{};
  if (!bm || !GetObject(bm, sizeof info, &info)) return {};
  return {0, 0, info.bmWidth, info.bmHeight};
}

void TCanvas::FillRect(const TRect& r) {
  if (brush_.Style() == bsClear || r.Right <= r.Left || r.Bottom <= r.Top) return;
  QRect q(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  QBrush b = qbrush(brush_);
  with_painter(Handle(), q, [&](QPainter& p) { p.fillRect(q, b); });
}

void TCanvas::FrameRect(const TRect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  QColor c = qcolor(brush_.Color());
  QRect q(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  with_painter(Handle(), q, [&](QPainter& p) {
    p.fillRect(QRect(q.left(), q.top(), q.width(), 1), c);
    p.fillRect(QRect(q.left(), q.bottom(), q.width(), 1), c);
    p.fillRect(QRect(q.left(), q.top(), 1, q.height()), c);
    p.fillRect(QRect(q.right(), q.top(), 1, q.height()), c);
  });
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 - x1 < 1 || y2 - y1 < 1) return;
  QRect q(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
  QPen pen = qpen(pen_);
  QBrush brush = qbrush(brush_);
  auto mode = pen_mode(pen_.Mode());
  with_painter(Handle(), inflate(QRect(x1, y1, x2 - x1, y2 - y1), pen_.Width() + 1), [&](QPainter& p) {
    p.setCompositionMode(mode);
    if (brush.style() != Qt::NoBrush) p.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), brush);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (pen.style() != Qt::NoPen) p.drawRect(q);
  });
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 - x1 < 1 || y2 - y1 < 1) return;
  QPen pen = qpen(pen_);
  QBrush brush = qbrush(brush_);
  auto mode = pen_mode(pen_.Mode());
  with_painter(Handle(), inflate(QRect(x1, y1, x2 - x1, y2 - y1), pen_.Width() + 1), [&](QPainter& p) {
    p.setCompositionMode(mode);
    p.setPen(pen);
    p.setBrush(brush);
    p.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
  });
}

void TCanvas::LineTo(int x, int y) {
  TPoint from = pen_pos_;
  pen_pos_ = {x, y};
  QPen pen = qpen(pen_);
  if (pen.style() == Qt::NoPen) return;
  auto mode = pen_mode(pen_.Mode());
  QRect box = QRect(QPoint(std::min(from.X, x), std::min(from.Y, y)), QPoint(std::max(from.X, x), std::max(from.Y, y)));
  with_painter(Handle(), inflate(box, pen_.Width() + 2), [&](QPainter& p) {
    p.setCompositionMode(mode);
    p.setPen(pen);
    p.drawLine(QPoint(from.X, from.Y), QPoint(x, y));
  });
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  QPolygon poly;
  for (auto& pt : points) poly << QPoint(pt.X, pt.Y);
  QPen pen = qpen(pen_);
  auto mode = pen_mode(pen_.Mode());
  if (pen.style() != Qt::NoPen)
    with_painter(Handle(), inflate(poly.boundingRect(), pen_.Width() + 2), [&](QPainter& p) {
      p.setCompositionMode(mode);
      p.setPen(pen);
      p.drawPolyline(poly);
    });
  pen_pos_ = points.back();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  QPolygon poly;
  for (auto& pt : points) poly << QPoint(pt.X, pt.Y);
  QPen pen = qpen(pen_);
  QBrush brush = qbrush(brush_);
  auto mode = pen_mode(pen_.Mode());
  with_painter(Handle(), inflate(poly.boundingRect(), pen_.Width() + 2), [&](QPainter& p) {
    p.setCompositionMode(mode);
    p.setPen(pen);
    p.setBrush(brush);
    p.drawPolygon(poly);
  });
}

TSize TCanvas::TextExtent(const std::string& text) {
  QFontMetrics m(gdi_qfont(font_spec()));
  return {m.horizontalAdvance(qtext(text)), m.height()};
}

GdiFontSpec TCanvas::font_spec() const {
  GdiFontSpec font_desc;
  font_desc.name = font_.Name();
  font_desc.height = font_.Height();
  font_desc.bold = font_.Style() & fsBold;
  font_desc.italic = font_.Style() & fsItalic;
  font_desc.underline = font_.Style() & fsUnderline;
  font_desc.strikeout = font_.Style() & fsStrikeOut;
  return font_desc;
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  TSize ext = TextExtent(text);
  TRect r{x, y, x + ext.cx, y + ext.cy};
  TextRect(r, x, y, text);
  pen_pos_ = {x + ext.cx, y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
  HDC dc = Handle();
  if (!dc) return;
  QFont font = gdi_qfont(font_spec());
  QColor color = qcolor(font_.Color());
  bool opaque = GetBkMode(dc) == OPAQUE;
  QColor bk = qcolor(static_cast<TColor>(GetBkColor(dc)));
  QRect clip(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
  if (clip.isEmpty()) return;
  QString s = qtext(text);
  with_painter(dc, clip, [&](QPainter& p) {
    p.setClipRect(clip);
    if (opaque) p.fillRect(clip, bk);
    p.setFont(font);
    p.setPen(color);
    QFontMetrics m(font);
    p.drawText(QPoint(x, y + m.ascent()), s);
  });
}

int TCanvas::DrawText(const std::string& text, TRect& rect, UINT flags) { return ::DrawText(Handle(), text, rect, flags); }

int DrawText(HDC dc, const std::string& text, TRect& rect, UINT flags) {
  if (!dc) return 0;
  QFont font = gdi_qfont(gdi_current_font(dc));
  QFontMetrics m(font);
  QString s = qtext(text);
  int qflags = qt_text_flags(flags);
  int width = rect.Right - rect.Left;
  QRect box(rect.Left, rect.Top, std::max(width, 0), std::max(rect.Bottom - rect.Top, 0));
  QRect measure_box = box;
  if (!(flags & DT_WORDBREAK) || width <= 0) measure_box.setWidth(1 << 20);
  measure_box.setHeight(1 << 20);
  QRect need = m.boundingRect(measure_box, qflags & ~(Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom), s);
  int height = s.isEmpty() ? 0 : need.height();
  if (flags & DT_CALCRECT) {
    rect.Right = rect.Left + need.width();
    rect.Bottom = rect.Top + height;
    return height;
  }
  COLORREF tc = GetTextColor(dc);
  QColor color(int(tc & 0xFF), int((tc >> 8) & 0xFF), int((tc >> 16) & 0xFF));
  bool opaque = GetBkMode(dc) == OPAQUE;
  COLORREF bc = GetBkColor(dc);
  QColor bk(int(bc & 0xFF), int((bc >> 8) & 0xFF), int((bc >> 16) & 0xFF));
  bool clip = !(flags & DT_NOCLIP);
  with_painter(dc, clip ? box : QRect(), [&](QPainter& p) {
    if (clip) p.setClipRect(box);
    QRect drawn = p.boundingRect(box, qflags, s);
    if (opaque) p.fillRect(drawn, bk);
    p.setFont(font);
    p.setPen(color);
    p.drawText(box, qflags, s);
  });
  return height;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(*this, TRect{x, y, x + graphic->Width(), y + graphic->Height()});
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(*this, rect);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& src) {
  StretchBlt(Handle(), dest.Left, dest.Top, dest.Right - dest.Left, dest.Bottom - dest.Top, source.Handle(), src.Left,
             src.Top, src.Right - src.Left, src.Bottom - src.Top, copy_mode_);
}

TColor TCanvas::Pixels(int x, int y) {
  COLORREF c = GetPixel(Handle(), x, y);
  return c == CLR_INVALID_REF ? -1 : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  HDC dc = Handle();
  if (!dc) return;
  if (QPainter* p = gdi_painter_of(dc)) {
    p->save();
    p->setPen(qcolor(color));
    p->drawPoint(x, y);
    p->restore();
    return;
  }
  SetPixel(dc, x, y, ColorToRef(color));
}
