// The GDI+ decoder: the second decoder of BMP, JPEG, PNG, TIFF and GIF streams, over the system's
// GDI+ flat interface (libgdiplus), loaded by name on first need. A library that will not load,
// a missing entry or a failed start-up leave GDI+ unloaded, and every picture then stays empty:
// nothing here raises an error of its own.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/gdiplus_flat.hpp"
#include "platform/graphics.hpp"

class TDibGraphic;

namespace zu_gdiplus {

// A library loaded by name with a list of entry points.
class TDynLibrary {
public:
  TDynLibrary() = default;
  virtual ~TDynLibrary();
  TDynLibrary(const TDynLibrary&) = delete;
  TDynLibrary& operator=(const TDynLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  void* Handle() const { return handle_; }

protected:
  // Loads `library_name` (unless a library is loaded already) and looks `names` up in order into
  // `addresses`. When the library will not load or a name is missing, nothing stays loaded, the
  // addresses are cleared and the result is false.
  bool TryLoad(const std::string& library_name, std::span<const char* const> names, std::span<void*> addresses);
  void Unload();

private:
  void* handle_ = nullptr;
};

// The GDI+ binding: loads the library, binds its entries and starts GDI+ with its background
// thread suppressed (the notification hook stands in for it); the destructor shuts it down.
class TGDIPlus : public TDynLibrary {
public:
  static constexpr const char* DefaultLibraryName = "libgdiplus.so.0";
  // The names bound, in order.
  static std::span<const char* const> EntryNames();

  explicit TGDIPlus(const std::string& library_name = DefaultLibraryName);
  ~TGDIPlus() override;

  // The bound entries; all null unless Loaded().
  const flat::Entries& Api() const { return api_; }

  // Plays an enhanced metafile onto the context into `rect`, its right and bottom reduced by one.
  // Nothing without GDI+, for bytes that are no metafile, or past the pixel limit.
  virtual void DrawMetafile(HDC dc, HENHMETAFILE metafile, const TRect& rect);

private:
  flat::Entries api_;
  flat::Token token_ = 0;
  flat::StartupOutput startup_output_{};
  flat::Token notification_token_ = 0;
  bool hooked_ = false;
};

// The unit's GDI+ object: made, and GDI+ loaded, on the first call; freed (GDI+ shut down) at
// program end. Safe to call from any thread.
TGDIPlus& GdiPlus();
// Frees the unit's GDI+ object; the next GdiPlus() loads `library_name`. For tests.
void ResetGdiPlus(const std::string& library_name = TGDIPlus::DefaultLibraryName);

// Picture formats, as numbered by the unit.
enum TGdipFormat { gfGIF = 0, gfPNG = 1, gfJPEG = 2, gfBMP = 3, gfTIFF = 4 };
// ".gif", ".png", ".jpg", ".bmp", ".tif".
const char* GdipFormatExtension(TGdipFormat format);

// A graphic over one GDI+ image, a bitmap or a metafile (EMF or WMF; its size is the one
// libgdiplus reads from its header, a metafile past the pixel limit stays empty). The GDI+
// object must outlive its pictures.
class TGdipPicture : public TGraphic {
public:
  // Over the unit's GDI+ object (made on first need).
  TGdipPicture();
  explicit TGdipPicture(TGDIPlus& gdiplus);
  ~TGdipPicture() override;
  TGdipPicture(const TGdipPicture&) = delete;
  TGdipPicture& operator=(const TGdipPicture&) = delete;

  std::string ClassName() const override { return "TGdipPicture"; }
  std::unique_ptr<TGraphic> NewInstance() const override;

  // Reads the whole stream, from its start whatever its position, and decodes it.
  void LoadFromStream(TStream& stream) override;
  // A missing file leaves the picture empty.
  void LoadFromFile(const std::string& name) override;
  // The bytes the picture was read from, unchanged; a picture made from a bitmap is encoded in
  // the format of its class (see SaveAs), quality 80.
  void SaveToStream(TStream& stream) override;
  // Encodes into `stream`: the resolution (dots per inch) is set first unless 0; JPEG takes
  // `quality_or_compression` as its quality unless it is negative; TIFF as its compression
  // (2 LZW, 3 CCITT3, 4 CCITT4, 5 RLE, 6 none; anything else LZW). False when GDI+ encodes
  // nothing.
  bool SaveAs(TStream& stream, TGdipFormat format, int quality_or_compression, int resolution);

  // A picture container stands for its graphic. A bitmap is copied pixel by pixel; any other
  // graphic is saved into memory and loaded back; anything else, an empty picture or GDI+ not
  // loaded clear the picture.
  void Assign(TPersistent* source) override;

  // A new bitmap of the picture's size with the picture drawn on it (transparent parts over
  // white); nullptr without content.
  std::unique_ptr<TBitmap> ToBitmap();
  // The same pixels as ToBitmap gives, written straight into `target` made a true-colour picture
  // of the picture's size (its frames cleared); false, and `target` untouched, without content.
  bool CopyTo(TDibGraphic& target);
  // Draws the picture stretched into `rect` (nearest pixel), blending transparent parts over
  // what the canvas holds. A metafile that cannot be played within its time and memory raises
  // EInvalidGraphic "Unable to convert to internal bitmap format".
  void Draw(TCanvas& canvas, const TRect& rect) override;

  void Clear();
  bool Empty() const override { return !has_content_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromClipboardFormat(Word, HANDLE, HPALETTE) override {}
  void SaveToClipboardFormat(Word&, HANDLE&, HPALETTE&) override {}

  // The image's format from its raw-format identifier; BMP when GDI+ cannot tell.
  TGdipFormat Format() const;
  bool MadeFromBitmap() const { return from_bitmap_; }
  bool IsMetafile() const { return metafile_; }
  // The size of the metafile the last load refused as past the pixel limit; {0, 0} when none.
  TSize RefusedSize() const { return refused_; }
  // Whether the last load was of a metafile that the record check refused.
  bool MetafileRefused() const { return metafile_refused_; }

protected:
  // The format SaveToStream encodes a picture made from a bitmap in; none: the image's own.
  virtual std::optional<TGdipFormat> SaveFormat() const { return std::nullopt; }
  virtual int SaveQuality() const { return 80; }
  TGDIPlus& gdiplus() const { return *gdiplus_; }

private:
  bool ready() const { return gdiplus_->Loaded(); }
  void assign_bitmap(TBitmap& bitmap);
  bool swaps_red_blue() const;

  TGDIPlus* gdiplus_;
  bool has_content_ = false;
  int width_ = 0;
  int height_ = 0;
  flat::GpImage* image_ = nullptr;
  std::vector<Byte> bytes_;  // the bytes the image was read from
  bool from_bitmap_ = false;
  bool metafile_ = false;
  TSize refused_;
  bool metafile_refused_ = false;
};

// The picture container's metafile graphic (".emf" and ".wmf"), over the GDI+ picture. Loading
// raises EPictureTooLarge "An image of %d x %d pixels is too large" for a metafile past the pixel
// limit or larger than libgdiplus can place a drawing in, EInvalidGraphic "Unable to convert to
// internal bitmap format" for a metafile the record check refuses, and EInvalidGraphic "Metafile
// is not valid" for anything else that is not a metafile.
class TMetafile : public TGdipPicture {
public:
  using TGdipPicture::TGdipPicture;
  std::string ClassName() const override { return "TMetafile"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TMetafile>(gdiplus()); }
  void LoadFromStream(TStream& stream) override;
  // A missing file raises as for every graphic.
  void LoadFromFile(const std::string& name) override { TGraphic::LoadFromFile(name); }
};

// Registers TMetafile with the picture container for ".emf" and ".wmf" (the image library's
// start-up), and withdraws it.
void RegisterMetafileGraphic();
void UnregisterMetafileGraphic();

class TPngImage : public TGdipPicture {
public:
  using TGdipPicture::TGdipPicture;
  std::string ClassName() const override { return "TPngImage"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TPngImage>(gdiplus()); }

protected:
  std::optional<TGdipFormat> SaveFormat() const override { return gfPNG; }
};

class TJpegImage : public TGdipPicture {
public:
  using TGdipPicture::TGdipPicture;
  std::string ClassName() const override { return "TJpegImage"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TJpegImage>(gdiplus()); }
  int CompressionQuality() const { return quality_; }
  void SetCompressionQuality(int value) { quality_ = value; }

protected:
  std::optional<TGdipFormat> SaveFormat() const override { return gfJPEG; }
  int SaveQuality() const override { return quality_; }

private:
  int quality_ = 80;
};

class TGifImage : public TGdipPicture {
public:
  using TGdipPicture::TGdipPicture;
  std::string ClassName() const override { return "TGifImage"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TGifImage>(gdiplus()); }

protected:
  std::optional<TGdipFormat> SaveFormat() const override { return gfGIF; }
};

class TTiffImage : public TGdipPicture {
public:
  using TGdipPicture::TGdipPicture;
  std::string ClassName() const override { return "TTiffImage"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TTiffImage>(gdiplus()); }

protected:
  std::optional<TGdipFormat> SaveFormat() const override { return gfTIFF; }
};

// The decoding step of the codec layer's fallback: the unit's GDI+ object (made on first need)
// decodes the whole stream into a new bitmap; nullptr when it cannot.
std::unique_ptr<TBitmap> decode_with_gdiplus(TStream& stream);
// The same decoding straight into `target` (see TGdipPicture::CopyTo); false, and `target`
// untouched, when it cannot. A metafile the record check refuses, or that cannot be played,
// raises "Unable to convert to internal bitmap format".
bool decode_with_gdiplus(TStream& stream, TDibGraphic& target);

// Whether the bytes may be handed to libgdiplus: it takes a TIFF whose first directory ends
// inside its link to the next one, and then crashes on the image it returns; it reads past
// libtiff's tile arrays for a first directory with only some of the four tile tags; and past a
// palette BMP's colour table when the table is shorter than 2^bits entries; and it makes a
// picture of the declared size out of nothing for a BMP compression it does not know. A metafile
// must pass the record check (metafile_check.hpp).
bool gdiplus_can_take(const Byte* data, std::size_t size);

}  // namespace zu_gdiplus
