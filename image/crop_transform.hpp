// Cutting a rectangle out of a picture, given either as its edges or as the widths of the
// borders to remove.
#pragma once

#include "image/transform.hpp"

enum TCropMode { cmRemoveBorders, cmExtractRect };

class TCropTransform : public TImageTransform {
public:
  std::string ClassName() const override { return "TCropTransform"; }
  void ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) override;

  TCropMode CropMode() const { return FCropMode; }
  void SetCropMode(TCropMode value) { FCropMode = value; }
  int Top() const { return FTop; }
  void SetTop(int value) { FTop = value; }
  int Left() const { return FLeft; }
  void SetLeft(int value) { FLeft = value; }
  int Bottom() const { return FBottom; }
  void SetBottom(int value) { FBottom = value; }
  int Right() const { return FRight; }
  void SetRight(int value) { FRight = value; }

private:
  int FTop = 0;
  int FLeft = 0;
  int FBottom = 0;
  int FRight = 0;
  TCropMode FCropMode = cmRemoveBorders;
};
