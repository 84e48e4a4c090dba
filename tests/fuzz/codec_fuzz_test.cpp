// Damaged picture files through format detection and the codec layer: every one gives a picture
// or one of the program's exceptions, never a crash (the libFuzzer harnesses cover the same
// paths under the sanitizers); and the multi-page and 16-bit paths run clean.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "common/test_env.hpp"
#include "image/format_registry.hpp"
#include "image/freeimage_api.hpp"
#include "image/freeimage_codec.hpp"
#include "image/icon_graphic.hpp"
#include "image/jpeg_graphic.hpp"
#include "image/png_graphic.hpp"
#include "image/ppm_graphic.hpp"
#include "image/tiff_graphic.hpp"

namespace {

using bytes = std::vector<Byte>;

bytes stream_bytes(TMemoryStream& s) { return bytes(s.Memory(), s.Memory() + s.Size()); }

void paint(TDibGraphic& p, std::uint32_t seed) {
  std::mt19937 rng(seed);
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) {
      std::uint32_t v = (x / 3 + y / 2) % 5 == 0 ? rng() : 0x336699u * static_cast<std::uint32_t>(x + y);
      p.SetPixel(x, y, Rgb(static_cast<Byte>(v), static_cast<Byte>(v >> 8), static_cast<Byte>(v >> 16)));
    }
}

template <class T>
std::unique_ptr<T> picture(int w, int h, TImageFormat f, std::uint32_t seed) {
  auto p = std::make_unique<T>();
  p->NewImage(w, h, f, nullptr, 0, 0);
  paint(*p, seed);
  return p;
}

// A picture file written by FreeImage itself (for what the library does not write).
bytes freeimage_file(FREE_IMAGE_FORMAT fif, FIBITMAP* bitmap, int flags = 0) {
  const TFreeImageEntries& fi = FreeImageAPI();
  TMemoryStream s;
  EXPECT_TRUE(fi.FreeImage_SaveToHandle(fif, bitmap, StreamIO(), static_cast<TStream*>(&s), flags));
  fi.FreeImage_Unload(bitmap);
  return stream_bytes(s);
}

FIBITMAP* freeimage_bitmap(const TDibGraphic& p) {
  HGLOBAL dib = p.AsDibHandle();
  FIBITMAP* b = DibToFIBitmap(dib);
  GlobalFree(dib);
  return b;
}

struct seed_file {
  const char* name;
  bytes data;
  TDibGraphicClass cls;
};

template <class T>
TDibGraphicClass class_of() {
  return [] { return std::make_unique<T>(); };
}

std::vector<seed_file> seeds() {
  const TFreeImageEntries& fi = FreeImageAPI();
  std::vector<seed_file> out;
  auto save = [](TDibGraphic& p) {
    TMemoryStream s;
    p.SaveToStream(s);
    return stream_bytes(s);
  };
  // PNG: palettes of every depth, grey, colour, alpha and interlacing from our own writer.
  for (TImageFormat f : {ifBlackWhite, ifColor16, ifGray256, ifTrueColor}) {
    auto p = picture<TPngGraphic>(13, 9, f, f);
    p->SaveProgressive = f != ifGray256;
    out.push_back({"png", save(*p), class_of<TPngGraphic>()});
  }
  {
    auto p = picture<TPngGraphic>(11, 7, ifTrueColor, 5);
    p->SaveTransparent = true;
    p->TransparentSaveColor = p->GetPixel(0, 0);
    out.push_back({"png alpha", save(*p), class_of<TPngGraphic>()});
  }
  // 16 bits per channel, with and without alpha, and 16-bit grey, written by FreeImage.
  {
    auto p = picture<TPngGraphic>(9, 6, ifTrueColor, 6);
    FIBITMAP* b = freeimage_bitmap(*p);
    out.push_back({"png rgb16", freeimage_file(FIF_PNG, fi.FreeImage_ConvertToType(b, FIT_RGB16, TRUE)),
                   class_of<TPngGraphic>()});
    out.push_back({"png rgba16", freeimage_file(FIF_PNG, fi.FreeImage_ConvertToType(b, FIT_RGBA16, TRUE)),
                   class_of<TPngGraphic>()});
    fi.FreeImage_Unload(b);
    auto g = picture<TPngGraphic>(9, 6, ifGray256, 7);
    FIBITMAP* gb = freeimage_bitmap(*g);
    out.push_back({"png grey16", freeimage_file(FIF_PNG, fi.FreeImage_ConvertToType(gb, FIT_UINT16, TRUE)),
                   class_of<TPngGraphic>()});
    fi.FreeImage_Unload(gb);
  }
  // JPEG, colour and grey, baseline and progressive.
  for (bool progressive : {false, true}) {
    auto p = picture<TJpegGraphic>(24, 16, ifTrueColor, 8);
    p->SaveProgressive = progressive;
    out.push_back({"jpeg", save(*p), class_of<TJpegGraphic>()});
  }
  out.push_back({"jpeg grey", save(*picture<TJpegGraphic>(16, 16, ifGray256, 9)), class_of<TJpegGraphic>()});
  // TIFF: several compressions, and a three-page file.
  for (TTiffCompression c : {tcNone, tcPackbits, tcLZW, tcZLib, tcJPEG}) {
    auto p = picture<TTiffGraphic>(12, 8, ifTrueColor, 10);
    p->SetCompression(c);
    out.push_back({"tiff", save(*p), class_of<TTiffGraphic>()});
  }
  {
    auto p = picture<TTiffGraphic>(17, 5, ifBlackWhite, 11);
    out.push_back({"tiff g4", save(*p), class_of<TTiffGraphic>()});
    TMemoryStream s;
    p->SaveToStream(s);
    picture<TTiffGraphic>(6, 6, ifColor256, 12)->AppendToStream(s);
    picture<TTiffGraphic>(4, 9, ifGray16, 13)->AppendToStream(s);
    out.push_back({"tiff 3 pages", stream_bytes(s), class_of<TTiffGraphic>()});
  }
  // PBM, PGM and PPM in both variants.
  for (TImageFormat f : {ifBlackWhite, ifGray256, ifTrueColor})
    for (TPpmMode m : {pmAscii, pmBinary}) {
      auto p = picture<TPpmGraphic>(10, 4, f, 14);
      p->SetMode(m);
      out.push_back({"pnm", save(*p), class_of<TPpmGraphic>()});
    }
  // BMP and GIF by FreeImage, and an icon by the library; read through the PNG class, so that
  // FreeImage's refusal hands them to the second decoder.
  out.push_back({"bmp", freeimage_file(FIF_BMP, freeimage_bitmap(*picture<TDibGraphic>(7, 5, ifColor256, 15))),
                 class_of<TPngGraphic>()});
  out.push_back({"gif", freeimage_file(FIF_GIF, freeimage_bitmap(*picture<TDibGraphic>(8, 6, ifColor256, 16))),
                 class_of<TPngGraphic>()});
  out.push_back({"ico", save(*picture<TIconGraphic>(16, 16, ifTrueColor, 17)), class_of<TIconGraphic>()});
  return out;
}

bytes mutate(bytes v, std::mt19937& rng) {
  auto pick = [&](std::size_t n) { return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(rng) : 0; };
  static const std::uint32_t extremes[] = {0,      1,      2,  0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFF,
                                           0x8000, 0x10000, 16, 255,        0x4000,     0x40000000};
  switch (rng() % 7) {
    case 0:  // flip a few bytes
      for (int i = 0, n = 1 + int(rng() % 8); i < n && !v.empty(); ++i) v[pick(v.size())] ^= Byte(1 + rng() % 255);
      break;
    case 1:  // an extreme 32-bit value, mostly in the headers
      if (v.size() >= 4) {
        std::size_t at = pick(rng() % 2 ? std::min<std::size_t>(v.size() - 3, 200) : v.size() - 3);
        std::uint32_t x = extremes[rng() % std::size(extremes)];
        if (rng() % 2) x = __builtin_bswap32(x);
        std::memcpy(v.data() + at, &x, 4);
      }
      break;
    case 2:  // an extreme 16-bit value
      if (v.size() >= 2) {
        std::size_t at = pick(std::min<std::size_t>(v.size() - 1, 200));
        auto x = static_cast<std::uint16_t>(extremes[rng() % std::size(extremes)]);
        if (rng() % 2) x = static_cast<std::uint16_t>((x >> 8) | (x << 8));
        std::memcpy(v.data() + at, &x, 2);
      }
      break;
    case 3:  // truncate
      v.resize(pick(v.size() + 1));
      break;
    case 4:  // repeat a piece
      if (!v.empty()) {
        std::size_t a = pick(v.size()), n = 1 + pick(std::min<std::size_t>(v.size() - a, 64));
        bytes piece(v.begin() + static_cast<std::ptrdiff_t>(a), v.begin() + static_cast<std::ptrdiff_t>(a + n));
        v.insert(v.begin() + static_cast<std::ptrdiff_t>(pick(v.size() + 1)), piece.begin(), piece.end());
      }
      break;
    case 5:  // random bytes in the body
      for (int i = 0, n = 1 + int(rng() % 32); i < n && !v.empty(); ++i) v[pick(v.size())] = Byte(rng());
      break;
    default:  // two of the above
      v = mutate(mutate(std::move(v), rng), rng);
      break;
  }
  return v;
}

// Reads a loaded picture's pixels, so that a bad layout would show.
void exercise(TDibGraphic& p) {
  if (p.Empty()) return;
  volatile std::uint32_t sum = 0;
  for (int y = 0; y < p.Height(); y += std::max(1, p.Height() / 7))
    for (int x = 0; x < p.Width(); x += std::max(1, p.Width() / 7)) sum = sum + p.GetPixel(x, y).Value();
  for (int i = 1; i <= p.FrameCount(); ++i) {
    TDibGraphic* frame = p.GetFrame(i);
    if (!frame->Empty()) sum = sum + frame->GetPixel(frame->Width() - 1, frame->Height() - 1).Value();
  }
}

}  // namespace

// Longer campaigns: HW_FUZZ_SEED and HW_FUZZ_ROUNDS choose the mutations, HW_FUZZ_CURRENT names a
// file that holds the input being tried (what was left there after a crash is its cause).
TEST(CodecFuzz, MutatedPicturesGiveAPictureOrAnErrorNeverACrash) {
  std::vector<seed_file> all = seeds();
  ASSERT_GT(all.size(), 20u);
  const char* seed_text = std::getenv("HW_FUZZ_SEED");
  const char* rounds_text = std::getenv("HW_FUZZ_ROUNDS");
  const char* current = std::getenv("HW_FUZZ_CURRENT");
  std::mt19937 rng(seed_text ? static_cast<std::uint32_t>(std::atol(seed_text)) : 20241207u);
  const int rounds = rounds_text ? std::atoi(rounds_text) : 4000;
  int loaded = 0, refused = 0;
  double slowest = 0;
  std::string slowest_name;
  for (int i = 0; i < rounds; ++i) {
    const seed_file& seed = all[static_cast<std::size_t>(i) % all.size()];
    bytes input = mutate(seed.data, rng);
    if (current) {
      if (FILE* o = std::fopen(current, "wb")) {
        std::fwrite(input.data(), 1, input.size(), o);
        std::fclose(o);
      }
    }
    TMemoryStream s;
    if (!input.empty()) s.WriteBuffer(input.data(), static_cast<Int64>(input.size()));
    s.SetPosition(0);
    auto start = std::chrono::steady_clock::now();
    TDibGraphicClass cls = FindDibGraphicClassByStream(s);
    EXPECT_EQ(s.Position(), 0);
    std::unique_ptr<TDibGraphic> p = cls ? cls() : seed.cls();
    p->SetMultiLoad(i % 4 == 0);
    p->SetImageToLoad(1 + i % 3);
    try {
      p->LoadFromStream(s);
      exercise(*p);
      ++loaded;
    } catch (const Exception&) {
      ++refused;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds > slowest) {
      slowest = seconds;
      slowest_name = std::string(seed.name) + " #" + std::to_string(i);
    }
  }
  std::printf("%d loaded, %d refused; slowest %.3f s (%s)\n", loaded, refused, slowest, slowest_name.c_str());
  EXPECT_GT(loaded, rounds / 10);
  EXPECT_GT(refused, rounds / 20);
}

TEST(CodecFuzz, MultiPageAndSixteenBitPathsRunClean) {
  // Every page of a multi-page file, as frames and one by one, and appends to it.
  TMemoryStream s;
  picture<TTiffGraphic>(20, 10, ifTrueColor, 1)->SaveToStream(s);
  picture<TTiffGraphic>(7, 13, ifColor16, 2)->AppendToStream(s);
  picture<TTiffGraphic>(9, 9, ifBlackWhite, 3)->AppendToStream(s);
  TTiffGraphic all;
  all.SetMultiLoad(true);
  s.SetPosition(0);
  all.LoadFromStream(s);
  ASSERT_EQ(all.FrameCount(), 3);
  exercise(all);
  for (int page = 1; page <= 4; ++page) {
    TTiffGraphic one;
    s.SetPosition(0);
    if (page <= 3) {
      one.SingleLoadFromStream(s, page);
      EXPECT_EQ(one.Width(), page == 1 ? 20 : page == 2 ? 7 : 9);
    } else {
      EXPECT_THROW(one.SingleLoadFromStream(s, page), Exception);
    }
  }
  // Pages after the first that need converting (alpha, 16 bits per channel): the conversions
  // work on copies and the pages go back to FreeImage unchanged.
  {
    hw_test::ScratchDir dir;
    const std::string path = dir.file("deep.tif");
    TIFF* t = TIFFOpen(path.c_str(), "w");
    for (int page = 0; page < 3; ++page) {
      const int bits = page == 2 ? 16 : 8;
      const int samples = page == 0 ? 3 : page == 1 ? 4 : 3;
      TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 6);
      TIFFSetField(t, TIFFTAG_IMAGELENGTH, 4);
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
      TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
      if (samples == 4) {
        std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
      }
      std::vector<Byte> row(static_cast<std::size_t>(6 * samples * bits / 8), 0x80);
      for (std::uint32_t y = 0; y < 4; ++y) TIFFWriteScanline(t, row.data(), y, 0);
      TIFFWriteDirectory(t);
    }
    TIFFClose(t);
    FILE* f = std::fopen(path.c_str(), "rb");
    bytes file;
    for (int c; (c = std::fgetc(f)) != EOF;) file.push_back(static_cast<Byte>(c));
    std::fclose(f);
    TMemoryStream deep;
    deep.WriteBuffer(file.data(), static_cast<Int64>(file.size()));
    for (int page = 1; page <= 3; ++page) {
      TTiffGraphic p;
      deep.SetPosition(0);
      p.SingleLoadFromStream(deep, page);
      EXPECT_EQ(p.ImageFormat(), ifTrueColor) << page;
      EXPECT_EQ(p.Width(), 6) << page;
      exercise(p);
    }
  }

  // Pictures of 16 bits per channel, with and without alpha, and 16-bit grey.
  const TFreeImageEntries& fi = FreeImageAPI();
  auto colour = picture<TPngGraphic>(31, 17, ifTrueColor, 4);
  for (FREE_IMAGE_TYPE type : {FIT_RGB16, FIT_RGBA16}) {
    FIBITMAP* b = freeimage_bitmap(*colour);
    bytes png = freeimage_file(FIF_PNG, fi.FreeImage_ConvertToType(b, type, TRUE));
    fi.FreeImage_Unload(b);
    TBytesStream in(png.data(), static_cast<Int64>(png.size()));
    TPngGraphic back;
    back.LoadFromStream(in);
    ASSERT_EQ(back.Width(), 31);
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x < 31; ++x) ASSERT_EQ(back.GetPixel(x, y), colour->GetPixel(x, y)) << x << "," << y;
  }
  auto grey = picture<TPngGraphic>(12, 3, ifGray256, 5);
  FIBITMAP* g = freeimage_bitmap(*grey);
  bytes png = freeimage_file(FIF_PNG, fi.FreeImage_ConvertToType(g, FIT_UINT16, TRUE));
  fi.FreeImage_Unload(g);
  TBytesStream in(png.data(), static_cast<Int64>(png.size()));
  TPngGraphic back;
  back.LoadFromStream(in);
  EXPECT_EQ(back.ImageFormat(), ifGray256);
  EXPECT_EQ(back.Height(), 3);
}
