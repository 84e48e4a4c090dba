// The codec layer's second decoder, over the GDI+ unit.
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/freeimage_codec.hpp"
#include "image/gdiplus.hpp"
#include "image/picture_header.hpp"
#include "image/zu_misc.hpp"
#include "platform/checked_size.hpp"

namespace {

std::uint32_t le32(const std::vector<Byte>& b, std::size_t at) {
  return b[at] | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
}

void put_le32(std::vector<Byte>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<Byte>(v >> (8 * i));
}

// The bytes of a BMP file as libgdiplus may be given them, or nothing when it must not see them.
// libgdiplus reads pixel indices through a colour table of the length the file gives, so an
// index past a short table reads past its end (and may crash): short tables are filled up to
// 2^bits entries of black, as Windows shows such pixels. An uncompressed file whose pixel rows
// run past its end is refused: libgdiplus would make a picture of the whole declared size out of
// nothing.
std::optional<std::vector<Byte>> bmp_for_gdiplus(std::vector<Byte> b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return b;
  const std::uint32_t header = le32(b, 14);
  if (header < 40 || header > 256 || 14 + std::size_t{header} > b.size()) return b;
  const auto width = static_cast<std::int32_t>(le32(b, 18));
  const auto height = static_cast<std::int32_t>(le32(b, 22));
  const unsigned bits = b[28] | (unsigned{b[29]} << 8);
  const std::uint32_t compression = le32(b, 30);
  std::uint32_t offset = le32(b, 10);

  if (bits >= 1 && bits <= 8) {
    const std::uint32_t full = 1u << bits;
    const std::uint32_t used = le32(b, 46);
    if (used > full) {
      put_le32(b, 46, full);
    } else if (used != 0 && used < full) {
      const std::size_t table_end = 14 + std::size_t{header} + 4 * std::size_t{used};
      if (table_end <= b.size()) {
        const std::size_t pad = 4 * std::size_t{full - used};
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(table_end), pad, Byte{0});
        put_le32(b, 46, full);
        if (offset >= table_end) offset += static_cast<std::uint32_t>(pad);
        put_le32(b, 10, offset);
        put_le32(b, 2, static_cast<std::uint32_t>(b.size()));
      }
    }
  }

  if ((compression == 0 || compression == 3) && width > 0 && height != 0 && bits > 0 && bits <= 32) {
    const std::int64_t rows = height < 0 ? -std::int64_t{height} : std::int64_t{height};
    // A mend: multiplied and added with overflow checks (the product wrapped before).
    const std::optional<std::int64_t> pixels = CheckedDibBytes(width, bits, rows);
    const std::optional<std::int64_t> end = pixels ? CheckedAdd(offset, *pixels) : std::nullopt;
    if (!end || static_cast<std::uint64_t>(*end) > b.size()) return std::nullopt;
  }
  return b;
}

}  // namespace

void LoadWithGdiPlus(TStream& Stream, TDibGraphic& Target) {
  std::lock_guard lock(FreeImageDecodingLock());
  // The whole stream, from its start.
  TMemoryStream bytes;
  const Int64 size = Stream.Size();
  bytes.SetSize(size);
  Stream.SetPosition(0);
  if (size > 0) Stream.ReadBuffer(bytes.Memory(), size);
  bytes.SetPosition(0);
  // A picture too large to be held is refused before GDI+ makes room for it.
  if (!CheckDeclaredPicture(bytes)) {
    Target.Assign(nullptr);
    return;
  }
  // GDI+ makes every page of a TIFF and every frame of a GIF at once: their pixels count together.
  if (std::optional<TDeclaredPicture> over = PageOverPixelLimit(bytes))
    throw EZuroroveError(Format("An image of %d x %d pixels is too large", {over->Width, over->Height}));

  std::optional<std::vector<Byte>> input = bmp_for_gdiplus(std::move(bytes.Bytes()));
  if (input) {
    TBytesStream view(input->data(), static_cast<Int64>(input->size()));
    if (zu_gdiplus::decode_with_gdiplus(view, Target)) return;
  }
  // Nothing decoded empties the target.
  Target.Assign(nullptr);
}
