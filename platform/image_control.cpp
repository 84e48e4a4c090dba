#include "platform/image_control.hpp"

#include <algorithm>

TImage::TImage(TComponent* owner) : TControl(owner), picture_(std::make_unique<TPicture>()) {
  picture_->OnChange = [this](TObject*) { picture_changed(); };
  create_host(false);
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { picture_->OnChange = nullptr; }

void TImage::SetPicture(TPicture* picture) {
  if (picture) picture_->Assign(picture);
  else picture_->SetGraphic(nullptr);
}

void TImage::picture_changed() {
  if (TGraphic* g = picture_->Graphic()) {
    if (transparent_ != g->Transparent()) g->SetTransparent(transparent_);
    if (auto_size_ && g->Width() > 0 && g->Height() > 0) SetBounds(Left(), Top(), g->Width(), g->Height());
  }
  Invalidate();
}

void TImage::SetStretch(bool v) {
  stretch_ = v;
  Invalidate();
}
void TImage::SetProportional(bool v) {
  proportional_ = v;
  Invalidate();
}
void TImage::SetCenter(bool v) {
  center_ = v;
  Invalidate();
}
void TImage::SetTransparent(bool v) {
  transparent_ = v;
  if (TGraphic* g = picture_->Graphic()) g->SetTransparent(v);
  Invalidate();
}
void TImage::SetAutoSize(bool v) {
  auto_size_ = v;
  picture_changed();
}

TRect TImage::DestRect() const {
  TGraphic* g = picture_->Graphic();
  int w = g ? g->Width() : 0, h = g ? g->Height() : 0;
  int cw = Width(), ch = Height();
  if (w <= 0 || h <= 0) return Rect(0, 0, 0, 0);
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_) {
      // Largest size of the picture's shape that fits.
      if (static_cast<long long>(cw) * h > static_cast<long long>(ch) * w) {
        int nw = static_cast<int>(static_cast<long long>(ch) * w / h);
        w = nw;
        h = ch;
      } else {
        int nh = static_cast<int>(static_cast<long long>(cw) * h / w);
        h = nh;
        w = cw;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  int x = center_ ? (cw - w) / 2 : 0, y = center_ ? (ch - h) / 2 : 0;
  return Bounds(x, y, w, h);
}

void TImage::Paint(TCanvas& canvas) {
  TGraphic* g = picture_->Graphic();
  if (!g || g->Empty()) return;
  TRect r = DestRect();
  if (r.Width() <= 0 || r.Height() <= 0) return;
  canvas.StretchDraw(r, g);
}
