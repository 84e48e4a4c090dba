#include "image/tiff_file.hpp"

#include <tiffio.h>

#include <algorithm>
#include <cstdio>

#include "platform/sysutils.hpp"

namespace {

// A TIFF file inside a stream, from `base` on.
struct tiff_stream {
  TStream* stream;
  Int64 base;
};

tmsize_t tiff_read(thandle_t h, void* buffer, tmsize_t size) {
  auto* s = static_cast<tiff_stream*>(h);
  try {
    return static_cast<tmsize_t>(s->stream->Read(buffer, static_cast<Int64>(size)));
  } catch (...) {
    return -1;
  }
}

tmsize_t tiff_write(thandle_t h, void* buffer, tmsize_t size) {
  auto* s = static_cast<tiff_stream*>(h);
  try {
    return static_cast<tmsize_t>(s->stream->Write(buffer, static_cast<Int64>(size)));
  } catch (...) {
    return -1;
  }
}

toff_t tiff_seek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<tiff_stream*>(h);
  auto signed_offset = static_cast<Int64>(offset);
  try {
    Int64 pos;
    switch (whence) {
      case SEEK_SET: pos = s->stream->Seek(s->base + signed_offset, TSeekOrigin::soBeginning); break;
      case SEEK_CUR: pos = s->stream->Seek(signed_offset, TSeekOrigin::soCurrent); break;
      case SEEK_END: pos = s->stream->Seek(signed_offset, TSeekOrigin::soEnd); break;
      default: return static_cast<toff_t>(-1);
    }
    if (pos < s->base) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(pos - s->base);
  } catch (...) {
    return static_cast<toff_t>(-1);
  }
}

int tiff_close(thandle_t) { return 0; }

toff_t tiff_size(thandle_t h) {
  auto* s = static_cast<tiff_stream*>(h);
  try {
    Int64 size = s->stream->Size() - s->base;
    return static_cast<toff_t>(size < 0 ? 0 : size);
  } catch (...) {
    return 0;
  }
}

int tiff_map(thandle_t, void**, toff_t*) { return 0; }
void tiff_unmap(thandle_t, void*, toff_t) {}

// Opens the TIFF in the stream and closes it with the object; the stream's position is put
// back at the end.
class tiff_handle {
public:
  tiff_handle(TStream& stream, Int64 start, const char* mode) : io_{&stream, start}, saved_(stream.Position()) {
    stream.SetPosition(start);
    tif_ = TIFFClientOpen("stream", mode, &io_, tiff_read, tiff_write, tiff_seek, tiff_close, tiff_size, tiff_map,
                          tiff_unmap);
  }
  ~tiff_handle() {
    if (tif_ != nullptr) TIFFClose(tif_);
    try {
      io_.stream->SetPosition(saved_);
    } catch (...) {
    }
  }
  tiff_handle(const tiff_handle&) = delete;
  tiff_handle& operator=(const tiff_handle&) = delete;
  TIFF* get() const { return tif_; }

private:
  tiff_stream io_;
  Int64 saved_;
  TIFF* tif_ = nullptr;
};

}  // namespace

namespace {

// A directory to be given the SamplesPerPixel tag, and the one whose link names it (none for the
// first, named by the header).
struct directory_mend {
  std::optional<std::uint64_t> previous;
  std::uint64_t directory = 0;
};

// The classic TIFF file from the stream's position to its end, with every directory of `Mends`
// (in the file's order) that passes the checks copied to the end with the tag (1) added and
// linked in place of the old one; nothing when none is. The stream's position is kept.
std::optional<std::vector<Byte>> with_samples_per_pixel(TStream& Stream, const std::vector<directory_mend>& Mends) {
  if (Mends.empty()) return std::nullopt;
  const Int64 start = Stream.Position();
  const Int64 size = Stream.Size() - start;
  if (size < 8 || size > 0xFFFF0000) return std::nullopt;
  std::vector<Byte> b(static_cast<std::size_t>(size));
  const Int64 got = Stream.Read(b.data(), size);
  Stream.SetPosition(start);
  if (got != size) return std::nullopt;
  const bool big_endian = b[0] == 'M';
  const auto get16 = [&](std::uint64_t at) {
    return big_endian ? static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]) : static_cast<std::uint16_t>(b[at + 1] << 8 | b[at]);
  };
  const auto get32 = [&](std::uint64_t at) {
    return big_endian ? std::uint32_t{get16(at)} << 16 | get16(at + 2) : get16(at) | std::uint32_t{get16(at + 2)} << 16;
  };
  const auto put = [&](std::vector<Byte>& to, std::uint64_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
      to[at + static_cast<std::uint64_t>(i)] =
          static_cast<Byte>(value >> (8 * (big_endian ? bytes - 1 - i : i)));
  };
  if (get16(2) != 42) return std::nullopt;  // not classic TIFF

  std::vector<Byte> out(b);
  if (out.size() % 2 != 0) out.push_back(0);
  bool any = false;
  // The last directory copied, and where its copy's link lies: the link to the directory after
  // it is read there.
  std::optional<std::uint64_t> moved;
  std::uint64_t moved_link = 0;
  for (const directory_mend& m : Mends) {
    std::uint64_t link = 4;
    if (m.previous) {
      if (*m.previous + 2 > b.size()) continue;
      link = *m.previous + 2 + 12 * std::uint64_t{get16(*m.previous)};
    }
    const std::uint64_t directory = m.directory;
    if (directory + 2 > b.size()) continue;
    const std::uint16_t count = get16(directory);
    const std::uint64_t end = directory + 2 + 12 * std::uint64_t{count} + 4;
    if (count == 0xFFFF || end > b.size() || link + 4 > b.size()) continue;
    // The link must name the directory read (libtiff follows nothing else).
    if (get32(link) != directory) continue;
    const std::uint64_t copy = out.size();
    const std::uint64_t copy_size = 2 + 12 * (std::uint64_t{count} + 1) + 4;
    if (copy + copy_size > 0xFFFFFFFF) break;
    if (m.previous && m.previous == moved) link = moved_link;
    out.resize(copy + copy_size, 0);
    put(out, copy, count + 1u, 2);
    std::uint64_t to = copy + 2;
    bool added = false;
    // The new entry goes before the first tag above its number, as directories are sorted.
    const auto add = [&] {
      put(out, to, TIFFTAG_SAMPLESPERPIXEL, 2), put(out, to + 2, TIFF_SHORT, 2), put(out, to + 4, 1, 4);
      put(out, to + 8, 1, 2);
      to += 12, added = true;
    };
    for (std::uint16_t i = 0; i < count; ++i) {
      const std::uint64_t from = directory + 2 + 12 * std::uint64_t{i};
      if (!added && get16(from) > TIFFTAG_SAMPLESPERPIXEL) add();
      std::copy(b.begin() + static_cast<std::ptrdiff_t>(from), b.begin() + static_cast<std::ptrdiff_t>(from + 12),
                out.begin() + static_cast<std::ptrdiff_t>(to));
      to += 12;
    }
    if (!added) add();
    std::copy(b.begin() + static_cast<std::ptrdiff_t>(end - 4), b.begin() + static_cast<std::ptrdiff_t>(end),
              out.begin() + static_cast<std::ptrdiff_t>(to));
    put(out, link, static_cast<std::uint32_t>(copy), 4);
    moved = directory, moved_link = to, any = true;
  }
  if (!any) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::vector<Byte>> TiffWithSamplesPerPixel(TStream& Stream, int Page) {
  if (Page < 0) return std::nullopt;
  const Int64 start = Stream.Position();
  directory_mend mend;
  {
    tiff_handle tif(Stream, start, "rm");
    TIFF* t = tif.get();
    if (t == nullptr || TIFFIsBigTIFF(t)) return std::nullopt;
    if (Page > 0) {
      // The link to the page lies at the end of the directory before it.
      if (!TIFFSetDirectory(t, static_cast<tdir_t>(Page - 1))) return std::nullopt;
      mend.previous = TIFFCurrentDirOffset(t);
    }
    if (!TIFFSetDirectory(t, static_cast<tdir_t>(Page))) return std::nullopt;
    std::uint16_t samples = 0, bits = 1;
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    if (TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &samples) == 1 || bits != 8) return std::nullopt;
    mend.directory = TIFFCurrentDirOffset(t);
  }
  return with_samples_per_pixel(Stream, {mend});
}

std::optional<std::vector<Byte>> TiffWithSamplesPerPixel(TStream& Stream, const std::vector<TTiffPageInfo>& Pages) {
  std::vector<directory_mend> mends;
  for (std::size_t i = 0; i < Pages.size(); ++i) {
    if (Pages[i].BitsPerSample != 8 || Pages[i].HasSamplesPerPixel) continue;
    directory_mend m;
    if (i > 0) m.previous = Pages[i - 1].DirectoryOffset;
    m.directory = Pages[i].DirectoryOffset;
    mends.push_back(m);
  }
  return with_samples_per_pixel(Stream, mends);
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> ReadTiffPageSizes(TStream& Stream, Int64 Start, Int64 PixelLimit) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;
  tiff_handle tif(Stream, Start, "rm");
  if (tif.get() == nullptr) return sizes;
  Int64 total = 0;
  do {
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    sizes.emplace_back(width, height);
    const std::uint64_t pixels = std::uint64_t{width} * height;
    if (pixels > static_cast<std::uint64_t>(PixelLimit - total)) break;
    total += static_cast<Int64>(pixels);
  } while (TIFFReadDirectory(tif.get()) == 1);
  return sizes;
}

namespace {

// The values of the directory libtiff has read.
TTiffPageInfo current_page_info(TIFF* t) {
  TTiffPageInfo info;
  info.DirectoryOffset = TIFFCurrentDirOffset(t);
  std::uint16_t value = 0;
  if (TIFFGetField(t, TIFFTAG_COMPRESSION, &value) == 1) info.Compression = value;
  if (TIFFGetField(t, TIFFTAG_ORIENTATION, &value) == 1) info.Orientation = value;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &info.Width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &info.Height);
  std::uint16_t bits = 1, samples = 1, photometric = 0, format = 1, planar = 1;
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  info.PlanarConfig = planar;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  info.HasSamplesPerPixel = TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &samples) == 1;
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
  info.BitsPerSample = bits;
  info.SamplesPerPixel = samples;
  info.SampleFormat = format;
  if (TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric) == 1) info.Photometric = photometric;
  if (info.Compression.value_or(COMPRESSION_NONE) == COMPRESSION_NONE && info.Width > 0 && info.Height > 0) {
    const bool tiled = TIFFIsTiled(t) != 0;
    const std::uint64_t count = tiled ? TIFFNumberOfTiles(t) : TIFFNumberOfStrips(t);
    std::uint32_t rows_per_strip = info.Height;
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
    if (rows_per_strip == 0 || rows_per_strip > info.Height) rows_per_strip = info.Height;
    const std::uint64_t strips_per_plane = (std::uint64_t{info.Height} + rows_per_strip - 1) / rows_per_strip;
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t offset = TIFFGetStrileOffset(t, static_cast<std::uint32_t>(i));
      std::uint64_t bytes;
      if (tiled) {
        bytes = static_cast<std::uint64_t>(TIFFTileSize64(t));
      } else {
        const std::uint64_t row = (i % strips_per_plane) * rows_per_strip;
        bytes = static_cast<std::uint64_t>(
            TIFFVStripSize64(t, static_cast<std::uint32_t>(std::min<std::uint64_t>(rows_per_strip, info.Height - row))));
      }
      if (offset > UINT64_MAX - bytes) break;
      info.UncompressedEnd = std::max(info.UncompressedEnd, offset + bytes);
    }
  }
  return info;
}

}  // namespace

TTiffDirectoryView::TTiffDirectoryView(TStream& Source, Int64 Start, std::uint64_t Directory)
    : TReadOnlyStream(std::max<Int64>(0, Source.Size() - Start)), source_(Source), start_(Start) {
  Source.SetPosition(Start);
  head_size_ = std::max<Int64>(0, Source.Read(head_, std::min<Int64>(size_, sizeof head_)));
  if (head_size_ < 4) return;
  const bool big_endian = head_[0] == 'M' && head_[1] == 'M';
  if (!big_endian && !(head_[0] == 'I' && head_[1] == 'I')) return;
  const int version = big_endian ? head_[2] << 8 | head_[3] : head_[3] << 8 | head_[2];
  if (version != 42 && version != 43) return;
  const int at = version == 42 ? 4 : 8, bytes = version == 42 ? 4 : 8;
  for (int i = 0; i < bytes && at + i < head_size_; ++i)
    head_[at + i] = static_cast<Byte>(Directory >> (8 * (big_endian ? bytes - 1 - i : i)));
}

Int64 TTiffDirectoryView::Read(void* Buffer, Int64 Count) {
  Count = std::max<Int64>(0, std::min(Count, size_ - pos_));
  auto* out = static_cast<Byte*>(Buffer);
  Int64 done = 0;
  if (pos_ < head_size_) {
    done = std::min(Count, head_size_ - pos_);
    std::copy(head_ + pos_, head_ + pos_ + done, out);
  }
  if (done < Count) {
    source_.SetPosition(start_ + pos_ + done);
    done += std::max<Int64>(0, source_.Read(out + done, Count - done));
  }
  pos_ += done;
  return done;
}

TTiffPageInfo ReadTiffPageInfo(TStream& Stream, Int64 Start, int Page) {
  if (Page < 0) return {};
  tiff_handle tif(Stream, Start, "rm");
  if (tif.get() == nullptr) return {};
  if (Page > 0 && !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(Page))) return {};
  return current_page_info(tif.get());
}

std::vector<TTiffPageInfo> ReadTiffPagesInfo(TStream& Stream, Int64 Start, Int64 PixelLimit) {
  std::vector<TTiffPageInfo> pages;
  tiff_handle tif(Stream, Start, "rm");
  if (tif.get() == nullptr) return pages;
  Int64 total = 0;
  do {
    pages.push_back(current_page_info(tif.get()));
    const std::uint64_t pixels = std::uint64_t{pages.back().Width} * pages.back().Height;
    if (pixels > static_cast<std::uint64_t>(PixelLimit - total)) break;
    total += static_cast<Int64>(pixels);
  } while (TIFFReadDirectory(tif.get()) == 1);
  return pages;
}

namespace {

// The colour map of a palette page of 1 to 8 bits, as 8-bit colours the way FreeImage reads
// them (a map whose values all stay below 256 holds 8-bit values); empty for other pages.
std::vector<std::array<Byte, 3>> colour_map(TIFF* t) {
  std::vector<std::array<Byte, 3>> colours;
  std::uint16_t photometric = 0, bits = 1, samples = 1;
  std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
  if (TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric) != 1 || photometric != PHOTOMETRIC_PALETTE || samples != 1 ||
      bits < 1 || bits > 8 || TIFFGetField(t, TIFFTAG_COLORMAP, &red, &green, &blue) != 1 || red == nullptr ||
      green == nullptr || blue == nullptr)
    return colours;
  const std::size_t n = std::size_t{1} << bits;
  bool wide = false;
  for (std::size_t i = 0; i < n; ++i) wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
  const auto eight = [wide](std::uint16_t v) { return static_cast<Byte>(wide ? v * 255L / 65535L : v); };
  for (std::size_t i = 0; i < n; ++i) colours.push_back({eight(red[i]), eight(green[i]), eight(blue[i])});
  return colours;
}

}  // namespace

std::vector<TTiffPageTags> ReadTiffPageTags(TStream& Stream, Int64 Start, const std::vector<std::uint32_t>& TextTags) {
  std::vector<TTiffPageTags> pages;
  tiff_handle tif(Stream, Start, "rm");
  if (tif.get() == nullptr) return pages;
  do {
    TTiffPageTags page;
    for (std::uint32_t number : TextTags) {
      const char* text = nullptr;
      std::string value;
      if (TIFFGetField(tif.get(), number, &text) == 1 && text != nullptr) value = text;
      page.Text.push_back({number, value});
    }
    std::uint16_t orientation = 0;
    if (TIFFGetField(tif.get(), TIFFTAG_ORIENTATION, &orientation) == 1) page.Orientation = orientation;
    page.Colours = colour_map(tif.get());
    pages.push_back(std::move(page));
  } while (TIFFReadDirectory(tif.get()) == 1);
  return pages;
}

namespace {

// A mend: FreeImage writes an 8-bit page as grey, without a colour map, when every entry i of
// its table is grey i or grey n-1-i (n the table's length), each entry either way: a table that
// mixes both (a short ramp filled up with black among them) came back as a plain or inverted
// ramp, other greys than the picture's. The page read as grey must give the table's colours;
// where it does not, the page gets its colour map. False when the tags cannot be set.
bool keep_colours(TIFF* t, const std::vector<std::array<Byte, 3>>& colours) {
  std::uint16_t photometric = 0, bits = 1, samples = 1, compression = COMPRESSION_NONE;
  if (colours.empty() || TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric) != 1 ||
      (photometric != PHOTOMETRIC_MINISBLACK && photometric != PHOTOMETRIC_MINISWHITE))
    return true;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
  // A colour map takes pixels that are indices, which a JPEG or fax page does not hold.
  if (samples != 1 || bits < 1 || bits > 8 || colours.size() != std::size_t{1} << bits ||
      (compression != COMPRESSION_NONE && compression != COMPRESSION_PACKBITS && compression != COMPRESSION_LZW &&
       compression != COMPRESSION_ADOBE_DEFLATE && compression != COMPRESSION_DEFLATE))
    return true;
  const unsigned top = (1u << bits) - 1;
  bool ramp = true;
  for (unsigned i = 0; i <= top && ramp; ++i) {
    const auto grey = static_cast<Byte>((photometric == PHOTOMETRIC_MINISBLACK ? i : top - i) * 255 / top);
    ramp = colours[i] == std::array<Byte, 3>{grey, grey, grey};
  }
  if (ramp) return true;
  std::vector<std::uint16_t> map(3 * colours.size());
  for (std::size_t i = 0; i < colours.size(); ++i)
    for (std::size_t c = 0; c < 3; ++c) map[c * colours.size() + i] = static_cast<std::uint16_t>(colours[i][c] * 257);
  return TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE) == 1 &&
         TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data() + colours.size(), map.data() + 2 * colours.size()) == 1;
}

}  // namespace

bool WriteTiffPageTags(TStream& Stream, Int64 Start, int Page, const TTiffPageTags& Tags) {
  bool done = false;
  {
    tiff_handle tif(Stream, Start, "r+m");
    if (tif.get() != nullptr) {
      tdir_t count = TIFFNumberOfDirectories(tif.get());
      tdir_t page = Page < 0 ? count - 1 : static_cast<tdir_t>(Page);
      if (count > 0 && page < count && (page == 0 || TIFFSetDirectory(tif.get(), page))) {
        done = true;
        for (const TTiffTextTag& tag : Tags.Text) {
          if (tag.Value.empty()) TIFFUnsetField(tif.get(), tag.Tag);
          else if (!TIFFSetField(tif.get(), tag.Tag, tag.Value.c_str())) done = false;
        }
        if (Tags.Orientation && !TIFFSetField(tif.get(), TIFFTAG_ORIENTATION, *Tags.Orientation)) done = false;
        if (!keep_colours(tif.get(), Tags.Colours)) done = false;
        if (done) done = TIFFRewriteDirectory(tif.get()) == 1;
      }
    }
  }
  Stream.Seek(0, TSeekOrigin::soEnd);
  return done;
}
