// Fonts of the class library: name, size in points (96 dots per inch), colour and style.
#pragma once

#include <string>

#include "platform/classes.hpp"
#include "platform/types.hpp"

using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;

class TFont : public TObject {
public:
  std::string ClassName() const override { return "TFont"; }

  const std::string& Name() const { return name_; }
  void SetName(std::string name);
  // Size in points; Height in pixels, negative for the character height (96 dots per inch).
  int Size() const { return size_; }
  void SetSize(int size);
  int Height() const;
  void SetHeight(int height);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  void Assign(const TFont& other);

  TNotifyEvent OnChange;

private:
  void changed();
  std::string name_ = "Tahoma";
  int size_ = 8;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
};
