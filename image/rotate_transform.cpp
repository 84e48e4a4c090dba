#include "image/rotate_transform.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/pixel_layout.hpp"
#include "image/pixel_loop.hpp"
#include "platform/math.hpp"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr int kTile = 16;

// Moves the pixels of a quarter turn tile by tile, so that both the rows read and the rows
// written stay in the cache. Clockwise: destination (H - 1 - Y, X) := source (X, Y); else
// destination (Y, W - 1 - X) := source (X, Y).
template <int kBytes>
HW_UNGUIDED_LOOP inline void copy_pixel(std::uint8_t* to, const std::uint8_t* from) {
  if constexpr (kBytes == 3) {
    std::uint16_t lo;
    std::memcpy(&lo, from, 2);
    const std::uint8_t hi = from[2];
    std::memcpy(to, &lo, 2);
    to[2] = hi;
  } else {
    *to = *from;
  }
}

// Moves the pixels of a quarter turn tile by tile, so that both the rows read and the rows
// written stay in the cache. Clockwise: destination (H - 1 - Y, X) := source (X, Y); else
// destination (Y, W - 1 - X) := source (X, Y).
template <int kBytes>
HW_UNGUIDED_LOOP void turn_quarter(BytePlane& src, BytePlane& dst, int w, int h, bool clockwise,
                  const std::function<void(int)>& progress) {
  const std::uint8_t* src_rows[kTile];
  std::vector<std::uint8_t*> dst_rows(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) dst_rows[static_cast<std::size_t>(x)] = dst.row(clockwise ? x : w - 1 - x);
  for (int y0 = 0; y0 < h; y0 += kTile) {
    const int y1 = std::min(y0 + kTile, h);
    const int n = y1 - y0;
    for (int y = y0; y < y1; ++y) src_rows[y - y0] = src.row(y);
    for (int x = 0; x < w; ++x) {
      // The run of destination pixels that source rows y0 .. y1 - 1 of column x give, written
      // in increasing address order.
      const std::size_t sx = static_cast<std::size_t>(x) * kBytes;
      std::uint8_t* d = dst_rows[static_cast<std::size_t>(x)] +
                        static_cast<std::size_t>(clockwise ? h - y1 : y0) * kBytes;
      if constexpr (kBytes == 3) {
        // Whole 32-bit moves: the fourth byte read is the next source pixel (or row padding)
        // when this is not the last column, and the fourth byte written is overwritten by the
        // next pixel of the run; the run's last pixel moves as 3 bytes.
        if (x + 1 < w) {
          for (int i = 0; i + 1 < n; ++i, d += 3) {
            std::uint32_t v;
            std::memcpy(&v, src_rows[clockwise ? n - 1 - i : i] + sx, 4);
            std::memcpy(d, &v, 4);
          }
          copy_pixel<3>(d, src_rows[clockwise ? 0 : n - 1] + sx);
          continue;
        }
      }
      if (clockwise) {
        for (int k = n - 1; k >= 0; --k, d += kBytes) copy_pixel<kBytes>(d, src_rows[k] + sx);
      } else {
        for (int k = 0; k < n; ++k, d += kBytes) copy_pixel<kBytes>(d, src_rows[k] + sx);
      }
    }
    progress(y1);
  }
}

}  // namespace

int TRotateTransform::QuarterTurns(double Angle) {
  if (!std::isfinite(Angle)) throw EZuroroveError(Format("Invalid rotation angle %s", {FloatToStr(Angle)}));
  long long q;
  if (std::fabs(Angle) >= 1e15) {
    // Every double this large is a whole number.
    q = static_cast<long long>(std::fmod(std::nearbyint(Angle), 360.0));
  } else {
    const long long whole = Round(Angle);
    if (std::fabs(static_cast<long double>(whole) - RoundToDigits(3, Angle)) > 0.005L) return -1;
    q = (whole + 360) % 360;
  }
  while (q < 0) q += 360;
  switch (q) {
    case 0:
    case 90:
    case 180:
    case 270:
      return static_cast<int>(q);
    default:
      return -1;
  }
}

void TRotateTransform::ApplyOnDest(TDibGraphic& Source, TDibGraphic& Dest) {
  if (&Source == &Dest) {
    Apply(Source);
    return;
  }
  BeginProgress();
  Progress(0, 0, 100);
  const int q = QuarterTurns(FAngle);
  if (q == 0 || Source.Empty()) {
    Dest.Assign(&Source);
  } else if (q == 90) {
    Rotate90(Source, Dest);
  } else if (q == 180) {
    Rotate180(Source, Dest);
  } else if (q == 270) {
    Rotate270(Source, Dest);
  } else {
    RotateAny(Source, Dest);
  }
  Progress(100, 0, 100);
}

void TRotateTransform::QuarterTurn(TDibGraphic& Source, TDibGraphic& Dest, bool clockwise) {
  const int w = Source.Width();
  const int h = Source.Height();
  new_image_like(Dest, Source, h, w);
  BytePlane src(Source, true);
  BytePlane dst(Dest, false);
  auto progress = [&](int rows) { Progress(rows, 0, h); };
  if (src.pixel_bytes() == 3) {
    turn_quarter<3>(src, dst, w, h, clockwise, progress);
  } else {
    turn_quarter<1>(src, dst, w, h, clockwise, progress);
  }
  dst.store();
}

void TRotateTransform::Rotate90(TDibGraphic& Source, TDibGraphic& Dest) { QuarterTurn(Source, Dest, true); }

void TRotateTransform::Rotate270(TDibGraphic& Source, TDibGraphic& Dest) { QuarterTurn(Source, Dest, false); }

void TRotateTransform::Rotate180(TDibGraphic& Source, TDibGraphic& Dest) {
  const int w = Source.Width();
  const int h = Source.Height();
  new_image_like(Dest, Source, w, h);
  const int bits = ImageFormatBits(Source.ImageFormat());
  std::vector<std::uint8_t> scratch;
  for (int y = 0; y < h; ++y) {
    reverse_row(Source.GetScanLine(y), Dest.GetScanLine(h - 1 - y), bits, w, scratch);
    Progress(y + 1, 0, h);
  }
}

// The turned corners set the destination's size; each destination pixel is mapped back by the
// opposite turn about the centres and rounded to the nearest source pixel.
void TRotateTransform::RotateAny(TDibGraphic& Source, TDibGraphic& Dest) {
  const int w = Source.Width();
  const int h = Source.Height();
  const long double theta = kPi * static_cast<long double>(FAngle) / 180.0L;
  const long double c = std::cos(theta);
  const long double s = std::sin(theta);
  const int cx = w / 2;
  const int cy = h / 2;
  const int corners[4][2] = {{0, 0}, {0, h - 1}, {w - 1, h - 1}, {w - 1, 0}};
  long long min_x = 0, max_x = 0, min_y = 0, max_y = 0;
  for (int k = 0; k < 4; ++k) {
    const long double x = corners[k][0] - cx;
    const long double y = corners[k][1] - cy;
    const long long rx = Round(x * c - y * s + cx);
    const long long ry = Round(x * s + y * c + cy);
    if (k == 0 || rx < min_x) min_x = rx;
    if (k == 0 || rx > max_x) max_x = rx;
    if (k == 0 || ry < min_y) min_y = ry;
    if (k == 0 || ry > max_y) max_y = ry;
  }
  const long long wl = max_x - min_x + 1;
  const long long hl = max_y - min_y + 1;
  if (wl > 0x7FFFFFFF || hl > 0x7FFFFFFF) throw EZuroroveError("Destination graphic too large");
  const int dw = static_cast<int>(wl);
  const int dh = static_cast<int>(hl);
  new_image_like(Dest, Source, dw, dh);

  BytePlane src(Source, true);
  BytePlane dst(Dest, false);
  const int bytes = src.pixel_bytes();
  std::uint8_t background[3];
  if (bytes == 3) {
    background[0] = FBackgroundColor.Blue;
    background[1] = FBackgroundColor.Green;
    background[2] = FBackgroundColor.Red;
  } else {
    background[0] = Dest.RgbToPaletteConverter()->GetIndex(FBackgroundColor);
  }
  const long double ci = std::cos(-theta);
  const long double si = std::sin(-theta);
  const int dx = dw / 2;
  const int dy = dh / 2;
  const int ox = cx - dx;
  const int oy = cy - dy;
  for (int y = 0; y < dh; ++y) {
    std::uint8_t* out = dst.row(y);
    const long double fy = y - dy;
    for (int x = 0; x < dw; ++x) {
      const long double fx = x - dx;
      long long sx = Round(fx * ci - fy * si + dx + ox);
      long long sy = Round(fx * si + fy * ci + dy + oy);
      if (sx == w) sx = w - 1;
      if (sy == h) sy = h - 1;
      const std::uint8_t* from = background;
      if (sx >= 0 && sx < w && sy >= 0 && sy < h) from = src.row(static_cast<int>(sy)) + sx * bytes;
      std::uint8_t* to = out + static_cast<std::size_t>(x) * bytes;
      for (int b = 0; b < bytes; ++b) to[b] = from[b];
    }
    Progress(y + 1, 0, dh);
  }
  dst.store();
}
