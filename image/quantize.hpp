// Palette optimisation: up to MaxColors representative colours of a picture.
#pragma once

#include "image/zu_misc.hpp"
#include "platform/gdi.hpp"

class TDibGraphic;

// Fills `LogPalette` with at most `MaxColors` (256 at most) colours of `Graphic`; progress
// through `OnProgress` with `LastPercent` as the last percent reported.
void QuantizeColors(TDibGraphic& Graphic, TMaxLogPalette& LogPalette, int MaxColors, int& LastPercent,
                    const TZuroroveProgressEvent& OnProgress);
