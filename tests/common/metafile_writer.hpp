// Small metafiles for the tests and the fuzzing seeds: `width` x `height` pixels with a filled
// polygon (EMF) or rectangle (WMF, in twips) from (2, 2) to (width - 2, height - 2) of colour `bgr`;
// and metafiles of any records, each written as its fields.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

namespace hw_test {

inline std::vector<std::uint8_t> small_metafile(bool emf, int width, int height, std::uint32_t bgr) {
  std::vector<std::uint8_t> b;
  const auto le = [&](std::int64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  using L = std::initializer_list<std::int64_t>;
  const std::int64_t w = width, h = height, t = 15, c = bgr;  // t: twips a pixel
  if (emf) {  // header (bounds, frame in 0.01 mm, size, device), brush, select, polygon, end
    for (std::int64_t v : L{1, 88, 0, 0, w - 1, h - 1, 0, 0, w * 2540 / 96, h * 2540 / 96, 0x464D4520, 0x10000,
                           188, 5, 2, 0, 0, 0, 1024, 768, 271, 203, 39, 24, 1, 0, c, 0, 37, 12, 1, 86, 44, 2, 2,
                           w - 2, h - 2, 4})
      le(v, 4);
    for (std::int64_t v : L{2, 2, w - 2, 2, w - 2, h - 2, 2, h - 2}) le(v, 2);
    for (std::int64_t v : L{14, 20, 0, 16, 20}) le(v, 4);
    return b;
  }
  // placeable header with its checksum, header, window extent, brush, select, rectangle, end
  const std::int64_t key = 0x9AC6CDD7, sum = 0xCDD7 ^ 0x9AC6 ^ w ^ h ^ 96;
  for (std::int64_t v : L{key & 0xFFFF, key >> 16, 0, 0, 0, w, h, 96, 0, 0, sum, 1, 9, 0x300, 35, 0, 1, 7, 0, 0,
                         5, 0, 0x020C, h * t, w * t, 7, 0, 0x02FC, 0, c & 0xFFFF, c >> 16, 0, 4, 0, 0x012D, 0,
                         7, 0, 0x041B, (h - 2) * t, (w - 2) * t, 2 * t, 2 * t, 3, 0, 0})
    le(v, 2);
  return b;
}

using MetafileBytes = std::vector<std::uint8_t>;

inline void put_le(MetafileBytes& b, std::int64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// One record of an enhanced metafile: its type, its 32-bit fields, then `raw` (padded to 4 bytes).
inline MetafileBytes emf_record(std::uint32_t type, std::initializer_list<std::int64_t> fields,
                                const MetafileBytes& raw = {}) {
  MetafileBytes b;
  const std::size_t size = 8 + 4 * fields.size() + (raw.size() + 3) / 4 * 4;
  put_le(b, type, 4), put_le(b, static_cast<std::int64_t>(size), 4);
  for (std::int64_t v : fields) put_le(b, v, 4);
  b.insert(b.end(), raw.begin(), raw.end());
  b.resize(size, 0);
  return b;
}

// 16-bit values (points of the 16-bit records, WMF parameters) as bytes.
inline MetafileBytes words(std::initializer_list<std::int64_t> values) {
  MetafileBytes b;
  for (std::int64_t v : values) put_le(b, v, 2);
  return b;
}

// The header of an enhanced metafile: its frame in 0.01 mm, the reference device in pixels and
// millimetres (2540 pixels in 254 mm: a frame of 10 N is N pixels, libgdiplus adds one), and
// the header's micrometre fields when `micrometres` is given.
struct EmfHeader {
  std::int64_t frame[4] = {0, 0, 400, 300};
  std::int64_t device[2] = {2540, 2540};
  std::int64_t millimetres[2] = {254, 254};
  std::optional<std::pair<std::int64_t, std::int64_t>> micrometres;
  std::int64_t handles = 8;
};

// An enhanced metafile of the records between its header and its end record.
inline MetafileBytes emf_file(const std::vector<MetafileBytes>& records, const EmfHeader& h = {}) {
  MetafileBytes body;
  for (const MetafileBytes& r : records) body.insert(body.end(), r.begin(), r.end());
  const MetafileBytes end = emf_record(14, {0, 16, 20});
  body.insert(body.end(), end.begin(), end.end());
  const std::int64_t header = h.micrometres ? 108 : 88;
  MetafileBytes b;
  using L = std::initializer_list<std::int64_t>;
  for (std::int64_t v : L{1, header, h.frame[0] / 10, h.frame[1] / 10, h.frame[2] / 10, h.frame[3] / 10, h.frame[0],
                         h.frame[1], h.frame[2], h.frame[3], 0x464D4520, 0x10000,
                         header + static_cast<std::int64_t>(body.size()), static_cast<std::int64_t>(records.size()) + 2,
                         h.handles, 0, 0, 0, h.device[0], h.device[1], h.millimetres[0], h.millimetres[1]})
    put_le(b, v, 4);
  if (h.micrometres)
    for (std::int64_t v : L{0, 0, 0, h.micrometres->first, h.micrometres->second}) put_le(b, v, 4);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// One record of a Windows metafile: its function and 16-bit parameters, then `raw` (padded to 2).
inline MetafileBytes wmf_record(std::uint16_t function, std::initializer_list<std::int64_t> parameters,
                                const MetafileBytes& raw = {}) {
  MetafileBytes b;
  const std::size_t size = 6 + 2 * parameters.size() + (raw.size() + 1) / 2 * 2;
  put_le(b, static_cast<std::int64_t>(size / 2), 4), put_le(b, function, 2);
  for (std::int64_t v : parameters) put_le(b, v, 2);
  b.insert(b.end(), raw.begin(), raw.end());
  b.resize(size, 0);
  return b;
}

// A placeable Windows metafile of `width` x `height` pixels (96 units an inch) with an object
// table of `objects` slots: the records, then the end record.
inline MetafileBytes wmf_file(const std::vector<MetafileBytes>& records, int width, int height, int objects = 4) {
  MetafileBytes body;
  std::int64_t largest = 3;
  for (const MetafileBytes& r : records) {
    body.insert(body.end(), r.begin(), r.end());
    largest = std::max<std::int64_t>(largest, static_cast<std::int64_t>(r.size() / 2));
  }
  const MetafileBytes end = wmf_record(0, {});
  body.insert(body.end(), end.begin(), end.end());
  MetafileBytes b;
  const std::int64_t key = 0x9AC6CDD7, sum = 0xCDD7 ^ 0x9AC6 ^ width ^ height ^ 96;
  const std::int64_t total = 9 + static_cast<std::int64_t>(body.size() / 2);
  for (std::int64_t v : {key & 0xFFFF, key >> 16, std::int64_t{0}, std::int64_t{0}, std::int64_t{0},
                         std::int64_t{width}, std::int64_t{height}, std::int64_t{96}, std::int64_t{0}, std::int64_t{0},
                         sum, std::int64_t{1}, std::int64_t{9}, std::int64_t{0x300}, total & 0xFFFF, total >> 16,
                         std::int64_t{objects}, largest & 0xFFFF, largest >> 16, std::int64_t{0}})
    put_le(b, v, 2);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// A packed DIB of `width` x `height` pixels of `bits` bits, colour table and rows of zeros
// (`rows` of them, all of them when negative).
inline MetafileBytes packed_dib(std::int64_t width, std::int64_t height, int bits, std::int64_t rows = -1) {
  MetafileBytes b;
  for (std::int64_t v : {std::int64_t{40}, width, height}) put_le(b, v, 4);
  put_le(b, 1, 2), put_le(b, bits, 2);
  for (int i = 0; i < 6; ++i) put_le(b, 0, 4);
  const std::int64_t table = bits <= 8 ? std::int64_t{4} << bits : 0;
  const std::int64_t stride = (width * bits + 31) / 32 * 4;
  b.resize(b.size() + static_cast<std::size_t>(table + stride * (rows < 0 ? height : rows)), 0);
  return b;
}

}  // namespace hw_test
