// Packed DIBs (the clipboard's and the annotation pictures' form) and BMP files: a BMP file when
// the bytes start with "BM", a packed DIB otherwise.
#include "image/dib_graphic.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    TBytesStream stream(data, static_cast<Int64>(size));
    TBitmap bitmap;
    HW_FUZZ_REFUSES(bitmap.LoadFromStream(stream); hw_fuzz::exercise(bitmap); TDibGraphic copy;
                    copy.Assign(&bitmap); hw_fuzz::exercise(copy));
    return 0;
  }
  HGLOBAL block = hw_fuzz::block_of(data, size);
  {
    TDibGraphic picture;
    HW_FUZZ_REFUSES(picture.AssignFromDIBHandle(block); hw_fuzz::exercise(picture);
                    GlobalFree(picture.AsDibHandle()));
  }
  {
    TMemoryStream bmp;
    HW_FUZZ_REFUSES(TDibGraphic::DibToBmpStream(block, bmp));
  }
  GlobalFree(block);
  return 0;
}
