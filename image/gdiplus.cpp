#include "image/gdiplus.hpp"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <type_traits>

#include "image/dib_graphic.hpp"
#include "image/metafile_check.hpp"
#include "image/picture_header.hpp"
#include "image/pixel_loop.hpp"
#include "image/zu_misc.hpp"
#include "platform/checked_size.hpp"
#include "platform/child_run.hpp"
#include "platform/gdi.hpp"
#include "platform/run_length_codes.hpp"

namespace zu_gdiplus {

namespace {

// ---------------------------------------------------------------------------------------------
// Entry table
// ---------------------------------------------------------------------------------------------
struct EntrySlot {
  const char* name;
  void (*store)(flat::Entries& entries, void* address);
};

template <auto Member>
void store_entry(flat::Entries& entries, void* address) {
  using Fn = std::remove_reference_t<decltype(entries.*Member)>;
  entries.*Member = reinterpret_cast<Fn>(address);
}

using E = flat::Entries;
constexpr EntrySlot kEntryTable[] = {
    {"GdiplusStartup", &store_entry<&E::GdiplusStartup>},
    {"GdiplusShutdown", &store_entry<&E::GdiplusShutdown>},
    {"GdipLoadImageFromDelegate_linux", &store_entry<&E::GdipLoadImageFromDelegate_linux>},
    {"GdipSaveImageToDelegate_linux", &store_entry<&E::GdipSaveImageToDelegate_linux>},
    {"GdipDisposeImage", &store_entry<&E::GdipDisposeImage>},
    {"GdipGetImageType", &store_entry<&E::GdipGetImageType>},
    {"GdipGetImageRawFormat", &store_entry<&E::GdipGetImageRawFormat>},
    {"GdipGetImageWidth", &store_entry<&E::GdipGetImageWidth>},
    {"GdipGetImageHeight", &store_entry<&E::GdipGetImageHeight>},
    {"GdipGetImagePixelFormat", &store_entry<&E::GdipGetImagePixelFormat>},
    {"GdipGetImagePaletteSize", &store_entry<&E::GdipGetImagePaletteSize>},
    {"GdipGetImagePalette", &store_entry<&E::GdipGetImagePalette>},
    {"GdipSetImagePalette", &store_entry<&E::GdipSetImagePalette>},
    {"GdipCreateBitmapFromScan0", &store_entry<&E::GdipCreateBitmapFromScan0>},
    {"GdipBitmapSetResolution", &store_entry<&E::GdipBitmapSetResolution>},
    {"GdipBitmapLockBits", &store_entry<&E::GdipBitmapLockBits>},
    {"GdipBitmapUnlockBits", &store_entry<&E::GdipBitmapUnlockBits>},
    {"GdipGetImageGraphicsContext", &store_entry<&E::GdipGetImageGraphicsContext>},
    {"GdipDrawImageRectI", &store_entry<&E::GdipDrawImageRectI>},
    {"GdipDeleteGraphics", &store_entry<&E::GdipDeleteGraphics>},
};
constexpr std::size_t kEntryCount = std::size(kEntryTable);
static_assert(sizeof(flat::Entries) == kEntryCount * sizeof(void*), "every entry has a row in the table");

constexpr auto kEntryNames = [] {
  std::array<const char*, kEntryCount> names{};
  for (std::size_t i = 0; i < kEntryCount; ++i) names[i] = kEntryTable[i].name;
  return names;
}();

// ---------------------------------------------------------------------------------------------
// Format identifiers
// ---------------------------------------------------------------------------------------------
struct FormatRow {
  TGdipFormat format;
  std::uint32_t raw_format;  // first 32 bits of the raw-format identifier
  std::uint32_t encoder;     // first 32 bits of the built-in encoder's class identifier
  const char* extension;
};
constexpr FormatRow kFormats[] = {
    {gfGIF, 0xB96B3CB0u, 0x557CF402u, ".gif"},  {gfPNG, 0xB96B3CAFu, 0x557CF406u, ".png"},
    {gfJPEG, 0xB96B3CAEu, 0x557CF401u, ".jpg"}, {gfBMP, 0xB96B3CABu, 0x557CF400u, ".bmp"},
    {gfTIFF, 0xB96B3CB1u, 0x557CF405u, ".tif"},
};

flat::Guid encoder_id(TGdipFormat format) {
  // Every built-in encoder shares the tail 1A04-11D3-9A73-0000F81EF32E.
  flat::Guid id{0, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
  for (const auto& row : kFormats)
    if (row.format == format) id.Data1 = row.encoder;
  return id;
}

constexpr flat::Guid kEncoderQuality{0x1D5BE4B5, 0xFA4A, 0x452D, {0x9C, 0xDD, 0x5D, 0xB3, 0x51, 0x05, 0xE7, 0xEB}};
constexpr flat::Guid kEncoderCompression{0xE09D739D, 0xCCD4, 0x44EE, {0x8E, 0xBA, 0x3F, 0xBF, 0x8B, 0xE4, 0xFC, 0x58}};
constexpr std::uint32_t kCompressionLZW = 2;

// ---------------------------------------------------------------------------------------------
// Delegate streams. libgdiplus reads and writes through callbacks without a user pointer, so the
// bytes of the one call in progress hang off a thread-local pointer, and the calls are taken one
// at a time.
// ---------------------------------------------------------------------------------------------
struct DelegateStream {
  std::vector<Byte>* bytes;
  bool writable;
  std::int64_t pos = 0;
};
thread_local DelegateStream* t_stream = nullptr;

std::mutex& delegate_lock() {
  static std::mutex lock;
  return lock;
}

class DelegateScope {
public:
  explicit DelegateScope(DelegateStream& stream) : guard_(delegate_lock()) { t_stream = &stream; }
  ~DelegateScope() { t_stream = nullptr; }
  DelegateScope(const DelegateScope&) = delete;
  DelegateScope& operator=(const DelegateScope&) = delete;

private:
  std::lock_guard<std::mutex> guard_;
};

std::int32_t read_bytes(std::uint8_t* buffer, std::int32_t size, bool advance) {
  DelegateStream* s = t_stream;
  if (s == nullptr || size < 0 || (buffer == nullptr && size > 0)) return -1;
  const auto total = static_cast<std::int64_t>(s->bytes->size());
  const std::int64_t count = std::clamp<std::int64_t>(total - s->pos, 0, size);
  if (count > 0) std::memcpy(buffer, s->bytes->data() + s->pos, static_cast<std::size_t>(count));
  if (advance) s->pos += count;
  return static_cast<std::int32_t>(count);
}

std::int32_t cb_get_header(std::uint8_t* buffer, std::int32_t size) { return read_bytes(buffer, size, false); }

std::int32_t cb_get_bytes(std::uint8_t* buffer, std::int32_t size, flat::Bool peek) {
  return read_bytes(buffer, size, peek == 0);
}

std::int32_t cb_put_bytes(std::uint8_t* buffer, std::int32_t size) {
  DelegateStream* s = t_stream;
  if (s == nullptr || !s->writable || size < 0 || (buffer == nullptr && size > 0)) return -1;
  try {
    const auto end = static_cast<std::size_t>(s->pos) + static_cast<std::size_t>(size);
    if (end > s->bytes->size()) s->bytes->resize(end);
    if (size > 0) std::memcpy(s->bytes->data() + s->pos, buffer, static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  s->pos += size;
  return size;
}

long cb_seek(std::int32_t offset, std::int32_t whence) {
  DelegateStream* s = t_stream;
  if (s == nullptr) return -1;
  std::int64_t base = 0;
  switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = s->pos; break;
    case SEEK_END: base = static_cast<std::int64_t>(s->bytes->size()); break;
    default: return -1;
  }
  const std::int64_t pos = base + offset;
  if (pos < 0 || pos > INT32_MAX) return -1;
  s->pos = pos;
  return static_cast<long>(pos);
}

void cb_close() {}

long cb_size() {
  DelegateStream* s = t_stream;
  return s == nullptr ? -1 : static_cast<long>(s->bytes->size());
}

// ---------------------------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------------------------
// A bitmap's pixels locked as 32-bit BGRA rows, top-down; unlocked with the object.
class LockedPixels {
public:
  LockedPixels(const flat::Entries& api, flat::GpImage* image, int width, int height, std::uint32_t mode)
      : api_(api), bitmap_(reinterpret_cast<flat::GpBitmap*>(image)) {
    const flat::Rect area{0, 0, width, height};
    if (api_.GdipBitmapLockBits(bitmap_, &area, mode, flat::PixelFormat32bppARGB, &room_.data) != flat::Ok) return;
    locked_ = true;
    const auto& d = room_.data;
    const std::int64_t row_bytes = std::int64_t{width} * 4;
    valid_ = d.Scan0 != nullptr && d.Width == static_cast<std::uint32_t>(width) &&
             d.Height == static_cast<std::uint32_t>(height) && (d.Stride >= row_bytes || -d.Stride >= row_bytes);
  }
  ~LockedPixels() {
    if (locked_) api_.GdipBitmapUnlockBits(bitmap_, &room_.data);
  }
  LockedPixels(const LockedPixels&) = delete;
  LockedPixels& operator=(const LockedPixels&) = delete;

  bool valid() const { return valid_; }
  std::int32_t stride() const { return room_.data.Stride; }
  const Byte* row(int y) const { return static_cast<const Byte*>(room_.data.Scan0) + std::int64_t{y} * stride(); }
  Byte* row(int y) { return static_cast<Byte*>(room_.data.Scan0) + std::int64_t{y} * stride(); }

private:
  const flat::Entries& api_;
  flat::GpBitmap* bitmap_;
  flat::BitmapDataRoom room_{};
  bool locked_ = false;
  bool valid_ = false;
};

BITMAPINFO bgra_info(int width, int height, bool top_down) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = top_down ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

bool has_transparency(const LockedPixels& pixels, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const Byte* p = pixels.row(y);
    for (int x = 0; x < width; ++x)
      if (p[4 * x + 3] != 0xFF) return true;
  }
  return false;
}

// Copies the rows into a section: red and blue exchanged when `swap_red_blue`, premultiplied by
// alpha when `premultiply`.
template <bool SwapRedBlue, bool Premultiply>
void copy_rows(const LockedPixels& pixels, Byte* bits, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const Byte* src = pixels.row(y);
    Byte* dst = bits + std::int64_t{y} * width * 4;
    for (int x = 0; x < width; ++x, src += 4, dst += 4) {
      Byte b = src[0], g = src[1], r = src[2];
      const Byte a = src[3];
      if constexpr (SwapRedBlue) std::swap(b, r);
      if constexpr (Premultiply) {
        b = static_cast<Byte>((b * a + 127) / 255);
        g = static_cast<Byte>((g * a + 127) / 255);
        r = static_cast<Byte>((r * a + 127) / 255);
      }
      dst[0] = b;
      dst[1] = g;
      dst[2] = r;
      dst[3] = Premultiply ? a : 0xFF;
    }
  }
}

std::uint16_t get16(const Byte* p, bool little) {
  return little ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}
std::uint64_t get_n(const Byte* p, int bytes, bool little) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= std::uint64_t{p[little ? i : bytes - 1 - i]} << (8 * i);
  return v;
}

// The pixel loops below (HW_PIXEL_LOOP) write only the rows and columns of the piece CopyTo
// hands them, which lies inside the picture by construction (checked once a piece there).

// Pixels a piece: a room of 1 MB, within the second-level cache.
constexpr int kPiecePixels = 1 << 18;

// One row of 32-bit BGRA pixels as 24-bit BGR, red and blue exchanged when `swap_red_blue`.
// Transparent pixels lie over white as AlphaBlend lays them there: the colour premultiplied by
// alpha (rounded) plus the white the alpha leaves, at most 255; opaque pixels keep their colour.
// (Helpers of the pixel loops are plain functions of their own, not lambdas or library calls:
// the attribute above does not reach into those.)
HW_PIXEL_LOOP inline Byte over_white(unsigned c, unsigned a) {
  const unsigned v = (c * a + 127) / 255 + (255 - a);
  return static_cast<Byte>(v < 255u ? v : 255u);
}

HW_PIXEL_LOOP inline void bgra_pixel_to_bgr(const Byte* from, Byte* to, bool swap_red_blue) {
  Byte b = from[0], g = from[1], r = from[2];
  const unsigned a = from[3];
  if (swap_red_blue) {
    const Byte t = b;
    b = r, r = t;
  }
  if (a != 0xFF) b = over_white(b, a), g = over_white(g, a), r = over_white(r, a);
  to[0] = b, to[1] = g, to[2] = r;
}

// Four pixels at a time: when all four are opaque (the usual case), three words out of four.
HW_PIXEL_LOOP inline void bgra_four_to_bgr(const Byte* from, Byte* to) {
  static_assert(std::endian::native == std::endian::little);
  std::uint32_t p[4];
  std::memcpy(p, from, 16);
  if ((p[0] & p[1] & p[2] & p[3]) >> 24 == 0xFF) {
    const std::uint32_t out[3] = {(p[0] & 0xFFFFFF) | (p[1] << 24), ((p[1] >> 8) & 0xFFFF) | (p[2] << 16),
                                  ((p[2] >> 16) & 0xFF) | (p[3] << 8)};
    std::memcpy(to, out, 12);
  } else {
    for (int i = 0; i < 4; ++i) bgra_pixel_to_bgr(from + 4 * i, to + 3 * i, false);
  }
}

HW_PIXEL_LOOP inline void bgra_to_bgr(const Byte* src, Byte* dst, int count, bool swap_red_blue) {
  if (swap_red_blue || count < 4) {
    for (int x = 0; x < count; ++x) bgra_pixel_to_bgr(src + 4 * x, dst + 3 * x, swap_red_blue);
    return;
  }
  int x = 0;
  for (; x + 4 <= count; x += 4) bgra_four_to_bgr(src + 4 * x, dst + 3 * x);
  // The last one to three pixels: the last four again (the same bytes written twice).
  if (x < count) bgra_four_to_bgr(src + 4 * (count - 4), dst + 3 * (count - 4));
}

// Rows of 32-bit BGRA pixels, `from_stride` bytes apart, as 24-bit rows `to_step` bytes apart.
HW_PIXEL_LOOP void bgra_rows_to_bgr(const Byte* from, std::ptrdiff_t from_stride, Byte* to, std::ptrdiff_t to_step,
                                    int width, int rows, bool swap_red_blue) {
  for (int y = 0; y < rows; ++y, from += from_stride, to += to_step) bgra_to_bgr(from, to, width, swap_red_blue);
}

// A palette picture's colours as its 32-bit BGRA pixels become 24-bit ones (bgra_to_bgr), one
// word per index (blue, green, red from the low byte up); indices past the picture's colour
// table carry kPastTable.
constexpr std::uint32_t kPastTable = 1u << 24;
using IndexColours = std::array<std::uint32_t, 256>;

// Rows of palette indices of `Bits` bits (the first pixel in the high bits of a byte),
// `from_stride` bytes apart, as 24-bit rows `to_step` bytes apart; the colours of every index
// met or-ed together, so that kPastTable tells an index past the table.
template <int Bits>
HW_PIXEL_LOOP std::uint32_t indices_to_bgr(const Byte* from, std::ptrdiff_t from_stride, Byte* to,
                                           std::ptrdiff_t to_step, int width, int rows, const IndexColours& table) {
  const std::uint32_t* colours = table.data();
  std::uint32_t met = 0;
  for (int y = 0; y < rows; ++y, from += from_stride, to += to_step) {
    Byte* d = to;
    for (int x = 0; x < width; ++x, d += 3) {
      unsigned index;
      if constexpr (Bits == 8) index = from[x];
      else if constexpr (Bits == 4) index = (from[x >> 1] >> ((x & 1) ? 0 : 4)) & 15u;
      else index = (from[x >> 3] >> (7 - (x & 7))) & 1u;
      const std::uint32_t c = colours[index];
      met |= c;
      d[0] = static_cast<Byte>(c), d[1] = static_cast<Byte>(c >> 8), d[2] = static_cast<Byte>(c >> 16);
    }
  }
  return met;
}

// Rows of 24-bit pixels `to_step` bytes apart, all of the colour `bgr` (blue in the low byte).
HW_PIXEL_LOOP void fill_bgr(Byte* to, std::ptrdiff_t to_step, int width, int rows, std::uint32_t bgr) {
  const Byte b = static_cast<Byte>(bgr), g = static_cast<Byte>(bgr >> 8), r = static_cast<Byte>(bgr >> 16);
  for (int y = 0; y < rows; ++y, to += to_step) {
    Byte* d = to;
    for (int x = 0; x < width; ++x, d += 3) d[0] = b, d[1] = g, d[2] = r;
  }
}

// A run-length (RLE8 or RLE4) bitmap as its header gives it: the bits of an index (8 or 4), its
// size, whether its rows are stored top-down, and where its codes start; nothing for any other
// data.
struct RunLengthBitmap {
  int bits;
  std::int64_t width;
  std::int64_t height;
  bool top_down;
  std::size_t offset;
};

std::optional<RunLengthBitmap> run_length_bitmap(const std::vector<Byte>& bytes) {
  if (bytes.size() < 34 || bytes[0] != 'B' || bytes[1] != 'M' || get_n(bytes.data() + 14, 4, true) < 40)
    return std::nullopt;
  const std::uint64_t compression = get_n(bytes.data() + 30, 4, true);
  const unsigned bits = get16(bytes.data() + 28, true);
  if (!((compression == 1 && bits == 8) || (compression == 2 && bits == 4))) return std::nullopt;
  const auto height = static_cast<std::int32_t>(get_n(bytes.data() + 22, 4, true));
  return RunLengthBitmap{static_cast<int>(bits), static_cast<std::int32_t>(get_n(bytes.data() + 18, 4, true)),
                         height < 0 ? -std::int64_t{height} : std::int64_t{height}, height < 0,
                         static_cast<std::size_t>(get_n(bytes.data() + 10, 4, true))};
}

// The colours of a palette picture's indices; nothing when libgdiplus gives no colour table.
// A picture's colour table as libgdiplus gives it: the two head words, then room for 256
// entries, `Count` of them set; nothing when there is none or it cannot be read whole.
std::optional<std::vector<std::uint32_t>> palette_words(const flat::Entries& api, flat::GpImage* image) {
  constexpr std::int32_t kHead = sizeof(flat::ColorPaletteHead);
  std::int32_t bytes = 0;
  if (api.GdipGetImagePaletteSize(image, &bytes) != flat::Ok || bytes < kHead || bytes > kHead + 4 * 256)
    return std::nullopt;
  std::vector<std::uint32_t> words(kHead / 4 + 256, 0);
  auto* head = reinterpret_cast<flat::ColorPaletteHead*>(words.data());
  if (api.GdipGetImagePalette(image, head, bytes) != flat::Ok || head->Count > 256 ||
      kHead + 4 * static_cast<std::int64_t>(head->Count) > bytes)
    return std::nullopt;
  return words;
}

// The bits of a pixel's index in a palette format, 0 for any other format.
int index_bits(flat::PixelFormat format) {
  return format == flat::PixelFormat1bppIndexed   ? 1
         : format == flat::PixelFormat4bppIndexed ? 4
         : format == flat::PixelFormat8bppIndexed ? 8
                                                  : 0;
}

std::optional<IndexColours> index_colours(const flat::Entries& api, flat::GpImage* image) {
  const std::optional<std::vector<std::uint32_t>> words = palette_words(api, image);
  if (!words) return std::nullopt;
  const auto* head = reinterpret_cast<const flat::ColorPaletteHead*>(words->data());
  IndexColours colours;
  colours.fill(kPastTable);
  const std::uint32_t* entries = words->data() + sizeof(flat::ColorPaletteHead) / 4;
  for (std::uint32_t i = 0; i < head->Count; ++i) {
    // The entry as a 32-bit pixel in memory (blue, green, red, alpha), turned as those are.
    const std::uint32_t argb = entries[i];
    const Byte pixel[4] = {static_cast<Byte>(argb), static_cast<Byte>(argb >> 8), static_cast<Byte>(argb >> 16),
                           static_cast<Byte>(argb >> 24)};
    Byte bgr[3];
    bgra_to_bgr(pixel, bgr, 1, false);
    colours[i] = bgr[0] | std::uint32_t{bgr[1]} << 8 | std::uint32_t{bgr[2]} << 16;
  }
  return colours;
}

// A mend: libgdiplus turns each index into a colour through the picture's colour table without
// looking at its length, and leaves the indices of pixels that a file does not reach as they
// were in memory (a GIF frame smaller than its screen, an RLE bitmap that ends early). An index
// past a short table read past its end: a 99-byte GIF crashed the program. A short table is
// filled up here to the 2^bits entries the indices can reach, with opaque black, as Windows
// shows such pixels. False when a palette picture's table cannot be made whole.
bool complete_palette(const flat::Entries& api, flat::GpImage* image) {
  flat::PixelFormat format = 0;
  if (api.GdipGetImagePixelFormat(image, &format) != flat::Ok || index_bits(format) == 0) return true;
  const std::uint32_t full = 1u << index_bits(format);
  std::vector<std::uint32_t> words =
      palette_words(api, image).value_or(std::vector<std::uint32_t>(sizeof(flat::ColorPaletteHead) / 4 + 256, 0));
  auto* head = reinterpret_cast<flat::ColorPaletteHead*>(words.data());
  if (head->Count >= full) return true;
  std::uint32_t* entries = words.data() + sizeof(flat::ColorPaletteHead) / 4;
  for (std::uint32_t i = head->Count; i < full; ++i) entries[i] = 0xFF000000u;
  head->Count = full;
  return api.GdipSetImagePalette(image, head) == flat::Ok;
}

// Decodes the bytes through the delegate load; nullptr when libgdiplus cannot.
flat::GpImage* load_image(const flat::Entries& api, std::vector<Byte>& bytes) {
  flat::GpImage* image = nullptr;
  flat::Status status;
  {
    DelegateStream source{&bytes, false};
    DelegateScope scope(source);
    status = api.GdipLoadImageFromDelegate_linux(cb_get_header, cb_get_bytes, cb_put_bytes, cb_seek, cb_close,
                                                 cb_size, &image);
  }
  if (status != flat::Ok || image == nullptr) {
    if (image != nullptr) api.GdipDisposeImage(image);
    return nullptr;
  }
  return image;
}

// Pixels a band of a played metafile holds at most: 64 MB (each band is a child process).
constexpr std::int64_t kBandPixels = std::int64_t{1} << 24;
// libgdiplus draws into no bitmap wider or taller than 32767 pixels (it fails), and places a
// drawing in 24.8 fixed point: a metafile is played in tiles of at most this side, into a
// rectangle of at most kPlayableSide a side.
constexpr int kTileSide = 16384;
constexpr std::int64_t kPlayableSide = std::int64_t{1} << 23;
// The time and the memory a metafile's playing may take, its pieces together.
constexpr int kPlayMilliseconds = 4000;
constexpr std::size_t kPlayMemory = std::size_t{1} << 30;

// The text of the codec layer's refusal of a file it cannot read.
constexpr const char* kUnreadable = "Unable to convert to internal bitmap format";

// Plays a metafile image into the rectangle of the context, blended over what the context holds
// (the metafile leaves transparent what it does not draw). libgdiplus draws only into memory of
// the caller's with premultiplied alpha, which is what AlphaBlend takes: a tile of rows at a time
// is drawn into zeroed memory and blended in place. A mend: libgdiplus is not hardened, and
// what the record check cannot exclude (a drawing that takes minutes or gigabytes, a read past
// a buffer that the check does not foresee) ends the program where it happens, so every tile is
// played in a child process under a time and memory limit that leaves its pixels in memory
// shared with this one. False when a tile could not be played: nothing past the pixel limit or
// the playable side, no child, or one that failed or ran out of time or memory.
bool play_metafile(const flat::Entries& api, flat::GpImage* image, HDC dc, int left, int top, int width, int height) {
  if (dc == nullptr || width <= 0 || height <= 0 || DeclaredPictureTooLarge(width, height) || width > kPlayableSide ||
      height > kPlayableSide)
    return false;
  // A child plays a band of up to kBandPixels, libgdiplus drawing it a tile of rows at a time.
  const int tile_width = std::min(width, kTileSide);
  const int band = static_cast<int>(std::clamp<std::int64_t>(kBandPixels / tile_width, 1, height));
  const int tile_rows = std::min(band, kTileSide);
  const std::size_t band_bytes = static_cast<std::size_t>(tile_width) * 4 * static_cast<std::size_t>(band);
  TSharedRoom room(band_bytes);
  const BITMAPINFO info = bgra_info(tile_width, band, true);
  void* bits = nullptr;
  HBITMAP section = room.Valid() ? CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (section == nullptr || bits == nullptr) {
    if (section != nullptr) DeleteObject(reinterpret_cast<HGDIOBJ>(section));
    return false;
  }
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, reinterpret_cast<HGDIOBJ>(section));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPlayMilliseconds);
  bool played = true;
  for (int y = 0; y < height && played; y += band) {
    for (int x = 0; x < width && played; x += tile_width) {
      const int rows = std::min(band, height - y), columns = std::min(tile_width, width - x);
      const auto left_ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      played = RunInChild(
          [&] {
            std::memset(room.Data(), 0, band_bytes);
            for (int top_row = 0; top_row < rows; top_row += tile_rows) {
              const int tile_height = std::min(tile_rows, rows - top_row);
              auto* first = static_cast<std::uint8_t*>(room.Data()) + static_cast<std::size_t>(top_row) * tile_width * 4;
              flat::GpBitmap* target = nullptr;
              if (api.GdipCreateBitmapFromScan0(columns, tile_height, tile_width * 4, flat::PixelFormat32bppPARGB, first,
                                                &target) != flat::Ok ||
                  target == nullptr)
                return false;
              flat::GpGraphics* graphics = nullptr;
              auto* target_image = reinterpret_cast<flat::GpImage*>(target);
              if (api.GdipGetImageGraphicsContext(target_image, &graphics) != flat::Ok || graphics == nullptr)
                return false;
              api.GdipDrawImageRectI(graphics, image, -x, -(y + top_row), width, height);
              api.GdipDeleteGraphics(graphics);
              api.GdipDisposeImage(target_image);
            }
            return true;
          },
          kPlayMemory, static_cast<int>(std::max<std::int64_t>(left_ms, 0)));
      if (!played) break;
      std::memcpy(bits, room.Data(), band_bytes);
      const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      AlphaBlend(dc, left + x, top + y, columns, rows, memory, 0, 0, columns, rows, blend);
    }
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(reinterpret_cast<HGDIOBJ>(section));
  return played;
}

struct UnitState {
  std::mutex lock;
  std::unique_ptr<TGDIPlus> object;
  std::string library_name = TGDIPlus::DefaultLibraryName;
};

UnitState& unit() {
  static UnitState state;
  return state;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TDynLibrary
// ---------------------------------------------------------------------------------------------
TDynLibrary::~TDynLibrary() { Unload(); }

bool TDynLibrary::TryLoad(const std::string& library_name, std::span<const char* const> names,
                          std::span<void*> addresses) {
  std::fill(addresses.begin(), addresses.end(), nullptr);
  if (addresses.size() < names.size()) return false;
  if (handle_ == nullptr) {
    if (library_name.empty()) return false;
    handle_ = dlopen(library_name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) return false;
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    addresses[i] = dlsym(handle_, names[i]);
    if (addresses[i] == nullptr) {
      std::fill(addresses.begin(), addresses.end(), nullptr);
      Unload();
      return false;
    }
  }
  return true;
}

void TDynLibrary::Unload() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// TGDIPlus
// ---------------------------------------------------------------------------------------------
std::span<const char* const> TGDIPlus::EntryNames() { return kEntryNames; }

TGDIPlus::TGDIPlus(const std::string& library_name) {
  std::array<void*, kEntryCount> addresses{};
  if (!TryLoad(library_name, kEntryNames, addresses)) return;
  for (std::size_t i = 0; i < kEntryCount; ++i) kEntryTable[i].store(api_, addresses[i]);

  const flat::StartupInput input{1, nullptr, /*SuppressBackgroundThread=*/1, /*SuppressExternalCodecs=*/0};
  flat::Token token = 0;
  flat::StartupOutput output{};
  if (api_.GdiplusStartup(&token, &input, &output) != flat::Ok) {
    api_ = {};
    Unload();
    return;
  }
  token_ = token;
  startup_output_ = output;
  // Without the background thread the hook has to be called.
  if (output.NotificationHook != nullptr) hooked_ = output.NotificationHook(&notification_token_) == flat::Ok;
}

TGDIPlus::~TGDIPlus() {
  if (!Loaded()) return;
  if (hooked_ && startup_output_.NotificationUnhook != nullptr) startup_output_.NotificationUnhook(notification_token_);
  api_.GdiplusShutdown(token_);
  api_ = {};
  Unload();
}

TGDIPlus& GdiPlus() {
  UnitState& state = unit();
  std::lock_guard<std::mutex> guard(state.lock);
  if (!state.object) state.object = std::make_unique<TGDIPlus>(state.library_name);
  return *state.object;
}

void ResetGdiPlus(const std::string& library_name) {
  UnitState& state = unit();
  std::lock_guard<std::mutex> guard(state.lock);
  state.object.reset();
  state.library_name = library_name;
}

const char* GdipFormatExtension(TGdipFormat format) {
  for (const auto& row : kFormats)
    if (row.format == format) return row.extension;
  return ".bmp";
}

bool gdiplus_can_take(const Byte* data, std::size_t size) {
  if (data == nullptr || size < 4) return true;
  // A mend: libgdiplus plays a metafile as its records say (a header giving 0 micrometres held it
  // in a loop for good, point counts past a record and a DIB's claimed size made it read past
  // its buffers): every header field and record is checked first.
  if (metafile_kind(data, size) != MetafileKind::None) return metafile_playable(data, size);
  // A mend: libgdiplus reads a palette BMP's pixel indices through a colour table of the length
  // the file gives, past its end when the table is short (a crash in libgdiplus, as fuzzing
  // found). The codec layer's fallback fills such tables up before it gets here; anything else
  // with a table of another length than 2^bits is not handed over.
  if (size >= 50 && data[0] == 'B' && data[1] == 'M') {
    const std::uint32_t header = get_n(data + 14, 4, true);
    const unsigned bits = get16(data + 28, true);
    const std::uint64_t used = get_n(data + 46, 4, true);
    if (header >= 40 && bits >= 1 && bits <= 8 && used != 0 && used != (1u << bits)) return false;
    // A mend: a compression BMP does not define (RGB, RLE8, RLE4, bit fields, JPEG, PNG, alpha bit
    // fields are 0 to 6) made libgdiplus build a picture of the whole declared size from nothing,
    // 100 million pixels out of 130 bytes, for seconds.
    if (header >= 40 && get_n(data + 30, 4, true) > 6) return false;
    // A mend: run-length coding is defined for 8-bit (RLE8) and 4-bit (RLE4) pictures only;
    // libgdiplus took a 67-byte "RLE8" file of 1-bit pixels for a picture of 1 x 134,226,949
    // pixels (seconds of decoding), where the codec library refuses it.
    const std::uint64_t compression = header >= 40 ? get_n(data + 30, 4, true) : 0;
    if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4)) return false;
    return true;
  }
  const bool little = data[0] == 'I' && data[1] == 'I';
  const bool big = data[0] == 'M' && data[1] == 'M';
  if (!little && !big) return true;
  const std::uint16_t version = get16(data + 2, little);
  // Classic TIFF: 32-bit offsets, 2-byte entry count, 12-byte entries. BigTIFF: 64-bit offsets,
  // 8-byte count, 20-byte entries.
  int offset_bytes = 0, count_bytes = 0, entry_bytes = 0, first_offset_at = 0;
  if (version == 42) {
    offset_bytes = 4, count_bytes = 2, entry_bytes = 12, first_offset_at = 4;
  } else if (version == 43) {
    offset_bytes = 8, count_bytes = 8, entry_bytes = 20, first_offset_at = 8;
  } else {
    return true;
  }
  if (size < static_cast<std::size_t>(first_offset_at + offset_bytes)) return false;
  const std::uint64_t directory = get_n(data + first_offset_at, offset_bytes, little);
  if (directory > size || size - directory < static_cast<std::uint64_t>(count_bytes)) return false;
  const std::uint64_t entries = get_n(data + directory, count_bytes, little);
  const std::uint64_t room = size - directory - static_cast<std::uint64_t>(count_bytes);
  if (entries > room / static_cast<std::uint64_t>(entry_bytes)) return false;
  // The directory and its link to the next one lie inside the data.
  if (room - entries * static_cast<std::uint64_t>(entry_bytes) < static_cast<std::uint64_t>(offset_bytes)) return false;
  // A mend: a directory with some of the tile tags but not all four (TileWidth, TileLength,
  // TileOffsets, TileByteCounts) is a tiled picture to libtiff whose tile arrays libgdiplus
  // reads past their end (heap overflow in its TIFF reader); it is not handed over.
  int tile_tags = 0;
  bool tiled = false;
  for (std::uint64_t i = 0; i < entries; ++i) {
    const std::uint16_t tag = get16(data + directory + count_bytes + i * entry_bytes, little);
    if (tag >= 322 && tag <= 325) {
      tiled = true;
      tile_tags |= 1 << (tag - 322);
    }
  }
  return !tiled || tile_tags == 0xF;
}

// ---------------------------------------------------------------------------------------------
// TGdipPicture
// ---------------------------------------------------------------------------------------------
TGdipPicture::TGdipPicture() : gdiplus_(&GdiPlus()) {}

TGdipPicture::TGdipPicture(TGDIPlus& gdiplus) : gdiplus_(&gdiplus) {}

TGdipPicture::~TGdipPicture() { Clear(); }

std::unique_ptr<TGraphic> TGdipPicture::NewInstance() const { return std::make_unique<TGdipPicture>(*gdiplus_); }

void TGdipPicture::Clear() {
  if (image_ != nullptr && gdiplus_->Api().GdipDisposeImage != nullptr) gdiplus_->Api().GdipDisposeImage(image_);
  image_ = nullptr;
  has_content_ = false;
  from_bitmap_ = false;
  metafile_ = false;
  refused_ = TSize{};
  metafile_refused_ = false;
  width_ = 0;
  height_ = 0;
  std::vector<Byte>().swap(bytes_);
}

void TGdipPicture::LoadFromStream(TStream& stream) {
  Clear();
  if (!ready()) return;
  const Int64 size = stream.Size();
  // The callbacks count in 32-bit offsets.
  if (size <= 0 || size > INT32_MAX) return;
  try {
    stream.SetPosition(0);
    bytes_.resize(static_cast<std::size_t>(size));
    stream.ReadBuffer(bytes_.data(), size);
  } catch (...) {
    Clear();
    throw;
  }
  if (!gdiplus_can_take(bytes_.data(), bytes_.size())) {
    const bool metafile = metafile_kind(bytes_.data(), bytes_.size()) != MetafileKind::None;
    Clear();
    metafile_refused_ = metafile;
    return;
  }
  // A mend: libgdiplus makes a picture of whatever size a header declares (a 1,078-byte RLE
  // bitmap became 23000 x 23000 pixels, a 7 KB TIFF of four pages took 4 GB), so pictures past
  // the decompression-bomb limit, or whose uncompressed rows run past the end, never reach it.
  {
    TBytesStream view(bytes_.data(), size);
    const std::optional<TDeclaredPicture> declared = ReadDeclaredPicture(view);
    // It decodes every page of a TIFF and every frame of a GIF: their pixels count together.
    if ((declared && (!declared->Decodable || declared->Truncated)) || PageOverPixelLimit(view)) {
      Clear();
      return;
    }
  }

  const flat::Entries& api = gdiplus_->Api();
  image_ = load_image(api, bytes_);
  if (image_ == nullptr) {
    Clear();
    return;
  }

  std::int32_t type = 0;
  std::uint32_t width = 0, height = 0;
  if (api.GdipGetImageType(image_, &type) != flat::Ok ||
      (type != flat::ImageTypeBitmap && type != flat::ImageTypeMetafile) ||
      api.GdipGetImageWidth(image_, &width) != flat::Ok || api.GdipGetImageHeight(image_, &height) != flat::Ok ||
      width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
    Clear();
    return;
  }
  if (type == flat::ImageTypeMetafile) {
    // A metafile is played into a bitmap of the size its header gives: within the pixel limit,
    // and no side past what libgdiplus can place a drawing in.
    if (DeclaredPictureTooLarge(width, height) || width > kPlayableSide || height > kPlayableSide) {
      Clear();
      refused_ = TSize{static_cast<int>(width), static_cast<int>(height)};
      return;
    }
    metafile_ = true;
  } else if (!complete_palette(api, image_)) {
    Clear();
    return;
  }
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  has_content_ = true;
}

void TGdipPicture::LoadFromFile(const std::string& name) {
  Clear();
  std::error_code error;
  if (!ready() || !std::filesystem::is_regular_file(name, error)) return;
  TFileStream stream(name, fmOpenRead | fmShareDenyNone);
  LoadFromStream(stream);
}

TGdipFormat TGdipPicture::Format() const {
  if (image_ == nullptr || !ready()) return gfBMP;
  flat::Guid raw{};
  if (gdiplus_->Api().GdipGetImageRawFormat(image_, &raw) != flat::Ok) return gfBMP;
  for (const auto& row : kFormats)
    if (row.raw_format == raw.Data1) return row.format;
  return gfBMP;
}

void TGdipPicture::SaveToStream(TStream& stream) {
  if (!bytes_.empty() && !from_bitmap_) {
    stream.WriteBuffer(bytes_.data(), static_cast<Int64>(bytes_.size()));
    return;
  }
  if (has_content_) SaveAs(stream, SaveFormat().value_or(Format()), SaveQuality(), 0);
}

bool TGdipPicture::SaveAs(TStream& stream, TGdipFormat format, int quality_or_compression, int resolution) {
  if (!has_content_ || image_ == nullptr || !ready()) return false;
  const flat::Entries& api = gdiplus_->Api();
  if (resolution != 0)
    api.GdipBitmapSetResolution(reinterpret_cast<flat::GpBitmap*>(image_), static_cast<float>(resolution),
                                static_cast<float>(resolution));

  const flat::Guid encoder = encoder_id(format);
  std::uint32_t value = 0;
  flat::EncoderParameters parameters{};
  const flat::EncoderParameters* chosen = nullptr;
  if (format == gfJPEG && quality_or_compression >= 0) {
    value = static_cast<std::uint32_t>(quality_or_compression);
    parameters = {1, {{kEncoderQuality, 1, flat::EncoderParameterValueTypeLong, &value}}};
    chosen = &parameters;
  } else if (format == gfTIFF) {
    value = quality_or_compression >= 2 && quality_or_compression <= 6 ? static_cast<std::uint32_t>(quality_or_compression)
                                                                      : kCompressionLZW;
    parameters = {1, {{kEncoderCompression, 1, flat::EncoderParameterValueTypeLong, &value}}};
    chosen = &parameters;
  }

  std::vector<Byte> encoded;
  flat::Status status;
  {
    DelegateStream sink{&encoded, true};
    DelegateScope scope(sink);
    status = api.GdipSaveImageToDelegate_linux(image_, cb_get_bytes, cb_put_bytes, cb_seek, cb_close, cb_size,
                                               &encoder, chosen);
  }
  if (status != flat::Ok || encoded.empty()) return false;
  stream.WriteBuffer(encoded.data(), static_cast<Int64>(encoded.size()));
  return true;
}

void TGdipPicture::Assign(TPersistent* source) {
  if (auto* picture = dynamic_cast<TPicture*>(source)) source = picture->Graphic();
  auto* graphic = dynamic_cast<TGraphic*>(source);
  auto* other = dynamic_cast<TGdipPicture*>(source);
  if (graphic == nullptr || !ready() || (other != nullptr && other->Empty())) {
    Clear();
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) {
    Clear();
    assign_bitmap(*bitmap);
    return;
  }
  TMemoryStream memory;
  graphic->SaveToStream(memory);
  LoadFromStream(memory);
}

void TGdipPicture::assign_bitmap(TBitmap& bitmap) {
  const int width = bitmap.Width(), height = bitmap.Height();
  if (width <= 0 || height <= 0 || bitmap.Handle() == nullptr) return;

  // The bitmap's colours (its palette resolved) as 32-bit bottom-up rows.
  BITMAPINFO info = bgra_info(width, height, false);
  std::vector<Byte> rows;
  try {
    rows.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  } catch (const std::bad_alloc&) {
    return;
  }
  HDC dc = CreateCompatibleDC(nullptr);
  const int copied = GetDIBits(dc, bitmap.Handle(), 0, static_cast<UINT>(height), rows.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (copied != height) return;

  const flat::Entries& api = gdiplus_->Api();
  flat::GpBitmap* created = nullptr;
  if (api.GdipCreateBitmapFromScan0(width, height, 0, flat::PixelFormat32bppARGB, nullptr, &created) != flat::Ok ||
      created == nullptr)
    return;
  auto* image = reinterpret_cast<flat::GpImage*>(created);
  bool filled = false;
  {
    LockedPixels pixels(api, image, width, height, flat::ImageLockModeWrite);
    if (pixels.valid()) {
      for (int y = 0; y < height; ++y) {
        const Byte* src = rows.data() + static_cast<std::size_t>(height - 1 - y) * width * 4;
        Byte* dst = pixels.row(y);
        for (int x = 0; x < width; ++x) {
          std::memcpy(dst + 4 * x, src + 4 * x, 3);
          dst[4 * x + 3] = 0xFF;
        }
      }
      filled = true;
    }
  }
  if (!filled) {
    api.GdipDisposeImage(image);
    return;
  }
  image_ = image;
  width_ = width;
  height_ = height;
  from_bitmap_ = true;
  has_content_ = true;
}

std::unique_ptr<TBitmap> TGdipPicture::ToBitmap() {
  if (!has_content_) return nullptr;
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(width_, height_);
  bitmap->Canvas()->Draw(0, 0, this);
  return bitmap;
}

// libgdiplus 6.1 hands out the pixels of CMYK JPEG files (the only ones it keeps as 32-bit RGB)
// with red and blue exchanged.
bool TGdipPicture::swaps_red_blue() const {
  flat::PixelFormat format = 0;
  return Format() == gfJPEG && gdiplus_->Api().GdipGetImagePixelFormat(image_, &format) == flat::Ok &&
         format == flat::PixelFormat32bppRGB;
}

bool TGdipPicture::CopyTo(TDibGraphic& target) {
  if (!has_content_ || image_ == nullptr || !ready()) return false;
  if (metafile_) {
    // A mend: played straight into the picture over white, as ToBitmap gives it; a 32-bit bitmap
    // of the whole picture and a 24-bit copy of it lived at once before.
    target.ClearFrames();
    target.NewImage(width_, height_, ifTrueColor, nullptr, 0, 0);
    for (int y = 0; y < height_; ++y) std::memset(target.GetScanLine(y), 0xFF, static_cast<std::size_t>(width_) * 3);
    Draw(*target.Canvas(), TRect{0, 0, width_, height_});
    target.Changed(&target);
    return true;
  }
  const flat::Entries& api = gdiplus_->Api();
  auto* bitmap = reinterpret_cast<flat::GpBitmap*>(image_);
  // A mend: the pixels go straight into the picture, read a piece at a time into a small room of
  // our own. They went whole through a 32-bit copy in libgdiplus, a bitmap the picture was drawn
  // on, a copy of that as a section and a 24-bit copy of the section: seconds and gigabytes for
  // pictures of a hundred million pixels.
  const int piece_width = std::min(width_, kPiecePixels);
  const int piece_height = std::clamp(kPiecePixels / piece_width, 1, height_);
  const std::int32_t room_stride = piece_width * 4;
  std::vector<Byte> room(static_cast<std::size_t>(room_stride) * static_cast<std::size_t>(piece_height));
  // Reads one piece into the room in `format` of `bits` bits a pixel, rows `stride` bytes apart;
  // false when libgdiplus will not.
  const auto read_piece = [&](const flat::Rect& area, flat::PixelFormat format, int bits, std::int32_t stride) {
    flat::BitmapDataRoom lock{};
    lock.data.Width = static_cast<std::uint32_t>(area.Width);
    lock.data.Height = static_cast<std::uint32_t>(area.Height);
    lock.data.Stride = stride;
    lock.data.Format = format;
    lock.data.Scan0 = room.data();
    if (api.GdipBitmapLockBits(bitmap, &area, flat::ImageLockModeRead | flat::ImageLockModeUserInputBuf, format,
                               &lock.data) != flat::Ok)
      return false;
    const auto& d = lock.data;
    const std::int32_t row_bytes = (area.Width * bits + 7) / 8;
    const bool whole = d.Scan0 != nullptr && d.Width == static_cast<std::uint32_t>(area.Width) &&
                       d.Height == static_cast<std::uint32_t>(area.Height) &&
                       (d.Stride >= row_bytes || -d.Stride >= row_bytes);
    // A library that hands out rows of its own instead: copied into the room.
    if (whole && d.Scan0 != room.data())
      for (int y = 0; y < area.Height; ++y)
        std::memcpy(room.data() + static_cast<std::size_t>(y) * stride,
                    static_cast<const Byte*>(d.Scan0) + std::int64_t{y} * d.Stride, static_cast<std::size_t>(row_bytes));
    api.GdipBitmapUnlockBits(bitmap, &lock.data);
    return whole;
  };
  const auto read_bgra = [&](const flat::Rect& area) { return read_piece(area, flat::PixelFormat32bppARGB, 32, room_stride); };

  // A mend: a palette picture (as libgdiplus keeps BMP, GIF and palette PNG files) is read as
  // its indices and turned into colours here, through its colour table as libgdiplus turns each
  // index into a 32-bit pixel; libgdiplus's own turning of a 1 x 134,226,949 RLE bitmap into
  // 32-bit pixels took seconds. A piece with an index past the table is read as 32-bit pixels.
  const std::optional<IndexColours> colours = index_colours(api, image_);

  // A mend: libgdiplus leaves the pixels that the codes of a run-length bitmap skip as the memory
  // it was given held them (old pictures' pixels, when the memory was used before), and turns the
  // pixels one at a time as it hands them out (a bitmap of a few dozen bytes declaring
  // 1 x 165,000,000 pixels took over 2 s). The codes are walked here: every pixel they do not set
  // is index 0, as in every decoder.
  if (const std::optional<RunLengthBitmap> rle = run_length_bitmap(bytes_);
      rle && colours && rle->width == width_ && rle->height == height_) {
    target.ClearFrames();
    target.NewImage(width_, height_, ifTrueColor, nullptr, 0, 0);
    const std::ptrdiff_t scan_line = target.ScanLineSize();
    const IndexColours& table = *colours;
    fill_bgr(target.GetScanLine(0), -scan_line, width_, height_, table[0]);
    const Byte* codes = bytes_.data() + std::min(rle->offset, bytes_.size());
    walk_rle(codes, bytes_.data() + bytes_.size(), rle->bits, rle->width, rle->height, [&](std::int64_t x, std::int64_t row, int index) {
      const int y = static_cast<int>(rle->top_down ? row : height_ - 1 - row);
      const std::uint32_t c = table[index];
      Byte* d = target.GetScanLine(y) + x * 3;
      d[0] = static_cast<Byte>(c), d[1] = static_cast<Byte>(c >> 8), d[2] = static_cast<Byte>(c >> 16);
    });
    target.Changed(&target);
    return true;
  }

  flat::PixelFormat native = 0;
  int bits = colours && api.GdipGetImagePixelFormat(image_, &native) == flat::Ok ? index_bits(native) : 0;
  const std::int32_t index_stride = (piece_width * bits + 31) / 32 * 4;

  const flat::Rect first{0, 0, piece_width, piece_height};
  // Indices the library will not hand out: the pixels are read as 32-bit ones, every piece.
  const bool first_in_room = bits != 0 && read_piece(first, native, bits, index_stride);
  if (!first_in_room) bits = 0;
  const bool readable = first_in_room || read_bgra(first);

  const bool swap_red_blue = readable && bits == 0 && swaps_red_blue();
  target.ClearFrames();
  target.NewImage(width_, height_, ifTrueColor, nullptr, 0, 0);
  if (!readable) {
    // As ToBitmap: a bitmap the picture could not be drawn on stays white.
    for (int y = 0; y < height_; ++y) std::memset(target.GetScanLine(y), 0xFF, static_cast<std::size_t>(width_) * 3);
    target.Changed(&target);
    return true;
  }
  const std::ptrdiff_t scan_line = target.ScanLineSize();
  for (int top = 0; top < height_; top += piece_height) {
    for (int left = 0; left < width_; left += piece_width) {
      const flat::Rect area{left, top, std::min(piece_width, width_ - left), std::min(piece_height, height_ - top)};
      const bool first_piece = top == 0 && left == 0 && first_in_room;
      if (area.Width < 1 || area.Height < 1 || left + area.Width > width_ || top + area.Height > height_)
        throw EZuroroveError("A piece outside the picture");  // cannot happen: the loops keep to it
      // The picture's rows run bottom-up: a row down is a scan line back.
      Byte* to = target.GetScanLine(top) + static_cast<std::ptrdiff_t>(left) * 3;
      if (bits != 0 && (first_piece || read_piece(area, native, bits, index_stride))) {
        std::uint32_t met = 0;
        switch (bits) {
          case 1: met = indices_to_bgr<1>(room.data(), index_stride, to, -scan_line, area.Width, area.Height, *colours); break;
          case 4: met = indices_to_bgr<4>(room.data(), index_stride, to, -scan_line, area.Width, area.Height, *colours); break;
          default: met = indices_to_bgr<8>(room.data(), index_stride, to, -scan_line, area.Width, area.Height, *colours); break;
        }
        if ((met & kPastTable) == 0) continue;
      }
      if (!read_bgra(area)) {
        // Pixels libgdiplus gave once and now refuses: white, as a failed drawing leaves them.
        std::fill(room.begin(), room.end(), Byte{0xFF});
      }
      bgra_rows_to_bgr(room.data(), room_stride, to, -scan_line, area.Width, area.Height, swap_red_blue);
    }
  }
  target.Changed(&target);
  return true;
}

void TGdipPicture::Draw(TCanvas& canvas, const TRect& rect) {
  if (!has_content_ || image_ == nullptr || !ready()) return;
  HDC dc = canvas.Handle();
  const int dest_width = rect.Right - rect.Left, dest_height = rect.Bottom - rect.Top;
  if (dc == nullptr || dest_width <= 0 || dest_height <= 0) return;

  if (metafile_) {
    bool played = false;
    try {
      played = play_metafile(gdiplus_->Api(), image_, dc, rect.Left, rect.Top, dest_width, dest_height);
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory");  // the program's own error, not the library's
    }
    if (!played) throw EInvalidGraphic(kUnreadable);
    return;
  }
  // A run-length bitmap's pixels as CopyTo sets them (libgdiplus's own leave skipped pixels
  // unset).
  if (run_length_bitmap(bytes_)) {
    TDibGraphic dib;
    if (CopyTo(dib)) dib.Draw(canvas, rect);
    return;
  }

  const flat::Entries& api = gdiplus_->Api();
  LockedPixels pixels(api, image_, width_, height_, flat::ImageLockModeRead);
  if (!pixels.valid()) return;

  const bool swap_red_blue = swaps_red_blue();
  const bool transparent = has_transparency(pixels, width_, height_);

  if (!swap_red_blue && !transparent && pixels.stride() == width_ * 4) {
    const BITMAPINFO info = bgra_info(width_, height_, true);
    StretchDIBits(dc, rect.Left, rect.Top, dest_width, dest_height, 0, 0, width_, height_, pixels.row(0), &info,
                  DIB_RGB_COLORS, SRCCOPY);
    return;
  }

  const BITMAPINFO info = bgra_info(width_, height_, true);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr || bits == nullptr) {
    if (section != nullptr) DeleteObject(reinterpret_cast<HGDIOBJ>(section));
    return;
  }
  auto* out = static_cast<Byte*>(bits);
  if (swap_red_blue) {
    if (transparent)
      copy_rows<true, true>(pixels, out, width_, height_);
    else
      copy_rows<true, false>(pixels, out, width_, height_);
  } else if (transparent) {
    copy_rows<false, true>(pixels, out, width_, height_);
  } else {
    copy_rows<false, false>(pixels, out, width_, height_);
  }

  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, reinterpret_cast<HGDIOBJ>(section));
  if (transparent) {
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, rect.Left, rect.Top, dest_width, dest_height, memory, 0, 0, width_, height_, blend);
  } else {
    StretchBlt(dc, rect.Left, rect.Top, dest_width, dest_height, memory, 0, 0, width_, height_, SRCCOPY);
  }
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(reinterpret_cast<HGDIOBJ>(section));
}

std::unique_ptr<TBitmap> decode_with_gdiplus(TStream& stream) {
  TGdipPicture picture(GdiPlus());
  picture.LoadFromStream(stream);
  return picture.ToBitmap();
}

bool decode_with_gdiplus(TStream& stream, TDibGraphic& target) {
  TGdipPicture picture(GdiPlus());
  try {
    picture.LoadFromStream(stream);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
  if (const TSize over = picture.RefusedSize(); over.cx != 0)
    throw EZuroroveError(Format("An image of %d x %d pixels is too large", {over.cx, over.cy}));
  if (picture.MetafileRefused()) throw Exception(kUnreadable);
  return picture.CopyTo(target);
}

void TGDIPlus::DrawMetafile(HDC dc, HENHMETAFILE metafile, const TRect& rect) {
  if (!Loaded()) return;
  std::vector<Byte> bytes(GetEnhMetaFileBits(metafile, 0, nullptr));
  if (bytes.empty() || GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()), bytes.data()) != bytes.size() ||
      !gdiplus_can_take(bytes.data(), bytes.size()))
    return;
  flat::GpImage* image = load_image(api_, bytes);
  if (image == nullptr) return;
  std::int32_t type = 0;
  if (api_.GdipGetImageType(image, &type) == flat::Ok && type == flat::ImageTypeMetafile)
    play_metafile(api_, image, dc, rect.Left, rect.Top, rect.Right - 1 - rect.Left, rect.Bottom - 1 - rect.Top);
  api_.GdipDisposeImage(image);
}

void TMetafile::LoadFromStream(TStream& stream) {
  try {
    TGdipPicture::LoadFromStream(stream);
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
  if (const TSize over = RefusedSize(); over.cx != 0) throw EPictureTooLarge(PictureTooLargeMessage(over.cx, over.cy));
  if (MetafileRefused()) throw EInvalidGraphic(kUnreadable);
  if (!IsMetafile()) {
    Clear();
    throw EInvalidGraphic("Metafile is not valid");
  }
  Changed(this);
}

void RegisterMetafileGraphic() {
  const auto make = [] { return std::unique_ptr<TGraphic>(new TMetafile); };
  TPicture::RegisterFileFormat("wmf", "Metafiles", "TMetafile", make);
  TPicture::RegisterFileFormat("emf", "Enhanced Metafiles", "TMetafile", make);
}

void UnregisterMetafileGraphic() { TPicture::UnregisterGraphicClass("TMetafile"); }

}  // namespace zu_gdiplus
