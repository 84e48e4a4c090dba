#include "annotate/annotation_text.hpp"

#include "platform/math.hpp"
#include "platform/sysutils.hpp"

void TAnnotationTextWriter::WriteInteger(int value) {
  text_ += '(';
  text_ += std::to_string(value);
  text_ += ')';
}

void TAnnotationTextWriter::WriteBoolean(bool value) { WriteInteger(value ? 1 : 0); }

void TAnnotationTextWriter::WriteString(std::string_view value) {
  WriteInteger(static_cast<int>(value.size()));
  text_.append(value);
}

void TAnnotationTextWriter::WriteRect(const TRect& rect) {
  WriteInteger(rect.Left);
  WriteInteger(rect.Top);
  WriteInteger(rect.Right);
  WriteInteger(rect.Bottom);
}

void TAnnotationTextWriter::WriteFont(const TFont& font) {
  WriteInteger(font.Color());
  WriteString(font.Name());
  WriteInteger(font.Size());
  WriteBoolean(font.Style() & fsItalic);
  WriteBoolean(font.Style() & fsUnderline);
  WriteBoolean(font.Style() & fsStrikeOut);
  WriteBoolean(font.Style() & fsBold);
}

int TAnnotationTextReader::ReadInteger() {
  auto advance = [this] {
    if (++pos_ > text_.size()) {
      pos_ = text_.size();
      throw Exception("Invalid position in ReadInteger");
    }
  };
  advance();
  if (text_[pos_ - 1] != '(') throw Exception("( expected in ReadInteger");
  advance();
  std::size_t start = pos_ - 1;
  while (text_[pos_ - 1] != ')') advance();
  return StrToInt(text_.substr(start, pos_ - 1 - start));
}

std::string TAnnotationTextReader::ReadBytes(int count) {
  // A negative count would move the position back before bytes already read, and a count past
  // the end would ask for bytes the text does not have: both mean the text is damaged.
  if (count < 0 || static_cast<std::size_t>(count) > Remaining()) throw Exception("Invalid position in ReadString");
  std::string bytes(text_.substr(pos_, static_cast<std::size_t>(count)));
  pos_ += static_cast<std::size_t>(count);
  return bytes;
}

std::string TAnnotationTextReader::ReadString() { return ReadBytes(ReadInteger()); }

TRect TAnnotationTextReader::ReadRect() {
  TRect r;
  r.Left = ReadInteger();
  r.Top = ReadInteger();
  r.Right = ReadInteger();
  r.Bottom = ReadInteger();
  return r;
}

void TAnnotationTextReader::ReadFont(TFont& font) {
  font.SetColor(ReadInteger());
  font.SetName(ReadString());
  font.SetSize(EnsureRange(ReadInteger(), kMinAnnotationFontSize, kMaxAnnotationFontSize));
  font.SetStyle(0);
  for (TFontStyles s : {fsItalic, fsUnderline, fsStrikeOut, fsBold})
    if (ReadBoolean()) font.SetStyle(font.Style() | s);
}
