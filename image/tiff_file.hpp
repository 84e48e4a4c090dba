// Direct access to TIFF directories through libtiff, for what FreeImage neither writes nor
// reports: the text tags of written pages, and the compression and orientation of read pages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/classes.hpp"

// A text tag by its TIFF number; an empty value removes the tag.
struct TTiffTextTag {
  std::uint32_t Tag = 0;
  std::string Value;
};

// The compression and orientation values of one page, when the page carries them.
struct TTiffPageInfo {
  std::optional<std::uint16_t> Compression;
  std::optional<std::uint16_t> Orientation;
};

// Page `Page` (0-based) of the TIFF file that starts at `Start` in the stream; nothing when the
// stream holds no readable TIFF or no such page. The stream's position is kept.
TTiffPageInfo ReadTiffPageInfo(TStream& Stream, Int64 Start, int Page);

// Writes the tags into the last page of the TIFF file that starts at `Start` in the stream and
// runs to its end. Returns false when the stream holds no TIFF libtiff can update.
bool WriteTiffTextTags(TStream& Stream, Int64 Start, const std::vector<TTiffTextTag>& Tags);
