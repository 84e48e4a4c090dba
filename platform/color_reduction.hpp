// The colour reduction of the class library's GIF unit: a bitmap reduced to a palette bitmap,
// by greyscale conversion or by an octree quantiser, with or without error diffusion.
#pragma once

#include <memory>

#include "platform/graphics.hpp"

enum TColorReduction {
  // 256 greys, black to white (an 8-bit bitmap); the grey of a pixel is its luminance
  // 0.299 R + 0.587 G + 0.114 B.
  rmGrayScale,
  // An octree quantiser builds a palette of at most 2^ReductionBits colours from the pixels
  // (fewer when the picture has fewer colours). The palette lists the octree's leaves in tree
  // order, which puts greys dark to light. 1 bit gives a 1-bit bitmap, 2 to 4 bits a 4-bit one,
  // 5 to 8 bits an 8-bit one; the colour table holds only the palette's entries.
  rmQuantize,
};

enum TDitherMode {
  dmNearest,  // every pixel takes its nearest palette colour
  dmSierra,   // the error is spread over the next two rows with Sierra's weights (of 32)
};

// Returns a new palette bitmap (with GetPalette giving its entries); `Bitmap` is left unchanged.
// Raises EInvalidGraphicOperation for an empty bitmap and for ReductionBits outside 1..8
// (rmQuantize; rmGrayScale always makes 256 greys).
std::unique_ptr<TBitmap> ReduceBitmapColors(TBitmap& Bitmap, TColorReduction ColorReduction, TDitherMode DitherMode,
                                            int ReductionBits);
