// The primitives of the annotation text: an 8-bit text without separators in which every value
// is written in parentheses or counted.
//
//   Integer  "(" decimal text of a signed 32-bit value ")", e.g. (200) or (-4)
//   Boolean  Integer 1 or 0; any non-zero value reads as true
//   String   Integer N (a byte count), then the N bytes unchanged
//   Rect     four Integers: Left, Top, Right, Bottom
//   Font     Integer Color, String Name, Integer Size, Boolean Italic, Underline, StrikeOut, Bold
//
// Texts in memory are the program's UTF-8 strings; counts are byte counts, so any byte survives.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/font.hpp"
#include "platform/types.hpp"

// The bounds the reader keeps font sizes in (points).
constexpr int kMinAnnotationFontSize = 1;
constexpr int kMaxAnnotationFontSize = 1000;

class TAnnotationTextWriter {
public:
  void WriteInteger(int value);
  void WriteBoolean(bool value);
  void WriteString(std::string_view value);
  void WriteRect(const TRect& rect);
  void WriteFont(const TFont& font);
  // Bytes written as they stand (a counted block whose count was written separately).
  void WriteRaw(std::string_view bytes) { text_.append(bytes); }

  const std::string& Text() const { return text_; }

private:
  std::string text_;
};

// Reads primitives from the start of a text. Every failure raises Exception:
//   "Invalid position in ReadInteger"  the text ends inside or before an Integer
//   "( expected in ReadInteger"        an Integer does not start with "("
//   "'%s' is not a valid integer value" (EConvertError) for digits that are no 32-bit integer
//   "Invalid position in ReadString"   a String's count is negative or runs past the text
class TAnnotationTextReader {
public:
  explicit TAnnotationTextReader(std::string_view text) : text_(text) {}

  int ReadInteger();
  bool ReadBoolean() { return ReadInteger() != 0; }
  std::string ReadString();
  TRect ReadRect();
  // Colour, name, size (kept within the font size bounds) and the four styles, in that order.
  void ReadFont(TFont& font);
  // The next `count` bytes; the same checks as a String's bytes.
  std::string ReadBytes(int count);

  // The number of bytes consumed so far (the 1-based position of the last one).
  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return text_.size() - pos_; }
  bool AtEnd() const { return pos_ >= text_.size(); }

private:
  std::string_view text_;
  std::size_t pos_ = 0;
};
