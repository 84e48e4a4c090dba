// The area-averaging stretch behind the HALFTONE stretch mode. Private to the platform layer.
//
// Every destination pixel gets the mean of the source pixels it covers, each weighted by the
// area of its overlap, rounded half up, channel by channel. The arithmetic is exact integer
// arithmetic throughout, so the order of the sums does not matter: an integer enlargement
// replicates pixels, and any split of the work gives the same pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Where the stretch reads its source. Rows are counted from the top.
class HalftoneSource {
public:
  virtual ~HalftoneSource() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
  // 3 (bytes B, G, R) or 4 (B, G, R and a byte that is ignored).
  virtual int bytes_per_pixel() const = 0;
  // True when `row` fills the scratch room it is given instead of pointing into the picture.
  virtual bool converts() const = 0;
  // `count` pixels from column `x0` of row `y`: a pointer into the picture, or `scratch` (room
  // for `count` pixels) filled with them. Called from several threads at once.
  virtual const std::uint8_t* row(int y, int x0, int count, std::uint8_t* scratch) const = 0;
  // For a source that does not convert: the distance in bytes from row y to row y + 1, the same
  // for every row, or 0 when the rows do not lie so.
  virtual std::ptrdiff_t row_step() const { return 0; }
};

struct HalftoneGeometry {
  int dx, dy, dw, dh;      // destination rectangle
  int sx, sy, sw, sh;      // source rectangle
  int cx0, cy0, cx1, cy1;  // the part of the destination rectangle to compute
};

// Receives destination row `y`, columns x0 .. x0 + n - 1, as 0x00RRGGBB values, row by row from
// the top (a band of columns at a time, for destinations wider than one band); it may change
// the values.
using HalftoneRowSink = std::function<void(int y, int x0, int n, std::uint32_t* values)>;

// Nothing is drawn when the source rectangle is not wholly inside the source.
void halftone_stretch(const HalftoneSource& source, const HalftoneGeometry& g, const HalftoneRowSink& sink);

// The stretch uses the widest vector instructions the processor has; tests switch to the
// baseline ones (those every x86-64 processor has) to check them too.
void halftone_use_baseline_kernels(bool baseline);

// floor(n / divisor) for every n up to `max_numerator`, by one multiplication and a shift
// (divisor >= 1, max_numerator < 2^62).
class HalftoneDivider {
public:
  HalftoneDivider(std::uint64_t divisor, std::uint64_t max_numerator);
  std::uint64_t operator()(std::uint64_t n) const {
    return static_cast<std::uint64_t>((static_cast<unsigned __int128>(n) * multiplier_) >> shift_);
  }
  std::uint64_t multiplier() const { return multiplier_; }
  int shift() const { return shift_; }

private:
  std::uint64_t multiplier_ = 1;
  int shift_ = 0;
};
