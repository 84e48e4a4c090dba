// The check a metafile passes before libgdiplus may play it. libgdiplus trusts what a metafile
// says (counts, offsets, sizes, object indices) and reads past its buffers, loops or copies
// whatever a record claims; only records of the kinds listed in metafile_check.cpp, each checked
// against its own bytes, are handed over.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zu_gdiplus {

enum class MetafileKind { None, Enhanced, Windows };

// Which metafile the bytes start as (an enhanced one, a Windows one with or without its
// placeable header), by their first bytes only.
MetafileKind metafile_kind(const std::uint8_t* data, std::size_t size);

// Whether every header field and every record of the metafile passes: sizes inside the data,
// counts and offsets inside their records, DIBs whole and within the pixel limit, object
// indices inside the object table, and no record of a kind not listed. False for bytes that
// are no metafile.
bool metafile_playable(const std::uint8_t* data, std::size_t size);

}  // namespace zu_gdiplus
