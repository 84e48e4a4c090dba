// The FreeImage codec library, bound at run time: finding and loading the library, the table of
// its 41 entry points, the stream callbacks it reads and writes through, and the exchange of
// its bitmaps with packed device-independent bitmaps.
//
// The library is never linked: its public header only gives the types and constants, and every
// call goes through the table. Include this header, not FreeImage.h, so that FreeImage's
// records are the platform's own.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/classes.hpp"
#include "platform/gdi.hpp"

// FreeImage declares BITMAPINFOHEADER, RGBQUAD and the Windows integer types unless the
// Windows headers came first; the platform's records are laid out the same, so it uses those.
#ifndef _WINDOWS_
#define _WINDOWS_
#define HW_UNDEF_WINDOWS_GUARD
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif
#include <FreeImage.h>
#ifdef HW_UNDEF_WINDOWS_GUARD
#undef _WINDOWS_
#undef HW_UNDEF_WINDOWS_GUARD
#endif

struct TMappedLibrary;

// The 41 entry points in binding order.
#define HW_FREEIMAGE_ENTRIES(X)                                                                 \
  X(FreeImage_IsTransparent) X(FreeImage_HasBackgroundColor) X(FreeImage_GetBackgroundColor)   \
  X(FreeImage_Composite) X(FreeImage_LoadFromHandle) X(FreeImage_Load) X(FreeImage_SaveToHandle) \
  X(FreeImage_Allocate) X(FreeImage_Unload) X(FreeImage_GetInfoHeader) X(FreeImage_GetPalette) \
  X(FreeImage_GetBits) X(FreeImage_GetPitch) X(FreeImage_GetHeight)                            \
  X(FreeImage_GetFileTypeFromHandle) X(FreeImage_GetFIFFromFilename) X(FreeImage_ConvertToType) \
  X(FreeImage_GetImageType) X(FreeImage_GetColorsUsed) X(FreeImage_GetMetadata)                \
  X(FreeImage_TagToString) X(FreeImage_GetTagValue) X(FreeImage_CreateTag)                     \
  X(FreeImage_SetTagKey) X(FreeImage_SetTagType) X(FreeImage_SetTagCount)                      \
  X(FreeImage_SetTagLength) X(FreeImage_SetTagValue) X(FreeImage_SetMetadata)                  \
  X(FreeImage_GetTagKey) X(FreeImage_DeleteTag) X(FreeImage_OpenMultiBitmapFromHandle)         \
  X(FreeImage_OpenMultiBitmap) X(FreeImage_GetPageCount) X(FreeImage_LockPage)                 \
  X(FreeImage_UnlockPage) X(FreeImage_AppendPage) X(FreeImage_CloseMultiBitmap)                \
  X(FreeImage_SaveMultiBitmapToHandle) X(FreeImage_SetOutputMessage)                           \
  X(FreeImage_SetOutputMessageStdCall)

struct TFreeImageEntries {
#define HW_FREEIMAGE_MEMBER(name) decltype(&::name) name = nullptr;
  HW_FREEIMAGE_ENTRIES(HW_FREEIMAGE_MEMBER)
#undef HW_FREEIMAGE_MEMBER
};

// The names of the entries, in binding order.
constexpr int FreeImageEntryCount = 41;
extern const char* const FreeImageEntryNames[FreeImageEntryCount];

// Where the library is looked for: a file of this name beside the program, the program's
// resource of this name, then this name on the library search path. The resource is loaded
// from memory, without any file; only when that fails from a temporary copy.
struct TFreeImageLocation {
  std::string FileName = "libfreeimage.so.3";
  std::string ProgramFolder;  // empty: the folder of the running program
  std::string ResourceName = "FreeImageDLL";
  bool FromMemory = true;  // false: the resource goes through the temporary copy at once
};

// One binding of the library: its handle, its temporary copy and its entry table.
class TFreeImageLibrary {
public:
  explicit TFreeImageLibrary(TFreeImageLocation Location = {});
  ~TFreeImageLibrary();
  TFreeImageLibrary(const TFreeImageLibrary&) = delete;
  TFreeImageLibrary& operator=(const TFreeImageLibrary&) = delete;

  // Loads and binds the library unless that was done already. On failure returns false and
  // sets `Error` to the reason ("Unable to load %s", "Function %s not found in %s").
  bool LoadFreeImage(std::string& Error);
  bool Loaded() const { return handle_ != nullptr; }
  // Releases the library.
  void Unload();

  const TFreeImageEntries& Entries() const { return entries_; }
  // An entry outside the table, for a faster path that has a fallback: none when the library is
  // not loaded or has no such entry. Its absence never fails the binding.
  void* OptionalEntry(const char* Name) const;
  // The table itself, for tests that stand in for single entries.
  TFreeImageEntries& MutableEntries() { return entries_; }
  // The temporary copy the library was loaded from (or failed to load from), else empty. The
  // copy itself is deleted as soon as the load is done.
  const std::string& TempPath() const { return temp_path_; }
  // The file the library was loaded from: a full path or, from the search path, its name; from
  // memory, the "/proc/self/fd/N" path of the nameless file that holds it.
  const std::string& LoadedFrom() const { return loaded_from_; }

private:
  void locate();
  void load_from_resource();
  bool load_from_memory(const Byte* data, std::size_t size);
  void write_to_temp(const Byte* data, std::size_t size);
  void bind();

  TFreeImageLocation location_;
  std::unique_ptr<TMappedLibrary> module_;
  void* handle_ = nullptr;
  std::string temp_path_;
  std::string loaded_from_;
  TFreeImageEntries entries_;
};

// The program's binding, made at start-up (LoadFreeImage below) and released at exit.
TFreeImageLibrary& FreeImageLibrary();
bool LoadFreeImage(std::string& Error);
// The program's entry table. When start-up has not bound the library yet, it is bound now;
// failure raises EZuroroveError with the reason.
const TFreeImageEntries& FreeImageAPI();

// The callback record for TStream handles: read, write, seek and tell. Reads and writes count
// whole items and report 0 for a size of 0; a seek the stream refuses returns -1; no exception
// leaves a callback.
FreeImageIO* StreamIO();

// A stream handed to FreeImage as data starting at offset 0: the stream itself when it stands
// at position 0, else a memory copy of its bytes from its position to its end.
class TFreeImageSource {
public:
  explicit TFreeImageSource(TStream& Stream);
  TStream& Handle() { return copy_ ? *copy_ : stream_; }
  fi_handle FIHandle() { return static_cast<TStream*>(&Handle()); }
  // Frees the memory copy early (FreeImage is done with it).
  void Release() { copy_.reset(); }
  bool Copied() const { return copy_ != nullptr; }

private:
  TStream& stream_;
  std::unique_ptr<TMemoryStream> copy_;
};

// A FreeImage bitmap as a packed DIB in a new movable global block the caller frees; none when
// the bitmap is none or the block cannot be had.
HGLOBAL FIBitmapToDib(FIBITMAP* Dib);
// A packed DIB as a new FreeImage bitmap the caller unloads; none when FreeImage cannot allocate
// it or the block is not a readable DIB.
FIBITMAP* DibToFIBitmap(HGLOBAL Dib);
// The same from a device-independent bitmap in place (header, colour table of biClrUsed
// entries, bottom-up rows), such as a picture's own section: the rows are copied in one move.
// For the writers: a table shorter than 2^bits is handed on whole, the missing entries black
// (the TIFF writer passes on as many colours as the bitmap says it uses, and the TIFF library
// reads 2^bits of them: a short table was read past its end).
FIBITMAP* PictureToFIBitmap(const BITMAPINFO& Info, const void* Bits);
// A bitmap over the same picture's rows in place, for writers that only read them: header and
// colour table as above, the rows not copied. The caller unloads it before the rows change or go.
// None when the library cannot hold rows it does not own, or the header is not one it can take;
// the caller then takes the copy above.
FIBITMAP* PictureAsFIBitmap(const BITMAPINFO& Info, const void* Bits);
