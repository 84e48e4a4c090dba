// PNG pictures: read through FreeImage, written by the class library's PNG writer.
#pragma once

#include "image/dib_graphic.hpp"

enum TPngCompressionLevel { pcLow, pcMedium, pcHigh };

class TPngGraphic : public TDibGraphic {
public:
  std::string ClassName() const override { return "TPngGraphic"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TPngGraphic>(); }

  using TDibGraphic::CanRead;
  // Takes the four save settings of a PNG source, then its picture.
  void Assign(TPersistent* Source) override;
  void SingleLoadFromStream(TStream& Stream, int ImageToLoad) override;
  // Deflate level 1, 6 or 9 by CompressionLevel (any other value raises EZuroroveError
  // "Internal error: unknown PNG compression level"), Adam7 when SaveProgressive; with
  // SaveTransparent, true-colour pictures get an alpha channel that hides the pixels of
  // TransparentSaveColor, others make that colour the transparent one.
  void SaveToStream(TStream& Stream) override;
  bool CanRead(TStream& Stream) override { return CanReadStream(Stream); }
  std::string PrimaryFileExt() override { return "png"; }
  // 137, "PNG", 13, 10, 26, 10.
  static bool CanReadStream(TStream& Stream);

  TPngCompressionLevel CompressionLevel = pcMedium;
  bool SaveProgressive = true;
  TRgb TransparentSaveColor = Rgb(0, 0, 0);
  bool SaveTransparent = false;
};
