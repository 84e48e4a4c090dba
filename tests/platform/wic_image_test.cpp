#include <gtest/gtest.h>

#include <memory>

#include "common/test_env.hpp"
#include "platform/dialogs.hpp"
#include "platform/wic_image.hpp"

namespace {

// The bytes of a BMP file of a 3 x 2 true-colour picture with a red pixel at (2, 1).
TMemoryStream bmp_file() {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(3, 2);
  b.Canvas()->Brush().SetColor(clWhite);
  b.Canvas()->FillRect(Rect(0, 0, 3, 2));
  b.Canvas()->SetPixels(2, 1, clRed);
  TMemoryStream s;
  b.SaveToStream(s);
  s.SetPosition(0);
  return s;
}

}  // namespace

TEST(WicImage, DecodesByContentAndHandsABitmapOver) {
  TMemoryStream file = bmp_file();
  TWICImage wic;
  wic.LoadFromStream(file);
  EXPECT_EQ(wic.ImageFormat(), "bmp");
  EXPECT_EQ(wic.Width(), 3);
  EXPECT_EQ(wic.Height(), 2);
  TBitmap out;
  out.Assign(&wic);
  ASSERT_EQ(out.Width(), 3);
  EXPECT_EQ(out.Canvas()->Pixels(2, 1), clRed);
  EXPECT_EQ(out.Canvas()->Pixels(0, 0), clWhite);
}

TEST(WicImage, ContentItCannotDecodeLeavesThePictureAsItWas) {
  TMemoryStream file = bmp_file();
  TWICImage wic;
  wic.LoadFromStream(file);
  const char junk[] = "not a picture at all";
  TBytesStream bad(junk, sizeof junk);
  EXPECT_THROW(wic.LoadFromStream(bad), EInvalidGraphic);
  // A known kind whose bytes are broken: the decoder's own error.
  const Byte broken[] = {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  TBytesStream half(broken, sizeof broken);
  EXPECT_THROW(wic.LoadFromStream(half), EInvalidGraphic);
  TBytesStream none(junk, 0);
  EXPECT_THROW(wic.LoadFromStream(none), EInvalidGraphic);
  EXPECT_EQ(wic.ImageFormat(), "bmp");
  EXPECT_EQ(wic.Width(), 3);
}

TEST(WicImage, APngWithoutARegisteredClassIsRefused) {
  // This test program registers no PNG class with the picture container.
  const Byte png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13};
  TBytesStream s(png, sizeof png);
  TWICImage wic;
  EXPECT_THROW(wic.LoadFromStream(s), EInvalidGraphic);
  EXPECT_TRUE(wic.Empty());
}

TEST(FileDialogs, AskThroughTheDialogServiceAndKeepTheChoice) {
  auto& rec = hw_test::dialogs();
  rec.clear();
  TSavePictureDialog save(nullptr);
  save.SetTitle("Save it");
  save.SetFilter("Portable Network Graphic (*.png)|*.png");
  save.SetFileName("a.png");
  rec.answers.push_back({IDCANCEL, {}});
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(save.FileName(), "a.png");
  rec.answers.push_back({IDOK, "/tmp/b.png"});
  EXPECT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName(), "/tmp/b.png");
  ASSERT_EQ(rec.requests.size(), 2u);
  EXPECT_EQ(rec.requests[0].kind, DialogKind::SaveFile);
  EXPECT_EQ(rec.requests[0].text, "Save it");
  EXPECT_EQ(rec.requests[0].file_name, "a.png");
  EXPECT_EQ(rec.requests[0].filter, "Portable Network Graphic (*.png)|*.png");
  TOpenPictureDialog open(nullptr);
  EXPECT_FALSE(open.Execute());  // the recorder cancels when it has no answer
  EXPECT_EQ(rec.requests.back().kind, DialogKind::OpenFile);
  rec.clear();
}
