// TIFF pictures: multi-page files read and appended through FreeImage, with a choice of
// compression that suits the picture's format, nine text tags, and the page orientation
// applied on load.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/tiff_file.hpp"

struct FIBITMAP;

enum TTiffCompression { tcNone, tcPackbits, tcGroup3_1d, tcGroup3_2d, tcGroup4, tcZLib, tcJPEG, tcLZW, tcNotSupported };

// "None", "Packbits", "CCITT Group 3, 1D", ...
std::string TiffCompressionName(TTiffCompression Compression);

class TTiffGraphic : public TDibGraphic {
public:
  std::string ClassName() const override { return "TTiffGraphic"; }
  std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TTiffGraphic>(); }

  using TDibGraphic::CanRead;
  using TDibGraphic::GetImageCount;
  void Assign(TPersistent* Source) override;
  void NewImage(int AWidth, int AHeight, TImageFormat AImageFormat, const TMaxLogPalette* pPalette,
                Word InXDotsPerInch, Word InYDotsPerInch) override;
  // With MultiLoad, every page is read in one pass through the file, and the pages' pixels
  // together must stay within the pixel limit of one picture.
  void LoadFromStream(TStream& Stream) override;
  void SingleLoadFromStream(TStream& Stream, int ImageToLoad) override;
  void SaveToStream(TStream& Stream) override;
  int GetImageCount(TStream& Stream) override;
  void AppendToStream(TStream& Stream) override;
  void AppendToFile(const std::string& FileName) override;
  void MultiSaveToFile(const std::string& FileName, int ImageCount, const TGetGraphicMethod& OnGetGraphic) override;
  bool CanRead(TStream& Stream) override { return CanReadStream(Stream); }
  std::string PrimaryFileExt() override { return "tif"; }
  // "II", 0x2A, 0x00 or "MM", 0x00, 0x2A.
  static bool CanReadStream(TStream& Stream);

  TTiffCompression Compression() const { return FCompression; }
  // Raises EZuroroveError "%s compression not supported with %s images" for a compression the
  // picture's format cannot take; the old value stays.
  void SetCompression(TTiffCompression Value);

  std::string DocumentNameTag, ImageDescriptionTag, ScannerMakeTag, ScannerModelTag, PageNameTag, SoftwareTag,
      DateTimeTag, ArtistTag, HostComputerTag;

  // One text tag: its FreeImage key, its TIFF number and its text (empty: no tag).
  struct text_tag {
    const char* key;
    std::uint32_t number;
    std::string value;
  };
private:
  // The tags a save writes, in order, with the date and software filled in when empty.
  std::vector<text_tag> tags_to_write() const;
  void write_tags_to_bitmap(FIBITMAP* Bitmap, const std::vector<text_tag>& Tags) const;
  void write_tags_to_file(TStream& File, const std::vector<TTiffPageTags>& Kept, const std::vector<text_tag>& Tags,
                          const std::vector<std::array<Byte, 3>>& Colours) const;
  void read_tags_from_bitmap(FIBITMAP* Bitmap);
  void apply_compression_and_orientation(const TTiffPageInfo& Info);
  int save_flags() const;

  TTiffCompression FCompression = tcNone;
};
