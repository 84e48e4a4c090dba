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

// A metafile for every record kind the record check takes, each after the objects it needs, so
// that the metafile harness reaches every kind's check and libgdiplus's playing of it.
void metafile_seeds() {
  using hw_test::emf_record;
  using hw_test::wmf_record;
  using hw_test::words;
  using R = std::vector<hw_test::MetafileBytes>;
  const auto cat = [](std::initializer_list<hw_test::MetafileBytes> parts) {
    hw_test::MetafileBytes b;
    for (const auto& p : parts) b.insert(b.end(), p.begin(), p.end());
    return b;
  };
  const auto points = [](bool wide, std::initializer_list<std::int64_t> v) {
    hw_test::MetafileBytes b;
    for (std::int64_t x : v) hw_test::put_le(b, x, wide ? 4 : 2);
    return b;
  };
  constexpr std::int64_t one = 0x3F800000;  // 1.0f
  const R objects = {emf_record(39, {1, 0, 0x0000FF, 0}), emf_record(37, {1}), emf_record(38, {2, 0, 3, 0, 0xC82814}),
                     emf_record(37, {2})};
  const hw_test::MetafileBytes dib = hw_test::packed_dib(4, 4, 24);
  const hw_test::MetafileBytes region = points(true, {32, 1, 1, 16, 2, 2, 38, 28, 2, 2, 38, 28});
  hw_test::MetafileBytes face = points(false, {'A', 'r', 'i', 'a', 'l'});
  face.resize(64, 0);
  const hw_test::MetafileBytes font = emf_record(82, {3, -20, 0, 0, 0, 400, 0, 0}, face);
  const auto text_w = emf_record(84, {2, 2, 38, 28, 1, 0, 0, 2, 28, 3, 76, 0, 0, 0, 40, 30, 0}, points(false, {'A', 'B', 'C'}));
  const auto text_a = emf_record(83, {2, 2, 38, 28, 1, 0, 0, 2, 28, 3, 76, 0, 0, 0, 40, 30, 0}, {'A', 'B', 'C'});
  const std::pair<const char*, R> emf[] = {
      {"polybezier", {emf_record(27, {2, 2}), emf_record(2, {2, 2, 38, 28, 4}, points(true, {2, 2, 38, 2, 38, 28, 2, 28}))}},
      {"polygon", {emf_record(3, {2, 2, 38, 28, 4}, points(true, {2, 2, 38, 2, 38, 28, 2, 28}))}},
      {"polyline", {emf_record(4, {2, 2, 38, 28, 4}, points(true, {2, 2, 38, 2, 38, 28, 2, 28}))}},
      {"polybezierto", {emf_record(27, {2, 2}), emf_record(5, {2, 2, 38, 28, 3}, points(true, {38, 2, 38, 28, 2, 28}))}},
      {"polylineto", {emf_record(27, {2, 2}), emf_record(6, {2, 2, 38, 28, 3}, points(true, {38, 2, 38, 28, 2, 28}))}},
      {"polypolyline", {emf_record(7, {2, 2, 38, 28, 2, 5, 2, 3}, points(true, {2, 2, 38, 2, 38, 28, 2, 28, 3, 3}))}},
      {"polypolygon", {emf_record(8, {2, 2, 38, 28, 2, 7, 4, 3}, points(true, {2, 2, 38, 2, 38, 28, 2, 28, 5, 5, 9, 5, 9, 9}))}},
      {"window_extent", {emf_record(17, {8}), emf_record(9, {40, 30}), emf_record(10, {0, 0}), emf_record(11, {40, 30}),
                         emf_record(12, {0, 0}), emf_record(31, {1, 1, 1, 1}), emf_record(32, {1, 1, 1, 1}),
                         emf_record(43, {2, 2, 38, 28})}},
      {"brush_origin_pixel", {emf_record(13, {0, 0}), emf_record(15, {20, 15, 0xFF}), emf_record(16, {0})}},
      {"modes", {emf_record(18, {1}), emf_record(19, {2}), emf_record(20, {7}), emf_record(21, {3}), emf_record(22, {24}),
                 emf_record(24, {0xFF}), emf_record(25, {0xFFFFFF}), emf_record(57, {2}), emf_record(58, {10}),
                 emf_record(98, {1}), emf_record(115, {0}), emf_record(42, {2, 2, 38, 28})}},
      {"clip_rects", {emf_record(26, {1, 1}), emf_record(28, {}), emf_record(29, {0, 0, 10, 10}),
                      emf_record(30, {0, 0, 30, 30}), emf_record(43, {2, 2, 38, 28})}},
      {"save_restore", {emf_record(33, {}), emf_record(35, {one, 0, 0, one, 5, 5}), emf_record(43, {2, 2, 38, 28}),
                        emf_record(34, {-1}), emf_record(36, {one, 0, 0, one, 0, 0, 1}), emf_record(42, {2, 2, 38, 28})}},
      {"delete_object", {emf_record(40, {1}), emf_record(37, {0x80000000}), emf_record(43, {2, 2, 38, 28})}},
      {"angle_arc", {emf_record(41, {20, 15, 10, 0, 0x43B40000})}},
      {"ellipse", {emf_record(42, {2, 2, 38, 28})}},
      {"rectangle", {emf_record(43, {2, 2, 38, 28})}},
      {"round_rectangle", {emf_record(44, {2, 2, 38, 28, 5, 5})}},
      {"arc", {emf_record(45, {2, 2, 38, 28, 38, 15, 2, 15})}},
      {"chord", {emf_record(46, {2, 2, 38, 28, 38, 15, 2, 15})}},
      {"pie", {emf_record(47, {2, 2, 38, 28, 38, 15, 2, 15})}},
      {"arc_to", {emf_record(27, {2, 2}), emf_record(55, {2, 2, 38, 28, 38, 15, 2, 15})}},
      {"palette", {emf_record(49, {3, 0x300 | (2 << 16), 0xFF, 0xFF00}), emf_record(48, {3}), emf_record(52, {}),
                   emf_record(48, {0x8000000F}), emf_record(40, {3})}},
      {"line_to", {emf_record(27, {2, 15}), emf_record(54, {38, 15})}},
      {"poly_draw", {emf_record(27, {2, 2}), emf_record(56, {2, 2, 38, 28, 3}, cat({points(true, {2, 2, 38, 2, 38, 28}), {6, 2, 3}}))}},
      {"path_fill", {emf_record(59, {}), emf_record(27, {2, 2}), emf_record(54, {38, 2}), emf_record(54, {38, 28}),
                     emf_record(61, {}), emf_record(60, {}), emf_record(62, {2, 2, 38, 28})}},
      {"path_stroke_fill", {emf_record(59, {}), emf_record(27, {2, 2}), emf_record(54, {38, 2}), emf_record(54, {38, 28}),
                            emf_record(61, {}), emf_record(60, {}), emf_record(65, {}), emf_record(63, {2, 2, 38, 28})}},
      {"path_stroke", {emf_record(59, {}), emf_record(27, {2, 2}), emf_record(54, {38, 28}), emf_record(60, {}),
                       emf_record(66, {}), emf_record(64, {2, 2, 38, 28})}},
      {"path_clip", {emf_record(59, {}), emf_record(27, {2, 2}), emf_record(54, {38, 2}), emf_record(54, {38, 28}),
                     emf_record(60, {}), emf_record(67, {5}), emf_record(59, {}), emf_record(68, {}),
                     emf_record(43, {2, 2, 38, 28})}},
      {"comment", {emf_record(70, {4}, {'t', 'e', 's', 't'})}},
      {"fill_region", {emf_record(71, {2, 2, 38, 28, 48, 1}, region)}},
      {"frame_region", {emf_record(72, {2, 2, 38, 28, 48, 1, 1, 1}, region)}},
      {"invert_region", {emf_record(73, {2, 2, 38, 28, 48}, region)}},
      {"paint_region", {emf_record(74, {2, 2, 38, 28, 48}, region)}},
      {"clip_region", {emf_record(75, {48, 5}, region), emf_record(43, {2, 2, 38, 28})}},
      {"bit_blt", {emf_record(76, {2, 2, 38, 28, 2, 2, 4, 4, 0xCC0020, 0, 0, one, 0, 0, one, 0, 0, 0, 0, 100, 40, 140, 48}, dib)}},
      {"stretch_blt", {emf_record(77, {2, 2, 38, 28, 2, 2, 36, 26, 0xCC0020, 0, 0, one, 0, 0, one, 0, 0, 0, 0, 108, 40, 148,
                                       48, 4, 4}, dib)}},
      {"set_dibits", {emf_record(80, {2, 2, 38, 28, 2, 2, 0, 0, 4, 4, 76, 40, 116, 48, 0, 0, 4}, dib)}},
      {"stretch_dibits", {emf_record(81, {2, 2, 38, 28, 2, 2, 0, 0, 4, 4, 80, 40, 120, 48, 0, 0xCC0020, 36, 26}, dib)}},
      {"text_w", {font, emf_record(37, {3}), text_w}},
      {"text_a", {font, emf_record(37, {3}), text_a}},
      {"polybezier16", {emf_record(27, {2, 2}), emf_record(85, {2, 2, 38, 28, 4}, points(false, {2, 2, 38, 2, 38, 28, 2, 28}))}},
      {"polygon16", {emf_record(86, {2, 2, 38, 28, 4}, points(false, {2, 2, 38, 2, 38, 28, 2, 28}))}},
      {"polyline16", {emf_record(87, {2, 2, 38, 28, 4}, points(false, {2, 2, 38, 2, 38, 28, 2, 28}))}},
      {"polybezierto16", {emf_record(27, {2, 2}), emf_record(88, {2, 2, 38, 28, 3}, points(false, {38, 2, 38, 28, 2, 28}))}},
      {"polylineto16", {emf_record(27, {2, 2}), emf_record(89, {2, 2, 38, 28, 3}, points(false, {38, 2, 38, 28, 2, 28}))}},
      {"polypolyline16", {emf_record(90, {2, 2, 38, 28, 2, 5, 2, 3}, points(false, {2, 2, 38, 2, 38, 28, 2, 28, 3, 3}))}},
      {"polypolygon16", {emf_record(91, {2, 2, 38, 28, 2, 7, 4, 3},
                                        points(false, {2, 2, 38, 2, 38, 28, 2, 28, 5, 5, 9, 5, 9, 9}))}},
      {"poly_draw16", {emf_record(27, {2, 2}), emf_record(92, {2, 2, 38, 28, 3}, cat({points(false, {2, 2, 38, 2, 38, 28}), {6, 2, 3}}))}},
      {"mono_brush", {emf_record(93, {3, 0, 32, 48, 80, 32}, hw_test::packed_dib(8, 8, 1)), emf_record(37, {3}),
                      emf_record(43, {2, 2, 38, 28})}},
      {"dib_brush", {emf_record(94, {3, 0, 32, 40, 72, 48}, dib), emf_record(37, {3}), emf_record(43, {2, 2, 38, 28})}},
      {"ext_pen", {emf_record(95, {3, 0, 0, 0, 0, 0x10000, 5, 0, 0xC82814, 0, 0}), emf_record(37, {3}),
                   emf_record(27, {2, 15}), emf_record(54, {38, 15})}},
      {"alpha_blend", {emf_record(114, {2, 2, 38, 28, 2, 2, 36, 26, 0xFF0000, 0, 0, one, 0, 0, one, 0, 0, 0, 0, 108, 40,
                                        148, 48, 4, 4}, dib)}},
      {"transparent_blt", {emf_record(116, {2, 2, 38, 28, 2, 2, 36, 26, 0xFF, 0, 0, one, 0, 0, one, 0, 0, 0, 0, 108, 40,
                                            148, 48, 4, 4}, dib)}},
  };
  for (const auto& [name, records] : emf) {
    R all = objects;
    all.insert(all.end(), records.begin(), records.end());
    const hw_test::MetafileBytes file = hw_test::emf_file(all);
    put("metafile", std::string("emf_") + name + ".emf", bytes(file.begin(), file.end()));
  }

  // Windows metafiles: 10 logical units a pixel over 40 x 30 pixels.
  const R setup = {wmf_record(0x0103, {8}), wmf_record(0x020B, {0, 0}), wmf_record(0x020C, {300, 400}),
                   wmf_record(0x02FC, {0, 0xFF, 0, 0}), wmf_record(0x012D, {0}), wmf_record(0x02FA, {0, 30, 0, 0x28C8, 0x14}),
                   wmf_record(0x012D, {1})};
  const hw_test::MetafileBytes wdib = hw_test::packed_dib(4, 4, 24);
  const hw_test::MetafileBytes wfont = wmf_record(0x02FB, {-200, 0, 0, 0, 400, 0, 0, 0, 0}, {'A', 'r', 'i', 'a', 'l', 0});
  const std::pair<const char*, R> wmf[] = {
      {"modes", {wmf_record(0x0102, {1}), wmf_record(0x0104, {13}), wmf_record(0x0106, {2}), wmf_record(0x0107, {3}),
                 wmf_record(0x0108, {0}), wmf_record(0x012E, {0}), wmf_record(0x0201, {0xFFFF, 0xFF}),
                 wmf_record(0x0209, {0, 0}), wmf_record(0x020A, {0, 0}), wmf_record(0x0231, {0, 0}),
                 wmf_record(0x041B, {280, 380, 20, 20})}},
      {"mapping", {wmf_record(0x020D, {0, 0}), wmf_record(0x020E, {30, 40}), wmf_record(0x020F, {0, 0}),
                   wmf_record(0x0211, {0, 0}), wmf_record(0x0410, {1, 1, 1, 1}), wmf_record(0x0412, {1, 1, 1, 1}),
                   wmf_record(0x041B, {280, 380, 20, 20})}},
      {"save_restore", {wmf_record(0x001E, {}), wmf_record(0x0220, {5, 5}), wmf_record(0x0415, {0, 0, 100, 100}),
                        wmf_record(0x0416, {0, 0, 300, 400}), wmf_record(0x0127, {0xFFFF}),
                        wmf_record(0x0418, {280, 380, 20, 20})}},
      {"delete_object", {wmf_record(0x01F0, {1}), wmf_record(0x02FA, {0, 10, 0, 0, 0}), wmf_record(0x012D, {1}),
                         wmf_record(0x0214, {150, 20}), wmf_record(0x0213, {150, 380})}},
      {"palette", {wmf_record(0x00F7, {0x300, 2, 0xFF, 0, 0xFF00, 0}), wmf_record(0x0234, {2}), wmf_record(0x0035, {})}},
      {"line_to", {wmf_record(0x0214, {150, 20}), wmf_record(0x0213, {150, 380})}},
      {"polygon", {wmf_record(0x0324, {4, 20, 20, 380, 20, 380, 280, 20, 280})}},
      {"polyline", {wmf_record(0x0325, {4, 20, 20, 380, 20, 380, 280, 20, 280})}},
      {"polypolygon", {wmf_record(0x0538, {2, 4, 3, 20, 20, 380, 20, 380, 280, 20, 280, 50, 50, 90, 50, 90, 90})}},
      {"ellipse", {wmf_record(0x0418, {280, 380, 20, 20})}},
      {"flood_fill", {wmf_record(0x0419, {0xFF, 0, 150, 200}), wmf_record(0x0548, {0, 0xFF, 0, 150, 200})}},
      {"rectangle", {wmf_record(0x041B, {280, 380, 20, 20})}},
      {"pixel", {wmf_record(0x041F, {0xFF, 0, 150, 200})}},
      {"text", {wfont, wmf_record(0x012D, {2}), wmf_record(0x0521, {3}, cat({{'A', 'B', 'C', 0}, words({280, 20})}))}},
      {"ext_text", {wfont, wmf_record(0x012D, {2}), wmf_record(0x0A32, {280, 20, 3, 0}, {'A', 'B', 'C', 0}),
                    wmf_record(0x0A32, {200, 20, 3, 4, 0, 0, 300, 400}, cat({{'A', 'B', 'C', 0}, words({20, 20, 20})}))}},
      {"round_rectangle", {wmf_record(0x061C, {50, 50, 280, 380, 20, 20})}},
      {"pattern_blt", {wmf_record(0x061D, {0x0021, 0xF0, 260, 360, 20, 20})}},
      {"escape", {wmf_record(0x0626, {15, 4}, {'t', 'e', 's', 't'})}},
      {"arc", {wmf_record(0x0817, {150, 20, 150, 380, 280, 380, 20, 20})}},
      {"pie", {wmf_record(0x081A, {150, 20, 150, 380, 280, 380, 20, 20})}},
      {"chord", {wmf_record(0x0830, {150, 20, 150, 380, 280, 380, 20, 20})}},
      {"dib_bit_blt", {wmf_record(0x0940, {0x0020, 0xCC, 0, 0, 4, 4, 20, 20}, wdib),
                       wmf_record(0x0940, {0x0062, 0x00, 0, 0, 0, 4, 4, 60, 60})}},
      {"dib_stretch_blt", {wmf_record(0x0B41, {0x0020, 0xCC, 4, 4, 0, 0, 260, 360, 20, 20}, wdib),
                           wmf_record(0x0B41, {0x0062, 0x00, 4, 4, 0, 0, 0, 26, 36, 20, 20})}},
      {"set_dib_to_device", {wmf_record(0x0D33, {0, 4, 0, 0, 0, 4, 4, 20, 20}, wdib)}},
      {"stretch_dib", {wmf_record(0x0F43, {0x0020, 0xCC, 0, 4, 4, 0, 0, 260, 360, 20, 20}, wdib)}},
      {"dib_brush", {wmf_record(0x0142, {5, 0}, wdib), wmf_record(0x012D, {2}), wmf_record(0x041B, {280, 380, 20, 20})}},
  };
  for (const auto& [name, records] : wmf) {
    R all = setup;
    all.insert(all.end(), records.begin(), records.end());
    const hw_test::MetafileBytes file = hw_test::wmf_file(all, 40, 30);
    put("metafile", std::string("wmf_") + name + ".wmf", bytes(file.begin(), file.end()));
  }
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
  metafile_seeds();
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    put("mapped_dll", fs::path(argv[i]).filename().string(), bytes(std::istreambuf_iterator<char>(in), {}));
  }
  return 0;
}

// The seed writer links the harness support only; nothing is fuzzed here.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }
