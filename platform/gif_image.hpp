// GIF pictures: the first frame, read through the window system's image reader, held as a
// 24-bit bitmap; a transparent colour of the file makes the bitmap transparent with a key
// colour that occurs nowhere else in the picture.
#pragma once

#include "platform/graphics.hpp"

class TGIFImage : public TBitmap {
public:
  std::string ClassName() const override { return "TGIFImage"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TGIFImage>(); }
  // Raises EInvalidGraphic "Invalid GIF image" for anything it cannot decode.
  void LoadFromStream(TStream& stream) override;
  // Writes a GIF file of the bitmap.
  void SaveToStream(TStream& stream) override;
};
