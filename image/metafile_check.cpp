#include "image/metafile_check.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/checked_size.hpp"

namespace zu_gdiplus {

namespace {

using Byte = std::uint8_t;

constexpr std::uint32_t kEmfSignature = 0x464D4520u;  // " EMF"
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
constexpr std::uint32_t kEmfPlusComment = 0x2B464D45u;  // "EMF+"

// A record's bytes, read little-endian; every read lies inside them (callers check the record's
// least size first, and reads past it give 0).
struct Bytes {
  const Byte* p;
  std::size_t n;

  std::uint32_t u32(std::size_t at) const {
    if (at > n || n - at < 4) return 0;
    return p[at] | std::uint32_t{p[at + 1]} << 8 | std::uint32_t{p[at + 2]} << 16 | std::uint32_t{p[at + 3]} << 24;
  }
  std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
  std::uint16_t u16(std::size_t at) const {
    if (at > n || n - at < 2) return 0;
    return static_cast<std::uint16_t>(p[at] | p[at + 1] << 8);
  }
  std::int16_t i16(std::size_t at) const { return static_cast<std::int16_t>(u16(at)); }
  float f32(std::size_t at) const {
    const std::uint32_t v = u32(at);
    float f;
    std::memcpy(&f, &v, 4);
    return f;
  }
  // Whether `count` items of `item` bytes starting at `at` lie inside the bytes.
  bool holds(std::int64_t at, std::int64_t count, std::int64_t item) const {
    const std::optional<std::int64_t> bytes = CheckedMul(count, item);
    const std::optional<std::int64_t> end = bytes ? CheckedAdd(at, *bytes) : std::nullopt;
    return end && static_cast<std::uint64_t>(*end) <= n;
  }
  Bytes from(std::size_t at) const { return at <= n ? Bytes{p + at, n - at} : Bytes{p + n, 0}; }
};

// ---------------------------------------------------------------------------------------------
// DIBs inside records
// ---------------------------------------------------------------------------------------------
struct DibShape {
  std::int64_t width;
  std::int64_t height;  // rows, whatever their order
  std::int64_t head_bytes;  // header, masks and colour table
  std::int64_t pixel_bytes;  // the rows, or the header's image size when that is larger
};

// A DIB's header and colour table at the start of `b`: within `b`, of a plain layout (RGB or bit
// fields, 1 to 32 bits a pixel), with a colour table that every index reaches (libgdiplus looks
// indices up without looking at the table's length), within the pixel limit. `usage` 1 gives
// colour table entries of 16-bit palette indices.
std::optional<DibShape> dib_shape(Bytes b, std::uint32_t usage) {
  if (usage > 1 || b.n < 12) return std::nullopt;
  const std::uint32_t header = b.u32(0);
  std::int64_t width, height;
  unsigned planes, bits;
  std::uint32_t compression = 0, used = 0, image_size = 0;
  std::int64_t entry = usage == 1 ? 2 : 4;
  if (header == 12) {
    width = b.u16(4), height = b.u16(6), planes = b.u16(8), bits = b.u16(10);
    if (usage == 0) entry = 3;
  } else if (header >= 40 && header <= 124 && b.n >= header) {
    width = b.i32(4), height = b.i32(8), planes = b.u16(12), bits = b.u16(14);
    compression = b.u32(16), image_size = b.u32(20), used = b.u32(32);
  } else {
    return std::nullopt;
  }
  if (height < 0) height = -height;
  if (width <= 0 || height <= 0 || planes != 1) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
  if (!(compression == 0 || (compression == 3 && (bits == 16 || bits == 32)))) return std::nullopt;
  std::int64_t entries = used;
  if (bits <= 8) {
    if (used != 0 && used != (1u << bits)) return std::nullopt;
    entries = std::int64_t{1} << bits;
  } else if (used > 256) {
    return std::nullopt;
  }
  const std::int64_t masks = compression == 3 && header == 40 ? 12 : 0;
  const std::int64_t head_bytes = header + masks + entries * entry;
  const std::optional<std::int64_t> pixel_bytes = CheckedDibBytes(width, bits, height);
  if (!pixel_bytes || DeclaredPictureTooLarge(width, height) || static_cast<std::uint64_t>(head_bytes) > b.n)
    return std::nullopt;
  return DibShape{width, height, head_bytes, std::max<std::int64_t>(*pixel_bytes, image_size)};
}

// Whether a source rectangle lies inside the DIB.
bool inside(const DibShape& dib, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
  return x >= 0 && y >= 0 && w >= 0 && h >= 0 && x + w <= dib.width && y + h <= dib.height;
}

// An enhanced metafile's DIB: header and table at `head` (`head_bytes` of them), pixels at
// `bits` (`bits_bytes`), all inside the record. The shape, or nothing.
std::optional<DibShape> emf_dib(Bytes r, std::uint32_t head, std::uint32_t head_bytes, std::uint32_t bits,
                                std::uint32_t bits_bytes, std::uint32_t usage) {
  if (!r.holds(head, head_bytes, 1) || !r.holds(bits, bits_bytes, 1)) return std::nullopt;
  const std::optional<DibShape> dib = dib_shape(Bytes{r.p + head, head_bytes}, usage);
  if (!dib || dib->pixel_bytes > bits_bytes) return std::nullopt;
  return dib;
}

// A Windows metafile's DIB: header, table and pixels one after another to the record's end.
std::optional<DibShape> wmf_dib(Bytes r, std::size_t at, std::uint32_t usage) {
  const Bytes b = r.from(at);
  const std::optional<DibShape> dib = dib_shape(b, usage);
  if (!dib || !b.holds(dib->head_bytes, dib->pixel_bytes, 1)) return std::nullopt;
  return dib;
}

// Region data (a header and its rectangles) of `bytes` at `at` inside the record.
bool region_whole(Bytes r, std::uint32_t at, std::uint32_t bytes) {
  if (!r.holds(at, bytes, 1) || bytes < 32) return false;
  const Bytes g{r.p + at, bytes};
  return g.u32(0) == 32 && g.u32(4) == 1 && g.holds(32, g.u32(8), 16);
}

// Pen and brush styles libgdiplus looks up in tables of its own: only the defined ones.
bool pen_style_known(std::uint32_t style) {
  return (style & 0xF) <= 6 && (style & 0xF0) == 0 && ((style >> 8) & 0xF) <= 2 && ((style >> 12) & 0xF) <= 2 &&
         (style >> 16) <= 1;
}
bool brush_known(std::uint32_t style, std::uint32_t hatch) { return style <= 1 || (style == 2 && hatch <= 5); }

bool finite(float f) { return std::isfinite(f); }

// ---------------------------------------------------------------------------------------------
// Object tables and saved states, followed record by record
// ---------------------------------------------------------------------------------------------
class Objects {
public:
  explicit Objects(std::size_t count) : live_(count, false) {}
  // An enhanced metafile names the slot of each object it makes.
  bool create_at(std::uint32_t index) {
    if (index == 0 || index >= live_.size()) return false;
    live_[index] = true;
    return true;
  }
  // A Windows metafile's object takes the lowest free slot.
  bool create() {
    for (std::size_t i = 0; i < live_.size(); ++i)
      if (!live_[i]) return live_[i] = true;
    return false;
  }
  bool live(std::uint32_t index) const { return index < live_.size() && live_[index]; }
  bool remove(std::uint32_t index) {
    if (!live(index)) return false;
    live_[index] = false;
    return true;
  }

private:
  std::vector<bool> live_;
};

// Stock objects of an enhanced metafile: the high bit and a stock number.
bool stock(std::uint32_t index) { return (index & 0x80000000u) != 0 && (index & 0x7FFFFFFFu) <= 0x13; }

struct SavedStates {
  std::int64_t depth = 0;
  void save() { ++depth; }
  // Back `back` states (a negative count, as records give it); false past the first.
  bool restore(std::int64_t relative) {
    if (relative >= 0 || -relative > depth) return false;
    depth += relative;
    return true;
  }
};

// ---------------------------------------------------------------------------------------------
// Enhanced metafiles
// ---------------------------------------------------------------------------------------------
enum class Emf {
  Fixed, Poly, Poly16, PolyPoly, PolyPoly16, PolyDraw, PolyDraw16, Bezier, Bezier16, BezierTo, BezierTo16, Select,
  Delete, CreatePen, CreateBrush, ExtCreatePen, CreateFont, DibBrush, CreatePalette, SelectPalette, TextW, TextA,
  BitBlt, StretchBlt, StretchDiBits, SetDiBitsToDevice, Comment, ClipRegion, FillRegion, PaintRegion, FrameRegion,
  Eof, Extent, Mode, SaveDc, RestoreDc, WorldTransform, ModifyWorldTransform, ScaleExtent,
};

struct EmfRule {
  std::uint32_t type;
  std::uint32_t least;  // bytes of the record at least
  Emf check;
  std::uint32_t most_mode = 0;  // for Mode: the largest value the record may set (1 up)
};

// Every record kind handed to libgdiplus: kinds not listed here refuse the metafile.
constexpr EmfRule kEmfRules[] = {
    {2, 28, Emf::Bezier},           {3, 28, Emf::Poly},          {4, 28, Emf::Poly},
    {5, 28, Emf::BezierTo},         {6, 28, Emf::Poly},          {7, 32, Emf::PolyPoly},
    {8, 32, Emf::PolyPoly},         {9, 16, Emf::Extent},        {10, 16, Emf::Fixed},
    {11, 16, Emf::Extent},          {12, 16, Emf::Fixed},        {13, 16, Emf::Fixed},
    {14, 20, Emf::Eof},             {15, 20, Emf::Fixed},        {16, 12, Emf::Fixed},
    {17, 12, Emf::Mode, 8},         {18, 12, Emf::Mode, 2},      {19, 12, Emf::Mode, 2},
    {20, 12, Emf::Mode, 16},        {21, 12, Emf::Mode, 4},      {22, 12, Emf::Fixed},
    {24, 12, Emf::Fixed},           {25, 12, Emf::Fixed},        {26, 16, Emf::Fixed},
    {27, 16, Emf::Fixed},           {28, 8, Emf::Fixed},         {29, 24, Emf::Fixed},
    {30, 24, Emf::Fixed},           {31, 24, Emf::ScaleExtent},  {32, 24, Emf::ScaleExtent},
    {33, 8, Emf::SaveDc},           {34, 12, Emf::RestoreDc},    {35, 32, Emf::WorldTransform},
    {36, 36, Emf::ModifyWorldTransform}, {37, 12, Emf::Select},  {38, 28, Emf::CreatePen},
    {39, 24, Emf::CreateBrush},     {40, 12, Emf::Delete},       {41, 28, Emf::Fixed},
    {42, 24, Emf::Fixed},           {43, 24, Emf::Fixed},        {44, 32, Emf::Fixed},
    {45, 40, Emf::Fixed},           {46, 40, Emf::Fixed},        {47, 40, Emf::Fixed},
    {48, 12, Emf::SelectPalette},   {49, 16, Emf::CreatePalette}, {52, 8, Emf::Fixed},
    {54, 16, Emf::Fixed},           {55, 40, Emf::Fixed},        {56, 28, Emf::PolyDraw},
    {57, 12, Emf::Mode, 2},         {58, 12, Emf::Fixed},        {59, 8, Emf::Fixed},
    {60, 8, Emf::Fixed},            {61, 8, Emf::Fixed},         {62, 24, Emf::Fixed},
    {63, 24, Emf::Fixed},           {64, 24, Emf::Fixed},        {65, 8, Emf::Fixed},
    {66, 8, Emf::Fixed},            {67, 12, Emf::Mode, 5},      {68, 8, Emf::Fixed},
    {70, 12, Emf::Comment},         {71, 32, Emf::FillRegion},   {72, 40, Emf::FrameRegion},
    {73, 28, Emf::PaintRegion},     {74, 28, Emf::PaintRegion},  {75, 16, Emf::ClipRegion},
    {76, 100, Emf::BitBlt},         {77, 108, Emf::StretchBlt},  {80, 76, Emf::SetDiBitsToDevice},
    {81, 80, Emf::StretchDiBits},   {82, 104, Emf::CreateFont},  {83, 76, Emf::TextA},
    {84, 76, Emf::TextW},           {85, 28, Emf::Bezier16},     {86, 28, Emf::Poly16},
    {87, 28, Emf::Poly16},          {88, 28, Emf::BezierTo16},   {89, 28, Emf::Poly16},
    {90, 32, Emf::PolyPoly16},      {91, 32, Emf::PolyPoly16},   {92, 28, Emf::PolyDraw16},
    {93, 32, Emf::DibBrush},        {94, 32, Emf::DibBrush},     {95, 52, Emf::ExtCreatePen},
    {98, 12, Emf::Mode, 3},         {114, 108, Emf::StretchBlt}, {115, 12, Emf::Fixed},
    {116, 108, Emf::StretchBlt},
};

const EmfRule* emf_rule(std::uint32_t type) {
  for (const EmfRule& rule : kEmfRules)
    if (rule.type == type) return &rule;
  return nullptr;
}

struct EmfState {
  Objects objects;
  SavedStates states;
  bool position = false;  // whether a record set the current position
};

// Records libgdiplus draws from the current position (its Béziers too, unlike GDI's): before any
// record set one, it draws from memory it never set.
bool emf_from_position(std::uint32_t type) {
  for (const std::uint32_t t : {2u, 5u, 6u, 54u, 55u, 56u, 85u, 88u, 89u, 92u})
    if (t == type) return true;
  return false;
}

bool emf_selectable(const EmfState& s, std::uint32_t index) { return stock(index) || s.objects.live(index); }

// A point list: `count` points of `point` bytes from offset 28.
bool emf_points(Bytes r, std::int64_t point, std::int64_t least) {
  const std::uint32_t count = r.u32(24);
  return count >= least && r.holds(28, count, point);
}

// Lists of point lists: the lists' point counts, then the points; the counts add up to the total.
bool emf_poly_lists(Bytes r, std::int64_t point) {
  const std::uint32_t lists = r.u32(24), total = r.u32(28);
  if (lists == 0 || !r.holds(32, lists, 4)) return false;
  std::uint64_t sum = 0;
  for (std::uint32_t i = 0; i < lists; ++i) {
    const std::uint32_t count = r.u32(32 + std::size_t{i} * 4);
    if (count == 0) return false;
    sum += count;
  }
  return sum == total && r.holds(32 + std::int64_t{lists} * 4, total, point);
}

// Text: `unit` bytes a character, the optional spacing array inside the record.
bool emf_text(Bytes r, std::int64_t unit) {
  const std::uint32_t chars = r.u32(44), text = r.u32(48), options = r.u32(52);
  const std::uint32_t spacing = r.u32((options & 0x100) != 0 ? 56 : 72);
  if (!r.holds(text, chars, unit)) return false;
  if (chars == 0 || spacing == 0) return true;
  return r.holds(spacing, chars, (options & 0x2000) != 0 ? 8 : 4);
}

// A blit's source: its DIB (when it has one) holds the source rectangle.
bool emf_blit(Bytes r, std::int64_t src_w, std::int64_t src_h) {
  const std::uint32_t head = r.u32(84), head_bytes = r.u32(88), bits = r.u32(92), bits_bytes = r.u32(96);
  if (head_bytes == 0 && bits_bytes == 0) return true;  // a pattern fill, no source
  const std::optional<DibShape> dib = emf_dib(r, head, head_bytes, bits, bits_bytes, r.u32(80));
  return dib && inside(*dib, r.i32(44), r.i32(48), src_w, src_h);
}

bool emf_record(EmfState& s, const EmfRule& rule, Bytes r) {
  switch (rule.check) {
    case Emf::Fixed: return true;
    case Emf::Eof: {
      const std::uint32_t entries = r.u32(8), at = r.u32(12);
      return entries == 0 || (at >= 16 && r.holds(at, entries, 4) && at + std::uint64_t{entries} * 4 <= r.n - 4);
    }
    case Emf::Extent: return r.i32(8) != 0 && r.i32(12) != 0;
    case Emf::ScaleExtent: return r.i32(12) != 0 && r.i32(20) != 0;
    case Emf::Mode: return r.u32(8) >= 1 && r.u32(8) <= rule.most_mode;
    case Emf::SaveDc: s.states.save(); return true;
    case Emf::RestoreDc: return s.states.restore(r.i32(8));
    case Emf::WorldTransform:
      for (std::size_t at = 8; at < 32; at += 4)
        if (!finite(r.f32(at))) return false;
      return true;
    case Emf::ModifyWorldTransform:
      for (std::size_t at = 8; at < 32; at += 4)
        if (!finite(r.f32(at))) return false;
      return r.u32(32) >= 1 && r.u32(32) <= 4;
    case Emf::Poly: return emf_points(r, 8, 1);
    case Emf::Poly16: return emf_points(r, 4, 1);
    // Béziers: a start point and three points a curve; continued ones three points a curve.
    case Emf::Bezier: return emf_points(r, 8, 4) && (r.u32(24) - 1) % 3 == 0;
    case Emf::Bezier16: return emf_points(r, 4, 4) && (r.u32(24) - 1) % 3 == 0;
    case Emf::BezierTo: return emf_points(r, 8, 3) && r.u32(24) % 3 == 0;
    case Emf::BezierTo16: return emf_points(r, 4, 3) && r.u32(24) % 3 == 0;
    case Emf::PolyPoly: return emf_poly_lists(r, 8);
    case Emf::PolyPoly16: return emf_poly_lists(r, 4);
    // Points, then a type byte a point.
    case Emf::PolyDraw: return emf_points(r, 9, 1);
    case Emf::PolyDraw16: return emf_points(r, 5, 1);
    case Emf::Select: return emf_selectable(s, r.u32(8));
    case Emf::SelectPalette: return r.u32(8) == 0x8000000Fu || s.objects.live(r.u32(8));
    case Emf::Delete: return s.objects.remove(r.u32(8)) || stock(r.u32(8));
    case Emf::CreatePen: return pen_style_known(r.u32(12)) && s.objects.create_at(r.u32(8));
    case Emf::CreateBrush: return brush_known(r.u32(12), r.u32(20)) && s.objects.create_at(r.u32(8));
    case Emf::ExtCreatePen: {
      const std::uint32_t head = r.u32(12), head_bytes = r.u32(16), bits = r.u32(20), bits_bytes = r.u32(24);
      if ((head_bytes != 0 || bits_bytes != 0) && !emf_dib(r, head, head_bytes, bits, bits_bytes, 0)) return false;
      // A style of the user's (7) comes with its dash lengths, 16 at most; no other has any.
      const std::uint32_t style = r.u32(28), dashes = r.u32(48);
      const bool own_dashes = (style & 0xF) == 7;
      if (!pen_style_known(own_dashes ? style & ~0xFu : style) || (own_dashes ? dashes < 1 || dashes > 16 : dashes != 0))
        return false;
      return r.holds(52, dashes, 4) && brush_known(r.u32(36), r.u32(44)) && s.objects.create_at(r.u32(8));
    }
    case Emf::CreateFont: {
      // The face name: 32 characters at most, ended inside the record.
      for (std::size_t at = 40; at + 2 <= std::min<std::size_t>(r.n, 104); at += 2)
        if (r.u16(at) == 0) return s.objects.create_at(r.u32(8));
      return false;
    }
    case Emf::DibBrush:
      return emf_dib(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28), r.u32(12)) && s.objects.create_at(r.u32(8));
    case Emf::CreatePalette: return r.u16(12) == 0x300 && r.holds(16, r.u16(14), 4) && s.objects.create_at(r.u32(8));
    case Emf::TextW: return emf_text(r, 2);
    case Emf::TextA: return emf_text(r, 1);
    case Emf::BitBlt: return emf_blit(r, r.i32(32), r.i32(36));
    case Emf::StretchBlt: return emf_blit(r, r.i32(100), r.i32(104));
    case Emf::StretchDiBits: {
      const std::optional<DibShape> dib = emf_dib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), r.u32(64));
      return dib && inside(*dib, r.i32(32), r.i32(36), r.i32(40), r.i32(44));
    }
    case Emf::SetDiBitsToDevice: {
      const std::optional<DibShape> dib = emf_dib(r, r.u32(48), r.u32(52), r.u32(56), r.u32(60), r.u32(64));
      return dib && inside(*dib, r.i32(32), r.i32(36), r.i32(40), r.i32(44)) &&
             std::uint64_t{r.u32(68)} + r.u32(72) <= static_cast<std::uint64_t>(dib->height);
    }
    // Comments pass unread, except those carrying records of another format.
    case Emf::Comment: return r.holds(12, r.u32(8), 1) && !(r.u32(8) >= 4 && r.u32(12) == kEmfPlusComment);
    case Emf::ClipRegion: {
      const std::uint32_t bytes = r.u32(8), mode = r.u32(12);
      return mode >= 1 && mode <= 5 && (bytes == 0 ? mode == 5 : region_whole(r, 16, bytes));
    }
    case Emf::FillRegion: return emf_selectable(s, r.u32(28)) && region_whole(r, 32, r.u32(24));
    case Emf::FrameRegion: return emf_selectable(s, r.u32(28)) && region_whole(r, 40, r.u32(24));
    case Emf::PaintRegion: return region_whole(r, 28, r.u32(24));
  }
  return false;
}

bool emf_playable(Bytes b) {
  const std::uint32_t header = b.u32(4);
  if (b.n < 88 || header < 88 || header % 4 != 0 || header > b.n || b.u32(40) != kEmfSignature) return false;
  // The header's three layouts (88, 100 and 108 bytes or more): libgdiplus plays one of 96 bytes
  // whose last field is 0 in a loop for good.
  if (header != 88 && header != 100 && header < 108) return false;
  // Bounds in device pixels (an empty picture says so with right < left), the frame in 0.01 mm
  // with room in 32 bits, the reference device's size in pixels and millimetres, and in
  // micrometres where the header has room for them: libgdiplus divides by them (0 held it in a
  // loop for good) and makes the picture's size out of them.
  const std::int64_t frame[4] = {b.i32(24), b.i32(28), b.i32(32), b.i32(36)};
  for (const std::int64_t v : frame)
    if (v < -(std::int64_t{1} << 28) || v > (std::int64_t{1} << 28)) return false;
  if (frame[2] <= frame[0] || frame[3] <= frame[1]) return false;
  for (std::size_t at = 8; at < 24; at += 4)
    if (b.i32(at) < -(1 << 28) || b.i32(at) > (1 << 28)) return false;
  for (std::size_t at = 72; at < 88; at += 4)
    if (b.i32(at) <= 0 || b.i32(at) > (1 << 24)) return false;
  if (header >= 108 && (b.i32(100) <= 0 || b.i32(104) <= 0)) return false;
  const std::uint32_t handles = b.u16(56);
  const std::uint32_t description = b.u32(60), description_at = b.u32(64);
  if (handles == 0 || (description != 0 && (description_at < 88 || !Bytes{b.p, header}.holds(description_at, description, 2))))
    return false;
  if (header >= 100 && b.u32(88) != 0 && !Bytes{b.p, header}.holds(b.u32(92), b.u32(88), 1)) return false;

  EmfState state{Objects(handles), {}};
  std::size_t at = header;
  bool ended = false;
  while (b.n - at >= 8) {
    const std::uint32_t type = b.u32(at), size = b.u32(at + 4);
    if (size < 8 || size % 4 != 0 || size > b.n - at) return false;
    // libgdiplus stops at the end record: what follows is only walked.
    if (!ended) {
      const EmfRule* rule = emf_rule(type);
      if (rule == nullptr || size < rule->least || !emf_record(state, *rule, Bytes{b.p + at, size}) ||
          (emf_from_position(type) && !state.position))
        return false;
      state.position = state.position || type == 27;
      ended = type == 14;
    }
    at += size;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Windows metafiles
// ---------------------------------------------------------------------------------------------
enum class Wmf {
  Fixed, Eof, Mode, Extent, ScaleExtent, SaveDc, RestoreDc, Select, Delete, CreatePen, CreateBrush, CreateFont,
  CreatePalette, DibBrush, Poly, PolyPoly, Text, ExtText, Escape, DibBitBlt, DibStretchBlt, StretchDib, SetDibToDev,
  SelectPalette,
};

struct WmfRule {
  std::uint16_t function;
  std::uint32_t least;  // bytes of the record at least
  Wmf check;
  std::uint32_t most_mode = 0;
};

// Every record kind handed to libgdiplus (which plays records past the end record too): kinds
// not listed here refuse the metafile.
constexpr WmfRule kWmfRules[] = {
    {0x0000, 6, Wmf::Eof},          {0x001E, 6, Wmf::SaveDc},       {0x0035, 6, Wmf::Fixed},
    {0x00F7, 10, Wmf::CreatePalette}, {0x0102, 8, Wmf::Mode, 2},    {0x0103, 8, Wmf::Mode, 8},
    {0x0104, 8, Wmf::Mode, 16},     {0x0106, 8, Wmf::Mode, 2},      {0x0107, 8, Wmf::Mode, 4},
    {0x0108, 8, Wmf::Fixed},        {0x0127, 8, Wmf::RestoreDc},    {0x012D, 8, Wmf::Select},
    {0x012E, 8, Wmf::Fixed},        {0x0142, 10, Wmf::DibBrush},    {0x01F0, 8, Wmf::Delete},
    {0x0201, 10, Wmf::Fixed},       {0x0209, 10, Wmf::Fixed},       {0x020A, 10, Wmf::Fixed},
    {0x020B, 10, Wmf::Fixed},       {0x020C, 10, Wmf::Extent},      {0x020D, 10, Wmf::Fixed},
    {0x020E, 10, Wmf::Extent},      {0x020F, 10, Wmf::Fixed},       {0x0211, 10, Wmf::Fixed},
    {0x0213, 10, Wmf::Fixed},       {0x0214, 10, Wmf::Fixed},       {0x0220, 10, Wmf::Fixed},
    {0x0231, 10, Wmf::Fixed},       {0x0234, 8, Wmf::SelectPalette}, {0x02FA, 16, Wmf::CreatePen},
    {0x02FB, 24, Wmf::CreateFont},  {0x02FC, 14, Wmf::CreateBrush}, {0x0324, 8, Wmf::Poly},
    {0x0325, 8, Wmf::Poly},         {0x0410, 14, Wmf::ScaleExtent}, {0x0412, 14, Wmf::ScaleExtent},
    {0x0415, 14, Wmf::Fixed},       {0x0416, 14, Wmf::Fixed},       {0x0418, 14, Wmf::Fixed},
    {0x0419, 14, Wmf::Fixed},       {0x041B, 14, Wmf::Fixed},       {0x041F, 14, Wmf::Fixed},
    {0x0521, 8, Wmf::Text},         {0x0538, 8, Wmf::PolyPoly},     {0x0548, 16, Wmf::Fixed},
    {0x061C, 18, Wmf::Fixed},       {0x061D, 18, Wmf::Fixed},       {0x0626, 10, Wmf::Escape},
    {0x0817, 22, Wmf::Fixed},       {0x081A, 22, Wmf::Fixed},       {0x0830, 22, Wmf::Fixed},
    {0x0940, 22, Wmf::DibBitBlt},   {0x0A32, 14, Wmf::ExtText},     {0x0B41, 26, Wmf::DibStretchBlt},
    {0x0D33, 24, Wmf::SetDibToDev}, {0x0F43, 28, Wmf::StretchDib},
};

const WmfRule* wmf_rule(std::uint16_t function) {
  for (const WmfRule& rule : kWmfRules)
    if (rule.function == function) return &rule;
  return nullptr;
}

struct WmfState {
  Objects objects;
  SavedStates states;
  bool position = false;  // whether a MOVETO set the current position, which LINETO draws from
};

// Strings of `count` bytes take whole words.
std::int64_t string_words(std::int64_t count) { return (count + 1) / 2; }

bool wmf_record(WmfState& s, const WmfRule& rule, Bytes r) {
  switch (rule.check) {
    case Wmf::Fixed:
    case Wmf::Eof: return true;
    case Wmf::Mode: return r.u16(6) >= 1 && r.u16(6) <= rule.most_mode;
    case Wmf::Extent: return r.i16(6) != 0 && r.i16(8) != 0;
    case Wmf::ScaleExtent: return r.i16(6) != 0 && r.i16(10) != 0;
    case Wmf::SaveDc: s.states.save(); return true;
    case Wmf::RestoreDc: return s.states.restore(r.i16(6));
    case Wmf::Select: return s.objects.live(r.u16(6));
    case Wmf::SelectPalette: return s.objects.live(r.u16(6));
    case Wmf::Delete: return s.objects.remove(r.u16(6));
    case Wmf::CreatePen: return pen_style_known(r.u16(6)) && s.objects.create();
    case Wmf::CreateBrush: return brush_known(r.u16(6), r.u16(12)) && s.objects.create();
    case Wmf::CreateFont:
      // The face name, after 18 bytes of the font, ends inside the record.
      for (std::size_t at = 24; at < r.n; ++at)
        if (r.p[at] == 0) return s.objects.create();
      return false;
    case Wmf::CreatePalette: return r.u16(6) == 0x300 && r.holds(10, r.u16(8), 4) && s.objects.create();
    case Wmf::DibBrush: return r.u16(6) == 5 && wmf_dib(r, 10, r.u16(8)).has_value() && s.objects.create();
    case Wmf::Poly: return r.i16(6) >= 1 && r.holds(8, r.i16(6), 4);
    case Wmf::PolyPoly: {
      const std::int16_t lists = r.i16(6);
      if (lists < 1 || !r.holds(8, lists, 2)) return false;
      std::int64_t total = 0;
      for (int i = 0; i < lists; ++i) {
        const std::int16_t count = r.i16(8 + 2 * static_cast<std::size_t>(i));
        if (count < 1) return false;
        total += count;
      }
      return r.holds(8 + 2 * std::int64_t{lists}, total, 4);
    }
    case Wmf::Text: return r.i16(6) >= 0 && r.holds(8, string_words(r.i16(6)) + 2, 2);
    case Wmf::ExtText: {
      const std::int16_t count = r.i16(10);
      const std::int64_t text = (r.u16(12) & 0x6) != 0 ? 22 : 14;
      if (count < 0 || !r.holds(text, string_words(count), 2)) return false;
      // Spacing, when the record carries any, for every character.
      const std::int64_t spacing = text + 2 * string_words(count);
      return static_cast<std::int64_t>(r.n) == spacing || r.holds(spacing, count, 2);
    }
    case Wmf::Escape: return r.i16(8) >= 0 && r.holds(10, r.i16(8), 1);
    case Wmf::DibBitBlt: {
      if (r.n == 24) return true;  // the form without a bitmap
      const std::optional<DibShape> dib = wmf_dib(r, 22, 0);
      return dib && inside(*dib, r.i16(12), r.i16(10), r.i16(16), r.i16(14));
    }
    case Wmf::DibStretchBlt: {
      if (r.n == 28) return true;
      const std::optional<DibShape> dib = wmf_dib(r, 26, 0);
      return dib && inside(*dib, r.i16(16), r.i16(14), r.i16(12), r.i16(10));
    }
    case Wmf::StretchDib: {
      const std::optional<DibShape> dib = wmf_dib(r, 28, r.u16(10));
      return dib && inside(*dib, r.i16(18), r.i16(16), r.i16(14), r.i16(12));
    }
    case Wmf::SetDibToDev: {
      const std::optional<DibShape> dib = wmf_dib(r, 24, r.u16(6));
      return dib && inside(*dib, r.i16(14), r.i16(12), r.i16(18), r.i16(16)) &&
             std::int64_t{r.u16(10)} + r.u16(8) <= dib->height;
    }
  }
  return false;
}

bool wmf_playable(Bytes b) {
  const bool placeable = b.u32(0) == kPlaceableKey;
  std::size_t head = 0;
  if (placeable) {
    // The frame in logical units and the units an inch: libgdiplus makes the size out of them.
    if (b.n < 22 || b.i16(10) <= b.i16(6) || b.i16(12) <= b.i16(8) || b.u16(14) == 0) return false;
    head = 22;
  }
  const Bytes m = b.from(head);
  if (m.n < 18 || (m.u16(0) != 1 && m.u16(0) != 2) || m.u16(2) != 9 || (m.u16(4) != 0x100 && m.u16(4) != 0x300))
    return false;
  // The size in words, the object table and the largest record, as libgdiplus takes them.
  const std::uint64_t words = m.u32(6), largest = m.u32(12);
  if (words * 2 > m.n || m.u16(10) > 4096) return false;

  WmfState state{Objects(m.u16(10)), {}};
  std::size_t at = 18;
  while (m.n - at >= 6) {
    const std::uint64_t size = 2 * std::uint64_t{m.u32(at)};
    if (size < 6 || size > m.n - at || size > 2 * largest) return false;
    const std::uint16_t function = m.u16(at + 4);
    const WmfRule* rule = wmf_rule(function);
    if (rule == nullptr || size < rule->least || !wmf_record(state, *rule, Bytes{m.p + at, static_cast<std::size_t>(size)}) ||
        (function == 0x0213 && !state.position))
      return false;
    state.position = state.position || function == 0x0214;
    at += size;
  }
  return true;
}

}  // namespace

MetafileKind metafile_kind(const std::uint8_t* data, std::size_t size) {
  const Bytes b{data, data == nullptr ? 0 : size};
  if (b.n >= 44 && b.u32(0) == 1 && b.u32(40) == kEmfSignature) return MetafileKind::Enhanced;
  if (b.n >= 4 && b.u32(0) == kPlaceableKey) return MetafileKind::Windows;
  if (b.n >= 4 && (b.u16(0) == 1 || b.u16(0) == 2) && b.u16(2) == 9) return MetafileKind::Windows;
  return MetafileKind::None;
}

bool metafile_playable(const std::uint8_t* data, std::size_t size) {
  switch (metafile_kind(data, size)) {
    case MetafileKind::Enhanced: return emf_playable(Bytes{data, size});
    case MetafileKind::Windows: return wmf_playable(Bytes{data, size});
    case MetafileKind::None: break;
  }
  return false;
}

}  // namespace zu_gdiplus
