// A change of controls shown at once, in one paint of the rectangles it touches. On an X display
// of 32-bit true-colour pixels the paint goes into the window's backing store without the
// toolkit's flush of every pixel: the parts that are one plain colour (panels without bevel,
// border or caption) are sent to the server as rectangle fills of that colour, and only the rest
// is sent as pixels. Elsewhere the toolkit repaints the rectangles.
#include <QBackingStore>
#include <QImage>
#include <QPointer>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "platform/control_host_qt.hpp"
#include "platform/immediate_paint_qt.hpp"
#include "platform/x_display_qt.hpp"

namespace {

struct Change {
  QPointer<QWidget> owner;
  QRegion region;  // in the owner's coordinates
  Change* outer;
};

Change* current = nullptr;

// The X pixel of a control whose whole picture is its colour, when it is one.
bool plain_colour(QWidget* w, std::uint32_t& pixel) {
  auto* host = dynamic_cast<HostWidget*>(w);
  TControl* c = host ? host->control() : nullptr;
  auto* panel = dynamic_cast<TPanel*>(c);
  if (!panel || panel->Host()->client || panel->IsTransparent() || panel->HasCustomPaint() || !panel->Caption().empty())
    return false;
  if (panel->BevelOuter() != TBevelCut::bvNone || panel->BevelInner() != TBevelCut::bvNone ||
      panel->BorderStyle() != TBorderStyle::bsNone || !w->mask().isEmpty())
    return false;
  const QColor q = qt_color(panel->EffectiveColor());
  pixel = static_cast<std::uint32_t>(q.red()) << 16 | static_cast<std::uint32_t>(q.green()) << 8 | static_cast<std::uint32_t>(q.blue());
  return true;
}

// What the screen shows in a region: areas of one plain colour, and the rest.
struct Plan {
  std::vector<std::pair<std::uint32_t, QRegion>> fills;
  // The other parts and the opaque child that paints each (nullptr: the window paints it, with
  // whatever lies over it).
  std::vector<std::pair<QWidget*, QRegion>> painted;
  QRegion pixels;
  bool native = false;  // a child with a window of its own lies there

  void fill(std::uint32_t pixel, const QRegion& r) {
    for (auto& f : fills)
      if (f.first == pixel) {
        f.second += r;
        return;
      }
    fills.emplace_back(pixel, r);
  }
};

// Splits `clip` (owner coordinates; `origin` is w's place there) among w's children, the topmost
// first; what is left stays in `remaining` for w itself.
void plan_children(QWidget* w, QPoint origin, const QRegion& clip, QRegion& remaining, Plan& plan) {
  const QObjectList& kids = w->children();
  const QRect bounds = clip.boundingRect();
  for (auto it = kids.rbegin(); it != kids.rend() && !remaining.isEmpty(); ++it) {
    if (!(*it)->isWidgetType()) continue;
    auto* k = static_cast<QWidget*>(*it);
    if (k->isWindow() || k->isHidden()) continue;
    const QRect kr = k->geometry().translated(origin);
    if (!kr.intersects(bounds)) continue;
    const QRegion part = clip & kr & remaining;
    if (part.isEmpty()) continue;
    if (k->internalWinId()) plan.native = true;
    std::uint32_t pixel = 0;
    if (plain_colour(k, pixel)) {
      plan_children(k, kr.topLeft(), part, remaining, plan);
      const QRegion rest = part & remaining;
      if (!rest.isEmpty()) {
        plan.fill(pixel, rest);
        remaining -= rest;
      }
    } else {
      plan.painted.emplace_back(k->testAttribute(Qt::WA_OpaquePaintEvent) ? k : nullptr, part);
      plan.pixels += part;
      remaining -= part;
    }
  }
}

bool has_child_widgets(const QWidget* w) {
  for (const QObject* o : w->children())
    if (o->isWidgetType()) return true;
  return false;
}

xcb_gcontext_t gc_for(xcb_connection_t* c, xcb_window_t window) {
  static std::map<xcb_window_t, xcb_gcontext_t> gcs;
  auto it = gcs.find(window);
  if (it != gcs.end()) return it->second;
  const xcb_gcontext_t gc = xcb_generate_id(c);
  const std::uint32_t no_exposures = 0;
  xcb_create_gc(c, gc, window, XCB_GC_GRAPHICS_EXPOSURES, &no_exposures);
  gcs.emplace(window, gc);
  return gc;
}

// The backing store image of a window whose paints this file sends to the X server itself:
// a shown window of the screen's depth on a display of 32-bit true-colour pixels, with 32-bit
// 0xAARRGGBB backing store pixels (opaque where the widgets paint: the bytes of the server's
// pixels). nullptr where the toolkit's paint is needed.
QImage* server_paintable(QWidget* owner) {
  const RootPixels* x = root_pixels();
  if (!x || !x->lsb_first || x->red_shift != 16 || x->green_shift != 8 || x->blue_shift != 0) return nullptr;
  // A window's own rectangles: the place of a child among its parents and siblings is the
  // toolkit's business.
  if (!owner->isWindow() || owner->testAttribute(Qt::WA_TranslucentBackground)) return nullptr;
  QWindow* window = owner->windowHandle();
  QBackingStore* store = owner->backingStore();
  if (!window || !window->isExposed() || !store || owner->devicePixelRatioF() != 1.0 || window->format().alphaBufferSize() > 0)
    return nullptr;
  QPaintDevice* device = store->paintDevice();
  auto* image = device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
  if (!image || !image->rect().contains(owner->rect())) return nullptr;
  const QImage::Format f = image->format();
  return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied || f == QImage::Format_ARGB32 ? image : nullptr;
}

// Paints `region` of the window `owner` into its backing store and shows it on the X server,
// with fills where it is plain colour. False (having done nothing) when the toolkit must paint.
bool paint_through_server(QWidget* owner, const QRegion& region) {
  QImage* image = server_paintable(owner);
  if (!image) return false;
  const QRegion local = region & owner->rect();
  if (local.isEmpty()) return true;

  Plan plan;
  QRegion remaining = local;
  plan_children(owner, QPoint(0, 0), local, remaining, plan);
  if (plan.native) return false;
  if (!remaining.isEmpty()) {
    std::uint32_t pixel = 0;
    if (plain_colour(owner, pixel)) plan.fill(pixel, remaining);
    else {
      plan.painted.emplace_back(owner, remaining);
      plan.pixels += remaining;
    }
  }

  QBackingStore* store = owner->backingStore();
  store->beginPaint(local);
  // The plain parts as their widgets paint them (opaque pixels of their colour), the rest by the
  // widgets that paint there.
  for (const auto& [pixel, area] : plan.fills)
    for (const QRect& r : area)
      for (int y = r.top(); y <= r.bottom(); ++y)
        std::fill_n(reinterpret_cast<std::uint32_t*>(image->scanLine(y)) + r.x(), r.width(), 0xFF000000u | pixel);
  for (const auto& [widget, area] : plan.painted) {
    if (widget == owner) {
      owner->render(image, area.boundingRect().topLeft(), area, QWidget::RenderFlags());
    } else if (widget) {
      const QPoint at = widget->mapTo(owner, QPoint(0, 0));
      const QRegion own = area.translated(-at);
      auto* host = dynamic_cast<HostWidget*>(widget);
      if (host && host->control() && !has_child_widgets(widget) && !host->control()->HasCustomPaint()) {
        // A panel or label of its own: its paint straight into the backing store.
        QPainter p(image);
        p.translate(at);
        p.setClipRegion(own);
        host->paint(p);
      } else {
        widget->render(image, at + own.boundingRect().topLeft(), own, QWidget::DrawChildren);
      }
    } else {
      owner->render(image, area.boundingRect().topLeft(), area, QWidget::DrawChildren);
    }
  }
  store->endPaint();

  xcb_connection_t* c = x_connection();
  const xcb_window_t w = static_cast<xcb_window_t>(owner->winId());
  const xcb_gcontext_t gc = gc_for(c, w);
  std::vector<xcb_rectangle_t> rects;
  for (const auto& [pixel, area] : plan.fills) {
    rects.clear();
    for (const QRect& r : area)
      rects.push_back({static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()), static_cast<std::uint16_t>(r.width()),
                       static_cast<std::uint16_t>(r.height())});
    xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &pixel);
    xcb_poly_fill_rectangle(c, w, gc, static_cast<std::uint32_t>(rects.size()), rects.data());
  }
  // The rest as pixels of the backing store, in requests the server accepts.
  const std::size_t max_bytes = static_cast<std::size_t>(xcb_get_maximum_request_length(c)) * 4 - 64;
  std::vector<std::uint8_t> rows;
  for (const QRect& r : plan.pixels) {
    const std::size_t row_bytes = static_cast<std::size_t>(r.width()) * 4;
    const int per_request = static_cast<int>(std::max<std::size_t>(1, max_bytes / row_bytes));
    for (int y = r.top(); y <= r.bottom(); y += per_request) {
      const int n = std::min(per_request, r.bottom() + 1 - y);
      rows.resize(row_bytes * static_cast<std::size_t>(n));
      for (int i = 0; i < n; ++i)
        std::memcpy(rows.data() + row_bytes * static_cast<std::size_t>(i), image->constScanLine(y + i) + static_cast<std::size_t>(r.x()) * 4, row_bytes);
      xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, gc, static_cast<std::uint16_t>(r.width()), static_cast<std::uint16_t>(n),
                    static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(y), 0, 24, static_cast<std::uint32_t>(rows.size()),
                    rows.data());
    }
  }
  xcb_flush(c);
  return true;
}

// Marks every widget that lies in `r` (w's coordinates) for the toolkit's paint: a repaint of a
// parent alone leaves the children it covers as they were.
void invalidate_inside(QWidget* w, const QRegion& r) {
  w->update(r);
  for (QObject* o : w->children()) {
    if (!o->isWidgetType()) continue;
    auto* k = static_cast<QWidget*>(o);
    if (k->isWindow() || k->isHidden()) continue;
    const QRegion part = (r & k->geometry()).translated(-k->pos());
    if (!part.isEmpty()) invalidate_inside(k, part);
  }
}

}  // namespace

bool immediate_paint_covers(const QWidget* widget, const QRect& in_parent) {
  if (!current) return false;
  const QWidget* parent = widget->parentWidget();
  QWidget* owner = current->owner;
  if (!owner || !parent || (parent != owner && !owner->isAncestorOf(parent))) return false;
  const QRect r = in_parent.translated(parent->mapTo(owner, QPoint(0, 0)));
  for (const QRect& q : current->region)
    if (q.contains(r) || r.isEmpty()) return true;
  return (QRegion(r) - current->region).isEmpty();
}

void set_geometry_unpainted(QWidget* widget, const QRect& geometry) {
  QWidget* parent = widget->parentWidget();
  const bool parent_off = parent->testAttribute(Qt::WA_UpdatesDisabled), own_off = widget->testAttribute(Qt::WA_UpdatesDisabled);
  parent->setAttribute(Qt::WA_UpdatesDisabled, true);
  widget->setAttribute(Qt::WA_UpdatesDisabled, true);
  widget->setGeometry(geometry);
  widget->setAttribute(Qt::WA_UpdatesDisabled, own_off);
  parent->setAttribute(Qt::WA_UpdatesDisabled, parent_off);
}

void TControl::ChangeAndRepaint(std::initializer_list<TRect> rects, const std::function<void()>& change) {
  QWidget* owner = host_ ? host_->widget : nullptr;
  QRegion region;
  for (const TRect& r : rects) region += QRect(r.Left, r.Top, r.Width(), r.Height());
  if (!owner || !owner->isVisible() || !server_paintable(owner)) {
    // The toolkit marks what the change touches and paints it, the rectangles at once.
    change();
    RepaintRects(rects);
    return;
  }
  Change scope{owner, region, current};
  current = &scope;
  // The rectangles are painted even when the change stops half-way.
  struct Finish {
    Change& scope;
    ~Finish() {
      current = scope.outer;
      if (!scope.owner || !scope.owner->isVisible() || paint_through_server(scope.owner, scope.region)) return;
      invalidate_inside(scope.owner, scope.region);
      scope.owner->repaint(scope.region);
    }
  } finish{scope};
  change();
}
