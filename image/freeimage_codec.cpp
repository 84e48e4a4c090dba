#include "image/freeimage_codec.hpp"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "image/dib_graphic.hpp"
#include "image/freeimage_api.hpp"
#include "image/picture_header.hpp"
#include "image/picture_memory.hpp"
#include "image/tiff_file.hpp"
#include "platform/folder_lock.hpp"
#include "platform/global_block.hpp"
#include "platform/services.hpp"

namespace {

const char* const convert_error = "Unable to convert to internal bitmap format";

// A FreeImage bitmap in hand. One the layer made is unloaded when replaced or dropped; a page
// FreeImage lent (a locked page) is never unloaded here, so that it goes back unchanged.
class fi_bitmap {
public:
  fi_bitmap(FIBITMAP* bitmap, bool owned) : bitmap_(bitmap), owned_(owned) {}
  ~fi_bitmap() { drop(); }
  fi_bitmap(const fi_bitmap&) = delete;
  fi_bitmap& operator=(const fi_bitmap&) = delete;

  FIBITMAP* get() const { return bitmap_; }
  bool owned() const { return owned_; }
  // Hands the bitmap on: no longer unloaded here.
  FIBITMAP* release() {
    owned_ = false;
    return bitmap_;
  }
  // Takes it back after a hand-over that did not happen.
  void retake() { owned_ = bitmap_ != nullptr; }
  // Takes `next` in place of the bitmap held; a failed conversion (none) raises the conversion
  // error after the old bitmap is released.
  void replace(FIBITMAP* next) {
    drop();
    bitmap_ = next;
    owned_ = true;
    if (bitmap_ == nullptr) throw Exception(convert_error);
  }

private:
  void drop() {
    if (owned_ && bitmap_ != nullptr) FreeImageAPI().FreeImage_Unload(bitmap_);
    bitmap_ = nullptr;
  }

  FIBITMAP* bitmap_;
  bool owned_;
};

bool gdi_plus_decodes(int fif) {
  return fif == FIF_ID_BMP || fif == FIF_ID_JPEG || fif == FIF_ID_PNG || fif == FIF_ID_TIFF || fif == FIF_ID_GIF;
}

// Hands the bitmap's rows to the target straight from the bitmap, as the packed DIB that
// FIBitmapToDib makes of it would (its header, its colour table, its rows); false when the
// bitmap is no plain DIB. A mend: the rows went through a packed DIB first, a third full-size
// block of fresh memory whose every page the system clears on first touch (half of the load of a
// picture of a hundred million pixels).
// A mend beyond that: a bitmap the layer owns, whose rows have the picture's layout (the usual
// case), is not copied at all: its rows become the picture's pixels, and the bitmap is unloaded
// with the picture. A load then clears one full-size block of fresh memory instead of two.
bool assign_rows_in_place(fi_bitmap& bitmap, TDibGraphic& target) {
  const TFreeImageEntries& fi = FreeImageAPI();
  const BITMAPINFOHEADER* header = fi.FreeImage_GetInfoHeader(bitmap.get());
  BYTE* bits = fi.FreeImage_GetBits(bitmap.get());
  if (header == nullptr || bits == nullptr) return false;
  const std::size_t colors = fi.FreeImage_GetColorsUsed(bitmap.get());
  const std::size_t rows = std::size_t{fi.FreeImage_GetPitch(bitmap.get())} * fi.FreeImage_GetHeight(bitmap.get());
  std::vector<Byte> head(sizeof(BITMAPINFOHEADER) + 4 * colors, Byte{0});
  std::memcpy(head.data(), header, sizeof(BITMAPINFOHEADER));
  if (const RGBQUAD* palette = fi.FreeImage_GetPalette(bitmap.get()); palette != nullptr && colors > 0)
    std::memcpy(head.data() + sizeof(BITMAPINFOHEADER), palette, 4 * colors);
  if (bitmap.owned()) {
    // Once handed over, the bitmap is unloaded by the picture, or at once when the picture
    // cannot be made.
    FIBITMAP* handed = bitmap.release();
    // (A library unloaded in the meantime, as at the end of the program, leaves the block to
    // the system: its entries are gone.)
    const auto unload = [](void* b) {
      if (auto* unload_bitmap = FreeImageLibrary().Entries().FreeImage_Unload) unload_bitmap(static_cast<FIBITMAP*>(b));
    };
    if (target.TakeDIBRows(head.data(), head.size(), bits, rows, unload, handed)) return true;
    bitmap.retake();
  }
  return target.AssignFromDIBParts(head.data(), head.size(), bits, rows);
}

// Turns the decoded bitmap of one page into 1, 4, 8 or 24 bits and hands it to the target.
void convert_and_assign(fi_bitmap& bitmap, int fif, TDibGraphic& target, const TFIBitmapEvent& before_convert,
                        const TFIBitmapEvent& after_load, const TZuroroveProgressEvent& on_progress,
                        Byte& last_percent) {
  const TFreeImageEntries& fi = FreeImageAPI();
  if (bitmap.get() == nullptr) throw Exception(convert_error);
  if (before_convert) before_convert(bitmap.get());

  // The type first, so that pictures of 16 bits per channel with alpha reach the compositing
  // below as 32-bit bitmaps, which FreeImage can composite.
  switch (fi.FreeImage_GetImageType(bitmap.get())) {
    case FIT_BITMAP:
      break;
    case FIT_UNKNOWN:
    case FIT_COMPLEX:
    case FIT_RGBF:
    case FIT_RGBAF:
      throw Exception(convert_error);
    default:
      bitmap.replace(fi.FreeImage_ConvertToType(bitmap.get(), FIT_BITMAP, TRUE));
      break;
  }

  if (fif != FIF_ID_BMP && fi.FreeImage_IsTransparent(bitmap.get())) {
    RGBQUAD background{};
    bool from_file = !target.OverwriteFileBackground() && fi.FreeImage_HasBackgroundColor(bitmap.get()) &&
                     fi.FreeImage_GetBackgroundColor(bitmap.get(), &background);
    if (!from_file) {
      TRgb c = target.BackgroundColor();
      background = RGBQUAD{c.Blue, c.Green, c.Red, 0};
    }
    // FreeImage composites 8- and 32-bit pictures only; others keep their colours.
    if (FIBITMAP* composed = fi.FreeImage_Composite(bitmap.get(), FALSE, &background, nullptr))
      bitmap.replace(composed);
  }

  const BITMAPINFOHEADER* header = fi.FreeImage_GetInfoHeader(bitmap.get());
  int bpp = header != nullptr ? header->biBitCount : 0;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) {
    bitmap.replace(fi.FreeImage_ConvertToType(bitmap.get(), FIT_RGB16, TRUE));
    bitmap.replace(fi.FreeImage_ConvertToType(bitmap.get(), FIT_BITMAP, TRUE));
  }
  last_percent = DoProgress(&target, 80, 0, last_percent, 100, on_progress);

  if (!assign_rows_in_place(bitmap, target)) {
    global_block dib(FIBitmapToDib(bitmap.get()), global_block::free);
    if (dib.get() == nullptr) throw EOutOfMemory("Out of memory");
    target.AssignFromDIBHandle(dib.get());
  }
  if (after_load) after_load(bitmap.get());
}

// The picture as a FreeImage bitmap the caller owns (none when FreeImage cannot take it). The
// picture's section already has the layout of a packed DIB, so it is copied straight into the
// bitmap, without a packed DIB in between.
FIBITMAP* picture_to_bitmap(const TDibGraphic& graphic) {
  if (graphic.Empty()) throw EZuroroveError("Graphic is empty");
  return PictureToFIBitmap(graphic.BitmapInfo(), graphic.Bits());
}

[[noreturn]] void raise_save_error(const TDibGraphic& graphic) {
  throw EZuroroveError(Format("Unable to save with class %s", {graphic.ClassName()}));
}

// A folder of this process's own in the temporary folder, removed with everything in it. A kill
// cannot remove it: it is locked while in use, and a folder of this kind that nobody locks was
// left by a program that ended before it could remove it; the next one made removes those.
class scratch_folder {
public:
  scratch_folder() {
    remove_stale();
    for (int tries = 0; tries < 100 && !lock_; ++tries) {
      std::string pattern = TempFolder() + prefix + "XXXXXX";
      if (mkdtemp(pattern.data()) == nullptr)
        throw Exception(Format("Unable to create a temporary folder: %s", {SysErrorMessage(errno)}));
      lock_ = std::make_unique<TFolderLock>(pattern);
      // Another program's clean-up may have taken the folder before it was locked.
      std::error_code ec;
      if (lock_->state() != TFolderLock::State::Held || !std::filesystem::is_directory(pattern, ec)) {
        lock_.reset();
        std::filesystem::remove(pattern, ec);
        continue;
      }
      path_ = pattern;
    }
    if (!lock_) throw Exception("Unable to create a temporary folder");
  }
  ~scratch_folder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  scratch_folder(const scratch_folder&) = delete;
  scratch_folder& operator=(const scratch_folder&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
  static constexpr const char* prefix = "zu-pages-";

  // Removes the folders of this kind, this user's, that nobody holds.
  static void remove_stale() {
    std::error_code ec;
    const std::string name_prefix = prefix;
    try {
      for (const auto& entry : std::filesystem::directory_iterator(TempFolder(), ec)) {
        const std::string name = entry.path().filename().string();
        struct stat st{};
        if (name.size() != name_prefix.size() + 6 || name.compare(0, name_prefix.size(), name_prefix) != 0 ||
            lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
          continue;
        TFolderLock stale(entry.path().string());
        if (stale.state() == TFolderLock::State::Held) std::filesystem::remove_all(entry.path(), ec);
      }
    } catch (const std::exception&) {
      // Only a clean-up: a folder that cannot be read is left as it is.
    }
  }

  std::unique_ptr<TFolderLock> lock_;
  std::string path_;
};

// A mend: the bytes FreeImage gets for a TIFF page that it would read past its own pixel buffer
// (see TiffWithSamplesPerPixel); nothing for any other stream, which FreeImage reads as it is.
std::unique_ptr<TMemoryStream> mended_tiff(TStream& source, int FifId, int Page) {
  if (FifId != FIF_ID_TIFF) return nullptr;
  std::optional<std::vector<Byte>> bytes = TiffWithSamplesPerPixel(source, std::max(Page, 1) - 1);
  if (!bytes) return nullptr;
  auto stream = std::make_unique<TMemoryStream>();
  stream->Bytes() = std::move(*bytes);
  stream->SetPosition(0);
  return stream;
}

std::mutex& decoding_lock_mutex() {
  static std::mutex m;
  return m;
}

std::string& startup_error() {
  static std::string text;
  return text;
}

}  // namespace

void LoadDibFromStream(TStream& Stream, int FifId, int Page, int Flags, TDibGraphic& Target,
                       const TZuroroveProgressEvent& OnProgress, const TFIBitmapEvent& BeforeConvert,
                       const TFIBitmapEvent& AfterLoad) {
  const TFreeImageEntries& fi = FreeImageAPI();
  const auto fif = static_cast<FREE_IMAGE_FORMAT>(FifId);
  Byte last = DoProgress(&Target, 0, 0, 255, 100, OnProgress);
  if (Page <= 1) {
    TFreeImageSource source(Stream);
    // A header the decoder cannot read is refused unread; the picture stays as it was.
    FIBITMAP* decoded = nullptr;
    if (CheckDeclaredPicture(source.Handle(), FifId, Page)) {
      const std::unique_ptr<TMemoryStream> mended = mended_tiff(source.Handle(), FifId, Page);
      decoded = fi.FreeImage_LoadFromHandle(fif, StreamIO(), mended ? static_cast<TStream*>(mended.get()) : source.FIHandle(), Flags);
    }
    if (decoded == nullptr) {
      // The second decoder reads the same bytes, from the load's start position.
      if (gdi_plus_decodes(FifId)) {
        source.Handle().SetPosition(0);
        LoadWithGdiPlus(source.Handle(), Target);
      }
    } else {
      source.Release();
      fi_bitmap bitmap(decoded, true);
      convert_and_assign(bitmap, FifId, Target, BeforeConvert, AfterLoad, OnProgress, last);
    }
  } else {
    TFreeImageSource source(Stream);
    if (!CheckDeclaredPicture(source.Handle(), FifId, Page)) throw Exception(convert_error);
    const std::unique_ptr<TMemoryStream> mended = mended_tiff(source.Handle(), FifId, Page);
    FIMULTIBITMAP* multi = fi.FreeImage_OpenMultiBitmapFromHandle(
        fif, StreamIO(), mended ? static_cast<TStream*>(mended.get()) : source.FIHandle(), Flags);
    FIBITMAP* page = multi != nullptr ? fi.FreeImage_LockPage(multi, Page - 1) : nullptr;
    try {
      fi_bitmap bitmap(page, false);
      convert_and_assign(bitmap, FifId, Target, BeforeConvert, AfterLoad, OnProgress, last);
    } catch (...) {
      if (page != nullptr) fi.FreeImage_UnlockPage(multi, page, FALSE);
      if (multi != nullptr) fi.FreeImage_CloseMultiBitmap(multi, 0);
      throw;
    }
    fi.FreeImage_UnlockPage(multi, page, FALSE);
    fi.FreeImage_CloseMultiBitmap(multi, 0);
  }
  DoProgress(&Target, 100, 0, last, 100, OnProgress);
}

TReadBufferedStream::TReadBufferedStream(TStream& Source)
    : TReadOnlyStream(Source.Size(), Source.Position()), source_(Source) {}

Int64 TReadBufferedStream::Read(void* Buffer, Int64 Count) {
  // Small blocks: a page read alone moves between its directory and its strips, which may lie
  // anywhere in the file, and every move refills the buffer.
  constexpr Int64 kBlock = 8 << 10;
  Count = std::max<Int64>(0, std::min(Count, size_ - pos_));
  auto* out = static_cast<Byte*>(Buffer);
  Int64 done = 0;
  while (done < Count) {
    const Int64 at = pos_ + done;
    const Int64 held = static_cast<Int64>(buffer_.size());
    if (at >= buffer_start_ && at < buffer_start_ + held) {
      const Int64 n = std::min(Count - done, buffer_start_ + held - at);
      std::memcpy(out + done, buffer_.data() + (at - buffer_start_), static_cast<std::size_t>(n));
      done += n;
      continue;
    }
    source_.SetPosition(at);
    if (Count - done >= kBlock) {  // large reads go straight through
      const Int64 n = source_.Read(out + done, Count - done);
      if (n <= 0) break;
      done += n;
      continue;
    }
    buffer_.resize(static_cast<std::size_t>(std::min(kBlock, size_ - at)));
    const Int64 n = source_.Read(buffer_.data(), static_cast<Int64>(buffer_.size()));
    buffer_.resize(static_cast<std::size_t>(std::max<Int64>(n, 0)));
    buffer_start_ = at;
    if (n <= 0) break;
  }
  pos_ += done;
  return done;
}

TDibPageReader::TDibPageReader(TStream& Stream, int FifId, int Flags)
    : source_(std::make_unique<TFreeImageSource>(Stream)), fif_(FifId) {
  multi_ = FreeImageAPI().FreeImage_OpenMultiBitmapFromHandle(static_cast<FREE_IMAGE_FORMAT>(FifId), StreamIO(),
                                                              source_->FIHandle(), Flags);
  count_ = multi_ != nullptr ? FreeImageAPI().FreeImage_GetPageCount(multi_) : 0;
}

TDibPageReader::~TDibPageReader() {
  if (multi_ != nullptr) FreeImageAPI().FreeImage_CloseMultiBitmap(multi_, 0);
}

void TDibPageReader::Load(int Page, TDibGraphic& Target, const TFIBitmapEvent& BeforeConvert,
                          const TFIBitmapEvent& AfterLoad) {
  const TFreeImageEntries& fi = FreeImageAPI();
  FIBITMAP* page = multi_ != nullptr && Page >= 1 ? fi.FreeImage_LockPage(multi_, Page - 1) : nullptr;
  if (page == nullptr && Page == 1 && gdi_plus_decodes(fif_)) {
    source_->Handle().SetPosition(0);
    LoadWithGdiPlus(source_->Handle(), Target);
    return;
  }
  Byte last = 255;
  try {
    fi_bitmap bitmap(page, false);
    convert_and_assign(bitmap, fif_, Target, BeforeConvert, AfterLoad, nullptr, last);
  } catch (...) {
    if (page != nullptr) fi.FreeImage_UnlockPage(multi_, page, FALSE);
    throw;
  }
  fi.FreeImage_UnlockPage(multi_, page, FALSE);
}

void LoadDibPageAlone(TStream& Stream, int FifId, int Flags, TDibGraphic& Target, const TFIBitmapEvent& BeforeConvert,
                      const TFIBitmapEvent& AfterLoad) {
  TFreeImageSource source(Stream);
  FIBITMAP* decoded =
      FreeImageAPI().FreeImage_LoadFromHandle(static_cast<FREE_IMAGE_FORMAT>(FifId), StreamIO(), source.FIHandle(), Flags);
  if (decoded == nullptr) throw Exception(convert_error);
  source.Release();
  fi_bitmap bitmap(decoded, true);
  Byte last = 255;
  convert_and_assign(bitmap, FifId, Target, BeforeConvert, AfterLoad, nullptr, last);
}

void SaveDibToStream(TDibGraphic& Graphic, TStream& Stream, int FifId, int Flags,
                     const TZuroroveProgressEvent& OnProgress, TImageFormats Accepted, TImageFormat Fallback,
                     const TFIBitmapEvent& BeforeSave) {
  const TFreeImageEntries& fi = FreeImageAPI();
  Byte last = DoProgress(&Graphic, 0, 0, 255, 100, OnProgress);
  std::unique_ptr<TDibGraphic> converted;
  if (!Accepted.Contains(Graphic.ImageFormat()))
    converted = ConvertImageFormat(Graphic, Fallback, [] { return std::make_unique<TDibGraphic>(); });
  const TDibGraphic& source = converted ? *converted : Graphic;
  last = DoProgress(&Graphic, 5, 0, last, 100, OnProgress);

  // FreeImage's JPEG writer only reads the rows (a row at a time into buffers of its own), so
  // unless a hook may change the bitmap it gets the picture's rows in place: a full-size copy
  // per save (allocated, cleared, then filled) cost up to a fifth of the encode. It is made
  // after the last progress call, so nothing of ours runs between it and the encode.
  const bool in_place = FifId == FIF_ID_JPEG && !BeforeSave;
  if (in_place && source.Empty()) throw EZuroroveError("Graphic is empty");
  fi_bitmap bitmap(in_place ? nullptr : picture_to_bitmap(source), true);
  last = DoProgress(&Graphic, 10, 0, last, 100, OnProgress);
  if (in_place) {
    FIBITMAP* b = PictureAsFIBitmap(source.BitmapInfo(), source.Bits());
    if (b == nullptr) b = picture_to_bitmap(source);
    if (b == nullptr) raise_save_error(Graphic);
    bitmap.replace(b);
  }
  if (bitmap.get() == nullptr) raise_save_error(Graphic);
  if (BeforeSave) BeforeSave(bitmap.get());

  const auto fif = static_cast<FREE_IMAGE_FORMAT>(FifId);
  BOOL saved;
  if (Stream.Position() == 0) {
    saved = fi.FreeImage_SaveToHandle(fif, bitmap.get(), StreamIO(), static_cast<TStream*>(&Stream), Flags);
  } else {
    TMemoryStream memory;
    saved = fi.FreeImage_SaveToHandle(fif, bitmap.get(), StreamIO(), static_cast<TStream*>(&memory), Flags);
    if (saved) {
      memory.SetPosition(0);
      Stream.CopyFrom(memory, 0);
    }
  }
  if (!saved) raise_save_error(Graphic);
  DoProgress(&Graphic, 100, 0, last, 100, OnProgress);
}

void AppendDibToFile(TDibGraphic& Graphic, const std::string& FileName, int FifId, int Flags,
                     const TZuroroveProgressEvent& OnProgress, TImageFormats, TImageFormat,
                     const TFIBitmapEvent& BeforeSave) {
  const TFreeImageEntries& fi = FreeImageAPI();
  Byte last = DoProgress(&Graphic, 0, 0, 255, 100, OnProgress);
  FIMULTIBITMAP* multi = fi.FreeImage_OpenMultiBitmap(static_cast<FREE_IMAGE_FORMAT>(FifId), FileName.c_str(),
                                                       FALSE, FALSE, FALSE, 0);
  if (multi == nullptr) throw EZuroroveError(Format("Unable to open %s for appending", {FileName}));
  try {
    fi_bitmap bitmap(picture_to_bitmap(Graphic), true);
    if (bitmap.get() == nullptr) raise_save_error(Graphic);
    if (BeforeSave) BeforeSave(bitmap.get());
    last = DoProgress(&Graphic, 5, 0, last, 100, OnProgress);
    fi.FreeImage_AppendPage(multi, bitmap.get());
    DoProgress(&Graphic, 100, 0, last, 100, OnProgress);
  } catch (...) {
    fi.FreeImage_CloseMultiBitmap(multi, Flags);
    throw;
  }
  if (!fi.FreeImage_CloseMultiBitmap(multi, Flags)) raise_save_error(Graphic);
}

void AppendDibToStream(TDibGraphic& Graphic, TStream& Stream, int FifId, int Flags,
                       const TZuroroveProgressEvent& OnProgress, TImageFormats Accepted, TImageFormat Fallback,
                       const TFIBitmapEvent& BeforeSave) {
  Byte last = DoProgress(&Graphic, 0, 0, 255, 100, OnProgress);
  // FreeImage writes the new file beside the old one and then replaces it (remove, rename), so
  // for a moment the scratch file's name is free; in the shared temporary folder another
  // process could take it then. The scratch file lies in a folder of its own instead.
  scratch_folder folder;
  const std::string temp = folder.file("zu0.tmp");
  int pages;
  {
    TFileStream file(temp, fmCreate);
    file.CopyFrom(Stream, 0);
    file.SetPosition(0);
    pages = GetDibPageCount(file, FifId);
  }
  last = DoProgress(&Graphic, 10, 0, last, 100, OnProgress);
  AppendDibToFile(Graphic, temp, FifId, Flags, OnProgress, Accepted, Fallback, BeforeSave);
  last = DoProgress(&Graphic, 90, 0, last, 100, OnProgress);
  {
    TFileStream file(temp, fmOpenRead | fmShareDenyWrite);
    // A mend: FreeImage reports success when its writes into the temporary folder fail (a full
    // disk), and the stream got a cut file. The result must hold one page more than the stream.
    if (GetDibPageCount(file, FifId) != pages + 1) raise_save_error(Graphic);
    file.SetPosition(0);
    if (auto* memory = dynamic_cast<TMemoryStream*>(&Stream)) {
      memory->Clear();
      memory->SetSize(file.Size());
    } else {
      Stream.SetSize(0);  // a file stream, the safe save's among them, is cut
    }
    Stream.SetPosition(0);
    Stream.CopyFrom(file, 0);
  }
  DoProgress(&Graphic, 100, 0, last, 100, OnProgress);
}

int GetDibPageCount(TStream& Stream, int FifId) {
  const TFreeImageEntries& fi = FreeImageAPI();
  Int64 position = Stream.Position();
  TFreeImageSource source(Stream);
  FIMULTIBITMAP* multi =
      fi.FreeImage_OpenMultiBitmapFromHandle(static_cast<FREE_IMAGE_FORMAT>(FifId), StreamIO(), source.FIHandle(), 0);
  int count = multi != nullptr ? fi.FreeImage_GetPageCount(multi) : 0;
  Stream.SetPosition(position);
  if (multi != nullptr) fi.FreeImage_CloseMultiBitmap(multi, 0);
  return count;
}

std::mutex& FreeImageDecodingLock() { return decoding_lock_mutex(); }

bool Init_ZuFreeImage(TFreeImageLibrary& Library) {
  keep_picture_memory_in_heap();
  std::string error;
  if (Library.LoadFreeImage(error)) {
    startup_error().clear();
    return true;
  }
  startup_error() = error;
  MessageBox(error, ProgramPath(), MB_OK | MB_ICONERROR);
  return false;
}

bool Init_ZuFreeImage() { return Init_ZuFreeImage(FreeImageLibrary()); }

const std::string& FreeImageStartupError() { return startup_error(); }
