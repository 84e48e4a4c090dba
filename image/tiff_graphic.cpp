#include "image/tiff_graphic.hpp"

#include <tiffio.h>

#include <algorithm>
#include <optional>

#include "image/flip_transform.hpp"
#include "image/format_registry.hpp"
#include "image/freeimage_api.hpp"
#include "image/freeimage_codec.hpp"
#include "image/rotate_transform.hpp"
#include "image/picture_header.hpp"
#include "image/tiff_file.hpp"
#include "platform/checked_size.hpp"

namespace {

bool compression_suits(TTiffCompression c, TImageFormat f) {
  switch (f) {
    case ifBlackWhite:
      return c == tcNone || c == tcPackbits || c == tcGroup3_1d || c == tcGroup3_2d || c == tcGroup4 || c == tcZLib ||
             c == tcLZW;
    case ifGray16:
    case ifColor16:
    case ifColor256:
      return c == tcNone || c == tcPackbits || c == tcZLib || c == tcLZW;
    case ifGray256:
    case ifTrueColor:
      return c == tcNone || c == tcPackbits || c == tcZLib || c == tcJPEG || c == tcLZW;
  }
  return false;
}

TTiffCompression compression_from_tag(std::uint16_t value) {
  switch (value) {
    case 1: return tcNone;
    case 2: return tcGroup3_1d;
    case 3: return tcGroup3_2d;
    case 4: return tcGroup4;
    case 5: return tcLZW;
    case 6:
    case 7: return tcJPEG;
    case 32773: return tcPackbits;
    case 32946: return tcZLib;
    default: return tcPackbits;
  }
}

void rotate(TDibGraphic& picture, double angle) {
  TRotateTransform t;
  t.SetAngle(angle);
  t.Apply(picture);
}

void flip_horizontally(TDibGraphic& picture) {
  TFlipHorizontalTransform t;
  t.Apply(picture);
}

void flip_vertically(TDibGraphic& picture) {
  TFlipVerticalTransform t;
  t.Apply(picture);
}

// The nine text tags in the order a save writes them (Software last): FreeImage key, TIFF tag
// number and the property that holds the text.
struct text_tag_field {
  const char* key;
  std::uint32_t number;
  std::string TTiffGraphic::*property;
};

constexpr std::size_t kTextTagCount = 9;
constexpr std::size_t kDateTime = 7, kSoftware = 8;
constexpr text_tag_field kTextTags[kTextTagCount] = {
    {"DocumentName", TIFFTAG_DOCUMENTNAME, &TTiffGraphic::DocumentNameTag},
    {"ImageDescription", TIFFTAG_IMAGEDESCRIPTION, &TTiffGraphic::ImageDescriptionTag},
    {"Make", TIFFTAG_MAKE, &TTiffGraphic::ScannerMakeTag},
    {"Model", TIFFTAG_MODEL, &TTiffGraphic::ScannerModelTag},
    {"PageName", TIFFTAG_PAGENAME, &TTiffGraphic::PageNameTag},
    {"Artist", TIFFTAG_ARTIST, &TTiffGraphic::ArtistTag},
    {"HostComputer", TIFFTAG_HOSTCOMPUTER, &TTiffGraphic::HostComputerTag},
    {"DateTime", TIFFTAG_DATETIME, &TTiffGraphic::DateTimeTag},
    {"Software", TIFFTAG_SOFTWARE, &TTiffGraphic::SoftwareTag}};
static_assert(kTextTags[kDateTime].number == TIFFTAG_DATETIME && kTextTags[kSoftware].number == TIFFTAG_SOFTWARE);

// The numbers of the text tags, in the order a save writes them.
const std::vector<std::uint32_t>& text_tag_numbers() {
  static const std::vector<std::uint32_t> numbers = [] {
    std::vector<std::uint32_t> n;
    for (const text_tag_field& t : kTextTags) n.push_back(t.number);
    return n;
  }();
  return numbers;
}

// The colour table FreeImage writes a page of up to 8 bits from (none for more bits).
std::vector<std::array<Byte, 3>> bitmap_colours(FIBITMAP* bitmap) {
  const TFreeImageEntries& fi = FreeImageAPI();
  std::vector<std::array<Byte, 3>> colours;
  const BITMAPINFOHEADER* header = fi.FreeImage_GetInfoHeader(bitmap);
  const RGBQUAD* palette = fi.FreeImage_GetPalette(bitmap);
  if (header == nullptr || palette == nullptr || header->biBitCount < 1 || header->biBitCount > 8) return colours;
  const std::size_t n = std::min<std::size_t>(fi.FreeImage_GetColorsUsed(bitmap), std::size_t{1} << header->biBitCount);
  for (std::size_t i = 0; i < n; ++i) colours.push_back({palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue});
  return colours;
}

}  // namespace

std::string TiffCompressionName(TTiffCompression Compression) {
  switch (Compression) {
    case tcNone: return "None";
    case tcPackbits: return "Packbits";
    case tcGroup3_1d: return "CCITT Group 3, 1D";
    case tcGroup3_2d: return "CCITT Group 3, 2D";
    case tcGroup4: return "CCITT Group 4";
    case tcZLib: return "ZLib";
    case tcJPEG: return "JPEG";
    case tcLZW: return "LZW";
    case tcNotSupported: break;
  }
  return "Not supported";
}

bool TTiffGraphic::CanReadStream(TStream& Stream) {
  Byte head[4];
  if (PeekStreamBytes(Stream, head, 4) < 4) return false;
  return (head[0] == 'I' && head[1] == 'I' && head[2] == 0x2A && head[3] == 0x00) ||
         (head[0] == 'M' && head[1] == 'M' && head[2] == 0x00 && head[3] == 0x2A);
}

void TTiffGraphic::SetCompression(TTiffCompression Value) {
  if (!compression_suits(Value, ImageFormat()))
    throw EZuroroveError(Format("%s compression not supported with %s images",
                                {TiffCompressionName(Value), ImageFormatName(ImageFormat())}));
  FCompression = Value;
}

void TTiffGraphic::NewImage(int AWidth, int AHeight, TImageFormat AImageFormat, const TMaxLogPalette* pPalette,
                            Word InXDotsPerInch, Word InYDotsPerInch) {
  TDibGraphic::NewImage(AWidth, AHeight, AImageFormat, pPalette, InXDotsPerInch, InYDotsPerInch);
  FCompression = AImageFormat == ifBlackWhite ? tcGroup4 : tcPackbits;
}

void TTiffGraphic::Assign(TPersistent* Source) {
  TDibGraphic::Assign(Source);
  if (auto* tiff = dynamic_cast<TTiffGraphic*>(Source)) FCompression = tiff->Compression();
}

// ---- Loading

void TTiffGraphic::read_tags_from_bitmap(FIBITMAP* Bitmap) {
  const TFreeImageEntries& fi = FreeImageAPI();
  // Software first, then the others in the order a save writes them.
  for (std::size_t i = 0; i < kTextTagCount; ++i) {
    const text_tag_field& field = kTextTags[(i + kSoftware) % kTextTagCount];
    FITAG* tag = nullptr;
    if (fi.FreeImage_GetMetadata(FIMD_EXIF_MAIN, Bitmap, field.key, &tag) && tag != nullptr) {
      // The tag's text; a tag of another type than text gives its values as text instead of
      // being read past its end.
      const char* text = fi.FreeImage_TagToString(FIMD_EXIF_MAIN, tag, nullptr);
      this->*field.property = text != nullptr ? text : "";
    }
  }
}

void TTiffGraphic::apply_compression_and_orientation(const TTiffPageInfo& info) {
  if (info.Compression) FCompression = compression_from_tag(*info.Compression);
  if (!info.Orientation) return;
  const TTiffCompression kept = FCompression;
  const bool jpeg = FCompression == tcJPEG;
  switch (*info.Orientation) {
    case 2:
      if (!jpeg) flip_horizontally(*this);
      break;
    case 3:
      if (!jpeg) rotate(*this, 180);
      break;
    case 4:
      if (!jpeg) flip_vertically(*this);
      break;
    case 5:
      if (jpeg) {
        rotate(*this, 90);
        flip_horizontally(*this);
      } else {
        rotate(*this, -90);
        flip_vertically(*this);
      }
      break;
    case 6:
      if (jpeg) {
        rotate(*this, -90);
        flip_horizontally(*this);
      } else {
        rotate(*this, 90);
      }
      break;
    case 7:
      if (jpeg) {
        rotate(*this, 90);
        flip_horizontally(*this);
      } else {
        rotate(*this, 90);
        flip_vertically(*this);
      }
      break;
    case 8:
      if (jpeg) {
        rotate(*this, -90);
        flip_horizontally(*this);
      } else {
        rotate(*this, 270);
      }
      break;
    default:
      break;
  }
  FCompression = kept;
}

void TTiffGraphic::SingleLoadFromStream(TStream& Stream, int ImageToLoad) {
  const Int64 start = Stream.Position();
  LoadDibFromStream(
      Stream, FIF_ID_TIFF, ImageToLoad, 0, *this, OnReadWriteProgress,
      [this](FIBITMAP* bitmap) { read_tags_from_bitmap(bitmap); },
      [this, &Stream, start, ImageToLoad](FIBITMAP*) {
        apply_compression_and_orientation(ReadTiffPageInfo(Stream, start, ImageToLoad <= 1 ? 0 : ImageToLoad - 1));
      });
}

void TTiffGraphic::LoadFromStream(TStream& Stream) {
  if (!MultiLoad() || Stream.Position() >= Stream.Size()) return TDibGraphic::LoadFromStream(Stream);
  // A mend: each page opened the file anew, and every opening walked all its directories, a few
  // bytes a read from the file: time grew with the square of the pages (3000 pages of 1 x 1
  // never finished). The file is opened once for all pages and read through a buffer.
  TReadBufferedStream buffered(Stream);
  const Int64 start = buffered.Position();
  std::vector<TTiffPageInfo> pages;
  {
    TDibPageReader reader(buffered, FIF_ID_TIFF, 0);
    const int count = reader.PageCount();
    if (count >= 2) {
      pages = ReadTiffPagesInfo(buffered, start, MaxDeclaredPixels);
      // A mend: the pixel limit held for each page alone, and pages sharing one small strip
      // took gigabytes. The frames of a load count together, as one picture's pixels would.
      Int64 total = 0;
      for (const TTiffPageInfo& page : pages) {
        if (!CheckDeclaredTiffPage(page, buffered.Size() - start)) continue;
        total += Int64{page.Width} * page.Height;
        if (total > MaxDeclaredPixels)
          throw EZuroroveError(Format("An image of %d x %d pixels is too large", {Int64{page.Width}, Int64{page.Height}}));
      }
      // Pages that FreeImage would read past its pixel buffer load from one copy of the file in
      // which all of them are mended (a copy for each of them took time with the square of the
      // pages); the others read the same there as in the file.
      std::unique_ptr<TMemoryStream> mended;
      std::unique_ptr<TDibPageReader> mended_reader;
      if (std::any_of(pages.begin(), pages.end(),
                      [](const TTiffPageInfo& p) { return p.BitsPerSample == 8 && !p.HasSamplesPerPixel; })) {
        buffered.SetPosition(start);
        if (std::optional<std::vector<Byte>> bytes = TiffWithSamplesPerPixel(buffered, pages)) {
          mended = std::make_unique<TMemoryStream>();
          mended->Bytes() = std::move(*bytes);
          mended->SetPosition(0);
          mended_reader = std::make_unique<TDibPageReader>(*mended, FIF_ID_TIFF, 0);
          if (mended_reader->PageCount() < count) mended_reader.reset();  // the pages read as they are
        }
      }
      TDibPageReader& pages_reader = mended_reader ? *mended_reader : reader;
      // A mend: FreeImage reached every page by a walk through all the directories before it,
      // a time that grew with the square of the pages (3000 pages of 1 x 1 took 2 s, 12000 over
      // 30 s). Each page after the first is read where the one walk above found its directory.
      TStream& pages_stream = mended_reader ? static_cast<TStream&>(*mended) : buffered;
      const Int64 pages_start = mended_reader ? 0 : start;
      std::vector<std::uint64_t> directories;
      for (const TTiffPageInfo& page : mended_reader ? ReadTiffPagesInfo(*mended, 0, MaxDeclaredPixels) : pages)
        directories.push_back(page.DirectoryOffset);
      if (directories.size() != pages.size()) directories.clear();  // the pages as FreeImage reaches them
      for (int n = 1; n <= count; ++n) {
        auto frame = std::make_unique<TTiffGraphic>();
        frame->SetOverwriteFileBackground(OverwriteFileBackground());
        frame->SetBackgroundColor(BackgroundColor());
        const TTiffPageInfo* info = n <= static_cast<int>(pages.size()) ? &pages[static_cast<std::size_t>(n - 1)] : nullptr;
        if (info == nullptr) {
          // A page past the directories libtiff walks goes the way of a single page.
          buffered.SetPosition(start);
          frame->SingleLoadFromStream(buffered, n);
        } else {
          TTiffGraphic& f = *frame;
          const auto before = [&f](FIBITMAP* bitmap) { f.read_tags_from_bitmap(bitmap); };
          const auto after = [&f, info](FIBITMAP*) { f.apply_compression_and_orientation(*info); };
          if (n >= 2 && !directories.empty()) {
            TTiffDirectoryView view(pages_stream, pages_start, directories[static_cast<std::size_t>(n - 1)]);
            LoadDibPageAlone(view, FIF_ID_TIFF, 0, f, before, after);
          } else {
            pages_reader.Load(n, f, before, after);
          }
        }
        AddFrame(std::move(frame));
      }
      SetCurrentFrame(1);
      return;
    }
  }
  // Fewer than two pages load as one picture.
  SetMultiLoad(false);
  buffered.SetPosition(start);
  SingleLoadFromStream(buffered, ImageToLoad());
}

int TTiffGraphic::GetImageCount(TStream& Stream) { return GetDibPageCount(Stream, FIF_ID_TIFF); }

// ---- Saving

int TTiffGraphic::save_flags() const {
  switch (FCompression) {
    case tcNone: return TIFF_NONE;
    case tcPackbits: return TIFF_PACKBITS;
    case tcGroup3_1d:
    case tcGroup3_2d: return TIFF_CCITTFAX3;
    case tcGroup4: return TIFF_CCITTFAX4;
    case tcZLib: return TIFF_DEFLATE;
    case tcJPEG: return TIFF_JPEG;
    case tcLZW: return TIFF_LZW;
    case tcNotSupported: break;
  }
  return TIFF_NONE;
}

std::vector<TTiffGraphic::text_tag> TTiffGraphic::tags_to_write() const {
  std::vector<text_tag> tags;
  for (const text_tag_field& field : kTextTags) tags.push_back({field.key, field.number, this->*field.property});
  // An empty date and time is the save's, an empty software the library's name.
  std::string& date_time = tags[kDateTime].value;
  if (date_time.empty()) {
    TDateTime now = Now();
    date_time = FormatDateTimeA("yyyy:mm:dd", now) + " " + FormatDateTimeB("hh:nn:ss", now);
  }
  if (tags[kSoftware].value.empty()) tags[kSoftware].value = "Zurorove Image Library";
  return tags;
}

void TTiffGraphic::write_tags_to_bitmap(FIBITMAP* Bitmap, const std::vector<text_tag>& Tags) const {
  const TFreeImageEntries& fi = FreeImageAPI();
  for (const text_tag& t : Tags) {
    if (t.value.empty()) {
      fi.FreeImage_SetMetadata(FIMD_EXIF_MAIN, Bitmap, t.key, nullptr);
      continue;
    }
    FITAG* tag = fi.FreeImage_CreateTag();
    if (tag == nullptr) continue;
    const auto length = static_cast<DWORD>(t.value.size() + 1);
    fi.FreeImage_SetTagKey(tag, t.key);
    fi.FreeImage_SetTagType(tag, FIDT_ASCII);
    fi.FreeImage_SetTagCount(tag, length);
    fi.FreeImage_SetTagLength(tag, length);
    fi.FreeImage_SetTagValue(tag, t.value.c_str());
    fi.FreeImage_SetMetadata(FIMD_EXIF_MAIN, Bitmap, t.key, tag);
    fi.FreeImage_DeleteTag(tag);
  }
}

void TTiffGraphic::write_tags_to_file(TStream& File, const std::vector<TTiffPageTags>& Kept,
                                      const std::vector<text_tag>& Tags,
                                      const std::vector<std::array<Byte, 3>>& Colours) const {
  // FreeImage neither writes the text tags into the file nor keeps those of the pages it
  // rewrites when it appends one: the earlier pages get theirs back, the new one its own (and
  // each its colour map where FreeImage took a table of greys for a grey ramp).
  bool done = true;
  for (std::size_t page = 0; page < Kept.size(); ++page)
    done = WriteTiffPageTags(File, 0, static_cast<int>(page), Kept[page]) && done;
  TTiffPageTags last;
  last.Colours = Colours;
  for (const text_tag& t : Tags) last.Text.push_back({t.number, t.value});
  done = WriteTiffPageTags(File, 0, -1, last) && done;
  if (!done) throw EZuroroveError(Format("Unable to save with class %s", {ClassName()}));
}

void TTiffGraphic::SaveToStream(TStream& Stream) {
  const std::vector<text_tag> tags = tags_to_write();
  TMemoryStream file;
  std::vector<std::array<Byte, 3>> colours;
  SaveDibToStream(*this, file, FIF_ID_TIFF, save_flags(), OnReadWriteProgress, TImageFormats::All(), ifTrueColor,
                  [&](FIBITMAP* bitmap) {
                    write_tags_to_bitmap(bitmap, tags);
                    colours = bitmap_colours(bitmap);
                  });
  write_tags_to_file(file, {}, tags, colours);
  Stream.CopyFrom(file, 0);
}

void TTiffGraphic::AppendToFile(const std::string& FileName) {
  // A mend: FreeImage rewrote the file in place and reported success on a full disk, leaving a
  // cut file (the new page missing, the pages in a loop). The page is appended to a copy that
  // replaces the file only when complete and written; the old file stays as it was otherwise.
  if (!FileExists(FileName)) throw EZuroroveError(Format("Unable to open %s for appending", {FileName}));
  TDibGraphic::AppendToFile(FileName);
}

void TTiffGraphic::AppendToStream(TStream& Stream) {
  const std::vector<text_tag> tags = tags_to_write();
  std::vector<TTiffPageTags> kept = ReadTiffPageTags(Stream, 0, text_tag_numbers());
  std::vector<std::array<Byte, 3>> colours;
  AppendDibToStream(*this, Stream, FIF_ID_TIFF, save_flags(), OnReadWriteProgress, TImageFormats::All(),
                    ifTrueColor, [&](FIBITMAP* bitmap) {
                      write_tags_to_bitmap(bitmap, tags);
                      colours = bitmap_colours(bitmap);
                    });
  write_tags_to_file(Stream, kept, tags, colours);
}

void TTiffGraphic::MultiSaveToFile(const std::string& FileName, int ImageCount, const TGetGraphicMethod& OnGetGraphic) {
  // A mend: every page goes into one temporary file that replaces the old file at the end, so a
  // failure part of the way leaves the old file instead of one with the first pages only.
  if (ImageCount <= 0) return;
  TDibGraphic::MultiSaveToFile(FileName, ImageCount, OnGetGraphic);
}
