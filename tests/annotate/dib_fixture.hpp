// Packed device-independent bitmaps built byte by byte for the image mark tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/gdi.hpp"

namespace hw_test {

// A 24-bit packed DIB of w x h with rows bottom-up; `color` gives 0x00BBGGRR at (x, y), y = 0 at
// the top.
inline HGLOBAL make_dib24(int w, int h, const std::function<std::uint32_t(int x, int y)>& color) {
  const int stride = ((w * 24 + 31) / 32) * 4;
  std::vector<Byte> bytes(40 + static_cast<size_t>(stride) * h);
  BITMAPINFOHEADER bih{};
  bih.biSize = 40;
  bih.biWidth = w;
  bih.biHeight = h;
  bih.biPlanes = 1;
  bih.biBitCount = 24;
  bih.biCompression = BI_RGB;
  bih.biSizeImage = static_cast<DWORD>(stride * h);
  std::memcpy(bytes.data(), &bih, 40);
  for (int y = 0; y < h; ++y) {
    Byte* row = bytes.data() + 40 + static_cast<size_t>(h - 1 - y) * stride;
    for (int x = 0; x < w; ++x) {
      std::uint32_t c = color(x, y);
      row[3 * x] = static_cast<Byte>(c >> 16);     // blue
      row[3 * x + 1] = static_cast<Byte>(c >> 8);  // green
      row[3 * x + 2] = static_cast<Byte>(c);       // red
    }
  }
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(g), bytes.data(), bytes.size());
  GlobalUnlock(g);
  return g;
}

// The colour of pixel (x, y) (y = 0 at the top) of a 24-bit packed DIB, as 0x00BBGGRR.
inline std::uint32_t dib24_pixel(HGLOBAL dib, int x, int y) {
  const Byte* p = static_cast<const Byte*>(GlobalLock(dib));
  BITMAPINFOHEADER bih;
  std::memcpy(&bih, p, 40);
  const int stride = ((bih.biWidth * 24 + 31) / 32) * 4;
  const int row = bih.biHeight > 0 ? bih.biHeight - 1 - y : y;
  const Byte* px = p + bih.biSize + static_cast<size_t>(row) * stride + 3 * x;
  std::uint32_t c = px[2] | (px[1] << 8) | (px[0] << 16);
  GlobalUnlock(dib);
  return c;
}

}  // namespace hw_test
