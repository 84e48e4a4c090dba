// Stand-in format change: nearest palette colours, no error diffusion.
#include "image/format_change.hpp"

#include "image/dib_graphic.hpp"
#include "image/quantize.hpp"

void ChangeImageFormat(TDibGraphic& Source, TDibGraphic& Dest, TImageFormat Format, bool Quantize, bool) {
  TMaxLogPalette palette{};
  const TMaxLogPalette* p = nullptr;
  if ((Format == ifColor16 || Format == ifColor256) && Quantize) {
    int last = 255;
    QuantizeColors(Source, palette, Format == ifColor16 ? 16 : 256, last, {});
    p = &palette;
  }
  Dest.NewImage(Source.Width(), Source.Height(), Format, p, Source.XDotsPerInch(), Source.YDotsPerInch());
  for (int y = 0; y < Source.Height(); ++y)
    for (int x = 0; x < Source.Width(); ++x) Dest.SetPixel(x, y, Source.GetPixel(x, y));
}
