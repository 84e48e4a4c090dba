// GIF pictures: the first frame, read through the window system's image reader. The picture is
// held in a 24-bit bitmap; a transparent colour of the file makes that bitmap transparent with a
// key colour that occurs nowhere else in the picture. The GIF class is a graphic of its own, not
// a bitmap: whoever takes its pixels asks it to draw itself, so the key colour never leaves it.
#pragma once

#include "platform/graphics.hpp"

class TGIFImage : public TGraphic {
public:
  std::string ClassName() const override { return "TGIFImage"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TGIFImage>(); }

  // From another GIF picture or a bitmap.
  void Assign(TPersistent* source) override;
  // To a bitmap: a copy of the held bitmap with its transparency.
  void AssignTo(TPersistent* dest) override;
  // Draws the picture stretched; transparent parts leave the canvas as it was.
  void Draw(TCanvas& canvas, const TRect& rect) override;
  bool Empty() const override { return bitmap_.Empty(); }
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  void SetWidth(int value) override { bitmap_.SetWidth(value); }
  void SetHeight(int value) override { bitmap_.SetHeight(value); }
  bool Transparent() const override { return bitmap_.Transparent(); }
  void SetTransparent(bool value) override { bitmap_.SetTransparent(value); }
  HPALETTE GetPalette() override { return bitmap_.GetPalette(); }

  // Raises EInvalidGraphic "Invalid GIF image" for anything it cannot decode.
  void LoadFromStream(TStream& stream) override;
  // Writes a GIF file of the picture.
  void SaveToStream(TStream& stream) override;
  void LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) override;

  // The held bitmap: the key colour stands where the picture is transparent.
  TBitmap& Bitmap() { return bitmap_; }

private:
  TBitmap bitmap_;
};
