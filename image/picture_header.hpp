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
  // False for a header the decoder cannot read (it would fail on it).
  bool Readable = true;
  // True when the file is too short for the rows of an uncompressed picture it declares, for
  // the run-length codes of an RLE bitmap up to its last row, or for the coded blocks of a
  // Huffman-coded JPEG (at least one bit a block).
  bool Truncated = false;
};

// The header of a PBM, PGM or PPM picture ("P1" to "P6").
struct TPnmHeader {
  char Kind = 0;  // '1' to '6'
  Int64 Width = 0;
  Int64 Height = 0;
  int MaxValue = 1;
  Int64 DataOffset = 0;  // where the pixel data starts, from the header's start
};

// The PNM header at the stream's position, read exactly as FreeImage's reader takes it (what
// lies before a number is skipped, a comment runs from "#" to LF only, numbers wrap at 32 bits
// and each side is taken by its magnitude); nothing when that reader fails on it. The stream's
// position is kept.
std::optional<TPnmHeader> ReadPnmHeader(TStream& Stream);
// The fewest bytes of pixel data with which that reader fills the picture: its binary rows, or
// a digit and a separator per sample of a plain (ASCII) picture; nothing on overflow.
std::optional<Int64> PnmDataBytes(const TPnmHeader& Header);

// The declared size of page `Page` (1-based) of the picture at the stream's position, in the
// format of FreeImage id `FifId` (BMP, JPEG, PNG, PPM, TIFF, GIF); nothing when the header cannot
// be read or names no size. The stream's position is kept.
std::optional<TDeclaredPicture> ReadDeclaredPicture(TStream& Stream, int FifId, int Page);

// The same for a picture of any of those formats, told by its first bytes.
std::optional<TDeclaredPicture> ReadDeclaredPicture(TStream& Stream);

// For a decoder that makes every page of a TIFF and every frame of a GIF at once (libgdiplus):
// the page at which the pixels of the pages so far pass the decompression-bomb limit (a GIF
// frame counted at least as large as the logical screen), or nothing when they stay within it.
// Other formats: the picture itself when it passes the limit. The stream's position is kept.
std::optional<TDeclaredPicture> PageOverPixelLimit(TStream& Stream);

// Raises EZuroroveError "An image of %d x %d pixels is too large" when the declared picture has
// more than MaxDeclaredPixels pixels (the decompression-bomb limit), "The image file is too short
// for its %d x %d pixels" when its rows run past the end of the stream (Truncated), and
// Exception "Unable to convert to internal bitmap format" for a pixel layout that is not
// decodable. Returns false, raising nothing, for a header
// the decoder is known to fail on (a PNM header it cannot read): such a file is refused without
// being handed to the decoder, and the picture stays as it was.
bool CheckDeclaredPicture(TStream& Stream, int FifId, int Page);
bool CheckDeclaredPicture(TStream& Stream);
// The same for a TIFF page read already, in a file of `FileBytes` bytes.
struct TTiffPageInfo;
bool CheckDeclaredTiffPage(const TTiffPageInfo& Info, Int64 FileBytes);
