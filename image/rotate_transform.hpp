// Rotation of a picture clockwise on screen by `Angle` degrees: whole quarter turns move pixels
// exactly; any other angle maps every destination pixel back into the source and fills what
// falls outside with `BackgroundColor`.
#pragma once

#include "image/transform.hpp"
#include "image/zu_types.hpp"

class TRotateTransform : public TImageTransform {
public:
  std::string ClassName() const override { return "TRotateTransform"; }
  void ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) override;

  double Angle() const { return FAngle; }
  void SetAngle(double value) { FAngle = value; }
  TRgb BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TRgb value) { FBackgroundColor = value; }

  // The quarter turn the angle stands for (0, 90, 180 or 270), or -1 for any other angle.
  static int QuarterTurns(double Angle);

protected:
  virtual void Rotate90(TDibGraphic& Source, TDibGraphic& Dest);
  virtual void Rotate180(TDibGraphic& Source, TDibGraphic& Dest);
  virtual void Rotate270(TDibGraphic& Source, TDibGraphic& Dest);
  virtual void RotateAny(TDibGraphic& Source, TDibGraphic& Dest);

private:
  void QuarterTurn(TDibGraphic& Source, TDibGraphic& Dest, bool clockwise);

  double FAngle = 90.0;
  TRgb FBackgroundColor = Rgb(255, 255, 255);
};
