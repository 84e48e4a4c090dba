#include "image/resize_transform.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/nearest_palette_color.hpp"
#include "image/pixel_rows.hpp"
#include "image/resample_rows.hpp"

void TResizeTransform::ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) {
  if (&Source == &Dest) {
    Apply(Source);
    return;
  }
  BeginProgress();
  Progress(0, 0, 100);
  const TImageFormat format = FOverrideDestFormat ? FDestFormat : Source.ImageFormat();
  const TMaxLogPalette* palette = format == Source.ImageFormat() ? Source.PalettePtr() : nullptr;
  Dest.NewImage(FWidth, FHeight, format, palette, Source.XDotsPerInch(), Source.YDotsPerInch());
  if (FInterpolated) {
    Resample(Source, Dest);
    Progress(100, 0, 100);
    return;
  }
  Progress(50, 0, 100);
  SetStretchBltMode(Dest.DC(), AreaAveraged(Source) ? HALFTONE : COLORONCOLOR);
  SetBrushOrgEx(Dest.DC(), 0, 0, nullptr);
  if (!Source.Empty()) {
    StretchDIBits(Dest.DC(), 0, 0, FWidth, FHeight, 0, 0, Source.Width(), Source.Height(), Source.Bits(),
                  &Source.BitmapInfo(), DIB_RGB_COLORS, SRCCOPY);
  }
  Progress(100, 0, 100);
}

bool TResizeTransform::AreaAveraged(const TDibGraphic& Source) {
  return Source.ImageFormat() == ifTrueColor && static_cast<Int64>(Source.Width()) * Source.Height() >= 1025;
}

namespace {

// One source pixel as the horizontal kernel reads it.
struct alignas(16) PixelF {
  float blue, green, red, zero;
};

// Source rows as 4 floats per pixel, the depth chosen once.
class SourceRowReader {
public:
  explicit SourceRowReader(const TDibGraphic& source)
      : source_(source), bits_(ImageFormatBits(source.ImageFormat())), width_(source.Width()) {
    if (bits_ != 24) {
      table_ = palette_table(source.Palette());
      for (int i = 0; i < 256; ++i) {
        const TRgb& c = table_[static_cast<std::size_t>(i)];
        palette_[static_cast<std::size_t>(i)] = {float(c.Blue), float(c.Green), float(c.Red), 0.0f};
      }
      indices_.resize(static_cast<std::size_t>(width_));
    }
  }

  // Row y as blue, green, red bytes: the picture's own row for true colour, else converted into
  // the buffer of `slot`.
  const std::uint8_t* bytes(int y, int slot) {
    const std::uint8_t* row = source_.GetScanLine(y);
    if (bits_ == 24) return row;
    if (bgr_.empty()) bgr_.resize(8 * static_cast<std::size_t>(width_) * 3);
    std::uint8_t* out = bgr_.data() + static_cast<std::size_t>(slot) * width_ * 3;
    row_to_bgr(row, bits_, table_, 0, width_, out);
    return out;
  }

  void read(int y, PixelF* out) {
    const std::uint8_t* row = source_.GetScanLine(y);
    if (bits_ == 24) {
      for (int x = 0; x < width_; ++x, row += 3) out[x] = {float(row[0]), float(row[1]), float(row[2]), 0.0f};
      return;
    }
    unpack_indices(row, bits_, 0, width_, indices_.data());
    for (int x = 0; x < width_; ++x) out[x] = palette_[indices_[static_cast<std::size_t>(x)]];
  }

private:
  const TDibGraphic& source_;
  int bits_;
  int width_;
  std::array<PixelF, 256> palette_{};
  std::vector<std::uint8_t> indices_;
  PaletteTable table_{};
  std::vector<std::uint8_t> bgr_;
};

// Destination rows written from blue, green, red bytes: directly for true colour, through the
// nearest palette colour otherwise.
class DestRowWriter {
public:
  explicit DestRowWriter(TDibGraphic& dest)
      : dest_(dest), bits_(ImageFormatBits(dest.ImageFormat())), width_(dest.Width()) {
    if (bits_ != 24) {
      const TMaxLogPalette& pal = dest.Palette();
      std::vector<NearestPaletteColor::Entry> entries;
      for (int i = 0; i < pal.palNumEntries && i < 256; ++i)
        entries.push_back({pal.palPalEntry[i].peRed, pal.palPalEntry[i].peGreen, pal.palPalEntry[i].peBlue});
      nearest_ = std::make_unique<NearestPaletteColor>(std::move(entries));
      indices_.resize(static_cast<std::size_t>(width_));
    }
  }

  bool direct() const { return bits_ == 24; }

  void write(int y, const std::uint8_t* bgr) {
    for (int x = 0; x < width_; ++x, bgr += 3)
      indices_[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(nearest_->index_of(bgr[2], bgr[1], bgr[0]));
    pack_indices(indices_.data(), bits_, width_, dest_.GetScanLine(y));
  }

private:
  TDibGraphic& dest_;
  int bits_;
  int width_;
  std::unique_ptr<NearestPaletteColor> nearest_;
  std::vector<std::uint8_t> indices_;
};

class ReaderRows : public ResampleRowSource {
public:
  explicit ReaderRows(SourceRowReader& reader) : reader_(reader) {}
  const std::uint8_t* row(int y, int slot) override { return reader_.bytes(y, slot); }

private:
  SourceRowReader& reader_;
};

class WriterRows : public ResampleRowSink {
public:
  WriterRows(TDibGraphic& dest, DestRowWriter& writer)
      : dest_(dest), writer_(writer), out_(writer.direct() ? 0 : 3 * static_cast<std::size_t>(dest.Width())) {}
  std::uint8_t* row(int y) override { return writer_.direct() ? dest_.GetScanLine(y) : out_.data(); }
  void stored(int y) override {
    if (!writer_.direct()) writer_.write(y, out_.data());
  }

private:
  TDibGraphic& dest_;
  DestRowWriter& writer_;
  std::vector<std::uint8_t> out_;
};

}  // namespace

// Two passes: every source row is resampled to the destination width into a true-colour work
// picture (channels clamped and rounded), then every destination column is resampled from the
// work picture to the destination height.
void TResizeTransform::Resample(TDibGraphic& Source, TDibGraphic& Dest) {
  if (Source.Empty() || Source.Width() < 1 || Source.Height() < 1) throw EZuroroveError("Source graphic too small");
  if (Dest.Width() < 2 || Dest.Height() < 2) throw EZuroroveError("Destination graphic too small");
  const int sw = Source.Width();
  const int sh = Source.Height();
  const int dw = Dest.Width();
  const int dh = Dest.Height();
  const Int64 total = static_cast<Int64>(sh) + dh;

  const PaddedWeights columns{ResampleWeights(sw, dw, FFilter)};
  const std::size_t row_bytes = 3 * static_cast<std::size_t>(dw);
  const std::size_t stride = (row_bytes + 15) & ~std::size_t{15};
  if (resample_kernels() == ResampleKernels::avx2) {
    const PaddedWeights rows{ResampleWeights(sh, dh, FFilter)};
    // The fused kernels keep their work rows as floats, four times the bytes, and eight source
    // rows as floats: where nearly every source row is needed at once (a picture squeezed to a
    // few rows) or the source is extremely wide, the row kernels' byte work picture is the
    // smaller, and they run instead.
    const std::size_t fused_bytes = 4 * row_bytes * static_cast<std::size_t>(fused_work_rows(rows, sh)) +
                                    std::size_t{96} * static_cast<std::size_t>(sw);
    if (sw <= (1 << 24) &&
        fused_bytes <= std::max<std::size_t>(stride * static_cast<std::size_t>(sh), std::size_t{32} << 20)) {
      SourceRowReader reader(Source);
      ReaderRows source_rows(reader);
      DestRowWriter writer(Dest);
      WriterRows dest_rows(Dest, writer);
      resample_fused_avx2(source_rows, sw, sh, dest_rows, dw, dh, columns, rows,
                          [&](long long position) { Progress(position, 0, total); });
      Progress(total, 0, total);
      return;
    }
  }
  std::vector<std::uint8_t> work(stride * static_cast<std::size_t>(sh) + 16);

  {
    SourceRowReader reader(Source);
    std::vector<PixelF> row(static_cast<std::size_t>(sw));
    for (int y = 0; y < sh; ++y) {
      reader.read(y, row.data());
      resample_row_horizontal(&row[0].blue, columns, work.data() + stride * static_cast<std::size_t>(y));
      Progress(y + 1, 0, total);
    }
  }

  const PaddedWeights rows{ResampleWeights(sh, dh, FFilter)};
  DestRowWriter writer(Dest);
  std::vector<const std::uint8_t*> sources(static_cast<std::size_t>(rows.taps()));
  std::vector<std::uint8_t> out(writer.direct() ? 0 : row_bytes);
  for (int y = 0; y < dh; ++y) {
    const int* index = rows.index(y);
    for (int k = 0; k < rows.taps(); ++k)
      sources[static_cast<std::size_t>(k)] = work.data() + stride * static_cast<std::size_t>(index[k]);
    if (writer.direct()) {
      resample_row_vertical(sources.data(), rows.weight(y), rows.taps(), static_cast<int>(row_bytes),
                            Dest.GetScanLine(y));
    } else {
      resample_row_vertical(sources.data(), rows.weight(y), rows.taps(), static_cast<int>(row_bytes), out.data());
      writer.write(y, out.data());
    }
    Progress(static_cast<Int64>(sh) + y + 1, 0, total);
  }
}
