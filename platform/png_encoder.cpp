#include "platform/png_encoder.hpp"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t max_idat = 65535;
// The widest and tallest picture the PNG library reads by default.
constexpr int max_png_side = 1000000;

void put_be32(Byte* p, std::uint32_t v) {
  p[0] = static_cast<Byte>(v >> 24);
  p[1] = static_cast<Byte>(v >> 16);
  p[2] = static_cast<Byte>(v >> 8);
  p[3] = static_cast<Byte>(v);
}

void write_chunk(TStream& stream, const char type[4], const Byte* data, std::size_t size) {
  Byte head[8];
  put_be32(head, static_cast<std::uint32_t>(size));
  std::memcpy(head + 4, type, 4);
  uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
  if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
  Byte tail[4];
  put_be32(tail, static_cast<std::uint32_t>(crc));
  stream.WriteBuffer(head, 8);
  if (size > 0) stream.WriteBuffer(data, static_cast<Int64>(size));
  stream.WriteBuffer(tail, 4);
}

// The Adam7 passes: first column and row, column and row steps.
struct pass_grid {
  int x0, y0, dx, dy;
};
constexpr std::array<pass_grid, 7> adam7{{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}};

// Deflates the filtered rows and writes the IDAT chunks as their buffer fills.
class idat_writer {
public:
  idat_writer(TStream& stream, int level) : stream_(stream), out_(max_idat) {
    if (deflateInit(&z_, level) != Z_OK) throw EInvalidGraphic("PNG compression failed");
    z_.next_out = out_.data();
    z_.avail_out = static_cast<uInt>(out_.size());
  }
  ~idat_writer() { deflateEnd(&z_); }
  idat_writer(const idat_writer&) = delete;
  idat_writer& operator=(const idat_writer&) = delete;

  void write(const Byte* data, std::size_t size) { run(data, size, Z_NO_FLUSH); }
  void finish() { run(nullptr, 0, Z_FINISH); }

private:
  void run(const Byte* data, std::size_t size, int flush) {
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = static_cast<uInt>(size);
    for (;;) {
      int rc = deflate(&z_, flush);
      if (rc == Z_STREAM_ERROR) throw EInvalidGraphic("PNG compression failed");
      if (z_.avail_out == 0) emit();
      if (flush == Z_FINISH) {
        if (rc == Z_STREAM_END) {
          emit();
          return;
        }
      } else if (z_.avail_in == 0 && z_.avail_out != 0) {
        return;
      }
    }
  }
  void emit() {
    std::size_t used = out_.size() - z_.avail_out;
    if (used > 0) write_chunk(stream_, "IDAT", out_.data(), used);
    z_.next_out = out_.data();
    z_.avail_out = static_cast<uInt>(out_.size());
  }

  TStream& stream_;
  std::vector<Byte> out_;
  z_stream z_{};
};

// Applies the Sub filter in place to a row of `size` bytes whose pixels take `unit` bytes,
// walking backwards so that each byte still sees its unfiltered left neighbour.
void sub_filter(Byte* row, std::size_t size, std::size_t unit) {
  for (std::size_t i = size; i-- > unit;) row[i] = static_cast<Byte>(row[i] - row[i - unit]);
}

}  // namespace

void TPngEncoder::Assign(const BITMAPINFOHEADER& Header, const RGBQUAD* Colors, const void* Bits) {
  int bits = Header.biBitCount;
  if (Header.biCompression != BI_RGB || (bits != 1 && bits != 4 && bits != 8 && bits != 24) ||
      Header.biWidth <= 0 || Header.biHeight == 0 || Bits == nullptr)
    throw EInvalidGraphic("Unsupported bitmap format for PNG");
  width_ = Header.biWidth;
  height_ = Header.biHeight < 0 ? -Header.biHeight : Header.biHeight;
  bits_ = bits;
  std::ptrdiff_t row_size = static_cast<std::ptrdiff_t>(dib_row_size(width_, bits));
  const Byte* base = static_cast<const Byte*>(Bits);
  if (Header.biHeight > 0) {
    top_row_ = base + row_size * (height_ - 1);
    stride_ = -row_size;
  } else {
    top_row_ = base;
    stride_ = row_size;
  }
  palette_.clear();
  if (bits <= 8) {
    std::size_t count = Header.biClrUsed != 0 ? Header.biClrUsed : (std::size_t{1} << bits);
    count = std::min<std::size_t>(count, std::size_t{1} << bits);
    if (Colors == nullptr) throw EInvalidGraphic("Unsupported bitmap format for PNG");
    palette_.assign(Colors, Colors + count);
  }
  alpha_.clear();
  transparent_entries_.clear();
}

void TPngEncoder::SetCompressionLevel(int Level) {
  if (Level < 0 || Level > 9) throw EInvalidGraphic("Invalid PNG compression level");
  level_ = Level;
}

void TPngEncoder::CreateAlpha() {
  if (bits_ != 24) return;
  alpha_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 255);
}

Byte* TPngEncoder::AlphaScanline(int Row) {
  if (alpha_.empty() || Row < 0 || Row >= height_) return nullptr;
  return alpha_.data() + static_cast<std::size_t>(Row) * static_cast<std::size_t>(width_);
}

void TPngEncoder::SetTransparentColor(COLORREF Color) {
  transparent_entries_.clear();
  if (bits_ > 8) return;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const RGBQUAD& q = palette_[i];
    if (q.rgbRed == GetRValue(Color) && q.rgbGreen == GetGValue(Color) && q.rgbBlue == GetBValue(Color))
      transparent_entries_.push_back(static_cast<Byte>(i));
  }
}

const Byte* TPngEncoder::row_pointer(int y) const { return top_row_ + stride_ * y; }

void TPngEncoder::SaveToStream(TStream& Stream) const {
  if (top_row_ == nullptr) throw EInvalidGraphic("No image to save");
  // The PNG library refuses to read a picture wider or taller than this, so such a file could not
  // be opened again: it is refused before anything is written.
  if (width_ > max_png_side || height_ > max_png_side)
    throw EInvalidGraphic("A PNG image of " + std::to_string(width_) + " x " + std::to_string(height_) +
                          " pixels cannot be read back: no side may pass " + std::to_string(max_png_side) +
                          " pixels");
  const bool alpha = !alpha_.empty();
  const int channels = bits_ == 24 ? (alpha ? 4 : 3) : 1;
  const int png_bits = bits_ == 24 ? 8 : bits_;  // bits per sample
  const int pixel_bits = channels * png_bits;
  const std::size_t unit = static_cast<std::size_t>(std::max(1, pixel_bits / 8));

  static const Byte signature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
  Stream.WriteBuffer(signature, 8);

  Byte ihdr[13];
  put_be32(ihdr, static_cast<std::uint32_t>(width_));
  put_be32(ihdr + 4, static_cast<std::uint32_t>(height_));
  ihdr[8] = static_cast<Byte>(png_bits);
  ihdr[9] = bits_ <= 8 ? 3 : (alpha ? 6 : 2);
  ihdr[10] = 0;
  ihdr[11] = 0;
  ihdr[12] = interlaced_ ? 1 : 0;
  write_chunk(Stream, "IHDR", ihdr, sizeof ihdr);

  if (bits_ <= 8) {
    std::vector<Byte> plte;
    plte.reserve(palette_.size() * 3);
    for (const RGBQUAD& q : palette_) {
      plte.push_back(q.rgbRed);
      plte.push_back(q.rgbGreen);
      plte.push_back(q.rgbBlue);
    }
    write_chunk(Stream, "PLTE", plte.data(), plte.size());
    if (!transparent_entries_.empty()) {
      std::size_t last = *std::max_element(transparent_entries_.begin(), transparent_entries_.end());
      std::vector<Byte> trns(last + 1, 255);
      for (Byte i : transparent_entries_) trns[i] = 0;
      write_chunk(Stream, "tRNS", trns.data(), trns.size());
    }
  }

  idat_writer idat(Stream, level_);
  // One filtered row: the filter byte, then the pixels in PNG order.
  std::vector<Byte> row(1 + (static_cast<std::size_t>(width_) * static_cast<std::size_t>(pixel_bits) + 7) / 8);

  // Puts pixels x0, x0 + dx, ... of top-down row y into `out` in PNG order; returns the bytes.
  auto pack_row = [&](int y, int x0, int dx, Byte* out) -> std::size_t {
    const Byte* src = row_pointer(y);
    const Byte* a = alpha ? alpha_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) : nullptr;
    if (bits_ == 24) {
      Byte* o = out;
      if (a) {
        for (int x = x0; x < width_; x += dx) {
          const Byte* p = src + 3 * x;
          o[0] = p[2];
          o[1] = p[1];
          o[2] = p[0];
          o[3] = a[x];
          o += 4;
        }
      } else {
        for (int x = x0; x < width_; x += dx) {
          const Byte* p = src + 3 * x;
          o[0] = p[2];
          o[1] = p[1];
          o[2] = p[0];
          o += 3;
        }
      }
      return static_cast<std::size_t>(o - out);
    }
    if (bits_ == 8) {
      Byte* o = out;
      for (int x = x0; x < width_; x += dx) *o++ = src[x];
      return static_cast<std::size_t>(o - out);
    }
    // 1 or 4 bits: the DIB and PNG agree on the packing (first pixel in the high bits).
    const int per_byte = 8 / bits_;
    const int mask = (1 << bits_) - 1;
    std::size_t count = 0;
    int acc = 0;
    int filled = 0;
    for (int x = x0; x < width_; x += dx) {
      int shift = (per_byte - 1 - x % per_byte) * bits_;
      int v = (src[x / per_byte] >> shift) & mask;
      acc = (acc << bits_) | v;
      if (++filled == per_byte) {
        out[count++] = static_cast<Byte>(acc);
        acc = 0;
        filled = 0;
      }
    }
    if (filled > 0) out[count++] = static_cast<Byte>(acc << ((per_byte - filled) * bits_));
    return count;
  };

  auto emit_row = [&](int y, int x0, int dx) {
    row[0] = 1;  // Sub
    std::size_t size = pack_row(y, x0, dx, row.data() + 1);
    sub_filter(row.data() + 1, size, unit);
    idat.write(row.data(), size + 1);
  };

  if (!interlaced_) {
    for (int y = 0; y < height_; ++y) emit_row(y, 0, 1);
  } else {
    for (const pass_grid& p : adam7) {
      if (p.x0 >= width_ || p.y0 >= height_) continue;  // an empty pass has no rows at all
      for (int y = p.y0; y < height_; y += p.dy) emit_row(y, p.x0, p.dx);
    }
  }
  idat.finish();
  write_chunk(Stream, "IEND", nullptr, 0);
}
