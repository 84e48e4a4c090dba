// Reduction of a black-and-white picture to 256 greys: each destination pixel gets the share of
// white in the block of source pixels it covers.
#pragma once

#include "image/transform.hpp"

class TAntiAliasTransform : public TImageTransform {
public:
  std::string ClassName() const override { return "TAntiAliasTransform"; }
  // Acts only on black-and-white pictures.
  void Apply(TDibGraphic& DibGraphic) override;
  void ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) override;

  // 0: the source's width (height).
  int Width() const { return FWidth; }
  void SetWidth(int value) { FWidth = value; }
  int Height() const { return FHeight; }
  void SetHeight(int value) { FHeight = value; }

private:
  int FWidth = 0;
  int FHeight = 0;
};
