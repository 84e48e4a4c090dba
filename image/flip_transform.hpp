// Mirror images of a picture, left to right and top to bottom. Palette pictures keep their
// palette and indices.
#pragma once

#include "image/transform.hpp"

class TFlipHorizontalTransform : public TImageTransform {
public:
  std::string ClassName() const override { return "TFlipHorizontalTransform"; }
  void ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) override;
};

class TFlipVerticalTransform : public TImageTransform {
public:
  std::string ClassName() const override { return "TFlipVerticalTransform"; }
  void ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) override;
};
