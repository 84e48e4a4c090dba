// Load, save and load again: the bytes are read by the class the registry finds for them (a
// bitmap by the picture container's bitmap class), and the picture is saved through every
// registered class and read back by that class; a palette picture goes round a second time with
// its colour table cut short (the last input byte says how short), and then, its top-left 16 x
// 16 pixels, with tables of greys of every length its depth takes, ramps up and down. A
// lossless file gives every pixel back.
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

// The picture's top-left `width` x `height` pixels with the colour table `palette`; indices past
// its entries wrap round.
std::unique_ptr<TDibGraphic> with_palette(const TDibGraphic& picture, const TMaxLogPalette& palette, int width,
                                          int height) {
  const int keep = palette.palNumEntries;
  auto cut = std::make_unique<TDibGraphic>();
  cut->NewImage(width, height, picture.ImageFormat(), &palette, 0, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) cut->SetPaletteIndex(x, y, static_cast<Byte>(picture.GetPaletteIndex(x, y) % keep));
  return cut;
}

// The picture with its colour table cut to `keep` entries.
std::unique_ptr<TDibGraphic> cut_palette(const TDibGraphic& picture, int keep) {
  TMaxLogPalette palette = picture.Palette();
  palette.palNumEntries = static_cast<WORD>(keep);
  return with_palette(picture, palette, picture.Width(), picture.Height());
}

// Tables of greys of every length the picture's depth takes, each a ramp up (0, 1, 2, ...) and
// down (..., 2, 1, 0): a writer that takes such a table for a grey ramp of its own must give the
// same greys back, the table as short as it may be.
void grey_ramps(const TDibGraphic& picture, const std::vector<TDibGraphicClass>& writers) {
  const int entries = picture.ImageFormat() == ifBlackWhite ? 2
                      : picture.ImageFormat() == ifGray16 || picture.ImageFormat() == ifColor16 ? 16 : 256;
  const int width = std::min(picture.Width(), 16), height = std::min(picture.Height(), 16);
  std::vector<TDibGraphicClass> exact;  // the writers that give back what they were given
  for (const TDibGraphicClass& make : writers)
    if (lossless(*make(), picture.ImageFormat())) exact.push_back(make);
  for (int n = 1; n <= entries; ++n)
    for (bool down : {false, true}) {
      TMaxLogPalette palette{0x300, static_cast<WORD>(n), {}};
      for (int i = 0; i < n; ++i) {
        const auto grey = static_cast<Byte>(down ? n - 1 - i : i);
        palette.palPalEntry[i] = {grey, grey, grey, 0};
      }
      round_trip(*with_palette(picture, palette, width, height), exact);
    }
}

// The picture in the bytes: read by the first registered class that takes them, or by the
// picture container's bitmap class, as a picture opened from a file of its kind is.
std::unique_ptr<TDibGraphic> read_picture(TStream& stream) {
  TDibGraphicClass found;
  HW_FUZZ_REFUSES(found = FindDibGraphicClassByStream(stream));
  std::unique_ptr<TDibGraphic> picture;
  if (found) {
    picture = found();
    HW_FUZZ_REFUSES(picture->LoadFromStream(stream));
    return picture;
  }
  Byte head[2] = {};
  if (PeekStreamBytes(stream, head, 2) < 2 || head[0] != 'B' || head[1] != 'M') return nullptr;
  TBitmap bitmap;
  bool loaded = false;
  HW_FUZZ_REFUSES(bitmap.LoadFromStream(stream); loaded = true);
  if (!loaded || bitmap.Empty()) return nullptr;
  picture = std::make_unique<TDibGraphic>();
  HW_FUZZ_REFUSES(picture->Assign(&bitmap));
  return picture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TBytesStream stream(data, static_cast<Int64>(size));
  std::unique_ptr<TDibGraphic> picture = read_picture(stream);
  if (!picture || picture->Empty() || static_cast<Int64>(picture->Width()) * picture->Height() > kMaxRoundTripPixels) return 0;

  // Every class the registry holds, once each.
  std::vector<TDibGraphicClass> writers;
  std::set<std::type_index> seen;
  for (const auto& [extension, format] : RegisteredFormats())
    if (const std::unique_ptr<TDibGraphic> sample = format.GraphicClass();
        seen.insert(std::type_index(typeid(*sample))).second)
      writers.push_back(format.GraphicClass);

  round_trip(*picture, writers);
  if (picture->ImageFormat() != ifTrueColor && picture->Palette().palNumEntries > 1) {
    const int keep = 1 + data[size - 1] % picture->Palette().palNumEntries;
    if (keep < picture->Palette().palNumEntries) round_trip(*cut_palette(*picture, keep), writers);
  }
  if (picture->ImageFormat() != ifTrueColor) grey_ramps(*picture, writers);
  return 0;
}
