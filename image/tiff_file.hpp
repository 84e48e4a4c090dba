// Direct access to TIFF directories through libtiff, for what FreeImage neither writes nor
// reports: the text tags of written pages, and the compression and orientation of read pages.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/classes.hpp"

// A text tag by its TIFF number; an empty value removes the tag.
struct TTiffTextTag {
  std::uint32_t Tag = 0;
  std::string Value;
};

// The compression and orientation values of one page, when the page carries them, and its
// size and depth (0 when unknown).
struct TTiffPageInfo {
  std::optional<std::uint16_t> Compression;
  std::optional<std::uint16_t> Orientation;
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  int BitsPerSample = 0;
  int SamplesPerPixel = 0;
  int Photometric = -1;  // -1 when absent
  int SampleFormat = 1;
  int PlanarConfig = 1;  // 2: each sample in a plane of its own
  // For uncompressed data: where the last strip or tile ends, each holding all its rows (0 for
  // compressed data or when the offsets cannot be read).
  std::uint64_t UncompressedEnd = 0;
  bool HasSamplesPerPixel = false;  // the tag itself, not its default
  std::uint64_t DirectoryOffset = 0;  // from the file's start
};

// The TIFF file that starts at `Start` in another stream, from its first byte (position 0 here),
// as if its first directory were the one at `Directory` (from the file's start): the same bytes
// but for the header's link to the first directory. A decoder reads that page as the first one,
// without walking the directories before it. Read-only; the other stream must not change while
// this one is in use, and `Directory` must be a directory libtiff reached in that file.
class TTiffDirectoryView : public TReadOnlyStream {
public:
  TTiffDirectoryView(TStream& Source, Int64 Start, std::uint64_t Directory);
  std::string ClassName() const override { return "TTiffDirectoryView"; }
  Int64 Read(void* Buffer, Int64 Count) override;

private:
  TStream& source_;
  Int64 start_;
  // The header as this view shows it, its link changed (nothing changed in a header that is no
  // TIFF header), kept here so that reading it does not move the other stream's buffer away from
  // the directories.
  Byte head_[16] = {};
  Int64 head_size_ = 0;
};

// Page `Page` (0-based) of the TIFF file that starts at `Start` in the stream; nothing when the
// stream holds no readable TIFF or no such page. The stream's position is kept.
TTiffPageInfo ReadTiffPageInfo(TStream& Stream, Int64 Start, int Page);

// Every page of the TIFF file that starts at `Start`, in one walk through its directories, until
// the pages' pixels add up to more than `PixelLimit` (that page is the last one listed). The
// stream's position is kept.
std::vector<TTiffPageInfo> ReadTiffPagesInfo(TStream& Stream, Int64 Start, Int64 PixelLimit);

// FreeImage reads one byte past its pixel buffer when an 8-bit page has no SamplesPerPixel tag
// (which then counts as 1). For such a page `Page` (0-based) of the classic TIFF file that starts
// at the stream's position: the whole file with a copy of the page's directory, that tag (1)
// added, appended at its end and linked in place of the old one, so that the decoder reads the
// page as libtiff does. Nothing for any other file or page. The stream's position is kept.
std::optional<std::vector<Byte>> TiffWithSamplesPerPixel(TStream& Stream, int Page);
// The same, in one copy, for every such page of `Pages`: the pages as ReadTiffPagesInfo lists
// them for that file, in order from the first. Nothing when no page gets the tag.
std::optional<std::vector<Byte>> TiffWithSamplesPerPixel(TStream& Stream, const std::vector<TTiffPageInfo>& Pages);

// Width and height of every page of the TIFF file that starts at `Start`, in order, until the
// pages' pixels add up to more than `PixelLimit` (that page is the last one listed); nothing for
// a stream without a readable TIFF. The stream's position is kept.
std::vector<std::pair<std::uint32_t, std::uint32_t>> ReadTiffPageSizes(TStream& Stream, Int64 Start, Int64 PixelLimit);

// The tags of one page: text tags (an empty value stands for an absent tag) and the
// orientation when there is one.
struct TTiffPageTags {
  std::vector<TTiffTextTag> Text;
  std::optional<std::uint16_t> Orientation;
  // The colour table the page was written from (red, green, blue; 2^bits entries), for a page
  // of 1 to 8 bits per pixel; empty for none.
  std::vector<std::array<Byte, 3>> Colours;
};

// The text tags numbered in `TextTags`, the orientation and the colour map, of every page of the TIFF file that
// starts at `Start` in the stream; nothing for a stream without a readable TIFF. The stream's
// position is kept.
std::vector<TTiffPageTags> ReadTiffPageTags(TStream& Stream, Int64 Start, const std::vector<std::uint32_t>& TextTags);

// Writes the tags into page `Page` (0-based, -1 for the last) of the TIFF file that starts at
// `Start` in the stream and runs to its end: text tags with a value are set, those without are
// removed, and the orientation is set when given. A page written as plain or inverted grey whose
// `Colours` are not exactly that ramp gets them as its colour map. The stream's position ends at its end.
// Returns false when the stream holds no TIFF libtiff can update.
bool WriteTiffPageTags(TStream& Stream, Int64 Start, int Page, const TTiffPageTags& Tags);
