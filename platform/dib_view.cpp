#include "platform/dib_view.hpp"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "platform/control_host_qt.hpp"
#include "platform/forms.hpp"
#include "platform/painting_qt.hpp"

TDibView::TDibView(TComponent* owner) : TControl(owner) {
  create_host(false);
  SetBounds(0, 0, 105, 105);
}

void TDibView::SetDibSource(std::function<Dib()> source) {
  source_ = std::move(source);
  Invalidate();
}

namespace {

using Lut = std::array<std::uint32_t, 256>;

// One row kernel per depth: columns x0 .. x0 + n - 1 of a source row into 0xFFRRGGBB pixels.
template <int Bits>
void convert_row(const std::uint8_t* src, int x0, int n, const Lut& lut, std::uint32_t* dst) {
  if constexpr (Bits == 24) {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(x0) * 3;
    for (int i = 0; i < n; ++i, s += 3)
      dst[i] = 0xFF000000u | (std::uint32_t{s[2]} << 16) | (std::uint32_t{s[1]} << 8) | s[0];
  } else if constexpr (Bits == 32) {
    const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(x0) * 4;
    for (int i = 0; i < n; ++i, s += 4)
      dst[i] = 0xFF000000u | (std::uint32_t{s[2]} << 16) | (std::uint32_t{s[1]} << 8) | s[0];
  } else if constexpr (Bits == 8) {
    for (int i = 0; i < n; ++i) dst[i] = lut[src[x0 + i]];
  } else if constexpr (Bits == 4) {
    for (int i = 0; i < n; ++i) {
      int x = x0 + i;
      std::uint8_t b = src[x >> 1];
      dst[i] = lut[(x & 1) ? (b & 0x0F) : (b >> 4)];
    }
  } else {
    for (int i = 0; i < n; ++i) {
      int x = x0 + i;
      dst[i] = lut[(src[x >> 3] >> (7 - (x & 7))) & 1];
    }
  }
}

template <int Bits>
void convert_rect(const BITMAPINFO& info, const std::uint8_t* bits, const QRect& r, const Lut& lut, QImage& out) {
  const BITMAPINFOHEADER& h = info.bmiHeader;
  const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  const bool bottom_up = h.biHeight > 0;
  const std::ptrdiff_t stride = ((static_cast<std::ptrdiff_t>(h.biWidth) * Bits + 31) / 32) * 4;
  for (int y = 0; y < r.height(); ++y) {
    int row = r.top() + y;
    int stored = bottom_up ? height - 1 - row : row;
    convert_row<Bits>(bits + stored * stride, r.left(), r.width(), lut, reinterpret_cast<std::uint32_t*>(out.scanLine(y)));
  }
}

}  // namespace

void paint_dib_view(TDibView& view, QPainter& painter) {
  TDibView::Dib dib = view.source_ ? view.source_() : TDibView::Dib{};
  const BITMAPINFO* info = dib.info;
  const auto* bits = static_cast<const std::uint8_t*>(dib.bits);
  if (info && bits && info->bmiHeader.biCompression == BI_RGB) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    QRect picture(0, 0, h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight);
    QRect exposed = (painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect() : QRect(0, 0, view.Width(), view.Height()))
                        .intersected(picture);
    if (!exposed.isEmpty()) {
      Lut lut{};
      int depth = h.biBitCount;
      if (depth <= 8) {
        int n = h.biClrUsed ? static_cast<int>(std::min<DWORD>(h.biClrUsed, 256)) : (1 << depth);
        for (int i = 0; i < n; ++i) {
          const RGBQUAD& q = info->bmiColors[i];
          lut[static_cast<size_t>(i)] = 0xFF000000u | (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
        }
        for (int i = n; i < 256; ++i) lut[static_cast<size_t>(i)] = 0xFF000000u;
      }
      QImage img(exposed.size(), QImage::Format_RGB32);
      bool drawn = true;
      switch (depth) {
        case 1: convert_rect<1>(*info, bits, exposed, lut, img); break;
        case 4: convert_rect<4>(*info, bits, exposed, lut, img); break;
        case 8: convert_rect<8>(*info, bits, exposed, lut, img); break;
        case 24: convert_rect<24>(*info, bits, exposed, lut, img); break;
        case 32: convert_rect<32>(*info, bits, exposed, lut, img); break;
        default: drawn = false; break;
      }
      if (drawn) painter.drawImage(exposed.topLeft(), img);
    }
  }
  if (view.OnAfterPaint) Application->Dispatch([&] { view.OnAfterPaint(&view); });
}
