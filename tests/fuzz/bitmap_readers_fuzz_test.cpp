// Mutated BMP streams, packed DIBs and icon files: every reader either reads them or raises
// one of the program's exceptions (fixed mutation sets in the ordinary build; the libFuzzer
// harnesses of tests/fuzz/harness cover the same readers under the sanitizers).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "image/dib_graphic.hpp"
#include "tests/fuzz/support/seed_pictures.hpp"

namespace {

std::vector<Byte> stream_bytes(TMemoryStream& s) { return std::vector<Byte>(s.Memory(), s.Memory() + s.Size()); }

// Valid inputs to start from: BMP files of every depth and packed DIBs of every format.
std::vector<std::vector<Byte>> bmp_seeds() {
  std::vector<std::vector<Byte>> seeds;
  for (TPixelFormat f : hw_fuzz::kBitmapFormats) {
    TMemoryStream s;
    hw_fuzz::save_small_bitmap(f, s);
    seeds.push_back(stream_bytes(s));
  }
  return seeds;
}

std::vector<std::vector<Byte>> dib_seeds() {
  std::vector<std::vector<Byte>> seeds;
  for (TImageFormat f : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor}) {
    TDibGraphic g;
    g.NewImage(5, 3, f, nullptr, 0, 0);
    g.SetPixel(1, 1, Rgb(255, 255, 255));
    HGLOBAL h = g.AsDibHandle();
    const Byte* p = static_cast<const Byte*>(GlobalLock(h));
    seeds.emplace_back(p, p + GlobalSize(h));
    GlobalUnlock(h);
    GlobalFree(h);
  }
  // A 32-bit and a 16-bit bitfields DIB.
  std::vector<Byte> d(40 + 12 + 8);
  BITMAPINFOHEADER bh{40, 2, -1, 1, 16, BI_BITFIELDS, 4, 0, 0, 0, 0};
  std::memcpy(d.data(), &bh, 40);
  DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
  std::memcpy(d.data() + 40, masks, 12);
  seeds.push_back(d);
  return seeds;
}

std::vector<Byte> mutate(std::vector<Byte> v, std::mt19937& rng) {
  std::uniform_int_distribution<int> kind(0, 5);
  auto pick = [&](std::size_t n) { return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(rng) : 0; };
  static const std::uint32_t extremes[] = {0, 1, 2, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFF, 0x10000, 40, 12, 124, 257, 0x40000000};
  switch (kind(rng)) {
    case 0:  // flip a few bytes
      for (int i = 0, n = 1 + int(rng() % 8); i < n && !v.empty(); ++i) v[pick(v.size())] ^= Byte(1 + rng() % 255);
      break;
    case 1:  // an extreme value in a header field
      if (v.size() >= 4) {
        std::size_t at = pick(std::min<std::size_t>(v.size() - 3, 70));
        std::uint32_t x = extremes[rng() % std::size(extremes)];
        std::memcpy(v.data() + at, &x, 4);
      }
      break;
    case 2:  // truncate
      v.resize(pick(v.size() + 1));
      break;
    case 3:  // append junk
      for (int i = 0, n = int(rng() % 64); i < n; ++i) v.push_back(Byte(rng()));
      break;
    case 4:  // a 16-bit field
      if (v.size() >= 2) {
        std::size_t at = pick(std::min<std::size_t>(v.size() - 1, 70));
        std::uint16_t x = static_cast<std::uint16_t>(extremes[rng() % std::size(extremes)]);
        std::memcpy(v.data() + at, &x, 2);
      }
      break;
    default:  // two of the above
      v = mutate(mutate(std::move(v), rng), rng);
      break;
  }
  return v;
}

HGLOBAL block_of(const std::vector<Byte>& bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!bytes.empty()) std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
  GlobalUnlock(h);
  return h;
}

// Uses a picture that was read, so that bad pixel layouts would show.
void exercise(TGraphic& g) {
  if (g.Empty()) return;
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(9, 9);
  target.Canvas()->StretchDraw(TRect{0, 0, 9, 9}, &g);
}

}  // namespace

TEST(BitmapReadersFuzz, MutatedBmpStreams) {
  std::mt19937 rng(20240601);
  auto seeds = bmp_seeds();
  int read = 0;
  for (int i = 0; i < 3000; ++i) {
    std::vector<Byte> input = mutate(seeds[i % seeds.size()], rng);
    TBytesStream s(input.data(), static_cast<Int64>(input.size()));
    TBitmap b;
    try {
      b.LoadFromStream(s);
      ++read;
      exercise(b);
      TDibGraphic d;
      d.Assign(&b);
      exercise(d);
    } catch (const Exception&) {
    }
  }
  EXPECT_GT(read, 100);  // many mutations leave a readable file
}

TEST(BitmapReadersFuzz, MutatedPackedDibs) {
  std::mt19937 rng(77);
  auto seeds = dib_seeds();
  int read = 0;
  for (int i = 0; i < 3000; ++i) {
    std::vector<Byte> input = mutate(seeds[i % seeds.size()], rng);
    HGLOBAL h = block_of(input);
    TDibGraphic d;
    try {
      d.AssignFromDIBHandle(h);
      ++read;
      exercise(d);
      HGLOBAL back = d.AsDibHandle();
      GlobalFree(back);
    } catch (const Exception&) {
    }
    try {
      TMemoryStream s;
      TDibGraphic::DibToBmpStream(h, s);
    } catch (const Exception&) {
    }
    GlobalFree(h);
  }
  EXPECT_GT(read, 100);
}

TEST(BitmapReadersFuzz, MutatedIcons) {
  std::mt19937 rng(5);
  std::vector<std::vector<Byte>> seeds;
  for (auto& dib : dib_seeds()) {
    // An icon entry holds a DIB with the height doubled and an AND mask after the rows.
    if (dib.size() < 40) continue;
    std::vector<Byte> e = dib;
    std::int32_t h;
    std::memcpy(&h, e.data() + 8, 4);
    h *= 2;
    std::memcpy(e.data() + 8, &h, 4);
    e.resize(e.size() + 4 * 3, 0);
    std::vector<Byte> f(22, 0);
    f[2] = 1;
    f[4] = 1;
    f[6] = 5;
    f[7] = 3;
    std::uint32_t size = static_cast<std::uint32_t>(e.size()), offset = 22;
    std::memcpy(f.data() + 14, &size, 4);
    std::memcpy(f.data() + 18, &offset, 4);
    f.insert(f.end(), e.begin(), e.end());
    seeds.push_back(f);
  }
  int read = 0;
  for (int i = 0; i < 3000; ++i) {
    std::vector<Byte> input = mutate(seeds[i % seeds.size()], rng);
    TBytesStream s(input.data(), static_cast<Int64>(input.size()));
    TIcon icon;
    try {
      icon.LoadFromStream(s);
      ++read;
      exercise(icon);
    } catch (const Exception&) {
    }
  }
  EXPECT_GT(read, 100);
}
