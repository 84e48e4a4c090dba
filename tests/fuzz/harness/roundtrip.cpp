// Load, save and load again: the bytes are read by the class the registry finds for them (or
// the picture container's bitmap class), and the picture is saved through every registered class
// and read back by that class; a palette picture goes round a second time with its colour table
// cut short (the last input byte says how short), then its top-left 16 x 16 pixels with tables
// of greys of every length, ramps up and down. A lossless file gives every pixel back.
#include <set>
#include <typeindex>

#include "image/format_registry.hpp"
#include "image/png_graphic.hpp"
#include "image/ppm_graphic.hpp"
#include "image/tiff_graphic.hpp"
#include "tests/fuzz/support/fuzz_env.hpp"

namespace {

// Larger pictures are only read: the saves would make the run slow without reaching more.
constexpr int kMaxRoundTripPixels = 1 << 16;

bool same_pixels(const TDibGraphic& a, const TDibGraphic& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

// Whether the file the writer made holds the picture's colours exactly.
bool lossless(const TDibGraphic& writer, TImageFormat format) {
  if (auto* tiff = dynamic_cast<const TTiffGraphic*>(&writer)) return tiff->Compression() != tcJPEG;
  // The netpbm writer keeps palette indices of grey and black-and-white pictures, not colours.
  if (dynamic_cast<const TPpmGraphic*>(&writer)) return format == ifColor16 || format == ifColor256 || format == ifTrueColor;
  return dynamic_cast<const TPngGraphic*>(&writer) != nullptr;
}

void round_trip(TDibGraphic& picture, const std::vector<TDibGraphicClass>& writers) {
  for (const TDibGraphicClass& make : writers) {
    std::unique_ptr<TDibGraphic> writer = make();
    TMemoryStream file;
    bool saved = false;
    HW_FUZZ_REFUSES(writer->Assign(&picture); writer->SaveToStream(file); saved = true);
    if (!saved) continue;
    std::unique_ptr<TDibGraphic> back = make();
    file.SetPosition(0);
    bool loaded = false;
    HW_FUZZ_REFUSES(back->LoadFromStream(file); loaded = true);
    if (!loaded) hw_fuzz::broken("a file of our own writer does not load again");
    if (lossless(*writer, picture.ImageFormat()) && !same_pixels(picture, *back))
      hw_fuzz::broken("a lossless file gives other pixels back");
  }
}

// The picture's top-left w x h pixels with the colour table `palette`; indices past it wrap round.
std::unique_ptr<TDibGraphic> with_palette(const TDibGraphic& picture, const TMaxLogPalette& palette, int w, int h) {
  auto cut = std::make_unique<TDibGraphic>();
  cut->NewImage(w, h, picture.ImageFormat(), &palette, 0, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      cut->SetPaletteIndex(x, y, static_cast<Byte>(picture.GetPaletteIndex(x, y) % palette.palNumEntries));
  return cut;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TBytesStream stream(data, static_cast<Int64>(size));
  TDibGraphicClass found;
  HW_FUZZ_REFUSES(found = FindDibGraphicClassByStream(stream));
  std::unique_ptr<TDibGraphic> picture = found ? found() : std::make_unique<TDibGraphic>();
  TBitmap bitmap;  // what the picture container reads a .bmp file with
  if (found) HW_FUZZ_REFUSES(picture->LoadFromStream(stream));
  else HW_FUZZ_REFUSES(bitmap.LoadFromStream(stream); picture->Assign(&bitmap));
  if (picture->Empty() || static_cast<Int64>(picture->Width()) * picture->Height() > kMaxRoundTripPixels) return 0;

  // Every class the registry holds, once each.
  std::vector<TDibGraphicClass> writers;
  std::set<std::type_index> seen;
  for (const auto& [extension, format] : RegisteredFormats())
    if (const std::unique_ptr<TDibGraphic> sample = format.GraphicClass();
        seen.insert(std::type_index(typeid(*sample))).second)
      writers.push_back(format.GraphicClass);

  round_trip(*picture, writers);
  if (picture->ImageFormat() == ifTrueColor) return 0;
  TMaxLogPalette palette = picture->Palette();
  const int keep = 1 + data[size - 1] % std::max<int>(palette.palNumEntries, 1);
  if (keep < palette.palNumEntries) {
    palette.palNumEntries = static_cast<WORD>(keep);
    round_trip(*with_palette(*picture, palette, picture->Width(), picture->Height()), writers);
  }
  // A writer that takes a table of greys for a grey ramp of its own must give the same greys back.
  for (int n = 1; n <= 1 << ImageFormatBits(picture->ImageFormat()); ++n)
    for (bool down : {false, true}) {
      TMaxLogPalette greys{0x300, static_cast<WORD>(n), {}};
      for (int i = 0; i < n; ++i) {
        PALETTEENTRY& e = greys.palPalEntry[i];
        e.peRed = e.peGreen = e.peBlue = static_cast<Byte>(down ? n - 1 - i : i);
      }
      round_trip(*with_palette(*picture, greys, std::min(picture->Width(), 16), std::min(picture->Height(), 16)), writers);
    }
  return 0;
}
