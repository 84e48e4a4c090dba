// The primitives of the annotation text: an 8-bit text without separators in which every value
// is written in parentheses or counted.
//
//   Integer  "(" decimal text of a signed 32-bit value ")", e.g. (200) or (-4)
//   Boolean  Integer 1 or 0; any non-zero value reads as true
//   String   Integer N (a byte count), then the N bytes unchanged
//   Rect     four Integers: Left, Top, Right, Bottom
//   Font     Integer Color, String Name, Integer Size, Boolean Italic, Underline, StrikeOut, Bold
//
// The text is 8-bit: Strings hold Windows-1252 bytes, counted in those bytes. Texts in memory
// are the program's UTF-8 strings; a character the code page lacks is written as '?'.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/font.hpp"
#include "platform/types.hpp"

class TAnnotationTextWriter {
public:
  void WriteInteger(int value);
  void WriteBoolean(bool value);
  // A program text as a String of Windows-1252 bytes.
  void WriteString(std::string_view value);
  // Bytes as a String, unchanged (a picture's text).
  void WriteBytes(std::string_view bytes);
  void WriteRect(const TRect& rect);
  void WriteFont(const TFont& font);

  const std::string& Text() const { return text_; }

private:
  std::string text_;
};

// Reads primitives from the start of a text. Every failure raises Exception:
//   "Invalid position in ReadInteger"  the text ends inside or before an Integer
//   "( expected in ReadInteger"        an Integer does not start with "("
//   "'%s' is not a valid integer value" (EConvertError) for digits that are no 32-bit integer
// A String whose count runs past the end of the text is the bytes up to the end (so the next
// Integer finds the text ended).
class TAnnotationTextReader {
public:
  explicit TAnnotationTextReader(std::string_view text) : text_(text) {}

  int ReadInteger();
  bool ReadBoolean() { return ReadInteger() != 0; }
  // A String of Windows-1252 bytes as a program text.
  std::string ReadString();
  // A String's bytes unchanged (a picture's text).
  std::string ReadBytes();
  TRect ReadRect();
  // Colour, name, size and the four styles, in that order.
  void ReadFont(TFont& font);

  // The number of bytes consumed so far (the 1-based position of the last one).
  std::size_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ >= text_.size(); }

private:
  std::string_view text_;
  std::size_t pos_ = 0;
};
