#include "image/jpeg_graphic.hpp"

#include <algorithm>
#include <cstring>

#include "image/format_registry.hpp"
#include "image/freeimage_codec.hpp"

bool TJpegGraphic::CanReadStream(TStream& Stream) {
  Byte head[20];
  int got = PeekStreamBytes(Stream, head, 20);
  if (got < 11 || head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF) return false;
  return (head[3] == 0xE0 && std::memcmp(head + 6, "JFIF", 5) == 0) ||
         (head[3] == 0xE1 && std::memcmp(head + 6, "Exif", 5) == 0);
}

void TJpegGraphic::SingleLoadFromStream(TStream& Stream, int ImageToLoad) {
  LoadDibFromStream(Stream, FIF_ID_JPEG, ImageToLoad, 0, *this, OnReadWriteProgress, nullptr, nullptr);
}

void TJpegGraphic::SaveToStream(TStream& Stream) {
  int flags = std::clamp(SaveQuality, 1, 100);
  if (SaveProgressive) flags += 0x2000;
  if (OptimizedHuffmanCodes) flags += 0x20000;
  SaveDibToStream(*this, Stream, FIF_ID_JPEG, flags, OnReadWriteProgress, {ifGray256, ifTrueColor}, ifTrueColor,
                  nullptr);
}
