#include "platform/gdi.hpp"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "platform/checked_size.hpp"
#include "platform/canvas_qt.hpp"
#include "platform/halftone_stretch.hpp"
#include "platform/pixel_memory.hpp"

// ---------------------------------------------------------------------------------------------
// Objects and the handle table
// ---------------------------------------------------------------------------------------------
enum class ObjKind { Bitmap, Palette, DC, Global, EnhMetaFile };

struct GdiObject {
  explicit GdiObject(ObjKind k) : kind(k) {}
  virtual ~GdiObject() = default;
  ObjKind kind;
};

namespace {

// How a bitmap's pixels are laid out. Mono is a device bitmap whose 0 and 1 take the colours of
// the context it is drawn with; Idx* carry a colour table.
enum class PixKind { Mono, Idx1, Idx4, Idx8, Rgb555, Rgb565, Bgr24, Bgrx32 };

constexpr bool is_indexed(PixKind k) { return k == PixKind::Mono || k == PixKind::Idx1 || k == PixKind::Idx4 || k == PixKind::Idx8; }
constexpr int kind_bits(PixKind k) {
  switch (k) {
    case PixKind::Mono:
    case PixKind::Idx1: return 1;
    case PixKind::Idx4: return 4;
    case PixKind::Idx8: return 8;
    case PixKind::Rgb555:
    case PixKind::Rgb565: return 16;
    case PixKind::Bgr24: return 24;
    case PixKind::Bgrx32: return 32;
  }
  return 0;
}

struct FreeDeleter {
  void operator()(Byte* p) const { std::free(p); }
};

struct PixelDeleter {
  void operator()(Byte* p) const { pixel_memory_free(p); }
};

// Colours inside the blitter: 0x00RRGGBB (the bytes B, G, R, 0 of a 32-bit pixel).
inline std::uint32_t ref_to_xrgb(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
inline COLORREF xrgb_to_ref(std::uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
inline std::uint32_t quad_to_xrgb(RGBQUAD q) { return (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) | q.rgbBlue; }

}  // namespace

struct GdiBitmap : GdiObject {
  GdiBitmap() : GdiObject(ObjKind::Bitmap) {}
  int width = 0;
  int height = 0;
  PixKind pk = PixKind::Bgrx32;
  bool section = false;
  bool top_down = true;
  bool stock = false;
  BITMAPINFOHEADER header{};
  std::vector<RGBQUAD> colors;
  DWORD masks[3] = {0, 0, 0};
  std::int64_t stride = 0;
  std::unique_ptr<Byte, PixelDeleter> storage;
  HDC selected_in = nullptr;

  Byte* row(int y) const { return storage.get() + (top_down ? y : height - 1 - y) * stride; }
};

struct GdiPalette : GdiObject {
  GdiPalette() : GdiObject(ObjKind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

struct GdiDC : GdiObject {
  GdiDC() : GdiObject(ObjKind::DC) {}
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  int stretch_mode = BLACKONWHITE;
  COLORREF bk_color = 0xFFFFFF;
  COLORREF text_color = 0;
  int bk_mode = OPAQUE;
  int map_mode = MM_TEXT;
  TPoint brush_org;
  GdiFontSpec font;
  QPainter* painter = nullptr;
  int surface_width = 0;
  int surface_height = 0;
};

struct GlobalBlock : GdiObject {
  GlobalBlock() : GdiObject(ObjKind::Global) {}
  std::unique_ptr<Byte, FreeDeleter> data;
  std::size_t size = 0;
  UINT flags = 0;
  int locks = 0;
};

struct GdiEnhMetaFile : GdiObject {
  GdiEnhMetaFile() : GdiObject(ObjKind::EnhMetaFile) {}
  std::vector<Byte> bytes;
};

namespace {

std::mutex& table_mutex() {
  static std::mutex m;
  return m;
}
std::unordered_map<const void*, std::unique_ptr<GdiObject>>& table() {
  static std::unordered_map<const void*, std::unique_ptr<GdiObject>> t;
  return t;
}

template <class T>
T* add_object(std::unique_ptr<T> obj) {
  T* raw = obj.get();
  std::lock_guard lock(table_mutex());
  table().emplace(static_cast<const void*>(raw), std::move(obj));
  return raw;
}

GdiObject* live_object(const void* h) {
  if (!h) return nullptr;
  std::lock_guard lock(table_mutex());
  auto it = table().find(h);
  return it == table().end() ? nullptr : it->second.get();
}

template <class T, ObjKind K>
T* live(const void* h) {
  GdiObject* o = live_object(h);
  return o && o->kind == K ? static_cast<T*>(o) : nullptr;
}
GdiBitmap* live_bitmap(const void* h) { return live<GdiBitmap, ObjKind::Bitmap>(h); }
GdiPalette* live_palette(const void* h) { return live<GdiPalette, ObjKind::Palette>(h); }
GdiDC* live_dc(const void* h) { return live<GdiDC, ObjKind::DC>(h); }
GlobalBlock* live_global(const void* h) { return live<GlobalBlock, ObjKind::Global>(h); }
GdiEnhMetaFile* live_metafile(const void* h) { return live<GdiEnhMetaFile, ObjKind::EnhMetaFile>(h); }

void remove_object(const void* h) {
  std::unique_ptr<GdiObject> doomed;
  {
    std::lock_guard lock(table_mutex());
    auto it = table().find(h);
    if (it == table().end()) return;
    doomed = std::move(it->second);
    table().erase(it);
  }
}

bool g_palette_device = false;

// Bitmaps larger than this cannot be made (as a 32-bit system's GDI).
constexpr std::int64_t kMaxBitmapBytes = 0x7FFFFFFF;

// Pixels zero-filled unless the caller writes every byte itself (`zeroed` false).
// With `given` (a pixel_memory block, freed here when no bitmap is made) the bitmap takes that
// block instead of a new one.
std::unique_ptr<GdiBitmap> allocate_bitmap(int width, int height, PixKind pk, std::int64_t stride, bool zeroed = true,
                                           void* given = nullptr) {
  std::unique_ptr<Byte, PixelDeleter> taken(static_cast<Byte*>(given));
  if (width <= 0 || height <= 0 || stride <= 0) return nullptr;
  // A mend: multiplied with an overflow check (sizes reach here from files).
  const std::int64_t bytes = CheckedMul(stride, height).value_or(INT64_MAX);
  if (bytes > kMaxBitmapBytes) return nullptr;
  auto bm = std::make_unique<GdiBitmap>();
  if (taken)
    bm->storage = std::move(taken);
  else
    bm->storage.reset(static_cast<Byte*>(pixel_memory_allocate(static_cast<std::size_t>(bytes), zeroed)));
  if (!bm->storage) return nullptr;
  bm->width = width;
  bm->height = height;
  bm->pk = pk;
  bm->stride = stride;
  return bm;
}

HBITMAP stock_bitmap() {
  static HBITMAP stock = [] {
    auto bm = allocate_bitmap(1, 1, PixKind::Mono, 2);
    bm->stock = true;
    return add_object(std::move(bm));
  }();
  return stock;
}

// ---------------------------------------------------------------------------------------------
// The standard palettes the blitter maps into.
// ---------------------------------------------------------------------------------------------
const std::array<RGBQUAD, 16>& vga16() {
  static const std::array<RGBQUAD, 16> t = [] {
    const int c[16][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
                          {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
                          {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    std::array<RGBQUAD, 16> r{};
    for (int i = 0; i < 16; ++i) r[i] = RGBQUAD{Byte(c[i][2]), Byte(c[i][1]), Byte(c[i][0]), 0};
    return r;
  }();
  return t;
}

// The halftone palette: the 20 static colours and a 6 x 6 x 6 colour cube.
const std::vector<PALETTEENTRY>& halftone_entries() {
  static const std::vector<PALETTEENTRY> t = [] {
    std::vector<PALETTEENTRY> e;
    const int first[10][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                              {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
    const int last[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
                             {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
    for (auto& c : first) e.push_back({Byte(c[0]), Byte(c[1]), Byte(c[2]), 0});
    for (int b = 0; b < 6; ++b)
      for (int g = 0; g < 6; ++g)
        for (int r = 0; r < 6; ++r) e.push_back({Byte(r * 51), Byte(g * 51), Byte(b * 51), 0});
    while (e.size() < 246) e.push_back({0, 0, 0, 0});
    for (auto& c : last) e.push_back({Byte(c[0]), Byte(c[1]), Byte(c[2]), 0});
    return e;
  }();
  return t;
}

std::vector<RGBQUAD> default_table(int bits) {
  std::vector<RGBQUAD> t;
  if (bits == 1) {
    t = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  } else if (bits == 4) {
    t.assign(vga16().begin(), vga16().end());
  } else if (bits == 8) {
    for (auto& p : halftone_entries()) t.push_back(RGBQUAD{p.peBlue, p.peGreen, p.peRed, 0});
  }
  return t;
}

// ---------------------------------------------------------------------------------------------
// Pixel views and per-format row kernels
// ---------------------------------------------------------------------------------------------
struct View {
  Byte* base = nullptr;
  int width = 0;
  int height = 0;
  std::int64_t stride = 0;
  bool top_down = true;
  PixKind kind = PixKind::Bgrx32;
  std::vector<std::uint32_t> lut;  // index -> xrgb for indexed kinds
  Byte* row(int y) const { return base + (top_down ? y : height - 1 - y) * stride; }
};

template <PixKind K>
inline std::uint32_t read_px(const Byte* row, int x) {
  if constexpr (K == PixKind::Mono || K == PixKind::Idx1) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1u;
  } else if constexpr (K == PixKind::Idx4) {
    Byte b = row[x >> 1];
    return (x & 1) ? (b & 0x0Fu) : (b >> 4);
  } else if constexpr (K == PixKind::Idx8) {
    return row[x];
  } else if constexpr (K == PixKind::Rgb555 || K == PixKind::Rgb565) {
    std::uint32_t v = row[2 * x] | (std::uint32_t{row[2 * x + 1]} << 8);
    std::uint32_t r, g, b;
    if constexpr (K == PixKind::Rgb555) {
      r = (v >> 10) & 31; g = (v >> 5) & 31; b = v & 31;
      g = (g << 3) | (g >> 2);
    } else {
      r = (v >> 11) & 31; g = (v >> 5) & 63; b = v & 31;
      g = (g << 2) | (g >> 4);
    }
    r = (r << 3) | (r >> 2);
    b = (b << 3) | (b >> 2);
    return (r << 16) | (g << 8) | b;
  } else if constexpr (K == PixKind::Bgr24) {
    const Byte* p = row + 3 * x;
    return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
  } else {
    const Byte* p = row + 4 * x;
    return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
  }
}

template <PixKind K>
inline void write_px(Byte* row, int x, std::uint32_t v) {
  if constexpr (K == PixKind::Mono || K == PixKind::Idx1) {
    Byte m = Byte(0x80 >> (x & 7));
    if (v & 1) row[x >> 3] |= m; else row[x >> 3] &= Byte(~m);
  } else if constexpr (K == PixKind::Idx4) {
    Byte& b = row[x >> 1];
    b = (x & 1) ? Byte((b & 0xF0) | (v & 0x0F)) : Byte((b & 0x0F) | ((v & 0x0F) << 4));
  } else if constexpr (K == PixKind::Idx8) {
    row[x] = Byte(v);
  } else if constexpr (K == PixKind::Rgb555) {
    std::uint32_t p = (((v >> 19) & 31) << 10) | (((v >> 11) & 31) << 5) | ((v >> 3) & 31);
    row[2 * x] = Byte(p);
    row[2 * x + 1] = Byte(p >> 8);
  } else if constexpr (K == PixKind::Rgb565) {
    std::uint32_t p = (((v >> 19) & 31) << 11) | (((v >> 10) & 63) << 5) | ((v >> 3) & 31);
    row[2 * x] = Byte(p);
    row[2 * x + 1] = Byte(p >> 8);
  } else if constexpr (K == PixKind::Bgr24) {
    Byte* p = row + 3 * x;
    p[0] = Byte(v); p[1] = Byte(v >> 8); p[2] = Byte(v >> 16);
  } else {
    Byte* p = row + 4 * x;
    p[0] = Byte(v); p[1] = Byte(v >> 8); p[2] = Byte(v >> 16); p[3] = 0;
  }
}

template <class F>
void with_kind(PixKind k, F&& f) {
  switch (k) {
    case PixKind::Mono: f(std::integral_constant<PixKind, PixKind::Mono>{}); break;
    case PixKind::Idx1: f(std::integral_constant<PixKind, PixKind::Idx1>{}); break;
    case PixKind::Idx4: f(std::integral_constant<PixKind, PixKind::Idx4>{}); break;
    case PixKind::Idx8: f(std::integral_constant<PixKind, PixKind::Idx8>{}); break;
    case PixKind::Rgb555: f(std::integral_constant<PixKind, PixKind::Rgb555>{}); break;
    case PixKind::Rgb565: f(std::integral_constant<PixKind, PixKind::Rgb565>{}); break;
    case PixKind::Bgr24: f(std::integral_constant<PixKind, PixKind::Bgr24>{}); break;
    case PixKind::Bgrx32: f(std::integral_constant<PixKind, PixKind::Bgrx32>{}); break;
  }
}

// Reads raw values (indices or colours) of `xs` positions of one row.
void read_values(const View& v, int y, const int* xs, int n, std::uint32_t* out) {
  const Byte* row = v.row(y);
  with_kind(v.kind, [&](auto k) {
    constexpr PixKind K = decltype(k)::value;
    for (int i = 0; i < n; ++i) out[i] = read_px<K>(row, xs[i]);
  });
}
// Reads a run of raw values starting at x0.
void read_run(const View& v, int y, int x0, int n, std::uint32_t* out) {
  const Byte* row = v.row(y);
  with_kind(v.kind, [&](auto k) {
    constexpr PixKind K = decltype(k)::value;
    for (int i = 0; i < n; ++i) out[i] = read_px<K>(row, x0 + i);
  });
}
template <PixKind K>
void write_pixels(Byte* row, int x0, int n, const std::uint32_t* vals) {
  if constexpr (K == PixKind::Bgr24 && std::endian::native == std::endian::little) {
    // Four bytes a pixel, the fourth overwritten by the next pixel; the last one byte by byte.
    Byte* p = row + 3 * static_cast<std::ptrdiff_t>(x0);
    int i = 0;
    for (; i + 1 < n; ++i, p += 3) std::memcpy(p, vals + i, 4);
    if (i < n) write_px<K>(row, x0 + i, vals[i]);
  } else {
    for (int i = 0; i < n; ++i) write_px<K>(row, x0 + i, vals[i]);
  }
}
void write_run(const View& v, int y, int x0, int n, const std::uint32_t* vals) {
  Byte* row = v.row(y);
  with_kind(v.kind, [&](auto k) { write_pixels<decltype(k)::value>(row, x0, n, vals); });
}

// Pixels [sx, sx + n) of source rows to [dx, dx + n) of destination rows, both of one layout
// whose values pass unchanged, copied as bytes; set up once for many rows. Pixels that share a
// byte with others are copied one by one where either run starts or ends inside a byte.
class RowCopier {
public:
  RowCopier(const View& src, const View& dst, int sx, int dx, int n) : kind_(src.kind) {
    src_row0_ = src.row(0);
    dst_row0_ = dst.row(0);
    src_step_ = src.top_down ? src.stride : -src.stride;
    dst_step_ = dst.top_down ? dst.stride : -dst.stride;
    const int bits = kind_bits(src.kind);
    if (bits >= 8) {
      const std::ptrdiff_t b = bits / 8;
      src_row0_ += b * sx, dst_row0_ += b * dx, bytes_ = static_cast<std::size_t>(b * n);
      return;
    }
    const int per_byte = 8 / bits;
    if (sx % per_byte == 0 && dx % per_byte == 0) {
      const int whole = n / per_byte;
      bytes_ = static_cast<std::size_t>(whole);
      src_row0_ += sx / per_byte, dst_row0_ += dx / per_byte;
      tail_src_ = whole * per_byte, tail_dst_ = whole * per_byte, tail_ = n - whole * per_byte;
    } else {
      tail_src_ = sx, tail_dst_ = dx, tail_ = n;
    }
  }
  void operator()(int sy, int dy) const {
    const Byte* from = src_row0_ + sy * src_step_;
    Byte* to = dst_row0_ + dy * dst_step_;
    if (bytes_ <= 8) {
      for (std::size_t i = 0; i < bytes_; ++i) to[i] = from[i];
    } else {
      std::memcpy(to, from, bytes_);
    }
    if (tail_ > 0) copy_pixels(from, to);
  }

private:
  void copy_pixels(const Byte* from, Byte* to) const {
    with_kind(kind_, [&](auto k) {
      constexpr PixKind K = decltype(k)::value;
      if constexpr (kind_bits(K) < 8)
        for (int i = 0; i < tail_; ++i) write_px<K>(to, tail_dst_ + i, read_px<K>(from, tail_src_ + i));
    });
  }

  PixKind kind_;
  const Byte* src_row0_;
  Byte* dst_row0_;
  std::ptrdiff_t src_step_, dst_step_;
  std::size_t bytes_ = 0;
  int tail_src_ = 0, tail_dst_ = 0, tail_ = 0;  // pixels copied one by one, from the row's start
};

// Nearest entry of a colour table (squared distance, the first of equals), with a small cache.
class NearestIndex {
public:
  explicit NearestIndex(const std::vector<std::uint32_t>& lut) : lut_(lut) { keys_.fill(0xFFFFFFFFu); }
  std::uint32_t operator()(std::uint32_t c) {
    std::uint32_t slot = (c ^ (c >> 11) ^ (c >> 19)) & (kSlots - 1);
    if (keys_[slot] == c) return vals_[slot];
    int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
    std::uint32_t best = 0;
    int best_d = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < lut_.size(); ++i) {
      int dr = r - int((lut_[i] >> 16) & 255), dg = g - int((lut_[i] >> 8) & 255), db = b - int(lut_[i] & 255);
      int d = dr * dr + dg * dg + db * db;
      if (d < best_d) {
        best_d = d;
        best = std::uint32_t(i);
        if (d == 0) break;
      }
    }
    keys_[slot] = c;
    vals_[slot] = best;
    return best;
  }

private:
  static constexpr std::uint32_t kSlots = 4096;
  const std::vector<std::uint32_t>& lut_;
  std::array<std::uint32_t, kSlots> keys_;
  std::array<std::uint32_t, kSlots> vals_{};
};

View view_of(GdiBitmap* bm, COLORREF mono0, COLORREF mono1) {
  View v;
  v.base = bm->storage.get();
  v.width = bm->width;
  v.height = bm->height;
  v.stride = bm->stride;
  v.top_down = bm->top_down;
  v.kind = bm->pk;
  if (bm->pk == PixKind::Mono) {
    v.lut = {ref_to_xrgb(mono0), ref_to_xrgb(mono1)};
  } else if (is_indexed(bm->pk)) {
    std::size_t n = std::size_t{1} << kind_bits(bm->pk);
    v.lut.assign(n, 0);
    for (std::size_t i = 0; i < n && i < bm->colors.size(); ++i) v.lut[i] = quad_to_xrgb(bm->colors[i]);
  }
  return v;
}

// ---------------------------------------------------------------------------------------------
// Raster operations on values
// ---------------------------------------------------------------------------------------------
bool rop_supported(DWORD rop) {
  switch (rop) {
    case SRCCOPY: case SRCPAINT: case SRCAND: case SRCINVERT: case SRCERASE: case NOTSRCCOPY:
    case NOTSRCERASE: case MERGEPAINT: case DSTINVERT: case BLACKNESS: case WHITENESS: return true;
    default: return false;
  }
}
bool rop_reads_dest(DWORD rop) { return rop != SRCCOPY && rop != NOTSRCCOPY && rop != BLACKNESS && rop != WHITENESS; }

void apply_rop(DWORD rop, std::uint32_t* s, const std::uint32_t* d, int n, std::uint32_t mask) {
  switch (rop) {
    case SRCCOPY: break;
    case SRCPAINT: for (int i = 0; i < n; ++i) s[i] = s[i] | d[i]; break;
    case SRCAND: for (int i = 0; i < n; ++i) s[i] = s[i] & d[i]; break;
    case SRCINVERT: for (int i = 0; i < n; ++i) s[i] = s[i] ^ d[i]; break;
    case SRCERASE: for (int i = 0; i < n; ++i) s[i] = s[i] & ~d[i] & mask; break;
    case NOTSRCCOPY: for (int i = 0; i < n; ++i) s[i] = ~s[i] & mask; break;
    case NOTSRCERASE: for (int i = 0; i < n; ++i) s[i] = ~(s[i] | d[i]) & mask; break;
    case MERGEPAINT: for (int i = 0; i < n; ++i) s[i] = (~s[i] | d[i]) & mask; break;
    case DSTINVERT: for (int i = 0; i < n; ++i) s[i] = ~d[i] & mask; break;
    case BLACKNESS: for (int i = 0; i < n; ++i) s[i] = 0; break;
    case WHITENESS: for (int i = 0; i < n; ++i) s[i] = mask; break;
    default: break;
  }
}

QPainter::CompositionMode qt_mode_of(DWORD rop) {
  switch (rop) {
    case SRCPAINT: return QPainter::RasterOp_SourceOrDestination;
    case SRCAND: return QPainter::RasterOp_SourceAndDestination;
    case SRCINVERT: return QPainter::RasterOp_SourceXorDestination;
    case SRCERASE: return QPainter::RasterOp_SourceAndNotDestination;
    case NOTSRCCOPY: return QPainter::RasterOp_NotSource;
    case NOTSRCERASE: return QPainter::RasterOp_NotSourceAndNotDestination;
    case MERGEPAINT: return QPainter::RasterOp_NotSourceOrDestination;
    case DSTINVERT: return QPainter::RasterOp_NotDestination;
    case BLACKNESS: return QPainter::RasterOp_ClearDestination;
    case WHITENESS: return QPainter::RasterOp_SetDestination;
    default: return QPainter::CompositionMode_Source;
  }
}

// ---------------------------------------------------------------------------------------------
// The stretch engine: produces rows of source colours (or indices) for the visible part of the
// destination rectangle and hands them to a sink.
// ---------------------------------------------------------------------------------------------
struct Geometry {
  int dx, dy, dw, dh;  // destination rectangle (unclipped)
  int sx, sy, sw, sh;  // source rectangle, top-based
  int cx0, cy0, cx1, cy1;  // visible destination part
};

// Nearest source coordinate of destination offset t (pixel centres).
inline int nearest_src(int t, int s0, int sn, int dn) {
  return s0 + static_cast<int>(((2 * std::int64_t{t} + 1) * sn) / (2 * std::int64_t{dn}));
}

// Sink receives (destination row y, x0, count, values) where values are colours (xrgb) or, when
// `indices` is set, source palette indices.
using RowSink = std::function<void(int y, int x0, int n, std::uint32_t* vals)>;

// nearest_src of t0, t0 + 1, ... one step at a time, without a division per step.
class NearestSteps {
public:
  NearestSteps(int t0, int s0, int sn, int dn)
      : s0_(s0), den_(2 * std::int64_t{dn}), q_((2 * std::int64_t{t0} + 1) * sn / den_),
        r_((2 * std::int64_t{t0} + 1) * sn % den_), step_q_(2 * std::int64_t{sn} / den_), step_r_(2 * std::int64_t{sn} % den_) {}
  int operator*() const { return s0_ + static_cast<int>(q_); }
  void next() {
    q_ += step_q_;
    r_ += step_r_;
    if (r_ >= den_) r_ -= den_, ++q_;
  }

private:
  int s0_;
  std::int64_t den_, q_, r_, step_q_, step_r_;
};

void stretch_nearest(const View& src, const Geometry& g, bool indices, const RowSink& sink) {
  // Columns in chunks, so that the buffers stay small however wide the destination is.
  constexpr int kColumns = 1 << 16;
  std::vector<int> xs;
  std::vector<std::uint32_t> raw, cache_row;
  for (int c0 = g.cx0; c0 < g.cx1; c0 += std::min(kColumns, g.cx1 - c0)) {
    const int n = std::min(kColumns, g.cx1 - c0);
    xs.resize(static_cast<std::size_t>(n));
    raw.resize(static_cast<std::size_t>(n));
    NearestSteps sx(c0 - g.dx, g.sx, g.sw, g.dw);
    for (int i = 0; i < n; ++i, sx.next()) xs[static_cast<std::size_t>(i)] = *sx;
    int last_sy = -1;
    NearestSteps sy(g.cy0 - g.dy, g.sy, g.sh, g.dh);
    for (int y = g.cy0; y < g.cy1; ++y, sy.next()) {
      if (*sy != last_sy) {
        read_values(src, *sy, xs.data(), n, raw.data());
        if (is_indexed(src.kind) && !indices)
          for (auto& v : raw) v = src.lut[v];
        cache_row = raw;
        last_sy = *sy;
      }
      raw = cache_row;
      sink(y, c0, n, raw.data());
    }
  }
}

// The area-averaging stretch reads 3-byte rows of true-colour pictures and 4-byte rows of
// 32-bit ones in place; other formats are converted run by run to B, G, R, 0 bytes.
template <PixKind K>
class HalftoneRows final : public HalftoneSource {
public:
  explicit HalftoneRows(const View& v) : v_(v) {}
  int width() const override { return v_.width; }
  int height() const override { return v_.height; }
  int bytes_per_pixel() const override { return K == PixKind::Bgr24 ? 3 : 4; }
  bool converts() const override { return K != PixKind::Bgr24 && K != PixKind::Bgrx32; }
  std::ptrdiff_t row_step() const override { return v_.top_down ? v_.stride : -v_.stride; }
  const std::uint8_t* row(int y, int x0, int count, std::uint8_t* scratch) const override {
    const Byte* row = v_.row(y);
    if constexpr (K == PixKind::Bgr24 || K == PixKind::Bgrx32) {
      return row + static_cast<std::ptrdiff_t>(bytes_per_pixel()) * x0;
    } else {
      const std::uint32_t* lut = v_.lut.data();
      for (int i = 0; i < count; ++i) {
        std::uint32_t c = read_px<K>(row, x0 + i);
        if constexpr (is_indexed(K)) c = lut[c];
        std::uint8_t* p = scratch + 4 * static_cast<std::ptrdiff_t>(i);
        if constexpr (std::endian::native == std::endian::little) {
          c &= 0xFFFFFF;
          std::memcpy(p, &c, 4);
        } else {
          p[0] = std::uint8_t(c);
          p[1] = std::uint8_t(c >> 8);
          p[2] = std::uint8_t(c >> 16);
          p[3] = 0;
        }
      }
      return scratch;
    }
  }

private:
  const View& v_;
};

void stretch_halftone(const View& src, const Geometry& g, const RowSink& sink) {
  const HalftoneGeometry hg{g.dx, g.dy, g.dw, g.dh, g.sx, g.sy, g.sw, g.sh, g.cx0, g.cy0, g.cx1, g.cy1};
  with_kind(src.kind, [&](auto k) { halftone_stretch(HalftoneRows<decltype(k)::value>(src), hg, sink); });
}

bool clip_geometry(Geometry& g, int bound_w, int bound_h) {
  if (g.dw <= 0 || g.dh <= 0 || g.sw <= 0 || g.sh <= 0) return false;
  g.cx0 = std::max(g.dx, 0);
  g.cy0 = std::max(g.dy, 0);
  g.cx1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{g.dx} + g.dw, bound_w));
  g.cy1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{g.dy} + g.dh, bound_h));
  return true;
}

// The part of the source rectangle inside the source: pixels outside are not read (they are
// left out of the destination too, like GDI leaves them undrawn).
bool source_inside(const View& src, const Geometry& g) {
  return g.sx >= 0 && g.sy >= 0 && std::int64_t{g.sx} + g.sw <= src.width && std::int64_t{g.sy} + g.sh <= src.height;
}

// Restricts the geometry to the source pixels that exist by shrinking both rectangles.
bool fit_source(const View& src, Geometry& g) {
  if (source_inside(src, g)) return true;
  // Map the part of the source that exists onto the destination proportionally.
  std::int64_t sx0 = std::max(g.sx, 0), sy0 = std::max(g.sy, 0);
  std::int64_t sx1 = std::min<std::int64_t>(std::int64_t{g.sx} + g.sw, src.width);
  std::int64_t sy1 = std::min<std::int64_t>(std::int64_t{g.sy} + g.sh, src.height);
  if (sx1 <= sx0 || sy1 <= sy0) return false;
  auto map = [](std::int64_t s, int s0, int sn, int d0, int dn) {
    return static_cast<int>(d0 + (s - s0) * dn / sn);
  };
  int ndx0 = map(sx0, g.sx, g.sw, g.dx, g.dw), ndx1 = map(sx1, g.sx, g.sw, g.dx, g.dw);
  int ndy0 = map(sy0, g.sy, g.sh, g.dy, g.dh), ndy1 = map(sy1, g.sy, g.sh, g.dy, g.dh);
  if (ndx1 <= ndx0 || ndy1 <= ndy0) return false;
  g.dx = ndx0; g.dw = ndx1 - ndx0; g.dy = ndy0; g.dh = ndy1 - ndy0;
  g.sx = int(sx0); g.sw = int(sx1 - sx0); g.sy = int(sy0); g.sh = int(sy1 - sy0);
  return true;
}

bool same_tables(const View& a, const View& b) {
  if (!is_indexed(a.kind) || !is_indexed(b.kind) || kind_bits(a.kind) != kind_bits(b.kind)) return false;
  return a.lut == b.lut;
}

// Destination in memory: converts the value rows to the destination's values, applies the raster
// operation and writes them.
struct MemorySink {
  View dst;
  DWORD rop;
  bool indices_in;        // incoming values are indices that copy unchanged
  std::uint32_t mono_bk;  // a colour that becomes 1 in a monochrome destination
  std::unique_ptr<NearestIndex> nearest;
  std::vector<std::uint32_t> dvals;

  MemorySink(View d, DWORD r, bool idx, std::uint32_t bk) : dst(std::move(d)), rop(r), indices_in(idx), mono_bk(bk) {
    if (is_indexed(dst.kind) && dst.kind != PixKind::Mono && !idx) nearest = std::make_unique<NearestIndex>(dst.lut);
  }
  void operator()(int y, int x0, int n, std::uint32_t* vals) {
    if (!indices_in) {
      if (dst.kind == PixKind::Mono) {
        for (int i = 0; i < n; ++i) vals[i] = vals[i] == mono_bk ? 1u : 0u;
      } else if (nearest) {
        for (int i = 0; i < n; ++i) vals[i] = (*nearest)(vals[i]);
      }
    }
    std::uint32_t mask = is_indexed(dst.kind) ? (1u << kind_bits(dst.kind)) - 1 : 0xFFFFFFu;
    if (rop != SRCCOPY) {
      if (rop_reads_dest(rop)) {
        dvals.resize(static_cast<std::size_t>(n));
        read_run(dst, y, x0, n, dvals.data());
        apply_rop(rop, vals, dvals.data(), n, mask);
      } else {
        apply_rop(rop, vals, vals, n, mask);
      }
    }
    write_run(dst, y, x0, n, vals);
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Global memory
// ---------------------------------------------------------------------------------------------
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  if (bytes > static_cast<std::size_t>(kMaxBitmapBytes)) return nullptr;
  auto block = std::make_unique<GlobalBlock>();
  std::size_t n = bytes ? bytes : 1;
  Byte* p = static_cast<Byte*>((flags & GMEM_ZEROINIT) ? std::calloc(n, 1) : std::malloc(n));
  if (!p) return nullptr;
  block->data.reset(p);
  block->size = bytes;
  block->flags = flags;
  return add_object(std::move(block));
}

void* GlobalLock(HGLOBAL h) {
  GlobalBlock* b = live_global(h);
  if (!b) return nullptr;
  ++b->locks;
  return b->data.get();
}

BOOL GlobalUnlock(HGLOBAL h) {
  GlobalBlock* b = live_global(h);
  if (!b || b->locks == 0) return FALSE_;
  --b->locks;
  return b->locks > 0 ? TRUE_ : FALSE_;
}

std::size_t GlobalSize(HGLOBAL h) {
  GlobalBlock* b = live_global(h);
  return b ? b->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL h) {
  if (!live_global(h)) return h;
  remove_object(h);
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Contexts
// ---------------------------------------------------------------------------------------------
void gdi_force_palette_device(bool palette_device) { g_palette_device = palette_device; }
bool gdi_palette_device() { return g_palette_device; }

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !live_dc(dc)) return nullptr;
  auto d = std::make_unique<GdiDC>();
  d->bitmap = stock_bitmap();
  return add_object(std::move(d));
}

BOOL DeleteDC(HDC dc) {
  GdiDC* d = live_dc(dc);
  if (!d) return FALSE_;
  if (GdiBitmap* bm = live_bitmap(d->bitmap); bm && !bm->stock) bm->selected_in = nullptr;
  remove_object(dc);
  return TRUE_;
}

int GetDeviceCaps(HDC dc, int index) {
  if (dc && !live_dc(dc)) return 0;
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return g_palette_device ? 8 : 32;
    case PLANES: return 1;
    case HORZRES: return 1280;
    case VERTRES: return 800;
    case NUMCOLORS: return g_palette_device ? 20 : -1;
    case SIZEPALETTE: return g_palette_device ? 256 : 0;
    case RASTERCAPS:
      return RC_BITBLT | RC_DI_BITMAP | RC_STRETCHBLT | RC_STRETCHDIB | (g_palette_device ? RC_PALETTE : 0);
    default: return 0;
  }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  GdiDC* d = live_dc(dc);
  GdiBitmap* bm = live_bitmap(object);
  if (!d || !bm || d->painter) return nullptr;
  if (!bm->stock && bm->selected_in && bm->selected_in != dc) return nullptr;
  HBITMAP old = d->bitmap;
  if (GdiBitmap* ob = live_bitmap(old); ob && !ob->stock) ob->selected_in = nullptr;
  d->bitmap = bm;
  if (!bm->stock) bm->selected_in = dc;
  return old;
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiObject* o = live_object(object);
  if (!o) return FALSE_;
  if (o->kind == ObjKind::Bitmap) {
    auto* bm = static_cast<GdiBitmap*>(o);
    if (bm->stock || (bm->selected_in && live_dc(bm->selected_in))) return FALSE_;
  } else if (o->kind != ObjKind::Palette) {
    return FALSE_;
  }
  remove_object(object);
  return TRUE_;
}

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
  if (size == 0 || data == nullptr) return nullptr;
  try {
    auto metafile = std::make_unique<GdiEnhMetaFile>();
    metafile->bytes.assign(data, data + size);
    return add_object(std::move(metafile));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* data) {
  const GdiEnhMetaFile* m = live_metafile(metafile);
  if (!m) return 0;
  const auto total = static_cast<UINT>(m->bytes.size());
  if (!data) return total;
  const UINT count = std::min(size, total);
  std::memcpy(data, m->bytes.data(), count);
  return count;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile) {
  if (!live_metafile(metafile)) return FALSE_;
  remove_object(metafile);
  return TRUE_;
}

int GetObject(HGDIOBJ object, int size, void* out) {
  GdiObject* o = live_object(object);
  if (!o || !out) return 0;
  if (o->kind == ObjKind::Palette) {
    if (size < 2) return 0;
    WORD n = static_cast<WORD>(static_cast<GdiPalette*>(o)->entries.size());
    std::memcpy(out, &n, 2);
    return 2;
  }
  if (o->kind != ObjKind::Bitmap) return 0;
  auto* bm = static_cast<GdiBitmap*>(o);
  BITMAP b{};
  b.bmType = 0;
  b.bmWidth = bm->width;
  b.bmHeight = bm->height;
  b.bmWidthBytes = static_cast<LONG>(bm->stride);
  b.bmPlanes = 1;
  b.bmBitsPixel = static_cast<WORD>(kind_bits(bm->pk));
  b.bmBits = bm->section ? bm->storage.get() : nullptr;
  if (bm->section && size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION ds{};
    ds.dsBm = b;
    ds.dsBmih = bm->header;
    std::memcpy(ds.dsBitfields, bm->masks, sizeof ds.dsBitfields);
    std::memcpy(out, &ds, sizeof ds);
    return sizeof(DIBSECTION);
  }
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  std::memcpy(out, &b, sizeof b);
  return sizeof(BITMAP);
}

namespace {

// Reads the layout of a DIB header (with its masks and colour table) that the caller vouches
// for. Returns false for what GDI would refuse.
struct DibLayout {
  int width = 0;
  int height = 0;
  bool top_down = false;
  int bits = 0;
  PixKind kind = PixKind::Bgr24;
  std::vector<RGBQUAD> colors;
  std::int64_t stride = 0;
  DWORD masks[3] = {0, 0, 0};
};

bool read_dib_layout(const BITMAPINFO* info, DibLayout& out) {
  if (!info) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min()) return false;
  out.width = h.biWidth;
  out.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  out.top_down = h.biHeight < 0;
  out.bits = h.biBitCount;
  const Byte* after = reinterpret_cast<const Byte*>(info) + h.biSize;
  switch (h.biBitCount) {
    case 1: out.kind = PixKind::Idx1; break;
    case 4: out.kind = PixKind::Idx4; break;
    case 8: out.kind = PixKind::Idx8; break;
    case 16: out.kind = PixKind::Rgb555; break;
    case 24: out.kind = PixKind::Bgr24; break;
    case 32: out.kind = PixKind::Bgrx32; break;
    default: return false;
  }
  if (h.biCompression == BI_BITFIELDS) {
    if (h.biBitCount != 16 && h.biBitCount != 32) return false;
    const Byte* m = h.biSize >= 52 ? reinterpret_cast<const Byte*>(info) + 40 : after;
    std::memcpy(out.masks, m, 12);
    if (h.biSize == 40) after += 12;
    if (h.biBitCount == 16) {
      if (out.masks[0] == 0x7C00 && out.masks[1] == 0x03E0 && out.masks[2] == 0x001F) out.kind = PixKind::Rgb555;
      else if (out.masks[0] == 0xF800 && out.masks[1] == 0x07E0 && out.masks[2] == 0x001F) out.kind = PixKind::Rgb565;
      else return false;
    } else if (!(out.masks[0] == 0xFF0000 && out.masks[1] == 0xFF00 && out.masks[2] == 0xFF)) {
      return false;
    }
  } else if (h.biCompression != BI_RGB) {
    return false;
  }
  if (h.biBitCount <= 8) {
    std::size_t n = h.biClrUsed ? std::min<std::size_t>(h.biClrUsed, std::size_t{1} << h.biBitCount)
                                : std::size_t{1} << h.biBitCount;
    out.colors.resize(n);
    std::memcpy(out.colors.data(), after, n * 4);
  }
  out.stride = dib_row_size(out.width, out.bits);
  if (out.stride * out.height > kMaxBitmapBytes) return false;
  return true;
}

}  // namespace

namespace {

HBITMAP create_dib_section(HDC dc, const BITMAPINFO* info, void** bits, bool zeroed, void* given = nullptr) {
  std::unique_ptr<Byte, PixelDeleter> taken(static_cast<Byte*>(given));
  if (bits) *bits = nullptr;
  if (dc && !live_dc(dc)) return nullptr;
  DibLayout l;
  if (!read_dib_layout(info, l)) return nullptr;
  auto bm = allocate_bitmap(l.width, l.height, l.kind, l.stride, zeroed, taken.release());
  if (!bm) return nullptr;
  bm->section = true;
  bm->top_down = l.top_down;
  bm->header = info->bmiHeader;
  bm->header.biSize = 40;
  if (bm->header.biSizeImage == 0) bm->header.biSizeImage = static_cast<DWORD>(l.stride * l.height);
  bm->colors = l.colors;
  if (is_indexed(l.kind)) bm->colors.resize(std::size_t{1} << l.bits, RGBQUAD{0, 0, 0, 0});
  std::memcpy(bm->masks, l.masks, sizeof l.masks);
  if (bits) *bits = bm->storage.get();
  return add_object(std::move(bm));
}

}  // namespace

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT /*usage*/, void** bits, HANDLE, DWORD) {
  return create_dib_section(dc, info, bits, true);
}

HBITMAP CreateDIBSectionForOverwrite(HDC dc, const BITMAPINFO* info, void** bits) {
  return create_dib_section(dc, info, bits, false);
}

HBITMAP CreateDIBSectionOverBits(HDC dc, const BITMAPINFO* info, void* bits) {
  return create_dib_section(dc, info, nullptr, false, bits);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits) {
  UINT depth = planes * bits_per_pixel;
  PixKind pk;
  switch (depth) {
    case 1: pk = PixKind::Mono; break;
    case 4: pk = PixKind::Idx4; break;
    case 8: pk = PixKind::Idx8; break;
    case 16: pk = PixKind::Rgb555; break;
    case 24: pk = PixKind::Bgr24; break;
    case 32: pk = PixKind::Bgrx32; break;
    default: return nullptr;
  }
  std::int64_t stride = ((std::int64_t{width} * depth + 15) / 16) * 2;
  auto bm = allocate_bitmap(width, height, pk, stride);
  if (!bm) return nullptr;
  if (pk == PixKind::Idx4 || pk == PixKind::Idx8) bm->colors = default_table(static_cast<int>(depth));
  if (bits) std::memcpy(bm->storage.get(), bits, static_cast<std::size_t>(stride * height));
  return add_object(std::move(bm));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (dc) {
    GdiDC* d = live_dc(dc);
    if (!d) return nullptr;
    GdiBitmap* cur = live_bitmap(d->bitmap);
    if (!d->painter && cur && cur->pk == PixKind::Mono) return CreateBitmap(width, height, 1, 1, nullptr);
  }
  return CreateBitmap(width, height, 1, 32, nullptr);
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT) {
  if (dc && !live_dc(dc)) return 0;
  GdiBitmap* bm = live_bitmap(bitmap);
  if (!bm || !info) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (!bits && h.biBitCount == 0) {
    h.biSize = 40;
    h.biWidth = bm->width;
    h.biHeight = bm->height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(kind_bits(bm->pk));
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(dib_row_size(bm->width, h.biBitCount) * bm->height);
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return bm->height;
  }
  int bits_out = h.biBitCount;
  PixKind out_kind;
  switch (bits_out) {
    case 1: out_kind = PixKind::Idx1; break;
    case 4: out_kind = PixKind::Idx4; break;
    case 8: out_kind = PixKind::Idx8; break;
    case 16: out_kind = PixKind::Rgb555; break;
    case 24: out_kind = PixKind::Bgr24; break;
    case 32: out_kind = PixKind::Bgrx32; break;
    default: return 0;
  }
  if (h.biCompression != BI_RGB || h.biWidth != bm->width) return 0;
  View src = view_of(bm, 0x000000, 0xFFFFFF);
  std::vector<RGBQUAD> table;
  bool copy_indices = false;
  if (is_indexed(out_kind)) {
    if (is_indexed(bm->pk) && kind_bits(bm->pk) == bits_out) {
      copy_indices = true;
      for (auto c : src.lut) table.push_back(RGBQUAD{Byte(c), Byte(c >> 8), Byte(c >> 16), 0});
    } else {
      table = default_table(bits_out);
    }
    std::memcpy(info->bmiColors, table.data(), table.size() * 4);
  }
  if (!bits) return static_cast<int>(lines);
  int height = bm->height;
  if (start >= static_cast<UINT>(height)) return 0;
  int n = static_cast<int>(std::min<std::int64_t>(lines, height - std::int64_t{start}));
  View dst;
  dst.base = static_cast<Byte*>(bits);
  dst.width = bm->width;
  dst.height = n;
  dst.stride = dib_row_size(bm->width, bits_out);
  dst.top_down = h.biHeight < 0;
  dst.kind = out_kind;
  for (auto& q : table) dst.lut.push_back(quad_to_xrgb(q));
  std::unique_ptr<NearestIndex> nearest;
  if (is_indexed(out_kind) && !copy_indices) nearest = std::make_unique<NearestIndex>(dst.lut);
  if (copy_indices || (bm->pk == PixKind::Bgr24 && out_kind == PixKind::Bgr24)) {
    // Rows whose values pass unchanged are copied as bytes: a picture of a million rows of one
    // pixel costs no more than one of a million pixels in a row.
    if (src.top_down == dst.top_down && src.stride == dst.stride) {
      // The rows lie alike in both: one copy of them all.
      const int lowest = src.top_down ? height - static_cast<int>(start) - n : static_cast<int>(start);
      std::memcpy(dst.base, src.base + lowest * src.stride, static_cast<std::size_t>(n) * static_cast<std::size_t>(src.stride));
      return n;
    }
    const RowCopier copy(src, dst, 0, 0, bm->width);
    for (int i = 0; i < n; ++i) copy(height - 1 - (static_cast<int>(start) + i), n - 1 - i);
    return n;
  }
  std::vector<std::uint32_t> vals(static_cast<std::size_t>(bm->width));
  for (int i = 0; i < n; ++i) {
    // Row i of the output counts from the bottom: source row (from the top) height-1-(start+i).
    int sy = height - 1 - (static_cast<int>(start) + i);
    read_run(src, sy, 0, bm->width, vals.data());
    if (!copy_indices) {
      if (is_indexed(bm->pk))
        for (auto& v : vals) v = src.lut[v];
      if (nearest)
        for (auto& v : vals) v = (*nearest)(v);
    }
    write_run(dst, n - 1 - i, 0, bm->width, vals.data());
  }
  return n;
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palNumEntries == 0) return nullptr;
  auto p = std::make_unique<GdiPalette>();
  int n = std::min<int>(palette->palNumEntries, 256);
  p->entries.assign(palette->palPalEntry, palette->palPalEntry + n);
  return add_object(std::move(p));
}

HPALETTE CreateHalftonePalette(HDC dc) {
  if (dc && !live_dc(dc)) return nullptr;
  auto p = std::make_unique<GdiPalette>();
  p->entries = halftone_entries();
  return add_object(std::move(p));
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  GdiPalette* p = live_palette(palette);
  if (!p) return 0;
  UINT size = static_cast<UINT>(p->entries.size());
  if (!entries) return size;
  if (start >= size) return 0;
  UINT n = std::min(count, size - start);
  std::copy_n(p->entries.begin() + start, n, entries);
  return n;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
  GdiDC* d = live_dc(dc);
  if (!d || (palette && !live_palette(palette))) return nullptr;
  HPALETTE old = d->palette;
  d->palette = palette;
  return old;
}

UINT RealizePalette(HDC dc) {
  GdiDC* d = live_dc(dc);
  if (!d) return 0;
  GdiPalette* p = live_palette(d->palette);
  return p && g_palette_device ? static_cast<UINT>(p->entries.size()) : 0;
}

#define HW_DC_SETTER(Name, Getter, field, T, fail)     \
  T Name(HDC dc, T value) {                            \
    GdiDC* d = live_dc(dc);                            \
    if (!d) return fail;                               \
    T old = d->field;                                  \
    d->field = value;                                  \
    return old;                                        \
  }                                                    \
  T Getter(HDC dc) {                                   \
    GdiDC* d = live_dc(dc);                            \
    return d ? d->field : fail;                        \
  }
HW_DC_SETTER(SetStretchBltMode, GetStretchBltMode, stretch_mode, int, 0)
HW_DC_SETTER(SetBkColor, GetBkColor, bk_color, COLORREF, CLR_INVALID_REF)
HW_DC_SETTER(SetTextColor, GetTextColor, text_color, COLORREF, CLR_INVALID_REF)
HW_DC_SETTER(SetBkMode, GetBkMode, bk_mode, int, 0)
HW_DC_SETTER(SetMapMode, GetMapMode, map_mode, int, 0)
#undef HW_DC_SETTER

BOOL SetBrushOrgEx(HDC dc, int x, int y, TPoint* old) {
  GdiDC* d = live_dc(dc);
  if (!d) return FALSE_;
  if (old) *old = d->brush_org;
  d->brush_org = {x, y};
  return TRUE_;
}

void gdi_select_font(HDC dc, const GdiFontSpec& font) {
  if (GdiDC* d = live_dc(dc)) d->font = font;
}

GdiFontSpec gdi_current_font(HDC dc) {
  GdiDC* d = live_dc(dc);
  return d ? d->font : GdiFontSpec{};
}

HBITMAP gdi_selected_bitmap(HDC dc) {
  GdiDC* d = live_dc(dc);
  if (!d || d->painter) return nullptr;
  GdiBitmap* bm = live_bitmap(d->bitmap);
  return bm && !bm->stock ? bm : nullptr;
}

bool gdi_is_live(const void* handle) { return live_object(handle) != nullptr; }

COLORREF GetPixel(HDC dc, int x, int y) {
  GdiBitmap* bm = gdi_selected_bitmap(dc);
  if (!bm || x < 0 || y < 0 || x >= bm->width || y >= bm->height) return CLR_INVALID_REF;
  View v = view_of(bm, 0x000000, 0xFFFFFF);
  std::uint32_t val;
  read_run(v, y, x, 1, &val);
  return xrgb_to_ref(is_indexed(v.kind) ? v.lut[val] : val);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  GdiBitmap* bm = gdi_selected_bitmap(dc);
  if (!bm || x < 0 || y < 0 || x >= bm->width || y >= bm->height) return CLR_INVALID_REF;
  View v = view_of(bm, 0x000000, 0xFFFFFF);
  std::uint32_t c = ref_to_xrgb(color & 0xFFFFFF);
  std::uint32_t val = c;
  if (is_indexed(v.kind)) val = NearestIndex(v.lut)(c);
  write_run(v, y, x, 1, &val);
  return xrgb_to_ref(is_indexed(v.kind) ? v.lut[val] : val);
}

namespace {

// Runs one stretch from a source view into a destination context.
bool stretch_into(GdiDC* d, const View& src, Geometry g, DWORD rop, COLORREF src_bk) {
  if (!rop_supported(rop)) return false;
  if (!fit_source(src, g)) return false;
  bool halftone = d->stretch_mode == HALFTONE;
  if (d->painter) {
    if (!clip_geometry(g, d->surface_width, d->surface_height)) return false;
    if (g.cx1 <= g.cx0 || g.cy1 <= g.cy0) return true;
    QImage img(g.cx1 - g.cx0, g.cy1 - g.cy0, QImage::Format_RGB32);
    RowSink sink = [&](int y, int x0, int n, std::uint32_t* vals) {
      auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(y - g.cy0));
      for (int i = 0; i < n; ++i) line[x0 - g.cx0 + i] = 0xFF000000u | vals[i];
    };
    if (halftone) stretch_halftone(src, g, sink); else stretch_nearest(src, g, false, sink);
    QPainter& p = *d->painter;
    p.save();
    p.setCompositionMode(qt_mode_of(rop));
    p.drawImage(g.cx0, g.cy0, img);
    p.restore();
    return true;
  }
  GdiBitmap* bm = live_bitmap(d->bitmap);
  if (!bm) return false;
  if (!clip_geometry(g, bm->width, bm->height)) return false;
  if (g.cx1 <= g.cx0 || g.cy1 <= g.cy0) return true;
  View dst = view_of(bm, d->text_color, d->bk_color);
  bool indices = !halftone && same_tables(src, dst);
  if (!indices && src.kind == PixKind::Mono && dst.kind == PixKind::Mono) indices = true;
  if (!halftone && rop == SRCCOPY && g.sw == g.dw &&
      (indices || (src.kind == PixKind::Bgr24 && dst.kind == PixKind::Bgr24))) {
    // Columns one to one and values that pass unchanged: each row is a copy of bytes, so a
    // picture of many short rows costs about what one of as many pixels in long rows does.
    NearestSteps sy(g.cy0 - g.dy, g.sy, g.sh, g.dh);
    const RowCopier copy(src, dst, g.sx + (g.cx0 - g.dx), g.cx0, g.cx1 - g.cx0);
    for (int y = g.cy0; y < g.cy1; ++y, sy.next()) copy(*sy, y);
    return true;
  }
  MemorySink sink(std::move(dst), rop, indices, ref_to_xrgb(src_bk & 0xFFFFFF));
  RowSink rs = [&](int y, int x0, int n, std::uint32_t* vals) { sink(y, x0, n, vals); };
  if (halftone) stretch_halftone(src, g, rs); else stretch_nearest(src, g, indices, rs);
  return true;
}

}  // namespace

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth,
                int sheight, DWORD rop) {
  GdiDC* d = live_dc(dest);
  if (!d) return FALSE_;
  Geometry g{x, y, width, height, sx, sy, swidth, sheight, 0, 0, 0, 0};
  if (!rop_reads_dest(rop) || rop == DSTINVERT || rop == BLACKNESS || rop == WHITENESS) {
    if (rop == BLACKNESS || rop == WHITENESS || rop == DSTINVERT) {
      // No source needed: run over the destination alone.
      if (!source) {
        if (d->painter) {
          QPainter& p = *d->painter;
          p.save();
          p.setCompositionMode(qt_mode_of(rop));
          p.fillRect(x, y, width, height, Qt::white);
          p.restore();
          return TRUE_;
        }
        GdiBitmap* bm = live_bitmap(d->bitmap);
        if (!bm) return FALSE_;
        View v = view_of(bm, d->text_color, d->bk_color);
        g = Geometry{x, y, width, height, 0, 0, 1, 1, 0, 0, 0, 0};
        if (!clip_geometry(g, bm->width, bm->height)) return FALSE_;
        MemorySink sink(v, rop, true, 0);
        std::vector<std::uint32_t> vals;
        for (int yy = g.cy0; yy < g.cy1; ++yy) {
          vals.assign(static_cast<std::size_t>(std::max(0, g.cx1 - g.cx0)), 0u);
          if (!vals.empty()) sink(yy, g.cx0, static_cast<int>(vals.size()), vals.data());
        }
        return TRUE_;
      }
    }
  }
  GdiDC* s = live_dc(source);
  if (!s || s->painter) return FALSE_;
  GdiBitmap* sbm = live_bitmap(s->bitmap);
  if (!sbm) return FALSE_;
  View src = view_of(sbm, d->text_color, d->bk_color);
  return stretch_into(d, src, g, rop, s->bk_color) ? TRUE_ : FALSE_;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  return StretchBlt(dest, x, y, width, height, source, sx, sy, width, height, rop);
}

int StretchDIBits(HDC dest, int x, int y, int width, int height, int sx, int sy, int swidth, int sheight,
                  const void* bits, const BITMAPINFO* info, UINT, DWORD rop) {
  GdiDC* d = live_dc(dest);
  DibLayout l;
  if (!d || !bits || !read_dib_layout(info, l)) return 0;
  View src;
  src.base = const_cast<Byte*>(static_cast<const Byte*>(bits));
  src.width = l.width;
  src.height = l.height;
  src.stride = l.stride;
  src.top_down = l.top_down;
  src.kind = l.kind;
  if (is_indexed(l.kind)) {
    src.lut.assign(std::size_t{1} << l.bits, 0);
    for (std::size_t i = 0; i < l.colors.size(); ++i) src.lut[i] = quad_to_xrgb(l.colors[i]);
  }
  // A bottom-up DIB counts the source rectangle from its bottom row.
  int top = l.top_down ? sy : l.height - sy - sheight;
  Geometry g{x, y, width, height, sx, top, swidth, sheight, 0, 0, 0, 0};
  return stretch_into(d, src, g, rop, d->bk_color) ? sheight : 0;
}

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth,
                    int sheight, UINT transparent) {
  GdiDC* d = live_dc(dest);
  GdiDC* s = live_dc(source);
  if (!d || !s || s->painter) return FALSE_;
  GdiBitmap* sbm = live_bitmap(s->bitmap);
  if (!sbm) return FALSE_;
  View src = view_of(sbm, d->text_color, d->bk_color);
  Geometry g{x, y, width, height, sx, sy, swidth, sheight, 0, 0, 0, 0};
  if (!fit_source(src, g)) return FALSE_;
  const std::uint32_t key = ref_to_xrgb(transparent & 0xFFFFFF);
  if (d->painter) {
    if (!clip_geometry(g, d->surface_width, d->surface_height)) return FALSE_;
    if (g.cx1 <= g.cx0 || g.cy1 <= g.cy0) return TRUE_;
    QImage img(g.cx1 - g.cx0, g.cy1 - g.cy0, QImage::Format_ARGB32);
    stretch_nearest(src, g, false, [&](int yy, int x0, int n, std::uint32_t* vals) {
      auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(yy - g.cy0));
      for (int i = 0; i < n; ++i) line[x0 - g.cx0 + i] = vals[i] == key ? 0u : (0xFF000000u | vals[i]);
    });
    d->painter->drawImage(g.cx0, g.cy0, img);
    return TRUE_;
  }
  GdiBitmap* bm = live_bitmap(d->bitmap);
  if (!bm || !clip_geometry(g, bm->width, bm->height)) return FALSE_;
  if (g.cx1 <= g.cx0 || g.cy1 <= g.cy0) return TRUE_;
  View dst = view_of(bm, d->text_color, d->bk_color);
  MemorySink sink(dst, SRCCOPY, false, ref_to_xrgb(s->bk_color & 0xFFFFFF));
  std::vector<std::uint32_t> keep, vals;
  stretch_nearest(src, g, false, [&](int yy, int x0, int n, std::uint32_t* row) {
    // Write only the runs of pixels that are not the key.
    int i = 0;
    while (i < n) {
      while (i < n && row[i] == key) ++i;
      int j = i;
      while (j < n && row[j] != key) ++j;
      if (j > i) sink(yy, x0 + i, j - i, row + i);
      i = j;
    }
  });
  return TRUE_;
}

BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth, int sheight,
                BLENDFUNCTION blend) {
  GdiDC* d = live_dc(dest);
  GdiDC* s = live_dc(source);
  if (!d || !s || s->painter) return FALSE_;
  GdiBitmap* sbm = live_bitmap(s->bitmap);
  if (!sbm || sbm->pk != PixKind::Bgrx32) return FALSE_;
  const bool per_pixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
  const std::uint32_t ca = blend.SourceConstantAlpha;
  // The source with its alpha: read the raw 32-bit values ourselves.
  View src = view_of(sbm, 0, 0xFFFFFF);
  Geometry g{x, y, width, height, sx, sy, swidth, sheight, 0, 0, 0, 0};
  if (!fit_source(src, g)) return FALSE_;
  auto src_argb = [&](int sxp, int syp) {
    const Byte* p = src.row(syp) + 4 * sxp;
    std::uint32_t a = per_pixel ? p[3] : 255u;
    std::uint32_t b = p[0], gg = p[1], r = p[2];
    if (!per_pixel) {
      // Not premultiplied without per-pixel alpha.
    }
    // Apply the constant alpha to the premultiplied colour (all of it leaves it as it is).
    if (ca != 255) b = b * ca / 255, gg = gg * ca / 255, r = r * ca / 255, a = a * ca / 255;
    return (a << 24) | (r << 16) | (gg << 8) | b;
  };
  int bw, bh;
  GdiBitmap* bm = nullptr;
  if (d->painter) {
    bw = d->surface_width;
    bh = d->surface_height;
  } else {
    bm = live_bitmap(d->bitmap);
    if (!bm) return FALSE_;
    bw = bm->width;
    bh = bm->height;
  }
  if (!clip_geometry(g, bw, bh)) return FALSE_;
  if (g.cx1 <= g.cx0 || g.cy1 <= g.cy0) return TRUE_;
  int n = g.cx1 - g.cx0;
  std::vector<int> xs(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) xs[i] = nearest_src(g.cx0 + i - g.dx, g.sx, g.sw, g.dw);
  if (d->painter) {
    QImage img(n, g.cy1 - g.cy0, QImage::Format_ARGB32_Premultiplied);
    for (int yy = g.cy0; yy < g.cy1; ++yy) {
      int syp = nearest_src(yy - g.dy, g.sy, g.sh, g.dh);
      auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(yy - g.cy0));
      for (int i = 0; i < n; ++i) line[i] = src_argb(xs[i], syp);
    }
    d->painter->drawImage(g.cx0, g.cy0, img);
    return TRUE_;
  }
  View dst = view_of(bm, d->text_color, d->bk_color);
  std::vector<std::uint32_t> dv(static_cast<std::size_t>(n));
  std::unique_ptr<NearestIndex> nearest;
  if (is_indexed(dst.kind) && dst.kind != PixKind::Mono) nearest = std::make_unique<NearestIndex>(dst.lut);
  for (int yy = g.cy0; yy < g.cy1; ++yy) {
    int syp = nearest_src(yy - g.dy, g.sy, g.sh, g.dh);
    read_run(dst, yy, g.cx0, n, dv.data());
    for (int i = 0; i < n; ++i) {
      std::uint32_t dc = is_indexed(dst.kind) ? dst.lut[dv[i]] : dv[i];
      std::uint32_t s = src_argb(xs[i], syp);
      std::uint32_t a = s >> 24;
      std::uint32_t out = 0;
      // Opaque pixels and empty ones (the most of a played metafile) give what the sum below
      // gives, without its divisions.
      if (a == 255) {
        out = s & 0xFFFFFF;
      } else if (s == 0) {
        out = dc & 0xFFFFFF;
      } else {
        for (int sh = 0; sh < 24; sh += 8) {
          std::uint32_t v = ((s >> sh) & 255) + (((dc >> sh) & 255) * (255 - a) + 127) / 255;
          out |= std::min<std::uint32_t>(v, 255) << sh;
        }
      }
      if (dst.kind == PixKind::Mono) out = out == 0xFFFFFF ? 1 : 0;
      else if (nearest) out = (*nearest)(out);
      dv[i] = out;
    }
    write_run(dst, yy, g.cx0, n, dv.data());
  }
  return TRUE_;
}

// ---------------------------------------------------------------------------------------------
// The Qt side: contexts over painters, bitmaps as images.
// ---------------------------------------------------------------------------------------------
HDC gdi_create_painter_dc(QPainter* painter, int width, int height) {
  auto d = std::make_unique<GdiDC>();
  d->painter = painter;
  d->surface_width = width;
  d->surface_height = height;
  return add_object(std::move(d));
}

QSize gdi_surface_size(HDC dc) {
  GdiDC* d = live_dc(dc);
  return d && d->painter ? QSize(d->surface_width, d->surface_height) : QSize(0, 0);
}

QPainter* gdi_painter_of(HDC dc) {
  GdiDC* d = live_dc(dc);
  return d ? d->painter : nullptr;
}

QImage gdi_read_bitmap(HBITMAP bitmap, QRect rect) {
  GdiBitmap* bm = live_bitmap(bitmap);
  if (!bm) return {};
  rect = rect.intersected(QRect(0, 0, bm->width, bm->height));
  if (rect.isEmpty()) return {};
  QImage img(rect.size(), QImage::Format_RGB32);
  View v = view_of(bm, 0x000000, 0xFFFFFF);
  std::vector<std::uint32_t> vals(static_cast<std::size_t>(rect.width()));
  for (int y = 0; y < rect.height(); ++y) {
    read_run(v, rect.top() + y, rect.left(), rect.width(), vals.data());
    auto* line = reinterpret_cast<std::uint32_t*>(img.scanLine(y));
    for (int x = 0; x < rect.width(); ++x) line[x] = 0xFF000000u | (is_indexed(v.kind) ? v.lut[vals[x]] : vals[x]);
  }
  return img;
}

void gdi_write_bitmap(HBITMAP bitmap, QRect rect, const QImage& before, const QImage& image) {
  GdiBitmap* bm = live_bitmap(bitmap);
  if (!bm) return;
  rect = rect.intersected(QRect(0, 0, bm->width, bm->height));
  if (rect.isEmpty() || image.size() != rect.size() || before.size() != rect.size()) return;
  View v = view_of(bm, 0x000000, 0xFFFFFF);
  std::unique_ptr<NearestIndex> nearest;
  if (is_indexed(v.kind) && v.kind != PixKind::Mono) nearest = std::make_unique<NearestIndex>(v.lut);
  QImage img = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rect.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
    const auto* old = reinterpret_cast<const std::uint32_t*>(before.constScanLine(y));
    for (int x = 0; x < rect.width(); ++x) {
      if (line[x] == old[x]) continue;
      std::uint32_t c = line[x] & 0xFFFFFF;
      std::uint32_t val = c;
      if (v.kind == PixKind::Mono) val = c == 0xFFFFFF ? 1 : (c == 0 ? 0 : ((c >> 16) + ((c >> 8) & 255) + (c & 255) >= 384));
      else if (nearest) val = (*nearest)(c);
      write_run(v, rect.top() + y, rect.left() + x, 1, &val);
    }
  }
}

HBITMAP gdi_bitmap_from_image(const QImage& image, bool keep_alpha) {
  if (image.isNull()) return nullptr;
  QImage img = image.convertToFormat(keep_alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = img.width();
  bi.bmiHeader.biHeight = img.height();
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bm) return nullptr;
  GdiBitmap* b = live_bitmap(bm);
  for (int y = 0; y < img.height(); ++y) {
    const Byte* line = img.constScanLine(y);
    Byte* row = b->row(y);
    std::memcpy(row, line, static_cast<std::size_t>(img.width()) * 4);
    if (!keep_alpha)
      for (int x = 0; x < img.width(); ++x) row[4 * x + 3] = 0;
  }
  return bm;
}

QFont gdi_qfont(const GdiFontSpec& font_desc) {
  QFont f(QString::fromStdString(font_desc.name));
  int h = font_desc.height;
  // A negative height is the character height (the em size); a positive one the cell height,
  // taken here as a little larger than the em size.
  int px = h < 0 ? -h : (h > 0 ? std::max(1, h * 8 / 10) : 11);
  f.setPixelSize(px);
  f.setBold(font_desc.bold);
  f.setItalic(font_desc.italic);
  f.setUnderline(font_desc.underline);
  f.setStrikeOut(font_desc.strikeout);
  return f;
}

// ---------------------------------------------------------------------------------------------
// The canvas scope
// ---------------------------------------------------------------------------------------------
CanvasPaintScope::CanvasPaintScope(TCanvas& canvas, QPainter& painter, int width, int height)
    : canvas_(canvas), old_(nullptr), dc_(gdi_create_painter_dc(&painter, width, height)) {
  old_ = canvas_.HandleAllocated() ? canvas_.Handle() : nullptr;
  canvas_.SetHandle(dc_);
}

CanvasPaintScope::~CanvasPaintScope() {
  canvas_.SetHandle(old_);
  DeleteDC(dc_);
}

HBITMAP gdi_as_bitmap(HANDLE data) { return live_bitmap(data); }
HGLOBAL gdi_as_global(HANDLE data) { return live_global(data); }

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  GdiBitmap* bm = gdi_selected_bitmap(dc);
  if (!bm || !bm->section || !colors || start >= bm->colors.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(bm->colors.size()) - start);
  std::copy_n(bm->colors.begin() + start, n, colors);
  return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  GdiBitmap* bm = gdi_selected_bitmap(dc);
  if (!bm || !bm->section || !colors || start >= bm->colors.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(bm->colors.size()) - start);
  std::copy_n(colors, n, bm->colors.begin() + start);
  return n;
}

HBITMAP gdi_copy_bitmap(HBITMAP bitmap) {
  GdiBitmap* bm = live_bitmap(bitmap);
  if (!bm || bm->stock) return nullptr;
  auto copy = allocate_bitmap(bm->width, bm->height, bm->pk, bm->stride);
  if (!copy) return nullptr;
  copy->section = bm->section;
  copy->top_down = bm->top_down;
  copy->header = bm->header;
  copy->colors = bm->colors;
  std::memcpy(copy->masks, bm->masks, sizeof bm->masks);
  std::memcpy(copy->storage.get(), bm->storage.get(), static_cast<std::size_t>(bm->stride * bm->height));
  return add_object(std::move(copy));
}
