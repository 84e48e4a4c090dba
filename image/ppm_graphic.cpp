#include "image/ppm_graphic.hpp"

#include <array>
#include <string>
#include <vector>

#include "image/format_registry.hpp"
#include "image/freeimage_codec.hpp"

namespace {

// Collects the output in 4096-byte pieces.
class buffered_writer {
public:
  explicit buffered_writer(TStream& stream) : stream_(stream) {}
  void put(Byte b) {
    if (used_ == buffer_.size()) flush();
    buffer_[used_++] = b;
  }
  void put(const std::string& text) {
    for (char c : text) put(static_cast<Byte>(c));
  }
  void flush() {
    if (used_ > 0) stream_.WriteBuffer(buffer_.data(), static_cast<Int64>(used_));
    used_ = 0;
  }

private:
  TStream& stream_;
  std::array<Byte, 4096> buffer_{};
  std::size_t used_ = 0;
};

// Decimal numbers separated by blanks, on lines of at most 69 characters.
class number_writer {
public:
  explicit number_writer(buffered_writer& out) : out_(out) {}
  void put(int value) {
    std::string text = std::to_string(value);
    std::size_t needed = line_ == 0 ? text.size() : line_ + 1 + text.size();
    if (line_ > 0 && needed > 69) {
      out_.put('\n');
      line_ = 0;
      needed = text.size();
    } else if (line_ > 0) {
      out_.put(' ');
    }
    out_.put(text);
    line_ = needed;
  }

private:
  buffered_writer& out_;
  std::size_t line_ = 0;
};

// The grey level of a palette entry on a scale of 0..`max_value`.
int grey_level(const PALETTEENTRY& e, int max_value) {
  int grey = (e.peRed + e.peGreen + e.peBlue + 1) / 3;
  return max_value == 255 ? grey : (grey * max_value + 127) / 255;
}

}  // namespace

bool TPpmGraphic::CanReadStream(TStream& Stream) {
  Byte head[2];
  if (PeekStreamBytes(Stream, head, 2) < 2) return false;
  return head[0] == 'P' && head[1] >= '1' && head[1] <= '6';
}

void TPpmGraphic::SingleLoadFromStream(TStream& Stream, int ImageToLoad) {
  LoadDibFromStream(Stream, FIF_ID_PPM, ImageToLoad, 0, *this, OnReadWriteProgress, nullptr, nullptr);
}

void TPpmGraphic::SaveToStream(TStream& Stream) {
  if (Empty()) throw EZuroroveError("Graphic is empty");
  const TImageFormat format = ImageFormat();
  const bool ascii = FMode == pmAscii;
  const int width = Width();
  const int height = Height();
  char kind;  // '1' bitmap, '2' grey, '3' colour
  switch (format) {
    case ifBlackWhite: kind = '1'; break;
    case ifGray16:
    case ifGray256: kind = '2'; break;
    default: kind = '3'; break;
  }
  const int grey_max = format == ifGray16 ? 15 : 255;

  buffered_writer out(Stream);
  out.put('P');
  out.put(static_cast<Byte>(ascii ? kind : kind + 3));
  out.put('\n');
  out.put("# Created By Zurorove Image Library\n");
  out.put(Format("%d %d\n", {width, height}));
  if (kind == '2') out.put(Format("%d\n", {grey_max}));
  if (kind == '3') out.put("255\n");

  // A mend: grey pictures write each pixel's grey level, whatever the order of their palette;
  // writing the palette index gave wrong greys for any grey palette other than the plain ramp.
  std::vector<int> levels;
  if (kind == '2') {
    const TMaxLogPalette& palette = Palette();
    levels.assign(256, 0);
    for (int i = 0; i < palette.palNumEntries && i < 256; ++i) levels[i] = grey_level(palette.palPalEntry[i], grey_max);
  }

  number_writer numbers(out);
  for (int y = 0; y < height; ++y) {
    if (kind == '1') {
      if (ascii) {
        for (int x = 0; x < width; ++x) numbers.put((GetPaletteIndex(x, y) & 1) ^ 1);
      } else {
        int acc = 0;
        int filled = 0;
        for (int x = 0; x < width; ++x) {
          acc = (acc << 1) | ((GetPaletteIndex(x, y) & 1) ^ 1);
          if (++filled == 8) {
            out.put(static_cast<Byte>(acc));
            acc = 0;
            filled = 0;
          }
        }
        if (filled > 0) out.put(static_cast<Byte>(acc << (8 - filled)));
      }
    } else if (kind == '2') {
      for (int x = 0; x < width; ++x) {
        int level = levels[GetPaletteIndex(x, y)];
        if (ascii) numbers.put(level);
        else out.put(static_cast<Byte>(level));
      }
    } else {
      for (int x = 0; x < width; ++x) {
        TRgb c = GetPixel(x, y);
        if (ascii) {
          numbers.put(c.Red);
          numbers.put(c.Green);
          numbers.put(c.Blue);
        } else {
          out.put(c.Red);
          out.put(c.Green);
          out.put(c.Blue);
        }
      }
    }
  }
  if (ascii) out.put('\n');
  out.flush();
}
