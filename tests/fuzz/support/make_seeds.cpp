// Writes the seed corpora of the fuzz harnesses (tests/fuzz/corpus/<harness>/) with the
// program's own writers: small pictures of every pixel layout in every format, packed DIBs,
// icons, annotation texts with every kind of mark, history and palette files. The PE images
// for the module loader are the test libraries built by the mingw-w64 cross compiler, named on
// the command line.
//
//   fuzz_seeds OUTPUT_FOLDER [PE_LIBRARY...]
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "annotate/annotations_editor.hpp"
#include "annotate/mark_picture_text.hpp"
#include "image/dib_graphic.hpp"
#include "image/freeimage_codec.hpp"
#include "image/jpeg_graphic.hpp"
#include "image/png_graphic.hpp"
#include "image/ppm_graphic.hpp"
#include "image/tiff_graphic.hpp"
#include "platform/text_codec.hpp"
#include "storage/css_palette_file.hpp"
#include "storage/history_file.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"
#include "tests/common/metafile_writer.hpp"
#include "tests/fuzz/support/seed_pictures.hpp"

namespace fs = std::filesystem;
using bytes = std::string;

namespace {

fs::path out;

void put(const std::string& harness, const std::string& name, const bytes& content) {
  fs::create_directories(out / harness);
  std::ofstream(out / harness / name, std::ios::binary) << content;
}

bytes of(TMemoryStream& s) { return bytes(reinterpret_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size())); }

const TImageFormat kFormats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};
const char* const kFormatNames[] = {"bw", "gray16", "gray256", "color16", "color256", "truecolor"};

// A small picture with a few colours in a pattern, in the given layout.
template <class T>
void paint(T& p, int w, int h, TImageFormat f) {
  p.NewImage(w, h, f, nullptr, 0, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int n = (x / 2 + y) % 4;
      p.SetPixel(x, y, n == 0 ? Rgb(255, 255, 255) : n == 1 ? Rgb(200, 30, 40) : n == 2 ? Rgb(20, 90, 220) : Rgb(0, 0, 0));
    }
}

void pictures() {
  for (std::size_t i = 0; i < std::size(kFormats); ++i) {
    const std::string n = kFormatNames[i];
    // Packed DIBs and icons (an icon entry: the DIB with its height doubled and an AND mask).
    TDibGraphic dib;
    paint(dib, 5, 3, kFormats[i]);
    HGLOBAL h = dib.AsDibHandle();
    const char* p = static_cast<const char*>(GlobalLock(h));
    const bytes packed(p, GlobalSize(h));
    GlobalUnlock(h);
    GlobalFree(h);
    put("dib", "packed_" + n, packed);
    {
      bytes e = packed;
      std::int32_t height;
      std::memcpy(&height, e.data() + 8, 4);
      height *= 2;
      std::memcpy(e.data() + 8, &height, 4);
      e.append(4 * 3, '\0');
      bytes icon(22, '\0');
      icon[2] = 1;
      icon[4] = 1;
      icon[6] = 5;
      icon[7] = 3;
      const std::uint32_t size = static_cast<std::uint32_t>(e.size()), offset = 22;
      std::memcpy(icon.data() + 14, &size, 4);
      std::memcpy(icon.data() + 18, &offset, 4);
      put("icon", "icon_" + n, icon + e);
    }
    // Every format the codec layer reads, from its writers.
    for (auto [fif, harness, ext] : {std::tuple{0, "codec_bmp", "bmp"}, std::tuple{25, "codec_gif", "gif"}}) {
      TDibGraphic g;
      paint(g, 7, 5, kFormats[i]);
      TMemoryStream s;
      try {
        // GIF holds palette pictures only.
        const TImageFormats accepted = fif == 25 ? TImageFormats{ifBlackWhite, ifColor16, ifColor256}
                                                 : TImageFormats{ifBlackWhite, ifColor16, ifColor256, ifTrueColor};
        SaveDibToStream(g, s, fif, 0, {}, accepted, ifColor256, {});
      } catch (const Exception& x) {
        std::fprintf(stderr, "%s %s: %s\n", harness, n.c_str(), x.what());
        continue;
      }
      put(harness, n + "." + ext, of(s));
      if (i == 5) put("detect", std::string("sample.") + ext, of(s));
      if (i == 5 || i == 3) put("gdiplus", n + "." + ext, of(s));
    }
    {
      TPngGraphic g;
      paint(g, 7, 5, kFormats[i]);
      g.SaveProgressive = i % 2 == 1;
      TMemoryStream s;
      g.SaveToStream(s);
      put("codec_png", n + ".png", of(s));
      put("roundtrip", n + ".png", of(s));
      if (i == 5) put("detect", "sample.png", of(s));
      if (i == 5 || i == 3) put("gdiplus", n + ".png", of(s));
    }
    {
      TTiffGraphic g;
      paint(g, 7, 5, kFormats[i]);
      g.SetCompression(i % 2 ? tcLZW : tcNone);
      TMemoryStream s;
      g.SaveToStream(s);
      put("codec_tiff", n + ".tif", of(s));
      if (i % 2 == 0) put("roundtrip", n + ".tif", of(s));
      if (i == 5) {
        put("detect", "sample.tif", of(s));
        put("gdiplus", n + ".tif", of(s));
        // A second page.
        TTiffGraphic second;
        paint(second, 4, 6, ifColor256);
        s.SetPosition(0);
        second.AppendToStream(s);
        put("codec_tiff", "two_pages.tif", of(s));
      }
    }
    for (TPpmMode mode : {pmAscii, pmBinary}) {
      TPpmGraphic g;
      paint(g, 7, 5, kFormats[i]);
      g.SetMode(mode);
      TMemoryStream s;
      g.SaveToStream(s);
      const std::string name = n + (mode == pmAscii ? "_ascii.ppm" : "_binary.ppm");
      put("codec_ppm", name, of(s));
      put("pnm", name, of(s));
      if (mode == pmBinary && i >= 4) put("roundtrip", name, of(s));
      if (i == 5 && mode == pmBinary) put("detect", "sample.ppm", of(s));
    }
  }
  for (bool progressive : {false, true})
    for (TImageFormat f : {ifGray256, ifTrueColor}) {
      TJpegGraphic g;
      paint(g, 16, 9, f);
      g.SaveProgressive = progressive;
      g.SaveQuality = 75;
      TMemoryStream s;
      g.SaveToStream(s);
      const std::string name = std::string(f == ifGray256 ? "gray" : "colour") + (progressive ? "_progressive" : "") + ".jpg";
      put("codec_jpeg", name, of(s));
      if (!progressive) put("roundtrip", name, of(s));
      if (f == ifTrueColor && !progressive) {
        put("detect", "sample.jpg", of(s));
        put("gdiplus", "truecolor.jpg", of(s));
      }
    }
  // BMP files as the class library writes them, every depth.
  for (TPixelFormat f : hw_fuzz::kBitmapFormats) {
    TMemoryStream s;
    hw_fuzz::save_small_bitmap(f, s);
    put("dib", "bitmap_" + std::to_string(static_cast<int>(f)) + ".bmp", of(s));
  }
  // A 16-bit DIB with colour masks.
  {
    bytes d(40 + 12 + 8, '\0');
    BITMAPINFOHEADER bh{40, 2, -1, 1, 16, BI_BITFIELDS, 4, 0, 0, 0, 0};
    std::memcpy(d.data(), &bh, 40);
    DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(d.data() + 40, masks, 12);
    put("dib", "packed_bitfields", d);
  }
}

void annotation_texts() {
  TAnnotationsEditor e(nullptr);
  hw_fuzz::add_every_kind_of_mark(e);
  put("annotation_text", "every_mark.txt", e.SaveToString());

  TAnnotationsEditor pictures(nullptr);
  TImageMark* image = pictures.AddImage();
  image->SetMarkRect(Rect(2, 2, 30, 30));
  TDibGraphic g;
  paint(g, 4, 3, ifTrueColor);
  image->SetDIBHandle(g.AsDibHandle());
  TImageMark* empty = pictures.AddImage();
  empty->SetMarkRect(Rect(10, 10, 20, 20));
  empty->SetTransparent(true);
  pictures.AddRectangle()->SetMarkRect(Rect(0, 0, 8, 8));
  put("annotation_text", "pictures.txt", pictures.SaveToString());
  // The pictures of image marks as the annotation text holds them, for the PNM readers.
  for (std::size_t i = 0; i < std::size(kFormats); ++i) {
    TDibGraphic p;
    paint(p, 3, 2, kFormats[i]);
    HGLOBAL h = p.AsDibHandle();
    const std::string ppm = DibToPpmText(h);
    GlobalFree(h);
    put("pnm", std::string("mark_") + kFormatNames[i] + ".ppm", ppm);
    if (i == 0 || i == 2) {
      TAnnotationsEditor one(nullptr);
      TImageMark* m = one.AddImage();
      m->SetMarkRect(Rect(1, 1, 9, 9));
      HGLOBAL d = p.AsDibHandle();
      m->SetDIBHandle(d);
      put("annotation_text", std::string("picture_") + kFormatNames[i] + ".txt", one.SaveToString());
    }
  }
}

void text_files() {
  put("history", "history.dat", encode_text_lines({kDefaultHistoryLine, "hexFFA500\u00B7rgb255,165,0\u00B7cmyk0,90,255,0",
                                                   "hex000000\u00B7rgb0,0,0\u00B7cmyk0,0,0,255"}));
  put("history", "default.dat", encode_text_lines({kDefaultHistoryLine}));
  std::vector<CssSlotBlock> blocks;
  const char* hex[] = {"006095", "FFA500", "000000", "FFFFFF", "12AB9F", "C0FFEE", "808080", "7F0000",
                       "00FF00", "0000FF", "FF00FF", "00FFFF", "FFFF00", "123456", "ABCDEF", "654321"};
  for (int slot = 1; slot <= 16; ++slot)
    blocks.push_back({slot, hex[slot - 1], "003050", "40A0D0", "006040", "9F6A00", "202080"});
  put("palette_file", "all_slots.css", encode_text_lines(css_palette_lines(CssFileKind::AllSlots, blocks)));
  put("palette_file", "one_slot.css", encode_text_lines(css_palette_lines(CssFileKind::OneSlot, {blocks[0]})));
  put("palette_file", "four_slots.css",
      encode_text_lines(css_palette_lines(CssFileKind::AllSlots, {blocks[0], blocks[1], blocks[2], blocks[3]})));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_FOLDER [PE_LIBRARY...]\n");
    return 2;
  }
  out = argv[1];
  LLVMFuzzerInitialize(&argc, &argv);
  pictures();
  annotation_texts();
  text_files();
  for (const auto& [name, file] : {std::pair{"polygon.emf", hw_test::small_metafile(true, 40, 30, 0x0000FF)},
                                   {"rectangle.wmf", hw_test::small_metafile(false, 40, 30, 0x00FF00)}})
    put("metafile", name, bytes(file.begin(), file.end()));
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    put("mapped_dll", fs::path(argv[i]).filename().string(), bytes(std::istreambuf_iterator<char>(in), {}));
  }
  return 0;
}

// The seed writer links the harness support only; nothing is fuzzed here.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }
