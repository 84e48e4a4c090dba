#include "image/transform.hpp"

#include "image/dib_graphic.hpp"

void TImageTransform::Apply(TDibGraphic& DibGraphic) {
  TDibGraphic temporary;
  ApplyOnDest(DibGraphic, temporary);
  DibGraphic.Assign(&temporary);
}

void TImageTransform::ApplyOnDest(TDibGraphic& /*Source*/, TDibGraphic& /*Dest*/) {
  throw EZuroroveError(Format("Method %s not implemented for %s class", {"\"ApplyOnDest\"", ClassName()}));
}

void TImageTransform::Progress(Int64 Position, Int64 Min, Int64 Max) {
  FLastPercent = DoProgress(this, Position, Min, FLastPercent, Max, FOnProgress);
}
