// The codec layer: loads, saves, appends and counts the pages of pictures through FreeImage,
// with the GDI+ decoder as the second try for first pages FreeImage cannot decode, and the
// start-up that binds FreeImage or ends the program.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "image/zu_misc.hpp"
#include "image/zu_types.hpp"
#include "platform/classes.hpp"

class TDibGraphic;
struct FIBITMAP;
struct FIMULTIBITMAP;
class TFreeImageSource;
class TFreeImageLibrary;

// FreeImage format ids the library passes.
constexpr int FIF_ID_BMP = 0;
constexpr int FIF_ID_JPEG = 2;
constexpr int FIF_ID_PNG = 13;
constexpr int FIF_ID_PPM = 14;
constexpr int FIF_ID_TIFF = 18;
constexpr int FIF_ID_GIF = 25;

// A hook on the FreeImage bitmap being loaded or saved; an empty one is skipped.
using TFIBitmapEvent = std::function<void(FIBITMAP* Bitmap)>;

// A set of pixel layouts.
class TImageFormats {
public:
  constexpr TImageFormats() = default;
  constexpr TImageFormats(std::initializer_list<TImageFormat> formats) {
    for (TImageFormat f : formats) bits_ |= bit(f);
  }
  static constexpr TImageFormats All() {
    return {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};
  }
  constexpr bool Contains(TImageFormat f) const { return (bits_ & bit(f)) != 0; }

private:
  static constexpr unsigned bit(TImageFormat f) { return 1u << static_cast<unsigned>(f); }
  unsigned bits_ = 0;
};

// Decodes page `Page` (1-based) of the picture at the stream's position into `Target`, with
// progress 0, 80 and 100 to `OnProgress` (sender: the target). FreeImage decoding nothing on
// page 1 hands ids 0, 2, 13, 18 and 25 to the GDI+ decoder (which empties the target when it
// decodes nothing either) and leaves the target as it was for other ids. A page FreeImage
// cannot open, or a picture that cannot be turned into 1, 4, 8 or 24 bits, raises Exception
// "Unable to convert to internal bitmap format".
void LoadDibFromStream(TStream& Stream, int FifId, int Page, int Flags, TDibGraphic& Target,
                       const TZuroroveProgressEvent& OnProgress, const TFIBitmapEvent& BeforeConvert,
                       const TFIBitmapEvent& AfterLoad);

// Reads another stream through a buffer, for decoders that read a few bytes at a time (a TIFF
// directory entry by entry): the same bytes at the same positions, in reads of 8 KB. Read-only;
// the other stream must not change while this one is in use.
class TReadBufferedStream : public TReadOnlyStream {
public:
  explicit TReadBufferedStream(TStream& Source);
  std::string ClassName() const override { return "TReadBufferedStream"; }
  Int64 Read(void* Buffer, Int64 Count) override;

private:
  TStream& source_;
  std::vector<Byte> buffer_;
  Int64 buffer_start_ = 0;  // where the buffered bytes lie in the stream
};

// The pages of a multi-page picture at a stream's position, opened once for all of them, so that
// a load of every page reads the file's structure once instead of once a page.
class TDibPageReader {
public:
  TDibPageReader(TStream& Stream, int FifId, int Flags);
  ~TDibPageReader();
  TDibPageReader(const TDibPageReader&) = delete;
  TDibPageReader& operator=(const TDibPageReader&) = delete;
  // 0 when FreeImage cannot open the stream.
  int PageCount() const { return count_; }
  // Decodes page `Page` (1-based) into `Target` as LoadDibFromStream does (a first page that
  // FreeImage cannot decode goes to the GDI+ decoder), without progress and header check: the
  // caller checks the pages' headers first.
  void Load(int Page, TDibGraphic& Target, const TFIBitmapEvent& BeforeConvert, const TFIBitmapEvent& AfterLoad);

private:
  std::unique_ptr<TFreeImageSource> source_;
  int fif_;
  FIMULTIBITMAP* multi_ = nullptr;
  int count_ = 0;
};

// Decodes the picture at the stream's position (its first page) into `Target` as
// TDibPageReader::Load decodes a page after the first: without progress, header check or GDI+
// decoder; nothing decoded raises Exception "Unable to convert to internal bitmap format". For a
// page reached without a walk through the pages before it (a TTiffDirectoryView).
void LoadDibPageAlone(TStream& Stream, int FifId, int Flags, TDibGraphic& Target, const TFIBitmapEvent& BeforeConvert,
                      const TFIBitmapEvent& AfterLoad);

// Encodes the picture into the stream at its position, with progress 0, 5, 10 and 100. A
// picture whose format is not in `Accepted` is encoded from a copy in `Fallback`. A failed
// encode raises EZuroroveError "Unable to save with class %s".
void SaveDibToStream(TDibGraphic& Graphic, TStream& Stream, int FifId, int Flags,
                     const TZuroroveProgressEvent& OnProgress, TImageFormats Accepted, TImageFormat Fallback,
                     const TFIBitmapEvent& BeforeSave);

// Appends the picture as a new page of an existing multi-page file (progress 0, 5, 100). A file
// FreeImage cannot open as a multi-page picture raises EZuroroveError
// "Unable to open %s for appending"; a failed write "Unable to save with class %s".
void AppendDibToFile(TDibGraphic& Graphic, const std::string& FileName, int FifId, int Flags,
                     const TZuroroveProgressEvent& OnProgress, TImageFormats Accepted, TImageFormat Fallback,
                     const TFIBitmapEvent& BeforeSave);

// The same for the multi-page picture held in a stream (from its start, whatever its position),
// through a temporary file; afterwards the stream holds the whole new file from position 0.
void AppendDibToStream(TDibGraphic& Graphic, TStream& Stream, int FifId, int Flags,
                       const TZuroroveProgressEvent& OnProgress, TImageFormats Accepted, TImageFormat Fallback,
                       const TFIBitmapEvent& BeforeSave);

// The pages of the picture at the stream's position (0 when FreeImage cannot open it); the
// position is kept.
int GetDibPageCount(TStream& Stream, int FifId);

// The second decoder: the whole stream, from its start, decoded by GDI+, replaces the target's
// content (nothing decoded empties the target). Serialised by the decoding lock.
void LoadWithGdiPlus(TStream& Stream, TDibGraphic& Target);
// The decoding lock: every use of GDI+ by the codec layer runs inside it.
std::mutex& FreeImageDecodingLock();

// Start-up: binds the program's FreeImage (or `Library`); when that fails, shows the reason in
// an error box captioned with the program's path and returns false, upon which the program
// ends with exit code 1.
bool Init_ZuFreeImage();
bool Init_ZuFreeImage(TFreeImageLibrary& Library);
// The reason the last start-up failed, empty after success.
const std::string& FreeImageStartupError();
