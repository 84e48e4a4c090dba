// A picture on a form: shows a graphic at its size, stretched or centred; clicks and mouse
// events are its own. Pictures used as buttons are these.
#pragma once

#include <memory>

#include "platform/controls.hpp"
#include "platform/graphics.hpp"

class TImage : public TControl {
public:
  explicit TImage(TComponent* owner);
  ~TImage() override;
  std::string ClassName() const override { return "TImage"; }

  TPicture& Picture() { return *picture_; }
  const TPicture& PictureRef() const { return *picture_; }
  // Holds a copy of another image's picture (nullptr empties).
  void SetPicture(TPicture* picture);

  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  // Drawn with the graphic's transparent colour left out.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v);

  // Where the graphic lands in the control.
  TRect DestRect() const;

  bool IsTransparent() const override { return true; }
  bool HasCustomPaint() const override { return true; }
  void Paint(TCanvas& canvas) override;

private:
  void picture_changed();
  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool proportional_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool auto_size_ = false;
};
