// Icons, read and written through the class library's icon class; not registered as a file
// format. The picture model hands pictures to icons through it.
#pragma once

#include "image/dib_graphic.hpp"

class TIconGraphic : public TDibGraphic {
public:
  std::string ClassName() const override { return "TIconGraphic"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TIconGraphic>(); }

  using TDibGraphic::CanRead;
  // The icon drawn over BackgroundColor, as a true-colour picture (the image number is ignored).
  void SingleLoadFromStream(TStream& Stream, int ImageToLoad) override;
  // An icon file with one true-colour image of the picture, every pixel opaque.
  void SaveToStream(TStream& Stream) override;
  bool CanRead(TStream& Stream) override { return CanReadStream(Stream); }
  std::string PrimaryFileExt() override { return "ico"; }
  // Type below 2, at least one image, and a first image of 16, 32 or 64 pixels each way.
  static bool CanReadStream(TStream& Stream);
};
