// The registry of file formats and every class's stream test.
#include <gtest/gtest.h>

#include <cstring>

#include "codec_test_files.hpp"
#include "common/test_env.hpp"
#include "image/format_registry.hpp"
#include "image/image_formats.hpp"
#include "image/icon_graphic.hpp"
#include "image/jpeg_graphic.hpp"
#include "image/png_graphic.hpp"
#include "image/ppm_graphic.hpp"
#include "image/tiff_graphic.hpp"
#include "platform/clipbrd.hpp"

using namespace codec_test;

namespace {

std::string class_of(const TDibGraphicClass& cls) { return cls ? cls()->ClassName() : "none"; }

TMemoryStream bytes_stream(const std::vector<Byte>& bytes, Int64 position = 0) {
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  s.SetPosition(position);
  return s;
}

const std::vector<Byte> png_head = {137, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13};
const std::vector<Byte> jfif_head = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
const std::vector<Byte> exif_head = {0xFF, 0xD8, 0xFF, 0xE1, 0, 16, 'E', 'x', 'i', 'f', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const std::vector<Byte> tiff_ii = {'I', 'I', 0x2A, 0x00, 8, 0, 0, 0};
const std::vector<Byte> tiff_mm = {'M', 'M', 0x00, 0x2A, 0, 0, 0, 8};

std::vector<Byte> icon_head(unsigned type, unsigned count, Byte w, Byte h) {
  std::vector<Byte> b = {0, 0, static_cast<Byte>(type), static_cast<Byte>(type >> 8), static_cast<Byte>(count),
                         static_cast<Byte>(count >> 8), w, h};
  b.resize(22, 0);
  return b;
}

}  // namespace

TEST(FormatRegistry, TheLibraryRegistersItsExtensionsInOrder) {
  auto formats = RegisteredFormats();
  std::vector<std::string> seen;
  for (const auto& [key, format] : formats) seen.push_back(key + "=" + format.Description + "=" + class_of(format.GraphicClass));
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "PPM=Portable Pixelmap=TPpmGraphic", "PGM=Portable Greymap=TPpmGraphic",
                      "PBM=Portable Bitmap=TPpmGraphic", "TIF=Tagged Image File Format=TTiffGraphic",
                      "TIFF=Tagged Image File Format=TTiffGraphic", "JPG=JPEG Interchange Format=TJpegGraphic",
                      "JPEG=JPEG Interchange Format=TJpegGraphic", "PNG=Portable Network Graphic=TPngGraphic"}));
  EXPECT_EQ(formats[0].second.Extension, "PPM");
}

TEST(FormatRegistry, ThePictureContainerTakesTheLibrarysClasses) {
  for (const char* ext : {"png", "jpg", "jpeg", "tif", "tiff", "ppm", "pgm", "pbm"}) {
    const TFileFormat* f = TPicture::FindFileFormat(ext);
    ASSERT_NE(f, nullptr) << ext;
    EXPECT_EQ(f->class_name, class_of(FindDibGraphicClass(ext))) << ext;
  }
  EXPECT_EQ(TPicture::FindFileFormat("png")->class_name, "TPngGraphic");
  EXPECT_EQ(TPicture::FindFileFormat("jpeg")->class_name, "TJpegGraphic");
}

TEST(FormatRegistry, LookupByNameTakesExtensionsInAnyForm) {
  EXPECT_EQ(class_of(FindDibGraphicClass("/some/folder/PICTURE.PNG")), "TPngGraphic");
  EXPECT_EQ(class_of(FindDibGraphicClass(".png")), "TPngGraphic");
  EXPECT_EQ(class_of(FindDibGraphicClass("png")), "TPngGraphic");
  EXPECT_EQ(class_of(FindDibGraphicClass("scan.Tiff")), "TTiffGraphic");
  EXPECT_EQ(class_of(FindDibGraphicClass("x.pgm")), "TPpmGraphic");
  EXPECT_EQ(class_of(FindDibGraphicClass("photo.bmp")), "none");
  EXPECT_EQ(class_of(FindDibGraphicClass("")), "none");
  EXPECT_EQ(class_of(FindDibGraphicClass("x.p")), "none");
}

TEST(FormatRegistry, CreatingAnUnregisteredFormatNamesItsExtension) {
  EXPECT_EQ(CreateDibGraphic("a.jpeg")->ClassName(), "TJpegGraphic");
  try {
    CreateDibGraphic("photo.bmp");
    ADD_FAILURE() << "no error";
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Graphic files of .bmp format are not supported or not registered");
  }
}

TEST(FormatRegistry, LookupByStreamAsksTheClassesInOrderAndKeepsThePosition) {
  std::vector<Byte> p5 = {'x', 'P', '5', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 0};
  TMemoryStream s = bytes_stream(p5, 1);
  EXPECT_EQ(class_of(FindDibGraphicClassByStream(s)), "TPpmGraphic");
  EXPECT_EQ(s.Position(), 1);
  TMemoryStream t = bytes_stream(tiff_mm);
  EXPECT_EQ(class_of(FindDibGraphicClassByStream(t)), "TTiffGraphic");
  TMemoryStream j = bytes_stream(exif_head);
  EXPECT_EQ(class_of(FindDibGraphicClassByStream(j)), "TJpegGraphic");
  TMemoryStream p = bytes_stream(png_head);
  EXPECT_EQ(class_of(FindDibGraphicClassByStream(p)), "TPngGraphic");
  EXPECT_EQ(p.Position(), 0);
  // A JPEG whose first segment is neither JFIF nor Exif is nobody's.
  std::vector<Byte> plain_jpeg = jfif_head;
  plain_jpeg[3] = 0xDB;
  TMemoryStream q = bytes_stream(plain_jpeg);
  EXPECT_EQ(class_of(FindDibGraphicClassByStream(q)), "none");
  EXPECT_EQ(q.Position(), 0);
}

TEST(FormatCanRead, EachClassKnowsItsSignature) {
  auto can = [](auto&& picture, const std::vector<Byte>& bytes) {
    TMemoryStream s = bytes_stream(bytes);
    bool result = picture.CanRead(s);
    EXPECT_EQ(s.Position(), 0);
    return result;
  };
  for (char d = '1'; d <= '6'; ++d) EXPECT_TRUE(can(TPpmGraphic(), {'P', static_cast<Byte>(d)})) << d;
  EXPECT_FALSE(can(TPpmGraphic(), {'P', '7'}));
  EXPECT_FALSE(can(TPpmGraphic(), {'P', '0'}));
  EXPECT_FALSE(can(TPpmGraphic(), {'p', '5'}));
  EXPECT_TRUE(can(TTiffGraphic(), tiff_ii));
  EXPECT_TRUE(can(TTiffGraphic(), tiff_mm));
  EXPECT_FALSE(can(TTiffGraphic(), {'I', 'I', 0x00, 0x2A}));
  EXPECT_FALSE(can(TTiffGraphic(), {'M', 'M', 0x2A, 0x00}));
  EXPECT_TRUE(can(TJpegGraphic(), jfif_head));
  EXPECT_TRUE(can(TJpegGraphic(), exif_head));
  std::vector<Byte> swapped = jfif_head;
  swapped[3] = 0xE1;  // an Exif segment marker before a JFIF name
  EXPECT_FALSE(can(TJpegGraphic(), swapped));
  EXPECT_TRUE(can(TPngGraphic(), png_head));
  std::vector<Byte> bad_png = png_head;
  bad_png[7] = 0;
  EXPECT_FALSE(can(TPngGraphic(), bad_png));
  EXPECT_TRUE(can(TIconGraphic(), icon_head(1, 1, 32, 32)));
  EXPECT_TRUE(can(TIconGraphic(), icon_head(0, 3, 16, 64)));
  EXPECT_FALSE(can(TIconGraphic(), icon_head(2, 1, 32, 32)));  // a cursor file
  EXPECT_FALSE(can(TIconGraphic(), icon_head(1, 0, 32, 32)));
  EXPECT_FALSE(can(TIconGraphic(), icon_head(1, 1, 48, 48)));
  EXPECT_FALSE(can(TIconGraphic(), icon_head(1, 1, 32, 0)));
}

TEST(FormatCanRead, ShortStreamsAreNotTakenOnBytesNeverRead) {
  auto can = [](auto&& picture, std::vector<Byte> bytes, std::size_t keep) {
    bytes.resize(keep);
    TMemoryStream s = bytes_stream(bytes);
    bool result = picture.CanRead(s);
    EXPECT_EQ(s.Position(), 0);
    return result;
  };
  EXPECT_FALSE(can(TPpmGraphic(), {'P', '5'}, 1));
  EXPECT_FALSE(can(TTiffGraphic(), tiff_ii, 3));
  EXPECT_TRUE(can(TTiffGraphic(), tiff_ii, 4));
  EXPECT_FALSE(can(TPngGraphic(), png_head, 7));
  EXPECT_TRUE(can(TPngGraphic(), png_head, 8));
  EXPECT_FALSE(can(TJpegGraphic(), jfif_head, 10));
  EXPECT_TRUE(can(TJpegGraphic(), jfif_head, 11));
  // An icon whose first image entry is cut off: its zero width and height were never read.
  EXPECT_FALSE(can(TIconGraphic(), icon_head(1, 1, 16, 16), 7));
  EXPECT_TRUE(can(TIconGraphic(), icon_head(1, 1, 16, 16), 8));
  EXPECT_FALSE(can(TPngGraphic(), {}, 0));
  // From a position near the end.
  TMemoryStream s = bytes_stream({0, 0, 0, 'P'}, 3);
  EXPECT_FALSE(TPpmGraphic().CanRead(s));
  EXPECT_EQ(s.Position(), 3);
}

TEST(FormatRegistry, ThePictureContainerLoadsFilesThroughTheLibrary) {
  hw_test::ScratchDir dir;
  raster r = pattern(5, 4);
  write_netpbm(dir.file("in.ppm"), r);
  run("convert '" + dir.file("in.ppm") + "' PNG24:'" + dir.file("through.png") + "'");
  TPicture picture;
  picture.LoadFromFile(dir.file("through.png"));
  auto* dib = dynamic_cast<TPngGraphic*>(picture.Graphic());
  ASSERT_NE(dib, nullptr);
  expect_pixels(*dib, r);
}

TEST(FormatRegistry, TheCleanUpWithdrawsEveryClassAndStartUpRestoresThem) {
  // At start-up: bitmaps from the clipboard become TDibGraphic, pictures go to icons through
  // TIconGraphic, and the halftone palette exists.
  TDibGraphic red;
  red.NewImage(3, 2, ifTrueColor, nullptr, 0, 0);
  red.Fill(Rgb(255, 0, 0));
  Clipboard()->Assign(&red);
  TPicture picture;
  Clipboard()->AssignTo(&picture);
  ASSERT_NE(dynamic_cast<TDibGraphic*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Graphic()->ClassName(), "TDibGraphic");
  TIcon icon;
  red.AssignTo(&icon);
  EXPECT_EQ(icon.Width(), 3);
  HPALETTE halftone = HalftonePalette();
  PALETTEENTRY entry{};
  EXPECT_EQ(GetPaletteEntries(halftone, 0, 1, &entry), 1u);

  unregister_image_formats();
  EXPECT_TRUE(RegisteredFormats().empty());
  EXPECT_EQ(TPicture::FindFileFormat("png"), nullptr);
  EXPECT_EQ(TPicture::FindFileFormat("tif"), nullptr);
  EXPECT_EQ(TPicture::FindFileFormat("bmp")->class_name, "TBitmap");  // the class library's own stay
  EXPECT_EQ(GetPaletteEntries(halftone, 0, 1, &entry), 0u);          // deleted
  Clipboard()->AssignTo(&picture);
  EXPECT_EQ(picture.Graphic()->ClassName(), "TBitmap");
  try {
    red.AssignTo(&icon);
    ADD_FAILURE() << "no error";
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TDibGraphic to a TIcon");
  }

  register_image_formats();
  EXPECT_EQ(RegisteredFormats().size(), 8u);
  EXPECT_EQ(TPicture::FindFileFormat("png")->class_name, "TPngGraphic");
  Clipboard()->AssignTo(&picture);
  EXPECT_EQ(picture.Graphic()->ClassName(), "TDibGraphic");
  EXPECT_EQ(GetPaletteEntries(HalftonePalette(), 0, 1, &entry), 1u);
  Clipboard()->Clear();
}
