#include "annotate/annotation_text.hpp"

#include "platform/sysutils.hpp"
#include "platform/text_codec.hpp"

void TAnnotationTextWriter::WriteInteger(int value) {
  text_ += '(';
  text_ += std::to_string(value);
  text_ += ')';
}

void TAnnotationTextWriter::WriteBoolean(bool value) { WriteInteger(value ? 1 : 0); }

void TAnnotationTextWriter::WriteString(std::string_view value) { WriteBytes(utf8_to_cp1252(value)); }

void TAnnotationTextWriter::WriteBytes(std::string_view bytes) {
  WriteInteger(static_cast<int>(bytes.size()));
  text_.append(bytes);
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

std::string TAnnotationTextReader::ReadBytes() {
  const int count = ReadInteger();
  // A mend: a negative count reads nothing and leaves the position where it is. Moving back
  // would read the same records again and again (a mark each time, without bound) or reach
  // before the start of the text.
  if (count <= 0) return {};
  // A count past the end reads the bytes up to the end; the next Integer then finds the end.
  std::string bytes(text_.substr(pos_, static_cast<std::size_t>(count)));
  pos_ += bytes.size();
  return bytes;
}

std::string TAnnotationTextReader::ReadString() { return cp1252_to_utf8(ReadBytes()); }

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
  font.SetSize(ReadInteger());
  font.SetStyle(0);
  for (TFontStyles s : {fsItalic, fsUnderline, fsStrikeOut, fsBold})
    if (ReadBoolean()) font.SetStyle(font.Style() | s);
}
