#include "annotate/mark_picture_text.hpp"

#include "image/dib_graphic.hpp"
#include "image/ppm_graphic.hpp"
#include "platform/classes.hpp"

namespace {

// The picture model's limits: sides up to 65535 pixels, at most 2^28 pixels in all.
constexpr std::int64_t kMaxSide = 65535;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// Skips blanks and comments (from "#" to the end of the line).
void skip_blanks(std::string_view t, std::size_t& i) {
  while (i < t.size()) {
    if (is_blank(t[i])) {
      ++i;
    } else if (t[i] == '#') {
      while (i < t.size() && t[i] != '\n' && t[i] != '\r') ++i;
    } else {
      break;
    }
  }
}

bool read_number(std::string_view t, std::size_t& i, std::int64_t& v) {
  skip_blanks(t, i);
  std::size_t start = i;
  v = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
    if (v > kMaxPixels) return false;  // far beyond any size we take; stop before overflow
    v = v * 10 + (t[i] - '0');
    ++i;
  }
  return i > start;
}

}  // namespace

bool ReadPnmHeaderSize(std::string_view Text, std::int64_t& Width, std::int64_t& Height) {
  if (Text.size() < 2 || Text[0] != 'P' || Text[1] < '1' || Text[1] > '6') return false;
  std::size_t i = 2;
  return read_number(Text, i, Width) && read_number(Text, i, Height);
}

bool PnmSizeFitsText(std::int64_t Width, std::int64_t Height, std::size_t TextBytes) {
  if (Width < 1 || Height < 1 || Width > kMaxSide || Height > kMaxSide) return false;
  const std::int64_t pixels = Width * Height;
  return pixels <= kMaxPixels && pixels <= static_cast<std::int64_t>(TextBytes) * 8;
}

std::string DibToPpmText(HGLOBAL Dib) {
  TPpmGraphic ppm;
  ppm.AssignFromDIBHandle(Dib);
  ppm.SetMode(pmAscii);
  TMemoryStream stream;
  ppm.SaveToStream(stream);
  return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

HGLOBAL PpmTextToDib(const std::string& Text) {
  std::int64_t w = 0, h = 0;
  if (!ReadPnmHeaderSize(Text, w, h) || !PnmSizeFitsText(w, h, Text.size()))
    throw Exception("Invalid picture in annotation text");
  TMemoryStream stream;
  stream.SetSize(static_cast<Int64>(Text.size()));
  stream.SetPosition(0);
  stream.WriteBuffer(Text.data(), static_cast<Int64>(Text.size()));
  stream.SetPosition(0);
  TPpmGraphic ppm;
  ppm.LoadFromStream(stream);
  return ppm.AsDibHandle();
}
