#include "platform/color_reduction.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

// The pixels of a bitmap as rows of blue, green, red bytes, top row first, no padding.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<Byte> bgr;
  const Byte* row(int y) const { return bgr.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3; }
};

Pixels read_pixels(TBitmap& bitmap) {
  Pixels p;
  p.width = bitmap.Width();
  p.height = bitmap.Height();
  const std::int64_t stride = dib_row_size(p.width, 24);
  std::vector<Byte> rows(static_cast<std::size_t>(stride * p.height));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = p.width;
  bi.bmiHeader.biHeight = p.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  if (GetDIBits(nullptr, bitmap.Handle(), 0, static_cast<UINT>(p.height), rows.data(), &bi, DIB_RGB_COLORS) != p.height)
    throw EInvalidGraphicOperation("Cannot read the bitmap's pixels");
  p.bgr.resize(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 3);
  for (int y = 0; y < p.height; ++y)  // the rows came bottom-up
    std::memcpy(p.bgr.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) * 3,
                rows.data() + (p.height - 1 - y) * stride, static_cast<std::size_t>(p.width) * 3);
  return p;
}

// A palette bitmap of `bits` per pixel with the given colour table; *rows receives its pixel
// rows (bottom-up, `stride` bytes each).
std::unique_ptr<TBitmap> palette_bitmap(int width, int height, int bits, const std::vector<RGBQUAD>& table, Byte** rows) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = 40;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bits);
  bi.bmiHeader.biCompression = BI_RGB;
  bi.bmiHeader.biClrUsed = static_cast<DWORD>(table.size());
  std::copy(table.begin(), table.end(), bi.bmiColors);
  void* pixels = nullptr;
  HBITMAP handle = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!handle) throw EOutOfResources("Out of resources");
  auto result = std::make_unique<TBitmap>();
  result->SetHandle(handle);
  LOGPALETTE lp{};
  lp.palVersion = 0x300;
  lp.palNumEntries = static_cast<WORD>(table.size());
  for (std::size_t i = 0; i < table.size(); ++i)
    lp.palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  result->SetPalette(CreatePalette(&lp));
  *rows = static_cast<Byte*>(pixels);
  return result;
}

// Writes palette index `index` of pixel x into a row of `bits` per pixel.
void put_index(Byte* row, int x, int bits, int index) {
  switch (bits) {
    case 1: {
      const Byte bit = static_cast<Byte>(0x80 >> (x & 7));
      if (index) row[x >> 3] |= bit;
      else row[x >> 3] &= static_cast<Byte>(~bit);
      break;
    }
    case 4: {
      Byte& b = row[x >> 1];
      b = (x & 1) ? static_cast<Byte>((b & 0xF0) | index) : static_cast<Byte>((b & 0x0F) | (index << 4));
      break;
    }
    default: row[x] = static_cast<Byte>(index); break;
  }
}

// Sierra's three-row diffusion: weights of 32 for the pixels right of the current one and on
// the two rows below, from two pixels left to two pixels right.
struct SierraWeight {
  int dy;
  int dx;
  double weight;
};
constexpr std::array<SierraWeight, 10> kSierra = {{{0, 1, 5 / 32.0},
                                                   {0, 2, 3 / 32.0},
                                                   {1, -2, 2 / 32.0},
                                                   {1, -1, 4 / 32.0},
                                                   {1, 0, 5 / 32.0},
                                                   {1, 1, 4 / 32.0},
                                                   {1, 2, 2 / 32.0},
                                                   {2, -1, 2 / 32.0},
                                                   {2, 0, 3 / 32.0},
                                                   {2, 1, 2 / 32.0}}};

// The errors carried to the current row and the two below, `channels` values per pixel, with
// two pixels of margin on each side.
class ErrorRows {
public:
  ErrorRows(int width, int channels) : channels_(channels) {
    for (auto& r : rows_) r.assign(static_cast<std::size_t>(width + 4) * static_cast<std::size_t>(channels), 0.0);
  }
  double* at(int dy, int x) { return rows_[static_cast<std::size_t>((first_ + dy) % 3)].data() + static_cast<std::size_t>(x + 2) * channels_; }
  void spread(int x, const double* error) {
    for (const SierraWeight& w : kSierra) {
      double* e = at(w.dy, x + w.dx);
      for (int c = 0; c < channels_; ++c) e[c] += error[c] * w.weight;
    }
  }
  // Moves on to the next row: the row two below becomes fresh.
  void next_row() {
    std::fill(rows_[static_cast<std::size_t>(first_)].begin(), rows_[static_cast<std::size_t>(first_)].end(), 0.0);
    first_ = (first_ + 1) % 3;
  }

private:
  int channels_;
  int first_ = 0;
  std::array<std::vector<double>, 3> rows_;
};

// ---- Greyscale -----------------------------------------------------------------------------
std::unique_ptr<TBitmap> reduce_to_grey(const Pixels& p, TDitherMode dither) {
  std::vector<RGBQUAD> table(256);
  for (int i = 0; i < 256; ++i) table[static_cast<std::size_t>(i)] = RGBQUAD{Byte(i), Byte(i), Byte(i), 0};
  Byte* rows = nullptr;
  auto result = palette_bitmap(p.width, p.height, 8, table, &rows);
  const std::int64_t stride = dib_row_size(p.width, 8);
  ErrorRows errors(p.width, 1);
  for (int y = 0; y < p.height; ++y) {
    const Byte* src = p.row(y);
    Byte* dst = rows + (p.height - 1 - y) * stride;
    for (int x = 0; x < p.width; ++x) {
      const Byte* px = src + 3 * x;
      // Thousandths keep a grey pixel's own level exact.
      double level = (299 * px[2] + 587 * px[1] + 114 * px[0]) / 1000.0;
      if (dither == dmSierra) level += *errors.at(0, x);
      const int index = static_cast<int>(std::clamp(std::floor(level + 0.5), 0.0, 255.0));
      dst[x] = static_cast<Byte>(index);
      if (dither == dmSierra) {
        const double error = level - index;
        errors.spread(x, &error);
      }
    }
    errors.next_row();
  }
  return result;
}

// ---- Octree quantiser ------------------------------------------------------------------------
class Octree {
public:
  explicit Octree(std::size_t max_colours) : max_colours_(max_colours) {
    nodes_.push_back(Node{});
    reducible_[0].push_back(0);
  }

  void add(Byte r, Byte g, Byte b) {
    std::size_t node = 0;
    while (!nodes_[node].leaf) {
      const int level = nodes_[node].level;
      const int shift = 7 - level;
      const std::size_t child = static_cast<std::size_t>((((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1));
      int next = nodes_[node].child[child];
      if (next < 0) {
        next = static_cast<int>(nodes_.size());
        Node fresh;
        fresh.level = level + 1;
        fresh.leaf = fresh.level == kDepth;
        nodes_.push_back(fresh);
        nodes_[node].child[child] = next;
        if (fresh.leaf) ++leaves_;
        else reducible_[static_cast<std::size_t>(fresh.level)].push_back(next);
      }
      node = static_cast<std::size_t>(next);
    }
    Node& n = nodes_[node];
    n.count += 1;
    n.r += r;
    n.g += g;
    n.b += b;
    while (leaves_ > max_colours_) reduce();
  }

  // The leaves' mean colours in tree order.
  std::vector<RGBQUAD> palette() const {
    std::vector<RGBQUAD> out;
    collect(0, out);
    return out;
  }

private:
  static constexpr int kDepth = 8;
  struct Node {
    std::uint64_t count = 0, r = 0, g = 0, b = 0;
    std::array<int, 8> child{-1, -1, -1, -1, -1, -1, -1, -1};
    int level = 0;
    bool leaf = false;
  };

  // Folds the deepest inner node holding the fewest pixels (the first of equals) into a leaf.
  void reduce() {
    for (int level = kDepth - 1; level >= 0; --level) {
      const std::vector<int>& list = reducible_[static_cast<std::size_t>(level)];
      if (list.empty()) continue;
      int best = list.front();
      std::uint64_t best_count = subtree_count(best);
      for (int n : list) {
        const std::uint64_t c = subtree_count(n);
        if (c < best_count) best = n, best_count = c;
      }
      merge(best);
      return;
    }
  }

  std::uint64_t subtree_count(int node) const {
    const Node& n = nodes_[static_cast<std::size_t>(node)];
    std::uint64_t c = n.count;
    for (int ch : n.child)
      if (ch >= 0) c += subtree_count(ch);
    return c;
  }

  void merge(int node) {
    for (std::size_t i = 0; i < 8; ++i) {
      const int ch = nodes_[static_cast<std::size_t>(node)].child[i];
      if (ch < 0) continue;
      if (!nodes_[static_cast<std::size_t>(ch)].leaf) merge(ch);
      const Node c = nodes_[static_cast<std::size_t>(ch)];
      Node& n = nodes_[static_cast<std::size_t>(node)];
      n.count += c.count;
      n.r += c.r;
      n.g += c.g;
      n.b += c.b;
      n.child[i] = -1;
      --leaves_;
    }
    Node& n = nodes_[static_cast<std::size_t>(node)];
    auto& list = reducible_[static_cast<std::size_t>(n.level)];
    list.erase(std::remove(list.begin(), list.end(), node), list.end());
    n.leaf = true;
    ++leaves_;
  }

  void collect(int node, std::vector<RGBQUAD>& out) const {
    const Node& n = nodes_[static_cast<std::size_t>(node)];
    if (n.leaf) {
      if (n.count == 0) return;
      auto mean = [&](std::uint64_t sum) { return static_cast<Byte>((sum + n.count / 2) / n.count); };
      out.push_back(RGBQUAD{mean(n.b), mean(n.g), mean(n.r), 0});
      return;
    }
    for (int ch : n.child)
      if (ch >= 0) collect(ch, out);
  }

  std::size_t max_colours_;
  std::size_t leaves_ = 0;
  std::vector<Node> nodes_;
  std::array<std::vector<int>, kDepth> reducible_;
};

// The nearest palette entry by squared distance; the first of equals.
int nearest(const std::vector<RGBQUAD>& table, double r, double g, double b) {
  int best = 0;
  double best_d = -1;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const double dr = r - table[i].rgbRed, dg = g - table[i].rgbGreen, db = b - table[i].rgbBlue;
    const double d = dr * dr + dg * dg + db * db;
    if (best_d < 0 || d < best_d) best = static_cast<int>(i), best_d = d;
  }
  return best;
}

std::unique_ptr<TBitmap> quantize(const Pixels& p, TDitherMode dither, int bits) {
  Octree tree(std::size_t{1} << bits);
  for (int y = 0; y < p.height; ++y) {
    const Byte* src = p.row(y);
    for (int x = 0; x < p.width; ++x) tree.add(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
  }
  const std::vector<RGBQUAD> table = tree.palette();
  const int out_bits = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
  Byte* rows = nullptr;
  auto result = palette_bitmap(p.width, p.height, out_bits, table, &rows);
  const std::int64_t stride = dib_row_size(p.width, out_bits);
  std::unordered_map<std::uint32_t, int> cache;
  ErrorRows errors(p.width, 3);
  for (int y = 0; y < p.height; ++y) {
    const Byte* src = p.row(y);
    Byte* dst = rows + (p.height - 1 - y) * stride;
    for (int x = 0; x < p.width; ++x) {
      const Byte* px = src + 3 * x;
      int index;
      if (dither == dmSierra) {
        const double* e = errors.at(0, x);
        const double r = std::clamp(px[2] + e[0], 0.0, 255.0);
        const double g = std::clamp(px[1] + e[1], 0.0, 255.0);
        const double b = std::clamp(px[0] + e[2], 0.0, 255.0);
        index = nearest(table, r, g, b);
        const RGBQUAD& q = table[static_cast<std::size_t>(index)];
        const double error[3] = {r - q.rgbRed, g - q.rgbGreen, b - q.rgbBlue};
        errors.spread(x, error);
      } else {
        const std::uint32_t key = px[2] | (std::uint32_t{px[1]} << 8) | (std::uint32_t{px[0]} << 16);
        auto found = cache.find(key);
        if (found == cache.end()) found = cache.emplace(key, nearest(table, px[2], px[1], px[0])).first;
        index = found->second;
      }
      put_index(dst, x, out_bits, index);
    }
    errors.next_row();
  }
  return result;
}

}  // namespace

std::unique_ptr<TBitmap> ReduceBitmapColors(TBitmap& Bitmap, TColorReduction ColorReduction, TDitherMode DitherMode,
                                            int ReductionBits) {
  if (Bitmap.Empty() || Bitmap.Width() < 1 || Bitmap.Height() < 1)
    throw EInvalidGraphicOperation("Cannot reduce the colours of an empty bitmap");
  if (ColorReduction == rmQuantize && (ReductionBits < 1 || ReductionBits > 8))
    throw EInvalidGraphicOperation("Invalid number of reduction bits (%d)", {ReductionBits});
  const Pixels pixels = read_pixels(Bitmap);
  return ColorReduction == rmGrayScale ? reduce_to_grey(pixels, DitherMode) : quantize(pixels, DitherMode, ReductionBits);
}
