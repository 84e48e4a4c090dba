// TIFF: compression choice, text tags in the written file, round trips, appending to files and
// streams, and multi-page saves.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <span>

#include "codec_test_files.hpp"
#include "common/small_disk.hpp"
#include "common/test_env.hpp"
#include "image/tiff_file.hpp"
#include "image/tiff_graphic.hpp"

using namespace codec_test;

namespace {

// libtiff's tiffinfo listing of a file.
std::string tiffinfo(const std::string& path) {
  std::string out = path + ".info";
  std::system(("tiffinfo '" + path + "' > '" + out + "' 2>/dev/null").c_str());
  std::vector<Byte> bytes = read_file(out);
  std::remove(out.c_str());
  return std::string(bytes.begin(), bytes.end());
}

int count_of(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

void fill(TDibGraphic& p, const raster& r) {
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x) p.SetPixel(x, y, r.rgb(x, y));
}

std::unique_ptr<TTiffGraphic> make(int w, int h, TImageFormat f, const raster& r) {
  auto p = std::make_unique<TTiffGraphic>();
  p->NewImage(w, h, f, nullptr, 0, 0);
  fill(*p, r);
  return p;
}

std::unique_ptr<TTiffGraphic> load_page(TStream& s, int page) {
  auto p = std::make_unique<TTiffGraphic>();
  s.SetPosition(0);
  p->SingleLoadFromStream(s, page);
  return p;
}

class FormatTiff : public ::testing::Test {
protected:
  hw_test::ScratchDir dir;
};

}  // namespace

TEST_F(FormatTiff, NewPicturesChooseTheirCompressionByFormat) {
  TTiffGraphic p;
  EXPECT_EQ(p.Compression(), tcNone);
  p.NewImage(4, 4, ifBlackWhite, nullptr, 0, 0);
  EXPECT_EQ(p.Compression(), tcGroup4);
  try {
    p.SetCompression(tcJPEG);
    ADD_FAILURE() << "JPEG taken for black and white";
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "JPEG compression not supported with Black and white images");
  }
  EXPECT_EQ(p.Compression(), tcGroup4);
  p.NewImage(4, 4, ifColor256, nullptr, 0, 0);
  EXPECT_EQ(p.Compression(), tcPackbits);
}

TEST_F(FormatTiff, EachFormatTakesItsCompressions) {
  struct row {
    TImageFormat format;
    std::vector<TTiffCompression> taken;
  };
  const std::vector<row> table = {
      {ifBlackWhite, {tcNone, tcPackbits, tcGroup3_1d, tcGroup3_2d, tcGroup4, tcZLib, tcLZW}},
      {ifGray16, {tcNone, tcPackbits, tcZLib, tcLZW}},
      {ifColor16, {tcNone, tcPackbits, tcZLib, tcLZW}},
      {ifColor256, {tcNone, tcPackbits, tcZLib, tcLZW}},
      {ifGray256, {tcNone, tcPackbits, tcZLib, tcJPEG, tcLZW}},
      {ifTrueColor, {tcNone, tcPackbits, tcZLib, tcJPEG, tcLZW}}};
  for (const row& r : table)
    for (int c = tcNone; c <= tcNotSupported; ++c) {
      TTiffGraphic p;
      p.NewImage(2, 2, r.format, nullptr, 0, 0);
      auto compression = static_cast<TTiffCompression>(c);
      bool taken = std::find(r.taken.begin(), r.taken.end(), compression) != r.taken.end();
      if (taken) {
        EXPECT_NO_THROW(p.SetCompression(compression)) << ImageFormatName(r.format) << " " << c;
        EXPECT_EQ(p.Compression(), compression);
      } else {
        EXPECT_THROW(p.SetCompression(compression), EZuroroveError) << ImageFormatName(r.format) << " " << c;
      }
    }
  EXPECT_EQ(TiffCompressionName(tcGroup3_1d), "CCITT Group 3, 1D");
  EXPECT_EQ(TiffCompressionName(tcGroup3_2d), "CCITT Group 3, 2D");
  EXPECT_EQ(TiffCompressionName(tcGroup4), "CCITT Group 4");
  EXPECT_EQ(TiffCompressionName(tcZLib), "ZLib");
}

TEST_F(FormatTiff, EveryFormatAndCompressionRoundTrips) {
  const TImageFormat formats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};
  const TTiffCompression compressions[] = {tcNone, tcPackbits, tcGroup3_1d, tcGroup4, tcZLib, tcJPEG, tcLZW};
  for (TImageFormat f : formats)
    for (TTiffCompression c : compressions) {
      auto p = make(32, 32, f, c == tcJPEG ? blocks(32, 32) : pattern(32, 32));
      try {
        p->SetCompression(c);
      } catch (const EZuroroveError&) {
        continue;
      }
      raster expected = picture_raster(*p);
      TMemoryStream s;
      p->SaveToStream(s);
      auto back = load_page(s, 1);
      std::string what = ImageFormatName(f) + " / " + TiffCompressionName(c);
      expect_pixels(*back, expected, c == tcJPEG ? 24 : 0, what);
      // Group 3 is written as T.4 coding (tag value 3), which reads back as 2D.
      EXPECT_EQ(back->Compression(), c == tcGroup3_1d ? tcGroup3_2d : c) << what;
    }
}

TEST_F(FormatTiff, SavingWritesTheTextTagsIntoTheFile) {
  auto p = make(4, 3, ifTrueColor, pattern(4, 3));
  p->DocumentNameTag = "Doc name";
  p->ImageDescriptionTag = "A description";
  p->ScannerMakeTag = "Maker";
  p->ScannerModelTag = "Model 7";
  p->PageNameTag = "Page one";
  p->ArtistTag = "Painter";
  p->HostComputerTag = "host-1";
  p->DateTimeTag = "2021:03:04 05:06:07";
  p->SoftwareTag = "Tool 3";
  p->SaveToFile(dir.file("tags.tif"));
  std::string info = tiffinfo(dir.file("tags.tif"));
  for (const char* line : {"DocumentName: Doc name", "ImageDescription: A description", "Make: Maker",
                           "Model: Model 7", "PageName: Page one", "Artist: Painter", "HostComputer: host-1",
                           "DateTime: 2021:03:04 05:06:07", "Software: Tool 3"})
    EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;

  TTiffGraphic back;
  back.LoadFromFile(dir.file("tags.tif"));
  EXPECT_EQ(back.DocumentNameTag, "Doc name");
  EXPECT_EQ(back.ImageDescriptionTag, "A description");
  EXPECT_EQ(back.ScannerMakeTag, "Maker");
  EXPECT_EQ(back.ScannerModelTag, "Model 7");
  EXPECT_EQ(back.PageNameTag, "Page one");
  EXPECT_EQ(back.ArtistTag, "Painter");
  EXPECT_EQ(back.HostComputerTag, "host-1");
  EXPECT_EQ(back.DateTimeTag, "2021:03:04 05:06:07");
  EXPECT_EQ(back.SoftwareTag, "Tool 3");
  expect_pixels(back, pattern(4, 3));
}

TEST_F(FormatTiff, EmptyDateAndSoftwareAreFilledAndOtherEmptyTagsLeftOut) {
  auto p = make(3, 3, ifGray256, pattern(3, 3));
  std::time_t before = std::time(nullptr);
  p->SaveToFile(dir.file("plain.tif"));
  std::string info = tiffinfo(dir.file("plain.tif"));
  EXPECT_NE(info.find("Software: Zurorove Image Library"), std::string::npos) << info;
  EXPECT_EQ(info.find("Artist"), std::string::npos) << info;
  EXPECT_EQ(info.find("DocumentName"), std::string::npos) << info;

  TTiffGraphic back;
  back.LoadFromFile(dir.file("plain.tif"));
  EXPECT_EQ(back.SoftwareTag, "Zurorove Image Library");
  // The save time as "yyyy:mm:dd hh:nn:ss".
  ASSERT_EQ(back.DateTimeTag.size(), 19u) << back.DateTimeTag;
  std::tm t{};
  ASSERT_NE(strptime(back.DateTimeTag.c_str(), "%Y:%m:%d %H:%M:%S", &t), nullptr) << back.DateTimeTag;
  t.tm_isdst = -1;
  double off = std::difftime(std::mktime(&t), before);
  EXPECT_GE(off, -1);
  EXPECT_LE(off, 60);
}

TEST_F(FormatTiff, SavingReportsItsSteps) {
  auto p = make(3, 3, ifTrueColor, pattern(3, 3));
  progress_log log;
  p->OnReadWriteProgress = log.handler();
  TMemoryStream s;
  p->SaveToStream(s);
  EXPECT_EQ(log.percents, (std::vector<int>{0, 5, 10, 100}));
}

TEST_F(FormatTiff, AppendingToAStreamLeavesOneMorePageFromPositionZero) {
  raster a = pattern(6, 4), c = pattern(5, 7);
  auto second = make(6, 4, ifColor256, blocks(6, 4));
  raster b = picture_raster(*second);
  TMemoryStream s;
  auto first = make(6, 4, ifTrueColor, a);
  first->SetCompression(tcLZW);
  first->ArtistTag = "first";
  first->SaveToStream(s);
  second->AppendToStream(s);
  TTiffGraphic counter;
  s.SetPosition(0);
  ASSERT_EQ(counter.GetImageCount(s), 2);

  auto third = make(5, 7, ifTrueColor, c);
  third->ArtistTag = "third";
  progress_log log;
  third->OnReadWriteProgress = log.handler();
  s.SetPosition(s.Size());
  third->AppendToStream(s);
  // The stream's own steps around those of the append to the temporary file.
  EXPECT_EQ(log.percents, (std::vector<int>{0, 10, 0, 5, 100, 90, 100}));
  s.SetPosition(0);
  EXPECT_EQ(counter.GetImageCount(s), 3);
  auto p1 = load_page(s, 1);
  expect_pixels(*p1, a, 0, "page 1");
  EXPECT_EQ(p1->ArtistTag, "first");  // the earlier pages keep their tags
  expect_pixels(*load_page(s, 2), b, 0, "page 2");
  auto p3 = load_page(s, 3);
  expect_pixels(*p3, c, 0, "page 3");
  EXPECT_EQ(p3->ArtistTag, "third");
  // Nothing but the file: the stream was cut to its length.
  write_file(dir.file("appended.tif"), stream_bytes(s));
  EXPECT_EQ(count_of(tiffinfo(dir.file("appended.tif")), "TIFF Directory at offset"), 3);
}

TEST_F(FormatTiff, AppendingKeepsTheOrientationOfEarlierPagesAndLeavesNoScratchFiles) {
  raster a = pattern(5, 3), b = blocks(4, 4);
  write_netpbm(dir.file("a.ppm"), a);
  write_netpbm(dir.file("b.ppm"), b);
  std::string file = dir.file("turned.tif");
  run("convert '" + dir.file("a.ppm") + "' '" + dir.file("b.ppm") + "' -compress lzw '" + file + "'");
  run("tiffset -d 0 -s 274 6 '" + file + "'");
  TMemoryStream s;
  load_stream(s, file);

  hw_test::ScratchDir tmp;
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", tmp.path().c_str(), 1);
  std::filesystem::create_directory(tmp.file("zu-pages-a1B2c3"));  // left by a killed append
  s.SetPosition(s.Size());
  make(2, 2, ifTrueColor, pattern(2, 2))->AppendToStream(s);
  if (old) setenv("TMPDIR", saved.c_str(), 1);
  else unsetenv("TMPDIR");
  EXPECT_TRUE(FindFiles(tmp.path(), "*").empty());
  EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));

  TTiffGraphic counter;
  s.SetPosition(0);
  ASSERT_EQ(counter.GetImageCount(s), 3);
  auto first = load_page(s, 1);
  ASSERT_EQ(first->Width(), 3);  // still turned a quarter clockwise
  ASSERT_EQ(first->Height(), 5);
  EXPECT_EQ(first->GetPixel(2, 0), a.rgb(0, 0));
  expect_pixels(*load_page(s, 2), b, 0, "page 2");
}

TEST_F(FormatTiff, AppendingToAFileStreamCutsItToTheNewFile) {
  raster a = pattern(6, 4), b = blocks(8, 8);
  make(6, 4, ifTrueColor, a)->SaveToFile(dir.file("f.tif"));
  make(8, 8, ifTrueColor, b)->AppendToFile(dir.file("f.tif"));
  {
    TFileStream f(dir.file("f.tif"), fmOpenReadWrite);
    make(8, 8, ifGray256, b)->AppendToStream(f);
    EXPECT_EQ(f.Position(), f.Size());
  }
  std::string info = tiffinfo(dir.file("f.tif"));
  EXPECT_EQ(count_of(info, "TIFF Directory at offset"), 3) << info;
  EXPECT_EQ(count_of(info, "Software: Zurorove Image Library"), 3) << info;
  TMemoryStream s;
  load_stream(s, dir.file("f.tif"));
  expect_pixels(*load_page(s, 2), b, 0, "page 2");
}

TEST_F(FormatTiff, AppendingToAMissingFileIsAnError) {
  auto p = make(2, 2, ifTrueColor, pattern(2, 2));
  std::string missing = dir.file("missing.tif");
  try {
    p->AppendToFile(missing);
    ADD_FAILURE() << "appended to a missing file";
  } catch (const EZuroroveError& e) {
    EXPECT_EQ(e.Message(), "Unable to open " + missing + " for appending");
  }
  EXPECT_FALSE(FileExists(missing));
}

TEST_F(FormatTiff, MultiSaveWritesEveryPageTheSupplierGives) {
  raster a = pattern(4, 4), c = pattern(2, 5);
  auto keep = make(9, 3, ifColor256, blocks(9, 3));
  raster b = picture_raster(*keep);
  TTiffGraphic writer;
  std::vector<int> asked;
  writer.MultiSaveToFile(dir.file("multi.tif"), 3, [&](int n, bool& free_it) -> TGraphic* {
    asked.push_back(n);
    free_it = n != 2;
    if (n == 2) return keep.get();
    return make(n == 1 ? 4 : 2, n == 1 ? 4 : 5, ifTrueColor, n == 1 ? a : c).release();
  });
  EXPECT_EQ(asked, (std::vector<int>{1, 2, 3}));
  TMemoryStream s;
  load_stream(s, dir.file("multi.tif"));
  EXPECT_EQ(writer.GetImageCount(s), 3);
  expect_pixels(*load_page(s, 1), a, 0, "page 1");
  expect_pixels(*load_page(s, 2), b, 0, "page 2");
  expect_pixels(*load_page(s, 3), c, 0, "page 3");
  EXPECT_EQ(keep->Width(), 9);  // the kept picture was not freed

  writer.MultiSaveToFile(dir.file("none.tif"), 0, [](int, bool&) -> TGraphic* { return nullptr; });
  EXPECT_FALSE(FileExists(dir.file("none.tif")));
}

TEST_F(FormatTiff, ShortColourTablesAreWrittenWholeWithBlackForTheMissingEntries) {
  TMaxLogPalette palette{0x300, 3, {{40, 200, 0, 0}, {41, 199, 9, 0}, {42, 198, 18, 0}}};
  TTiffGraphic p;
  p.NewImage(7, 3, ifColor256, &palette, 0, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) p.SetPaletteIndex(x, y, static_cast<Byte>((x + 2 * y) % 3));
  TMemoryStream s;
  p.SaveToStream(s);
  p.AppendToStream(s);  // both save paths
  for (int page : {1, 2}) {
    auto back = load_page(s, page);
    expect_pixels(*back, picture_raster(p), 0, "page " + std::to_string(page));
    for (const PALETTEENTRY& e : std::span(back->Palette().palPalEntry).subspan(3))
      ASSERT_EQ(e.peRed | e.peGreen | e.peBlue, 0);  // the entries the table lacked
  }
}

TEST_F(FormatTiff, AssignTakesTheCompressionOfATiffSource) {
  auto source = make(3, 3, ifTrueColor, pattern(3, 3));
  source->SetCompression(tcLZW);
  source->ArtistTag = "not copied";
  TTiffGraphic copy;
  copy.Assign(source.get());
  EXPECT_EQ(copy.Compression(), tcLZW);
  EXPECT_EQ(copy.ArtistTag, "");
  expect_pixels(copy, pattern(3, 3));
}

TEST_F(FormatTiff, AFullDiskRaisesAndKeepsTheOldFile) {
  hw_test::SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << "mounting a small file system needs root";
  raster a = pattern(6, 4), big = noise(64, 64, 7);
  const std::string name = disk.file("f.tif");
  make(6, 4, ifTrueColor, a)->SaveToFile(name);
  const std::vector<Byte> old = read_file(name);
  ASSERT_GT(disk.fill(), 0);

  // Appending and saving many pages both need room the disk no longer has.
  try {
    make(64, 64, ifTrueColor, big)->AppendToFile(name);
    ADD_FAILURE() << "an append to a full disk reported success";
  } catch (const EStreamError& e) {
    EXPECT_NE(e.Message().find("No space left on device"), std::string::npos) << e.Message();
  }
  EXPECT_TRUE(read_file(name) == old) << "the old file changed";
  TTiffGraphic writer;
  EXPECT_THROW(writer.MultiSaveToFile(name, 2, [&](int, bool& free_it) -> TGraphic* {
    free_it = true;
    return make(64, 64, ifTrueColor, big).release();
  }), EStreamError);
  EXPECT_THROW(make(64, 64, ifTrueColor, big)->SaveToFile(name), EStreamError);
  EXPECT_TRUE(read_file(name) == old) << "the old file changed";
  EXPECT_EQ(disk.names(), (std::vector<std::string>{"f.tif", "filler"}));

  // A full temporary folder fails an append to a stream too, and leaves the stream as it was:
  // with no room for the copy of the stream, and with room for the copy but not for the result.
  TMemoryStream s;
  load_stream(s, name);
  std::filesystem::remove(disk.file("filler"));
  ASSERT_GT(disk.fill(8192), 0);
  const std::string saved = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  setenv("TMPDIR", disk.path().c_str(), 1);
  EXPECT_THROW(make(64, 64, ifTrueColor, big)->AppendToStream(s), Exception);
  if (saved.empty()) unsetenv("TMPDIR");
  else setenv("TMPDIR", saved.c_str(), 1);
  EXPECT_TRUE(stream_bytes(s) == old) << "the stream changed";
  EXPECT_EQ(disk.names(), (std::vector<std::string>{"f.tif", "filler"}));

  // With room again the append goes through: two pages, the first unchanged.
  std::filesystem::remove(disk.file("filler"));
  make(64, 64, ifTrueColor, big)->AppendToFile(name);
  load_stream(s, name);
  EXPECT_EQ(writer.GetImageCount(s), 2);
  expect_pixels(*load_page(s, 1), a, 0, "page 1");
  expect_pixels(*load_page(s, 2), big, 0, "page 2");
}

TEST_F(FormatTiff, TheFramesOfALoadCountTogetherAgainstThePixelLimit) {
  // Two pages of 90,000,000 pixels: each passes the limit alone, not both as frames of one load.
  TTiffGraphic page;
  page.NewImage(10000, 9000, ifBlackWhite, nullptr, 0, 0);
  page.Fill(Rgb(255, 255, 255));
  TMemoryStream s;
  page.SaveToStream(s);
  page.AppendToStream(s);
  TTiffGraphic frames;
  frames.SetMultiLoad(true);
  s.SetPosition(0);
  EXPECT_THROW(
      try { frames.LoadFromStream(s); } catch (const EZuroroveError& e) {
        EXPECT_STREQ(e.what(), "An image of 10000 x 9000 pixels is too large");
        throw;
      },
      EZuroroveError);
  EXPECT_EQ(frames.FrameCount(), 0);
  EXPECT_EQ(load_page(s, 2)->Width(), 10000);

  // Exactly at the limit: two pages of 14351 x 6235 (89,478,485 pixels each) are read; a 1 x 1
  // page more is refused. The pages share one strip of CCITT group 4 rows, a white row one bit.
  auto pages = [](const std::vector<std::uint32_t>& sizes) {  // width, height, width, height, ...
    std::vector<Byte> t{'I', 'I', 42, 0, 0x14, 0x03, 0, 0};     // the first directory at 788
    t.insert(t.end(), 780, Byte{0xFF});
    auto put = [&](std::uint32_t v, int n) { while (n-- > 0) t.push_back(static_cast<Byte>(v)), v >>= 8; };
    for (std::size_t p = 0; p < sizes.size(); p += 2) {
      put(9, 2);
      for (auto [tag, type, value] : {std::array<std::uint32_t, 3>{256, 4, sizes[p]}, {257, 4, sizes[p + 1]}, {258, 3, 1},
                                      {259, 3, 4}, {262, 3, 0}, {273, 4, 8}, {277, 3, 1}, {278, 4, sizes[p + 1]}, {279, 4, 780}})
        put(tag, 2), put(type, 2), put(1, 4), put(value, 4);
      put(p + 2 < sizes.size() ? static_cast<std::uint32_t>(t.size() + 4) : 0, 4);
    }
    return t;
  };
  TTiffGraphic two, three;
  two.SetMultiLoad(true), three.SetMultiLoad(true);
  TMemoryStream at_limit, past;
  at_limit.Bytes() = pages({14351, 6235, 14351, 6235});
  past.Bytes() = pages({14351, 6235, 14351, 6235, 1, 1});
  two.LoadFromStream(at_limit);
  EXPECT_EQ(two.FrameCount(), 2);
  EXPECT_THROW(three.LoadFromStream(past), EZuroroveError);
}

TEST_F(FormatTiff, EightBitPagesWithoutSamplesPerPixelReachTheDecoderWithTheTag) {
  // Two 8-bit pages whose directories lose the SamplesPerPixel tag: its entry is renamed to a
  // private tag and moved last, so that the directory stays sorted.
  // The third page keeps it.
  auto one = make(6, 4, ifColor256, blocks(6, 4)), two = make(5, 7, ifColor256, blocks(5, 7));
  auto three = make(17, 3, ifColor256, blocks(17, 3)), four = make(3, 18, ifColor256, blocks(3, 18));
  const raster want[] = {picture_raster(*one), picture_raster(*two), picture_raster(*three), picture_raster(*four)};
  TMemoryStream s;
  one->SaveToStream(s);
  for (TTiffGraphic* p : {two.get(), three.get(), four.get()}) p->AppendToStream(s);
  std::vector<Byte>& bytes = s.Bytes();
  ASSERT_EQ(bytes[0], 'I');
  auto u16 = [&](std::size_t at) { return static_cast<std::size_t>(bytes[at] | bytes[at + 1] << 8); };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  std::vector<std::size_t> dirs{u32(4)};
  while (dirs.size() < 4) dirs.push_back(u32(dirs.back() + 2 + 12 * u16(dirs.back())));
  for (std::size_t dir : {dirs[0], dirs[1], dirs[3]}) {
    const std::size_t count = u16(dir);
    std::size_t at = dir + 2;
    while (at < dir + 2 + 12 * count && u16(at) != 277) at += 12;
    ASSERT_LT(at, dir + 2 + 12 * count) << "the writer wrote no SamplesPerPixel";
    std::vector<Byte> entry(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + 12));
    entry[0] = 0xE8, entry[1] = 0xFD;  // 65000
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + 12));
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(dir + 2 + 12 * (count - 1)), entry.begin(), entry.end());
  }
  const std::string stripped = dir.file("stripped.tif");
  write_file(stripped, bytes);
  ASSERT_EQ(count_of(tiffinfo(stripped), "Samples/Pixel"), 1);

  // Each page in turn gets the tag, in a copy of its directory; the other page stays as it was.
  for (int page : {0, 1}) {
    SCOPED_TRACE(page);
    s.SetPosition(0);
    const std::optional<std::vector<Byte>> mended = TiffWithSamplesPerPixel(s, page);
    ASSERT_TRUE(mended.has_value());
    EXPECT_EQ(s.Position(), 0);
    const std::string path = dir.file("mended" + std::to_string(page) + ".tif");
    write_file(path, *mended);
    const std::string info = tiffinfo(path);
    EXPECT_EQ(count_of(info, "TIFF Directory at offset"), 4);
    EXPECT_EQ(count_of(info, "Samples/Pixel: 1"), 2);
  }
  // All of them get it in one copy, consecutive pages too.
  s.SetPosition(0);
  const std::optional<std::vector<Byte>> all = TiffWithSamplesPerPixel(s, ReadTiffPagesInfo(s, 0, Int64{1} << 40));
  ASSERT_TRUE(all.has_value());
  write_file(dir.file("all.tif"), *all);
  EXPECT_EQ(count_of(tiffinfo(dir.file("all.tif")), "Samples/Pixel: 1"), 4);
  // Pages that carry the tag, and other depths, are left alone.
  TMemoryStream whole;
  one->SaveToStream(whole);
  whole.SetPosition(0);
  EXPECT_FALSE(TiffWithSamplesPerPixel(whole, 0).has_value());
  // Every page loads with its pixels, alone and as a frame.
  TTiffGraphic frames;
  frames.SetMultiLoad(true);
  s.SetPosition(0);
  frames.LoadFromStream(s);
  ASSERT_EQ(frames.FrameCount(), 4);
  for (int n = 1; n <= 4; ++n) {
    expect_pixels(*load_page(s, n), want[n - 1], 0, "page " + std::to_string(n));
    expect_pixels(*frames.GetFrame(n), want[n - 1], 0, "frame " + std::to_string(n));
  }
}
