#include "image/png_graphic.hpp"

#include <cstring>

#include "image/format_registry.hpp"
#include "image/freeimage_codec.hpp"
#include "platform/png_encoder.hpp"

bool TPngGraphic::CanReadStream(TStream& Stream) {
  static const Byte signature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
  Byte head[8];
  return PeekStreamBytes(Stream, head, 8) == 8 && std::memcmp(head, signature, 8) == 0;
}

void TPngGraphic::Assign(TPersistent* Source) {
  if (auto* png = dynamic_cast<TPngGraphic*>(Source)) {
    CompressionLevel = png->CompressionLevel;
    SaveProgressive = png->SaveProgressive;
    TransparentSaveColor = png->TransparentSaveColor;
    SaveTransparent = png->SaveTransparent;
  }
  TDibGraphic::Assign(Source);
}

void TPngGraphic::SingleLoadFromStream(TStream& Stream, int ImageToLoad) {
  LoadDibFromStream(Stream, FIF_ID_PNG, ImageToLoad, 0, *this, OnReadWriteProgress, nullptr, nullptr);
}

void TPngGraphic::SaveToStream(TStream& Stream) {
  if (Empty()) throw EZuroroveError("Graphic is empty");
  TPngEncoder png;
  png.Assign(BitmapInfo().bmiHeader, BitmapInfo().bmiColors, Bits());
  png.SetInterlaced(SaveProgressive);
  switch (CompressionLevel) {
    case pcLow: png.SetCompressionLevel(1); break;
    case pcMedium: png.SetCompressionLevel(6); break;
    case pcHigh: png.SetCompressionLevel(9); break;
    default: throw EZuroroveError("Internal error: unknown PNG compression level");
  }
  if (SaveTransparent) {
    if (ImageFormat() == ifTrueColor) {
      png.CreateAlpha();
      for (int y = 0; y < Height(); ++y) {
        Byte* alpha = png.AlphaScanline(y);
        const Byte* row = GetScanLine(y);
        for (int x = 0; x < Width(); ++x) {
          const Byte* p = row + 3 * x;
          if (p[0] == TransparentSaveColor.Blue && p[1] == TransparentSaveColor.Green &&
              p[2] == TransparentSaveColor.Red)
            alpha[x] = 0;
        }
      }
    } else {
      png.SetTransparentColor(static_cast<COLORREF>(RgbToColor(TransparentSaveColor)));
    }
  }
  png.SaveToStream(Stream);
}
