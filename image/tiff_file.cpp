#include "image/tiff_file.hpp"

#include <tiffio.h>

#include <algorithm>
#include <cstdio>

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

TTiffPageInfo ReadTiffPageInfo(TStream& Stream, Int64 Start, int Page) {
  TTiffPageInfo info;
  if (Page < 0) return info;
  tiff_handle tif(Stream, Start, "rm");
  if (tif.get() == nullptr) return info;
  if (Page > 0 && !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(Page))) return info;
  std::uint16_t value = 0;
  if (TIFFGetField(tif.get(), TIFFTAG_COMPRESSION, &value) == 1) info.Compression = value;
  if (TIFFGetField(tif.get(), TIFFTAG_ORIENTATION, &value) == 1) info.Orientation = value;
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &info.Width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &info.Height);
  std::uint16_t bits = 1, samples = 1, photometric = 0, format = 1, planar = 1;
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PLANARCONFIG, &planar);
  info.PlanarConfig = planar;
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLEFORMAT, &format);
  info.BitsPerSample = bits;
  info.SamplesPerPixel = samples;
  info.SampleFormat = format;
  if (TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric) == 1) info.Photometric = photometric;
  if (info.Compression.value_or(COMPRESSION_NONE) == COMPRESSION_NONE && info.Width > 0 && info.Height > 0) {
    TIFF* t = tif.get();
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
      if (offset > UINT64_MAX - bytes) return info;
      info.UncompressedEnd = std::max(info.UncompressedEnd, offset + bytes);
    }
  }
  return info;
}

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
    pages.push_back(std::move(page));
  } while (TIFFReadDirectory(tif.get()) == 1);
  return pages;
}

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
        if (done) done = TIFFRewriteDirectory(tif.get()) == 1;
      }
    }
  }
  Stream.Seek(0, TSeekOrigin::soEnd);
  return done;
}
