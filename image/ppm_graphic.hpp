// PBM, PGM and PPM pictures: read through FreeImage, written by our own writer in the ASCII
// (P1, P2, P3) or binary (P4, P5, P6) variant the picture's format calls for.
#pragma once

#include "image/dib_graphic.hpp"

enum TPpmMode { pmAscii, pmBinary };

class TPpmGraphic : public TDibGraphic {
public:
  std::string ClassName() const override { return "TPpmGraphic"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TPpmGraphic>(); }

  using TDibGraphic::CanRead;
  void SingleLoadFromStream(TStream& Stream, int ImageToLoad) override;
  void SaveToStream(TStream& Stream) override;
  bool CanRead(TStream& Stream) override { return CanReadStream(Stream); }
  std::string PrimaryFileExt() override { return "ppm"; }
  // "P" followed by "1" to "6".
  static bool CanReadStream(TStream& Stream);

  TPpmMode Mode() const { return FMode; }
  void SetMode(TPpmMode Value) { FMode = Value; }

private:
  TPpmMode FMode = pmAscii;
};
