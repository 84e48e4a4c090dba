#include "image/picture_header.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "image/freeimage_codec.hpp"
#include "image/tiff_file.hpp"
#include "image/zu_misc.hpp"
#include "platform/checked_size.hpp"

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

// The bytes of a stream from its position, read a block at a time; the position is put back.
class stream_bytes {
public:
  explicit stream_bytes(TStream& s) : s_(s), start_(s.Position()) {}
  ~stream_bytes() { s_.SetPosition(start_); }
  stream_bytes(const stream_bytes&) = delete;
  stream_bytes& operator=(const stream_bytes&) = delete;
  // The next byte, or -1 at the end.
  int next() {
    if (at_ == buffer_.size()) {
      if (ended_) return -1;
      buffer_.resize(4096);
      s_.SetPosition(start_ + consumed_);
      const Int64 got = s_.Read(buffer_.data(), static_cast<Int64>(buffer_.size()));
      buffer_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
      at_ = 0;
      if (buffer_.empty()) {
        ended_ = true;
        return -1;
      }
    }
    ++consumed_;
    return buffer_[at_++];
  }
  // Passes over `count` bytes without reading them.
  void skip(Int64 count) {
    const Int64 buffered = static_cast<Int64>(buffer_.size() - at_);
    if (count <= buffered) {
      at_ += static_cast<std::size_t>(count);
    } else {
      buffer_.clear();
      at_ = 0;
    }
    consumed_ += count;
  }
  Int64 consumed() const { return consumed_; }

private:
  TStream& s_;
  Int64 start_;
  Int64 consumed_ = 0;
  std::vector<Byte> buffer_;
  std::size_t at_ = 0;
  bool ended_ = false;
};

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

// The 8 x 8 blocks of a JPEG frame's largest component, from the frame's size and each
// component's sampling factors (1-4 each); 0 when a factor is outside that range.
Int64 jpeg_largest_component_blocks(Int64 width, Int64 height, const std::vector<int>& h, const std::vector<int>& v) {
  int h_max = 0, v_max = 0;
  for (std::size_t i = 0; i < h.size(); ++i) {
    if (h[i] < 1 || h[i] > 4 || v[i] < 1 || v[i] > 4) return 0;
    h_max = std::max(h_max, h[i]);
    v_max = std::max(v_max, v[i]);
  }
  Int64 largest = 0;
  for (std::size_t i = 0; i < h.size(); ++i) {
    const Int64 columns = (width * h[i] + h_max - 1) / h_max, rows = (height * v[i] + v_max - 1) / v_max;
    largest = std::max(largest, ((columns + 7) / 8) * ((rows + 7) / 8));
  }
  return largest;
}

// The first frame header, found as the JPEG decoder finds it: whatever is not a marker is passed
// over, fill bytes, stuffed zeros and markers without a length included, and a segment of a
// length below 2 takes just its length bytes. A mend: the walk stopped at the first stray byte, at a short length and after
// 1,000 segments, where the decoder reads on to the frame header.
std::optional<TDeclaredPicture> jpeg_size(TStream& s) {
  const Int64 total = s.Size() - s.Position();
  stream_bytes in(s);
  if (in.next() != 0xFF || in.next() != 0xD8) return std::nullopt;
  for (;;) {
    int c = in.next();
    while (c >= 0 && c != 0xFF) c = in.next();
    while (c == 0xFF) c = in.next();
    if (c < 0) return std::nullopt;
    const int marker = c;
    if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || marker == 0xC8) return std::nullopt;
    // Only frame headers, tables (DHT, DAC, DQT, DNL, DRI), application segments and comments
    // carry a length; the decoder passes over any other marker and scans on.
    const bool with_length = (marker >= 0xC0 && marker <= 0xCF) || (marker >= 0xDB && marker <= 0xDD) ||
                             (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
    if (!with_length) continue;
    const int hi = in.next();
    const int lo = in.next();
    if (hi < 0 || lo < 0) return std::nullopt;
    const int length = (hi << 8) | lo;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xCC;
    if (frame) {
      Byte b[6];
      for (Byte& x : b) {
        const int v = in.next();
        if (v < 0) return std::nullopt;
        x = static_cast<Byte>(v);
      }
      const int components = b[5];
      TDeclaredPicture d{be16(b + 3), be16(b + 1), components == 1 ? 8 : 24};
      // A mend: a Huffman-coded frame (SOF0-3, SOF5-7) spends at least one bit on every 8 x 8
      // block of each component (its DC symbol), so a file with fewer bytes after its frame
      // header than that is a cut file; the decoder would make up the whole picture from
      // nothing (a 633-byte file became 13300 x 13300 pixels, 2.8 s and 1.6 GB). Arithmetic
      // coding can spend less than a bit on a block and is not bounded so.
      const bool huffman = marker <= 0xC3 || (marker >= 0xC5 && marker <= 0xC7);
      if (huffman && d.Width > 0 && d.Height > 0 && components > 0) {
        std::vector<int> h(static_cast<std::size_t>(components)), v(h.size());
        bool sampling_read = true;
        for (std::size_t i = 0; i < h.size() && sampling_read; ++i) {
          const int id = in.next(), factors = in.next(), table = in.next();
          sampling_read = id >= 0 && factors >= 0 && table >= 0;
          h[i] = factors >> 4;
          v[i] = factors & 15;
        }
        // A frame header cut short, or sampling factors outside 1-4, bound nothing: the decoder
        // fails on them by itself.
        const Int64 blocks = sampling_read ? jpeg_largest_component_blocks(d.Width, d.Height, h, v) : 0;
        d.Truncated = blocks > 0 && total - in.consumed() < (blocks + 7) / 8;
      }
      return d;
    }
    if (length > 2) in.skip(length - 2);
  }
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
  // FreeImage asserts (and so aborts) on samples in planes of their own below 8 bits.
  if (bits < 8 && info.PlanarConfig == 2) return false;
  if (info.Photometric == PHOTOMETRIC_PALETTE_ID) return samples == 1 && bits <= 16 && info.SampleFormat == 1;
  if (info.Photometric == PHOTOMETRIC_SEPARATED_ID) return info.SampleFormat == 1;
  return true;
}

// A TIFF page as declared by its directory, in a file of `bytes` bytes.
std::optional<TDeclaredPicture> tiff_declared(const TTiffPageInfo& info, Int64 bytes) {
  if (info.Width == 0 || info.Height == 0) return std::nullopt;
  // Both counts are 16-bit values of the file: their product can pass the range of int.
  const Int64 bits = Int64{info.BitsPerSample} * info.SamplesPerPixel;
  TDeclaredPicture d{info.Width, info.Height, picture_bits(static_cast<int>(std::min<Int64>(bits, 64))),
                     tiff_layout_decodable(info)};
  // Uncompressed rows must lie inside the file.
  d.Truncated = info.UncompressedEnd > static_cast<std::uint64_t>(bytes);
  return d;
}

std::optional<TDeclaredPicture> tiff_size(TStream& s, int page) {
  return tiff_declared(ReadTiffPageInfo(s, s.Position(), page <= 1 ? 0 : page - 1), s.Size() - s.Position());
}

// The next number of a PNM header as FreeImage's reader takes it: anything before the first
// digit is skipped, "#" there starts a comment that only LF ends, the digits are summed in
// 32 bits (wrapping), and the one byte after them ends the number and is consumed. The end of
// the bytes anywhere in this fails the read.
bool pnm_number(stream_bytes& in, std::int32_t& value) {
  int c;
  for (;;) {
    c = in.next();
    if (c < 0) return false;
    if (c == '#') {
      do {
        c = in.next();
        if (c < 0) return false;
      } while (c != '\n');
      continue;
    }
    if (c >= '0' && c <= '9') break;
  }
  std::uint32_t v = static_cast<std::uint32_t>(c - '0');
  for (;;) {
    c = in.next();
    if (c < 0) return false;
    if (c < '0' || c > '9') break;
    v = v * 10 + static_cast<std::uint32_t>(c - '0');
  }
  value = static_cast<std::int32_t>(v);
  return true;
}

std::optional<TDeclaredPicture> pnm_size(TStream& s) {
  std::vector<Byte> magic = head_bytes(s, 2);
  if (magic.size() < 2 || magic[0] != 'P' || magic[1] < '1' || magic[1] > '6') return std::nullopt;
  const Int64 available = s.Size() - s.Position();
  std::optional<TPnmHeader> h = ReadPnmHeader(s);
  // A mend: a header FreeImage cannot read is refused here, so that no reading of a header
  // this check did not see the same way ever reaches the decoder.
  if (!h) {
    TDeclaredPicture unreadable;
    unreadable.Readable = false;
    return unreadable;
  }
  const char k = h->Kind;
  TDeclaredPicture d{h->Width, h->Height, k == '1' || k == '4' ? 1 : k == '2' || k == '5' ? 8 : 24};
  const std::optional<Int64> need = PnmDataBytes(*h);
  d.Truncated = !need || *need > available - h->DataOffset;
  return d;
}

// Walks a GIF as the decoder does: the logical screen, then each image descriptor in turn (behind
// the global colour table of 2 << n entries and any extension blocks) until `image` returns
// false. Nothing when the stream holds no GIF, else the logical screen.
template <class F>
std::optional<TDeclaredPicture> walk_gif(TStream& s, F image) {
  stream_bytes in(s);
  Byte h[13];
  for (Byte& x : h) {
    const int v = in.next();
    if (v < 0) return std::nullopt;
    x = static_cast<Byte>(v);
  }
  if (std::memcmp(h, "GIF8", 4) != 0) return std::nullopt;
  const TDeclaredPicture screen{le16(h + 6), le16(h + 8), 8};
  if (h[10] & 0x80) in.skip(3 * (Int64{2} << (h[10] & 7)));
  // Sub-blocks up to an empty one.
  auto skip_sub_blocks = [&in] {
    for (;;) {
      const int n = in.next();
      if (n <= 0) return;
      in.skip(n);
    }
  };
  for (;;) {
    const int introducer = in.next();
    if (introducer == 0x2C) {
      Byte d[9];
      for (Byte& x : d) {
        const int v = in.next();
        if (v < 0) return screen;
        x = static_cast<Byte>(v);
      }
      if (!image(Int64{le16(d + 4)}, Int64{le16(d + 6)})) return screen;
      if (d[8] & 0x80) in.skip(3 * (Int64{2} << (d[8] & 7)));
      if (in.next() < 0) return screen;  // the code size
      skip_sub_blocks();
    } else if (introducer == 0x21) {
      if (in.next() < 0) return screen;  // the label
      skip_sub_blocks();
    } else {
      return screen;
    }
  }
}

// The logical screen, widened to the image of page `page` (1-based), which may be larger. A
// mend: the walk went no further than 10,000 blocks and the first image, where the decoder reads
// on to the page asked for.
std::optional<TDeclaredPicture> gif_size(TStream& s, int page) {
  int index = 0;
  Int64 width = 0, height = 0;
  std::optional<TDeclaredPicture> screen = walk_gif(s, [&](Int64 w, Int64 h) {
    if (++index < std::max(page, 1)) return true;
    width = w;
    height = h;
    return false;
  });
  if (screen) {
    screen->Width = std::max(screen->Width, width);
    screen->Height = std::max(screen->Height, height);
  }
  return screen;
}

// How far the run-length codes of an RLE8 (`bits` 8) or RLE4 (`bits` 4) bitmap reach, its rows
// at `offset` from the file's start: the index of the last row they start (rows counted from the
// first one stored), or INT64_MAX when an end-of-bitmap code ends them before the file does.
Int64 rle_rows_reached(TStream& s, std::uint32_t offset, int bits) {
  stream_bytes in(s);
  in.skip(offset);
  Int64 row = 0;
  for (;;) {
    const int count = in.next(), code = in.next();
    if (count < 0 || code < 0) return row;
    if (count > 0) continue;  // a run of `count` pixels
    if (code == 0) {
      ++row;  // end of the row
    } else if (code == 1) {
      return INT64_MAX;  // end of the bitmap
    } else if (code == 2) {
      const int dx = in.next(), dy = in.next();
      if (dx < 0 || dy < 0) return row;
      row += dy;
    } else {
      // `code` pixels as they are, padded to a whole number of 16-bit words.
      const Int64 bytes = bits == 8 ? code : (code + 1) / 2;
      in.skip((bytes + 1) / 2 * 2);
    }
  }
}

std::optional<TDeclaredPicture> bmp_size(TStream& s) {
  std::vector<Byte> h = head_bytes(s, 34);
  // FreeImage reads a bitmap array ("BA") with the header that follows as it reads "BM".
  if (h.size() < 26 || h[0] != 'B' || (h[1] != 'M' && h[1] != 'A')) return std::nullopt;
  const std::int32_t header = le32(h.data() + 14);
  TDeclaredPicture d;
  int file_bits;
  std::uint32_t compression = 0;
  if (header == 12) {
    d = TDeclaredPicture{le16(h.data() + 18), le16(h.data() + 20), 0};
    file_bits = static_cast<int>(le16(h.data() + 24));
  } else {
    if (h.size() < 30) return std::nullopt;
    const Int64 height = le32(h.data() + 22);
    d = TDeclaredPicture{le32(h.data() + 18), height < 0 ? -height : height, 0};
    file_bits = static_cast<int>(le16(h.data() + 28));
    if (h.size() >= 34) compression = static_cast<std::uint32_t>(le32(h.data() + 30));
  }
  d.Bits = picture_bits(file_bits);
  // Uncompressed rows (plain or bit fields) must lie inside the file.
  if ((compression == 0 || compression == 3) && d.Width > 0 && d.Height > 0 && file_bits > 0) {
    const Int64 offset = static_cast<std::uint32_t>(le32(h.data() + 10));
    const std::optional<Int64> rows = CheckedDibBytes(d.Width, file_bits, d.Height);
    const std::optional<Int64> end = rows ? CheckedAdd(offset, *rows) : std::nullopt;
    d.Truncated = !end || *end > s.Size() - s.Position();
  }
  // A mend: run-length rows past the end of the file. Codes that end, without the end-of-bitmap
  // code, before they reach the last row leave rows the file does not hold, as uncompressed rows
  // past its end do (the codec library refuses such files; libgdiplus made a picture of 55849 x
  // 2342 pixels of a 156-byte file).
  if (((compression == 1 && file_bits == 8) || (compression == 2 && file_bits == 4)) && d.Width > 0 && d.Height > 0)
    d.Truncated = rle_rows_reached(s, static_cast<std::uint32_t>(le32(h.data() + 10)), file_bits) < d.Height - 1;
  return d;
}

}  // namespace

std::optional<TPnmHeader> ReadPnmHeader(TStream& Stream) {
  stream_bytes in(Stream);
  TPnmHeader h;
  const int p = in.next();
  const int kind = in.next();
  if (p != 'P' || kind < '1' || kind > '6') return std::nullopt;
  h.Kind = static_cast<char>(kind);
  std::int32_t width = 0, height = 0, max_value = 1;
  if (!pnm_number(in, width) || !pnm_number(in, height)) return std::nullopt;
  // The reader takes the magnitude of each side; 0 and -2^31 (whose magnitude does not fit)
  // are refused.
  if (width == 0 || height == 0 || width == INT32_MIN || height == INT32_MIN) return std::nullopt;
  h.Width = width < 0 ? -Int64{width} : width;
  h.Height = height < 0 ? -Int64{height} : height;
  // A mend: a side that wraps to a negative value makes FreeImage write past its own pixel
  // buffer. One whose picture is past the pixel limit is refused as too large later on; any
  // other is refused here as unreadable.
  if ((width < 0 || height < 0) && h.Width * h.Height <= MaxDeclaredPixels) return std::nullopt;
  if (kind != '1' && kind != '4') {
    if (!pnm_number(in, max_value) || max_value < 1 || max_value > 65535) return std::nullopt;
  }
  h.MaxValue = max_value;
  h.DataOffset = in.consumed();
  return h;
}

std::optional<Int64> PnmDataBytes(const TPnmHeader& Header) {
  const Int64 samples = Header.Kind == '3' || Header.Kind == '6' ? 3 : 1;
  const Int64 sample_bytes = Header.MaxValue > 255 ? 2 : 1;
  switch (Header.Kind) {
    case '4': return CheckedMul((Header.Width + 7) / 8, Header.Height);
    case '5':
    case '6': {
      std::optional<Int64> n = CheckedMul(Header.Width, Header.Height);
      if (n) n = CheckedMul(*n, samples * sample_bytes);
      return n;
    }
    default: {
      // Plain (ASCII) samples: each is a number of at least one digit and the byte that ends it.
      std::optional<Int64> n = CheckedMul(Header.Width, Header.Height);
      if (n) n = CheckedMul(*n, samples * 2);
      return n;
    }
  }
}

std::optional<TDeclaredPicture> PageOverPixelLimit(TStream& Stream) {
  std::vector<Byte> h = head_bytes(Stream, 4);
  if (h.size() < 4) return std::nullopt;
  std::optional<TDeclaredPicture> over;
  if ((h[0] == 'I' && h[1] == 'I') || (h[0] == 'M' && h[1] == 'M')) {
    const auto sizes = ReadTiffPageSizes(Stream, Stream.Position(), MaxDeclaredPixels);
    Int64 total = 0;
    for (const auto& [width, height] : sizes) {
      const std::optional<Int64> pixels = CheckedMul(width, height);
      const std::optional<Int64> sum = pixels ? CheckedAdd(total, *pixels) : std::nullopt;
      total = sum.value_or(INT64_MAX);
    }
    if (!sizes.empty() && total > MaxDeclaredPixels) over = TDeclaredPicture{sizes.back().first, sizes.back().second, 24};
  } else if (h[0] == 'G' && h[1] == 'I') {
    // Each frame is counted at least as large as the logical screen.
    Int64 screen_w = 0, screen_h = 0, total = 0;
    {
      std::vector<Byte> g = head_bytes(Stream, 10);
      if (g.size() < 10) return std::nullopt;
      screen_w = le16(g.data() + 6);
      screen_h = le16(g.data() + 8);
    }
    walk_gif(Stream, [&](Int64 w, Int64 fh) {
      const Int64 fw = std::max(w, screen_w), fhh = std::max(fh, screen_h);
      total += fw * fhh;
      if (total <= MaxDeclaredPixels) return true;
      over = TDeclaredPicture{fw, fhh, 8};
      return false;
    });
  } else {
    std::optional<TDeclaredPicture> d = ReadDeclaredPicture(Stream);
    if (d && DeclaredPictureTooLarge(d->Width, d->Height)) over = d;
  }
  return over;
}

std::optional<TDeclaredPicture> ReadDeclaredPicture(TStream& Stream, int FifId, int Page) {
  switch (FifId) {
    case FIF_ID_PNG: return png_size(Stream);
    case FIF_ID_JPEG: return jpeg_size(Stream);
    case FIF_ID_TIFF: return tiff_size(Stream, Page);
    case FIF_ID_PPM: return pnm_size(Stream);
    case FIF_ID_GIF: return gif_size(Stream, Page);
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
  if (h[0] == 'G' && h[1] == 'I') return gif_size(Stream, 1);
  if (h[0] == 'B' && (h[1] == 'M' || h[1] == 'A')) return bmp_size(Stream);
  if (h[0] == 'P') return pnm_size(Stream);
  return std::nullopt;
}

namespace {

bool check(const std::optional<TDeclaredPicture>& d) {
  if (!d) return true;
  if (!d->Readable) return false;
  if (!d->Decodable) throw Exception("Unable to convert to internal bitmap format");
  if (d->Width <= 0 || d->Height <= 0) return true;
  // A mend: the decompression-bomb limit, and rows that the file cannot hold, stop a tiny
  // file from making the decoder allocate gigabytes and run for minutes.
  if (DeclaredPictureTooLarge(d->Width, d->Height))
    throw EZuroroveError(Format("An image of %d x %d pixels is too large", {d->Width, d->Height}));
  // A mend: a file cut short is told as such, not as a picture too large.
  if (d->Truncated) throw EZuroroveError(PictureTooShortMessage(d->Width, d->Height));
  return true;
}

}  // namespace

bool CheckDeclaredPicture(TStream& Stream, int FifId, int Page) { return check(ReadDeclaredPicture(Stream, FifId, Page)); }

bool CheckDeclaredPicture(TStream& Stream) { return check(ReadDeclaredPicture(Stream)); }

bool CheckDeclaredTiffPage(const TTiffPageInfo& Info, Int64 FileBytes) { return check(tiff_declared(Info, FileBytes)); }
