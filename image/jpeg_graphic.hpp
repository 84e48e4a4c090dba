// JPEG pictures, read and written through FreeImage.
#pragma once

#include "image/dib_graphic.hpp"

using TJpegQuality = int;  // 1..100

class TJpegGraphic : public TDibGraphic {
public:
  std::string ClassName() const override { return "TJpegGraphic"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TJpegGraphic>(); }

  using TDibGraphic::CanRead;
  void SingleLoadFromStream(TStream& Stream, int ImageToLoad) override;
  // Grey and true-colour pictures are written as they are, others from a true-colour copy.
  void SaveToStream(TStream& Stream) override;
  bool CanRead(TStream& Stream) override { return CanReadStream(Stream); }
  std::string PrimaryFileExt() override { return "jpg"; }
  // 0xFF 0xD8 0xFF, then a JFIF (0xE0) or Exif (0xE1) segment.
  static bool CanReadStream(TStream& Stream);

  TJpegQuality SaveQuality = 80;
  bool SaveProgressive = false;
  bool OptimizedHuffmanCodes = false;
};
