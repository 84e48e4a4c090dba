// The common base of the picture transforms: Apply changes a picture in place, ApplyOnDest
// renders into a second picture that the transform shapes. Transforms never free their
// arguments.
#pragma once

#include <string>

#include "image/zu_misc.hpp"
#include "platform/classes.hpp"

class TDibGraphic;

class TImageTransform : public TObject {
public:
  std::string ClassName() const override { return "TImageTransform"; }

  // The result of ApplyOnDest into a temporary picture replaces the picture (its frames are
  // dropped).
  virtual void Apply(TDibGraphic& DibGraphic);
  // The base raises EZuroroveError "Method "ApplyOnDest" not implemented for <class> class".
  virtual void ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest);

  const TZuroroveProgressEvent& OnProgress() const { return FOnProgress; }
  void SetOnProgress(TZuroroveProgressEvent value) { FOnProgress = std::move(value); }

protected:
  // Starts a run: the next report fires whatever its percent.
  void BeginProgress() { FLastPercent = 255; }
  // Reports `Position` on the scale Min .. Max through DoProgress.
  void Progress(Int64 Position, Int64 Min, Int64 Max);

  TZuroroveProgressEvent FOnProgress;
  Byte FLastPercent = 255;
};
