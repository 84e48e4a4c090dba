// The size a picture file declares in its header, read before the file is decoded, so that a
// picture too large to be held is refused before any decoder allocates room for it.
#pragma once

#include <optional>

#include "platform/classes.hpp"

struct TDeclaredPicture {
  Int64 Width = 0;
  Int64 Height = 0;
  int Bits = 0;  // of the picture it becomes: 1, 4, 8 or 24
  // False for a pixel layout the decoder is known to fail on, fatally (see picture_header.cpp).
  bool Decodable = true;
};

// The declared size of page `Page` (1-based) of the picture at the stream's position, in the
// format of FreeImage id `FifId` (BMP, JPEG, PNG, PPM, TIFF, GIF); nothing when the header cannot
// be read or names no size. The stream's position is kept.
std::optional<TDeclaredPicture> ReadDeclaredPicture(TStream& Stream, int FifId, int Page);

// The same for a picture of any of those formats, told by its first bytes.
std::optional<TDeclaredPicture> ReadDeclaredPicture(TStream& Stream);

// Raises EZuroroveError "An image of %d x %d pixels is too large" when the declared picture
// would need more than 2^31 - 1 bytes of pixels, as the picture model refuses it anyway, and
// Exception "Unable to convert to internal bitmap format" for a pixel layout that is not
// decodable.
void CheckDeclaredPicture(TStream& Stream, int FifId, int Page);
void CheckDeclaredPicture(TStream& Stream);
