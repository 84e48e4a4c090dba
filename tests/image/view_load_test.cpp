#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "common/test_env.hpp"
#include "image/image_scroll_box.hpp"
#include "image/read_ahead.hpp"
#include "platform/clipbrd.hpp"
#include "platform/gif_image.hpp"
#include "view_test_support.hpp"

using namespace view_test;

namespace {

std::string three_pages() {
  auto a = make_picture(20, 10, 1), b = make_picture(30, 15, 2), c = make_picture(40, 20, 3);
  return hwt_bytes({a.get(), b.get(), c.get()});
}

bool same_pixels(const TDibGraphic& g, int seed) {
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x)
      if (!(g.GetPixel(x, y) == pattern(seed, x, y))) return false;
  return true;
}

// Points the temporary folder at a scratch folder for the life of the object.
struct PrivateTemp {
  hw_test::ScratchDir dir;
  std::string old;
  bool had;
  PrivateTemp() {
    const char* t = std::getenv("TMPDIR");
    had = t != nullptr;
    if (had) old = t;
    setenv("TMPDIR", dir.path().c_str(), 1);
  }
  ~PrivateTemp() {
    if (had) setenv("TMPDIR", old.c_str(), 1);
    else unsetenv("TMPDIR");
  }
};

std::vector<std::string> temp_files_with_prefix(const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& f : FindFiles(TempFolder(), prefix + "*")) out.push_back(f);
  return out;
}

bool wait_for_read_ahead(TImageScrollBox& view, int ms = 5000) {
  for (int waited = 0; waited < ms; waited += 5) {
    if (view.ReadAheadReady()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return view.ReadAheadReady();
}


// A GIF of colour indices into a four-colour table, `transparent` (or -1) the transparent index.
// Every code is three bits wide: a clear code before every second pixel keeps the code table
// from growing.
std::string gif_bytes(int width, int height, const std::vector<int>& indices, const TRgb (&table)[4], int transparent) {
  std::string out = "GIF89a";
  auto u16 = [&](int v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
  };
  u16(width);
  u16(height);
  out += std::string("\x81\x00\x00", 3);  // a global table of 4 entries
  for (const TRgb& c : table) {
    out.push_back(static_cast<char>(c.Red));
    out.push_back(static_cast<char>(c.Green));
    out.push_back(static_cast<char>(c.Blue));
  }
  if (transparent >= 0) {
    out += std::string("\x21\xF9\x04\x01\x00\x00", 6);
    out.push_back(static_cast<char>(transparent));
    out.push_back('\0');
  }
  out.push_back(',');
  u16(0);
  u16(0);
  u16(width);
  u16(height);
  out.push_back('\0');
  out.push_back('\x02');  // minimum code size
  std::string data;
  unsigned bits = 0, count = 0;
  auto code = [&](unsigned c) {
    bits |= c << count;
    count += 3;
    while (count >= 8) {
      data.push_back(static_cast<char>(bits & 0xFF));
      bits >>= 8;
      count -= 8;
    }
  };
  for (size_t i = 0; i < indices.size(); ++i) {
    if (i % 2 == 0) code(4);
    code(static_cast<unsigned>(indices[i]));
  }
  code(5);
  if (count > 0) data.push_back(static_cast<char>(bits & 0xFF));
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    out.push_back(static_cast<char>(n));
    out += data.substr(at, n);
  }
  out.push_back('\0');
  out.push_back(';');
  return out;
}
}  // namespace

TEST(ViewLoad, LoadsAPageOrEveryPageOfAFile) {
  hw_test::ScratchDir dir;
  write_file(dir.file("three.hwt"), three_pages());
  ViewWindow w;
  std::vector<std::string> log;
  record_view_events(*w.view, log);
  w.view->LoadFromFile(dir.file("three.hwt"), 2);
  EXPECT_EQ(log, (std::vector<std::string>{"NewGraphic", "Redraw"}));
  EXPECT_EQ(w.view->Graphic()->Width(), 30);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 2));
  EXPECT_EQ(w.view->FileName(), dir.file("three.hwt"));
  EXPECT_EQ(w.view->DisplayedGraphic()->Width(), 30);
  w.view->LoadFromFile(dir.file("three.hwt"), 0);
  EXPECT_EQ(w.view->FrameCount(), 3);
  EXPECT_EQ(w.view->CurrentFrame(), 1);
  EXPECT_EQ(w.view->ImageCountFromFile(dir.file("three.hwt")), 3);
  EXPECT_EQ(w.view->ImageCountFromFile(dir.file("unregistered.xyz")), 1);
  // Writing the file name loads page 1; an empty name clears.
  w.view->SetFileName(dir.file("three.hwt"));
  EXPECT_EQ(w.view->Graphic()->Width(), 20);
  EXPECT_EQ(w.view->FrameCount(), 0);
  w.view->SetFileName("");
  EXPECT_TRUE(w.view->Graphic()->Empty());
  EXPECT_EQ(w.view->FileName(), "");
}

TEST(ViewLoad, AFailedLoadKeepsThePictureShown) {
  hw_test::ScratchDir dir;
  write_file(dir.file("bad.hwx"), "HWX whatever");
  write_file(dir.file("bad.hwt"), "HWT\x02truncated");
  ViewWindow w;
  w.show_picture(50, 40, 4);
  TDibGraphic* before = w.view->Graphic();
  EXPECT_THROW(w.view->LoadFromFile(dir.file("missing.hwt"), 1), EFOpenError);
  EXPECT_THROW(w.view->LoadFromFile(dir.file("bad.hwx"), 1), EZuroroveError);
  EXPECT_THROW(w.view->LoadFromFile(dir.file("bad.hwt"), 1), Exception);
  // A file the decoders make nothing of gives no picture: a failed load as well.
  write_file(dir.file("junk.png"), "\x89PNG\r\n\x1a\nthis is no picture");
  try {
    w.view->LoadFromFile(dir.file("junk.png"), 0);
    ADD_FAILURE() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(std::string(e.what()), "The picture " + dir.file("junk.png") + " could not be read");
  }
  EXPECT_EQ(w.view->FileName(), "");
  TMemoryStream junk;
  junk.WriteBuffer("nothing we know", 15);
  junk.SetPosition(0);
  try {
    w.view->LoadFromStream(junk, 1);
    ADD_FAILURE() << "no error";
  } catch (const EZuroroveError& e) {
    EXPECT_STREQ(e.what(), "Unable to determine graphic format");
  }
  EXPECT_EQ(w.view->Graphic(), before);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 4));
  EXPECT_EQ(w.view->DisplayedGraphic()->Width(), 50);
  // An unknown extension fails in the picture container.
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.SetPosition(0);
  EXPECT_THROW(w.view->LoadFromStream(s, ".nosuchformat", 1), Exception);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 4));
}

TEST(ViewLoad, ATransparentGifShowsBlackWhereItIsTransparent) {
  hw_test::ScratchDir dir;
  // Left half red, right half green, a transparent block in the middle, one white pixel; the
  // transparent entry's own colour is blue, and no entry is magenta.
  const TRgb table[4] = {{255, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 255, 255, 0}};
  const int W = 8, H = 6;
  std::vector<int> idx;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) idx.push_back(x >= 2 && x < 6 && y >= 2 && y < 4 ? 0 : x < W / 2 ? 1 : 2);
  idx[0] = 3;
  write_file(dir.file("clear.gif"), gif_bytes(W, H, idx, table, 0));
  // The GIF class keeps a key colour in its pixels where the picture is transparent.
  TGIFImage gif;
  gif.LoadFromFile(dir.file("clear.gif"));
  ASSERT_TRUE(gif.Transparent());
  const TColor key = gif.Bitmap().TransparentColor();
  EXPECT_EQ(key, RGB(255, 0, 255));
  ViewWindow w;
  w.show_picture(20, 10, 1);
  w.view->LoadFromFile(dir.file("clear.gif"), 0);
  const TDibGraphic& g = *w.view->Graphic();
  ASSERT_EQ(g.Width(), W);
  ASSERT_EQ(g.Height(), H);
  const TRgb black{0, 0, 0, 0};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const TRgb p = g.GetPixel(x, y);
      const int i = idx[static_cast<size_t>(y * W + x)];
      EXPECT_FALSE(p.Red == GetRValue(key) && p.Green == GetGValue(key) && p.Blue == GetBValue(key)) << x << "," << y;
      if (i == 0) EXPECT_EQ(p, black) << x << "," << y;
      else EXPECT_EQ(p, table[i]) << x << "," << y;
    }
  // What the view shows comes from the same pixels.
  const TDibGraphic& shown = *w.view->DisplayedGraphic();
  ASSERT_EQ(shown.Width(), W);
  EXPECT_EQ(shown.GetPixel(3, 2), black);
}

TEST(ViewLoad, LoadsByContent) {
  std::string bytes = three_pages();
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  s.SetPosition(0);
  ViewWindow w;
  w.view->LoadFromStream(s, 3);
  EXPECT_EQ(w.view->Graphic()->Width(), 40);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 3));
  s.SetPosition(0);
  w.view->LoadFromStream(s, 0);
  EXPECT_EQ(w.view->FrameCount(), 3);
}

TEST(ViewLoad, OtherExtensionsGoThroughAPassingTemporaryFile) {
  PrivateTemp temp;
  auto pic = make_picture(12, 9, 6);
  std::string bmp = bmp_bytes(*pic);
  // The stream holds something before the picture: only what follows the position is copied.
  TMemoryStream s;
  s.WriteBuffer("PREFIX", 6);
  s.WriteBuffer(bmp.data(), static_cast<Int64>(bmp.size()));
  s.SetPosition(6);
  ViewWindow w;
  std::vector<int> progress;
  w.view->OnReadWriteProgress = [&](TObject* sender, Byte p) {
    EXPECT_EQ(sender, w.view);
    progress.push_back(p);
    // While loading, the copy exists under the temporary folder with the "Zu" prefix.
    if (p == 25) {
      EXPECT_EQ(temp_files_with_prefix("Zu"), (std::vector<std::string>{"Zu0.bmp"}));
    }
    // Done only once the copy is gone.
    if (p == 100) {
      EXPECT_TRUE(temp_files_with_prefix("Zu").empty());
    }
  };
  std::vector<std::string> before = temp_files_with_prefix("Zu");
  EXPECT_TRUE(before.empty());
  w.view->LoadFromStream(s, "bmp", 1);
  EXPECT_EQ(progress, (std::vector<int>{0, 25, 90, 100}));
  EXPECT_EQ(temp_files_with_prefix("Zu"), before);
  ASSERT_EQ(w.view->Graphic()->Width(), 12);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 6));
  // A whole file name counts by its extension.
  s.SetPosition(6);
  w.view->Clear();
  w.view->LoadFromStream(s, "/no/such/folder/picture.bmp", 1);
  EXPECT_EQ(w.view->Graphic()->Height(), 9);
  EXPECT_EQ(temp_files_with_prefix("Zu"), before);
}

TEST(ViewLoad, SavingFindsTheFormatBeforeTouchingTheFile) {
  hw_test::ScratchDir dir;
  ViewWindow w;
  w.show_picture(16, 8, 7);
  const std::string old = "precious old content";
  write_file(dir.file("keep.xyz"), old);
  try {
    w.view->SaveToFile(dir.file("keep.xyz"));
    ADD_FAILURE() << "no error";
  } catch (const EZuroroveError& e) {
    EXPECT_STREQ(e.what(), "Graphic files of .xyz format are not supported or not registered");
  }
  EXPECT_EQ(read_file(dir.file("keep.xyz")), old);
  write_file(dir.file("keep.hwx"), old);
  EXPECT_THROW(w.view->SaveToFile(dir.file("keep.hwx")), EZuroroveError);
  EXPECT_EQ(read_file(dir.file("keep.hwx")), old);
  EXPECT_FALSE(FileExists(dir.file("new.hwx")));
  EXPECT_THROW(w.view->SaveToFile(dir.file("new.hwx")), EZuroroveError);
  EXPECT_FALSE(FileExists(dir.file("new.hwx")));
  EXPECT_EQ(FindFiles(dir.path(), "*").size(), 2u);  // no temporary left behind
  EXPECT_EQ(w.view->FileName(), "");
  TMemoryStream s;
  try {
    w.view->SaveToStream(s, "qq");
    ADD_FAILURE() << "no error";
  } catch (const EZuroroveError& e) {
    EXPECT_STREQ(e.what(), "Graphic files of qq format are not supported or not registered");
  }
}

TEST(ViewLoad, SavesThroughTheBeforeSaveHookAndAppends) {
  hw_test::ScratchDir dir;
  ViewWindow w;
  w.show_picture(16, 8, 7);
  int hooked = 0;
  w.view->OnBeforeSave = [&](TImageScrollBox* sender, TDibGraphic* g) {
    EXPECT_EQ(sender, w.view);
    EXPECT_NE(g, w.view->Graphic());
    EXPECT_TRUE(same_pixels(*g, 7));
    ++hooked;
  };
  w.view->SaveToFile(dir.file("out.hwt"));
  EXPECT_EQ(hooked, 1);
  EXPECT_EQ(w.view->FileName(), dir.file("out.hwt"));
  w.view->OnBeforeSave = [](TImageScrollBox*, TDibGraphic* g) { g->Fill(Rgb(255, 0, 0)); };
  w.view->AppendToFile(dir.file("out.hwt"));
  EXPECT_EQ(w.view->FileName(), dir.file("out.hwt"));
  EXPECT_EQ(w.view->ImageCountFromFile(dir.file("out.hwt")), 2);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 7));  // the hook changed only the copy
  w.view->LoadFromFile(dir.file("out.hwt"), 2);
  EXPECT_EQ(w.view->Graphic()->GetPixel(3, 3), Rgb(255, 0, 0));
  w.view->LoadFromFile(dir.file("out.hwt"), 1);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 7));
  // Appending needs the file; a failing writer leaves it as it was.
  EXPECT_THROW(w.view->AppendToFile(dir.file("none.hwt")), EFOpenError);
  // The file is opened before its format is looked for.
  EXPECT_THROW(w.view->AppendToFile(dir.file("none.hwx")), EFOpenError);
  EXPECT_FALSE(FileExists(dir.file("none.hwx")));
  std::string before = read_file(dir.file("out.hwt"));
  write_file(dir.file("out.hwx"), before);
  EXPECT_THROW(w.view->AppendToFile(dir.file("out.hwx")), EZuroroveError);
  EXPECT_EQ(read_file(dir.file("out.hwx")), before);
}

TEST(ViewLoad, AssigningCopiesAndForgetsFileAndAnnotations) {
  hw_test::ScratchDir dir;
  write_file(dir.file("a.hwt"), three_pages());
  ViewWindow w;
  w.view->LoadFromFile(dir.file("a.hwt"), 1);
  w.view->SetAnnotations("(0)");
  auto g = make_picture(7, 5, 9);
  w.view->SetGraphic(g.get());
  EXPECT_NE(w.view->Graphic(), g.get());
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 9));
  EXPECT_EQ(w.view->FileName(), "");
  EXPECT_EQ(w.view->Annotations(), "");
  g->Fill(Rgb(1, 2, 3));
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 9));
}

TEST(ViewLoad, TakesABitmapFromTheClipboard) {
  ViewWindow w;
  w.show_picture(10, 10, 1);
  Clipboard()->Clear();
  EXPECT_FALSE(w.view->AssignFromClipboard());
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 1));
  auto pic = make_picture(9, 6, 2);
  Clipboard()->Assign(pic.get());
  EXPECT_TRUE(w.view->AssignFromClipboard());
  EXPECT_EQ(w.view->Graphic()->Width(), 9);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 2));
  EXPECT_EQ(w.view->DisplayedGraphic()->Width(), 9);
  Clipboard()->Clear();
}

TEST(ViewLoad, ReadAheadHandsOverTheReadyPicture) {
  hw_test::ScratchDir dir;
  auto pic = make_picture(33, 11, 5);
  write_file(dir.file("Next.hwt"), hwt_bytes({pic.get()}));
  ViewWindow w;
  w.view->SetReadAheadFileName(dir.file("Next.hwt"));
  ASSERT_TRUE(wait_for_read_ahead(*w.view));
  // The file goes: the view must use what was read ahead, whatever the letter case of the name.
  ASSERT_TRUE(DeleteFile(dir.file("Next.hwt")));
  std::string upper = dir.path() + "/NEXT.HWT";
  w.view->LoadFromFile(upper, 0);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 5));
  EXPECT_EQ(w.view->FileName(), upper);
  EXPECT_EQ(w.view->ReadAheadFileName(), "");
  EXPECT_FALSE(w.view->ReadAheadReady());
  // A missing file reads ahead nothing, and the later load fails as any missing file does.
  w.view->SetReadAheadFileName(dir.file("missing.hwt"));
  EXPECT_FALSE(wait_for_read_ahead(*w.view, 100));
  EXPECT_THROW(w.view->LoadFromFile(dir.file("missing.hwt"), 1), EFOpenError);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 5));
}

TEST(ViewLoad, ReadAheadOfAnotherNameReadsTheFile) {
  hw_test::ScratchDir dir;
  auto a = make_picture(8, 8, 1), b = make_picture(9, 9, 2);
  write_file(dir.file("a.hwt"), hwt_bytes({a.get()}));
  write_file(dir.file("b.hwt"), hwt_bytes({b.get()}));
  ViewWindow w;
  w.view->SetReadAheadFileName(dir.file("a.hwt"));
  ASSERT_TRUE(wait_for_read_ahead(*w.view));
  w.view->LoadFromFile(dir.file("b.hwt"), 1);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 2));
  EXPECT_EQ(w.view->ReadAheadFileName(), dir.file("a.hwt"));
  EXPECT_TRUE(w.view->ReadAheadReady());
  // A new request drops the picture read before.
  w.view->SetReadAheadFileName(dir.file("b.hwt"));
  EXPECT_TRUE(wait_for_read_ahead(*w.view));
  ASSERT_TRUE(DeleteFile(dir.file("b.hwt")));
  w.view->LoadFromFile(dir.file("b.hwt"), 1);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 2));
}

TEST(ViewLoad, AViewGoesWhileItsReadAheadRuns) {
  // The view waits for its readers when it goes: no reader of it outlives it.
  hw_test::ScratchDir dir;
  auto big = make_picture(1500, 1000, 1);
  write_file(dir.file("big.hwt"), hwt_bytes({big.get()}));
  for (int i = 0; i < 3; ++i) {
    {
      ViewWindow w;
      w.view->SetReadAheadFileName(dir.file("big.hwt"));
      w.view->SetReadAheadFileName(dir.file("big.hwt"));
    }
    EXPECT_EQ(TReadGraphicThread::Running(), 0);
  }
}

TEST(ViewLoad, MultiPageTiffFilesThroughTheLibrarysFormats) {
  hw_test::ScratchDir dir;
  ViewWindow w;
  for (int seed = 1; seed <= 3; ++seed) {
    w.show_picture(20 + seed, 10, seed);
    if (seed == 1) w.view->SaveToFile(dir.file("pages.tif"));
    else w.view->AppendToFile(dir.file("pages.tif"));
  }
  EXPECT_EQ(w.view->ImageCountFromFile(dir.file("pages.tif")), 3);
  w.view->LoadFromFile(dir.file("pages.tif"), 0);
  EXPECT_EQ(w.view->FrameCount(), 3);
  w.view->LoadFromFile(dir.file("pages.tif"), 2);
  EXPECT_EQ(w.view->FrameCount(), 0);
  EXPECT_EQ(w.view->Graphic()->Width(), 22);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 2));
  // PNG by content.
  w.view->SaveToFile(dir.file("one.png"));
  TFileStream png(dir.file("one.png"), fmOpenRead);
  w.view->Clear();
  w.view->LoadFromStream(png, 1);
  EXPECT_TRUE(same_pixels(*w.view->Graphic(), 2));
}
