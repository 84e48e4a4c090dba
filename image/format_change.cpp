#include "image/format_change.hpp"

#include "image/dib_graphic.hpp"
#include "image/format_transform.hpp"

void ChangeImageFormat(TDibGraphic& Source, TDibGraphic& Dest, TImageFormat Format, bool Quantize, bool Dither) {
  TImageFormatTransform transform;
  transform.SetImageFormat(Format);
  transform.SetQuantize(Quantize);
  transform.SetDither(Dither);
  transform.ApplyOnDest(Source, Dest);
}
