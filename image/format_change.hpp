// The change of pixel format the picture model asks of the transforms: `Dest` receives
// `Source` in `Format`, with a quantised palette and error diffusion as asked.
#pragma once

#include "image/zu_types.hpp"

class TDibGraphic;

void ChangeImageFormat(TDibGraphic& Source, TDibGraphic& Dest, TImageFormat Format, bool Quantize, bool Dither);
