#include "annotate/mark_picture_text.hpp"

#include "image/dib_graphic.hpp"
#include "image/picture_header.hpp"
#include "image/ppm_graphic.hpp"
#include "platform/checked_size.hpp"
#include "platform/classes.hpp"

namespace {

// The picture model's limits: sides up to 65535 pixels, at most the decompression-bomb limit in
// all.
constexpr std::int64_t kMaxSide = 65535;
constexpr std::int64_t kMaxPixels = MaxDeclaredPixels;

}  // namespace

bool ReadPnmHeaderSize(std::string_view Text, std::int64_t& Width, std::int64_t& Height) {
  // A mend: the header is read by the codec layer's own reader, exactly as the decoder reads
  // it (a comment ends at LF only), so that the size checked is the size of the picture made.
  TBytesStream stream(Text.data(), static_cast<Int64>(Text.size()));
  std::optional<TPnmHeader> h = ReadPnmHeader(stream);
  if (!h) return false;
  Width = h->Width;
  Height = h->Height;
  return true;
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
