#include "image/format_transform.hpp"

#include <algorithm>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/nearest_palette_color.hpp"
#include "image/pixel_rows.hpp"
#include "image/quantize.hpp"

TImageFormatTransform::TImageFormatTransform() = default;

void TImageFormatTransform::Apply(TDibGraphic& DibGraphic) {
  if (DibGraphic.ImageFormat() != FImageFormat) TImageTransform::Apply(DibGraphic);
}

void TImageFormatTransform::ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) {
  if (&Source == &Dest) {
    Apply(Source);
    return;
  }
  ImageFormatBits(FImageFormat);  // refuses an invalid format before anything changes
  BeginProgress();
  Progress(0, 0, 100);

  const TMaxLogPalette* palette = nullptr;
  if (FImageFormat == ifColor16 || FImageFormat == ifColor256) {
    const int colors = FImageFormat == ifColor16 ? 16 : 256;
    if (FQuantize) {
      // The quantiser reports on its own scale; its percents are passed on as the first half
      // (with diffusion) or the whole of this transform's scale.
      int quantize_last = 255;
      const Int64 scale = FDither ? 200 : 99;
      TZuroroveProgressEvent forward;
      if (FOnProgress) forward = [this, scale](TObject*, Byte percent) { Progress(percent, 0, scale); };
      QuantizeColors(Source, FPalette, colors, quantize_last, forward);
    } else if (FPalette.palNumEntries == 0) {
      FPalette = DefaultPalette(FImageFormat);
    }
    palette = &FPalette;
  }
  Dest.NewImage(Source.Width(), Source.Height(), FImageFormat, palette, Source.XDotsPerInch(), Source.YDotsPerInch());

  if (FDither && FImageFormat != ifTrueColor) {
    Diffuse(Source, Dest);
  } else {
    SetStretchBltMode(Dest.DC(), COLORONCOLOR);
    StretchDIBits(Dest.DC(), 0, 0, Source.Width(), Source.Height(), 0, 0, Source.Width(), Source.Height(),
                  Source.Bits(), &Source.BitmapInfo(), DIB_RGB_COLORS, SRCCOPY);
  }
  Progress(100, 0, 100);
}

// Floyd-Steinberg diffusion (7, 3, 5, 1 sixteenths) against the destination's palette. `want`
// holds the colours of this row with the errors passed on to them, `next` the shares for the
// row below; every share is truncated toward zero and every sum kept within 0..255, so
// negative shares never reach the row below. The first and last pixel of a row pass no error.
void TImageFormatTransform::Diffuse(TDibGraphic& Source, TDibGraphic& Dest) {
  const int w = Source.Width();
  const int h = Source.Height();
  const int source_bits = ImageFormatBits(Source.ImageFormat());
  const int dest_bits = ImageFormatBits(Dest.ImageFormat());
  const PaletteTable source_palette = palette_table(Source.Palette());
  const TMaxLogPalette& pal = Dest.Palette();
  std::vector<NearestPaletteColor::Entry> entries;
  for (int i = 0; i < pal.palNumEntries && i < 256; ++i)
    entries.push_back({pal.palPalEntry[i].peRed, pal.palPalEntry[i].peGreen, pal.palPalEntry[i].peBlue});
  NearestPaletteColor nearest(std::move(entries));
  const PaletteTable dest_palette = palette_table(pal);

  const std::size_t n = static_cast<std::size_t>(w) * 3;
  std::vector<int> want(n, 0);
  std::vector<int> next(n, 0);
  std::vector<std::uint8_t> bgr(n);
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(w));
  auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
  auto put = [&](int x) {
    const int* c = &want[3 * static_cast<std::size_t>(x)];  // red, green, blue
    const int index = nearest.index_of(c[0], c[1], c[2]);
    indices[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(index);
    return index;
  };

  for (int y = 0; y < h; ++y) {
    row_to_bgr(Source.GetScanLine(y), source_bits, source_palette, 0, w, bgr.data());
    for (int x = 0; x < w; ++x) {
      for (int k = 0; k < 3; ++k) {
        const std::size_t i = 3 * static_cast<std::size_t>(x) + k;
        want[i] = clamp(next[i] + bgr[3 * static_cast<std::size_t>(x) + 2 - k]);
        next[i] = 0;
      }
    }
    put(0);
    for (int x = 1; x <= w - 2; ++x) {
      const TRgb got = dest_palette[static_cast<std::size_t>(put(x))];
      const int channel[3] = {got.Red, got.Green, got.Blue};
      for (int k = 0; k < 3; ++k) {
        const int e = want[3 * static_cast<std::size_t>(x) + k] - channel[k];
        int& right = want[3 * static_cast<std::size_t>(x + 1) + k];
        right = clamp(right + e * 7 / 16);
        int& below_left = next[3 * static_cast<std::size_t>(x - 1) + k];
        below_left = clamp(below_left + e * 3 / 16);
        int& below = next[3 * static_cast<std::size_t>(x) + k];
        below = clamp(below + e * 5 / 16);
        int& below_right = next[3 * static_cast<std::size_t>(x + 1) + k];
        below_right = clamp(below_right + e / 16);
      }
    }
    put(w - 1);
    pack_indices(indices.data(), dest_bits, w, Dest.GetScanLine(y));
    if (FQuantize) {
      Progress((h - 1 - y) / 2 + y, 0, h - 1);
    } else {
      Progress(y, 0, h - 1);
    }
  }
}
