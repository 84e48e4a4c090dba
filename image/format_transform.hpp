// Change of a picture's pixel format, with a palette chosen from the picture's colours and
// Floyd-Steinberg error diffusion where asked.
#pragma once

#include "image/transform.hpp"
#include "image/zu_types.hpp"
#include "platform/gdi.hpp"

class TImageFormatTransform : public TImageTransform {
public:
  TImageFormatTransform();
  std::string ClassName() const override { return "TImageFormatTransform"; }
  // Acts only when the picture's format differs from ImageFormat.
  void Apply(TDibGraphic& DibGraphic) override;
  void ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) override;

  TImageFormat ImageFormat() const { return FImageFormat; }
  void SetImageFormat(TImageFormat value) { FImageFormat = value; }
  // The palette for the 16- and 256-colour formats: computed when Quantize is set, else taken as
  // it stands (the format's default palette when it has no entries).
  TMaxLogPalette& Palette() { return FPalette; }
  const TMaxLogPalette& Palette() const { return FPalette; }
  bool Quantize() const { return FQuantize; }
  void SetQuantize(bool value) { FQuantize = value; }
  bool Dither() const { return FDither; }
  void SetDither(bool value) { FDither = value; }

private:
  void Diffuse(TDibGraphic& Source, TDibGraphic& Dest);

  TImageFormat FImageFormat = ifTrueColor;
  TMaxLogPalette FPalette{};
  bool FQuantize = true;
  bool FDither = true;
};
