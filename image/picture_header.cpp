#include "image/picture_header.hpp"

#include <array>
#include <cstring>
#include <vector>

#include "image/freeimage_codec.hpp"
#include "image/tiff_file.hpp"
#include "image/zu_misc.hpp"

namespace {

constexpr int PHOTOMETRIC_PALETTE_ID = 3;
constexpr int PHOTOMETRIC_SEPARATED_ID = 5;

// The first bytes of the stream from its position; the position is put back.
std::vector<Byte> head_bytes(TStream& stream, std::size_t count) {
  std::vector<Byte> out(count);
  Int64 start = stream.Position();
  Int64 got = stream.Read(out.data(), static_cast<Int64>(count));
  stream.SetPosition(start);
  out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return out;
}

unsigned be16(const Byte* p) { return (unsigned{p[0]} << 8) | p[1]; }
unsigned le16(const Byte* p) { return p[0] | (unsigned{p[1]} << 8); }
std::uint32_t be32(const Byte* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::int32_t le32(const Byte* p) {
  return static_cast<std::int32_t>(p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
                                   (std::uint32_t{p[3]} << 24));
}

// The picture model's depth for a file's bits per pixel.
int picture_bits(int file_bits) {
  if (file_bits <= 1) return 1;
  if (file_bits <= 4) return 4;
  if (file_bits <= 8) return 8;
  return 24;
}

std::optional<TDeclaredPicture> png_size(TStream& s) {
  std::vector<Byte> h = head_bytes(s, 26);
  static const Byte signature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
  if (h.size() < 26 || std::memcmp(h.data(), signature, 8) != 0 || std::memcmp(h.data() + 12, "IHDR", 4) != 0)
    return std::nullopt;
  const int depth = h[24];
  const int colour = h[25];
  // Grey and palette pictures stay at their depth (16-bit grey becomes 8); colour becomes 24.
  int bits = colour == 0 || colour == 3 ? picture_bits(std::min(depth, 8)) : 24;
  return TDeclaredPicture{be32(h.data() + 16), be32(h.data() + 20), bits};
}

std::optional<TDeclaredPicture> jpeg_size(TStream& s) {
  // The markers are walked to the first frame header; it lies near the start, behind the
  // application segments (an Exif block may take up to 64 KB).
  Int64 start = s.Position();
  Int64 size = s.Size() - start;
  auto read_at = [&](Int64 at, Byte* out, int n) {
    if (at < 0 || at + n > size) return false;
    s.SetPosition(start + at);
    bool ok = s.Read(out, n) == n;
    return ok;
  };
  std::optional<TDeclaredPicture> result;
  Byte b[8];
  Int64 at = 2;
  if (read_at(0, b, 2) && b[0] == 0xFF && b[1] == 0xD8) {
    for (int segments = 0; segments < 1000 && read_at(at, b, 2); ++segments) {
      if (b[0] != 0xFF) break;
      const Byte marker = b[1];
      if (marker == 0xFF) {  // fill byte
        ++at;
        continue;
      }
      if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
        at += 2;
        continue;
      }
      if (marker == 0xD9 || marker == 0xDA) break;
      if (!read_at(at + 2, b, 2)) break;
      const unsigned length = be16(b);
      if (length < 2) break;
      const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
      if (frame) {
        if (read_at(at + 4, b, 6)) {
          const int components = b[5];
          result = TDeclaredPicture{be16(b + 3), be16(b + 1), components == 1 ? 8 : 24};
        }
        break;
      }
      at += 2 + length;
    }
  }
  s.SetPosition(start);
  return result;
}

// FreeImage's TIFF reader stops the process (a failed assertion) on several sample layouts that
// no real file has: 1-bit samples several to a pixel, palette pages with more than one sample
// or with signed or real samples, separated (CMYK) pages with real samples, and pixels of more
// than five samples. Such pages are refused before it sees them; every layout that files carry
// (bilevel, grey, palette, RGB, CMYK, YCbCr, CIE Lab, with or without alpha, integer or real
// samples of 1 to 64 bits) passes.
bool tiff_layout_decodable(const TTiffPageInfo& info) {
  const int bits = info.BitsPerSample;
  const int samples = info.SamplesPerPixel;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 32 && bits != 64) return false;
  if (samples < 1 || samples > 5) return false;
  if (bits < 8 && samples != 1) return false;
  if (info.Photometric == PHOTOMETRIC_PALETTE_ID) return samples == 1 && bits <= 16 && info.SampleFormat == 1;
  if (info.Photometric == PHOTOMETRIC_SEPARATED_ID) return info.SampleFormat == 1;
  return true;
}

std::optional<TDeclaredPicture> tiff_size(TStream& s, int page) {
  TTiffPageInfo info = ReadTiffPageInfo(s, s.Position(), page <= 1 ? 0 : page - 1);
  if (info.Width == 0 || info.Height == 0) return std::nullopt;
  return TDeclaredPicture{info.Width, info.Height, picture_bits(info.BitsPerSample * info.SamplesPerPixel),
                          tiff_layout_decodable(info)};
}

std::optional<TDeclaredPicture> pnm_size(TStream& s) {
  std::vector<Byte> h = head_bytes(s, 4096);
  if (h.size() < 2 || h[0] != 'P' || h[1] < '1' || h[1] > '6') return std::nullopt;
  std::size_t at = 2;
  Int64 numbers[2] = {0, 0};
  for (Int64& n : numbers) {
    // Blanks and comments, then a decimal number.
    for (;;) {
      while (at < h.size() && (h[at] == ' ' || h[at] == '\t' || h[at] == '\r' || h[at] == '\n')) ++at;
      if (at < h.size() && h[at] == '#') {
        while (at < h.size() && h[at] != '\n') ++at;
        continue;
      }
      break;
    }
    if (at >= h.size() || h[at] < '0' || h[at] > '9') return std::nullopt;
    while (at < h.size() && h[at] >= '0' && h[at] <= '9' && n < (Int64{1} << 40)) n = n * 10 + (h[at++] - '0');
  }
  const int bits = h[1] == '1' || h[1] == '4' ? 1 : h[1] == '2' || h[1] == '5' ? 8 : 24;
  return TDeclaredPicture{numbers[0], numbers[1], bits};
}

std::optional<TDeclaredPicture> gif_size(TStream& s) {
  Int64 start = s.Position();
  std::vector<Byte> h = head_bytes(s, 13);
  if (h.size() < 13 || std::memcmp(h.data(), "GIF8", 4) != 0) return std::nullopt;
  TDeclaredPicture screen{le16(h.data() + 6), le16(h.data() + 8), 8};
  // The first image may be larger than the logical screen.
  Int64 at = 13;
  if (h[10] & 0x80) at += 3 * (Int64{2} << (h[10] & 7));
  Int64 size = s.Size() - start;
  Byte b[10];
  auto read_at = [&](Int64 pos, int n) {
    if (pos + n > size) return false;
    s.SetPosition(start + pos);
    return s.Read(b, n) == n;
  };
  for (int blocks = 0; blocks < 10000 && read_at(at, 1); ++blocks) {
    if (b[0] == 0x2C) {
      if (read_at(at, 10)) {
        screen.Width = std::max<Int64>(screen.Width, le16(b + 5));
        screen.Height = std::max<Int64>(screen.Height, le16(b + 7));
      }
      break;
    }
    if (b[0] != 0x21 || !read_at(at + 1, 1)) break;
    at += 2;  // introducer and label, then sub-blocks up to an empty one
    while (read_at(at, 1) && b[0] != 0) at += 1 + b[0];
    ++at;
  }
  s.SetPosition(start);
  return screen;
}

std::optional<TDeclaredPicture> bmp_size(TStream& s) {
  std::vector<Byte> h = head_bytes(s, 30);
  if (h.size() < 26 || h[0] != 'B' || h[1] != 'M') return std::nullopt;
  std::int32_t header = le32(h.data() + 14);
  if (header == 12) return TDeclaredPicture{le16(h.data() + 18), le16(h.data() + 20), picture_bits(le16(h.data() + 24))};
  if (h.size() < 30) return std::nullopt;
  Int64 height = le32(h.data() + 22);
  return TDeclaredPicture{le32(h.data() + 18), height < 0 ? -height : height, picture_bits(le16(h.data() + 28))};
}

}  // namespace

std::optional<TDeclaredPicture> ReadDeclaredPicture(TStream& Stream, int FifId, int Page) {
  switch (FifId) {
    case FIF_ID_PNG: return png_size(Stream);
    case FIF_ID_JPEG: return jpeg_size(Stream);
    case FIF_ID_TIFF: return tiff_size(Stream, Page);
    case FIF_ID_PPM: return pnm_size(Stream);
    case FIF_ID_GIF: return gif_size(Stream);
    case FIF_ID_BMP: return bmp_size(Stream);
    default: return std::nullopt;
  }
}

std::optional<TDeclaredPicture> ReadDeclaredPicture(TStream& Stream) {
  std::vector<Byte> h = head_bytes(Stream, 4);
  if (h.size() < 4) return std::nullopt;
  if (h[0] == 137 && h[1] == 'P') return png_size(Stream);
  if (h[0] == 0xFF && h[1] == 0xD8) return jpeg_size(Stream);
  if ((h[0] == 'I' && h[1] == 'I') || (h[0] == 'M' && h[1] == 'M')) return tiff_size(Stream, 1);
  if (h[0] == 'G' && h[1] == 'I') return gif_size(Stream);
  if (h[0] == 'B' && h[1] == 'M') return bmp_size(Stream);
  if (h[0] == 'P') return pnm_size(Stream);
  return std::nullopt;
}

namespace {

void check(const std::optional<TDeclaredPicture>& d) {
  if (!d) return;
  if (!d->Decodable) throw Exception("Unable to convert to internal bitmap format");
  if (d->Width <= 0 || d->Height <= 0) return;
  const Int64 row = ((d->Width * d->Bits + 31) / 32) * 4;
  if (d->Width > 0x7FFFFFFF || d->Height > 0x7FFFFFFF || row > 0x7FFFFFFF / d->Height)
    throw EZuroroveError(Format("An image of %d x %d pixels is too large", {d->Width, d->Height}));
}

}  // namespace

void CheckDeclaredPicture(TStream& Stream, int FifId, int Page) { check(ReadDeclaredPicture(Stream, FifId, Page)); }

void CheckDeclaredPicture(TStream& Stream) { check(ReadDeclaredPicture(Stream)); }
