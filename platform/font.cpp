#include "platform/font.hpp"

#include "platform/math.hpp"

void TFont::changed() {
  if (OnChange) OnChange(this);
}

void TFont::SetName(std::string name) {
  if (name_ == name) return;
  name_ = std::move(name);
  changed();
}

void TFont::SetSize(int size) {
  if (size_ == size) return;
  size_ = size;
  changed();
}

int TFont::Height() const { return -MulDiv(size_, 96, 72); }
void TFont::SetHeight(int height) { SetSize(-MulDiv(height, 72, 96)); }

void TFont::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style_ == style) return;
  style_ = style;
  changed();
}

void TFont::Assign(const TFont& other) {
  name_ = other.name_;
  size_ = other.size_;
  color_ = other.color_;
  style_ = other.style_;
  changed();
}
