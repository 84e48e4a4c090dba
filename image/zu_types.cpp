#include "image/zu_types.hpp"

#include "image/zu_misc.hpp"

namespace {

[[noreturn]] void invalid_format() { throw EZuroroveError("Internal error: Invalid image format"); }

}  // namespace

int ImageFormatBits(TImageFormat format) {
  switch (format) {
    case ifBlackWhite: return 1;
    case ifGray16:
    case ifColor16: return 4;
    case ifGray256:
    case ifColor256: return 8;
    case ifTrueColor: return 24;
  }
  invalid_format();
}

std::string ImageFormatName(TImageFormat format) {
  switch (format) {
    case ifBlackWhite: return "Black and white";
    case ifGray16: return "16 shades of gray";
    case ifGray256: return "256 shades of gray";
    case ifColor16: return "16 color";
    case ifColor256: return "256 color";
    case ifTrueColor: return "True color";
  }
  invalid_format();
}

bool ImageFormatHasPalette(TImageFormat format) { return ImageFormatBits(format) <= 8; }
