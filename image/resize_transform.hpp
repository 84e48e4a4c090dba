// Resizing a picture: a GDI stretch (halftone smoothing for larger true-colour pictures,
// otherwise nearest pixel), or with `Interpolated` a two-pass resampler with one of six filters.
#pragma once

#include "image/interpolation_filter.hpp"
#include "image/transform.hpp"
#include "image/zu_types.hpp"

class TResizeTransform : public TImageTransform {
public:
  std::string ClassName() const override { return "TResizeTransform"; }
  void ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) override;
  // Whether the stretch of `Source` averages areas (halftone) rather than taking the nearest
  // pixel.
  static bool AreaAveraged(const TDibGraphic& Source);

  int Width() const { return FWidth; }
  void SetWidth(int value) { FWidth = value; }
  int Height() const { return FHeight; }
  void SetHeight(int value) { FHeight = value; }
  bool Interpolated() const { return FInterpolated; }
  void SetInterpolated(bool value) { FInterpolated = value; }
  TInterpolationFilter Filter() const { return FFilter; }
  void SetFilter(TInterpolationFilter value) { FFilter = value; }
  bool OverrideDestFormat() const { return FOverrideDestFormat; }
  void SetOverrideDestFormat(bool value) { FOverrideDestFormat = value; }
  TImageFormat DestFormat() const { return FDestFormat; }
  void SetDestFormat(TImageFormat value) { FDestFormat = value; }

private:
  void Resample(TDibGraphic& Source, TDibGraphic& Dest);

  int FWidth = 300;
  int FHeight = 200;
  bool FInterpolated = false;
  bool FOverrideDestFormat = false;
  TImageFormat FDestFormat = ifTrueColor;
  TInterpolationFilter FFilter = ifTriangle;
};
