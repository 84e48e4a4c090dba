#include "image/freeimage_api.hpp"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "image/mapped_dll.hpp"
#include "image/zu_misc.hpp"
#include "platform/global_block.hpp"
#include "platform/resource_stream.hpp"

const char* const FreeImageEntryNames[FreeImageEntryCount] = {
#define HW_FREEIMAGE_NAME(name) #name,
    HW_FREEIMAGE_ENTRIES(HW_FREEIMAGE_NAME)
#undef HW_FREEIMAGE_NAME
};

// ---------------------------------------------------------------------------------------------
// Finding, loading and binding
// ---------------------------------------------------------------------------------------------
namespace {
// FreeImage hooks its own code into the process-wide TIFF library when it loads (a tag
// extender), so its code stays mapped until the process ends, even once it is released.
constexpr int library_mode = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
}  // namespace

TFreeImageLibrary::TFreeImageLibrary(TFreeImageLocation Location) : location_(std::move(Location)) {}

TFreeImageLibrary::~TFreeImageLibrary() { Unload(); }

void TFreeImageLibrary::Unload() {
  entries_ = TFreeImageEntries{};
  if (module_) MappedFreeLibrary(std::move(module_));
  if (handle_ != nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
  }
  temp_path_.clear();
  loaded_from_.clear();
}

bool TFreeImageLibrary::LoadFreeImage(std::string& Error) {
  if (handle_ != nullptr) {
    Error.clear();
    return true;
  }
  try {
    locate();
    bind();
  } catch (const std::exception& e) {
    Error = e.what();
    // A library whose entries could not all be bound is not kept, so that a later call does
    // not report it as ready. Its temporary copy stays recorded for deletion.
    entries_ = TFreeImageEntries{};
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
    loaded_from_.clear();
    return false;
  }
  Error.clear();
  return true;
}

void TFreeImageLibrary::locate() {
  module_.reset();
  handle_ = nullptr;
  std::string folder = location_.ProgramFolder.empty() ? ProgramFolder()
                                                       : IncludeTrailingPathDelimiter(location_.ProgramFolder);
  std::string beside = folder + location_.FileName;
  if (FileExists(beside)) {
    // The loader does not search the program's folder: the library is named by its full path.
    handle_ = dlopen(beside.c_str(), library_mode);
    if (handle_ == nullptr) throw EZuroroveError(Format("Unable to load %s", {location_.FileName}));
    loaded_from_ = beside;
    return;
  }
  load_from_resource();
  if (handle_ == nullptr) {
    handle_ = dlopen(location_.FileName.c_str(), library_mode);
    if (handle_ == nullptr) throw EZuroroveError(Format("Unable to load %s", {location_.FileName}));
    loaded_from_ = location_.FileName;
  }
}

void TFreeImageLibrary::load_from_resource() {
  const Byte* data = nullptr;
  std::size_t size = 0;
  if (location_.ResourceName.empty() || !FindResourceData(location_.ResourceName, data, size) || size == 0) return;
  try {
    // The in-memory loader maps Windows library images only, whose exports follow another
    // calling convention than this program's calls; an image it accepts is released again and
    // the library is taken from a file copy like any other.
    module_ = MappedLoadLibrary(data, size);
    if (module_) MappedFreeLibrary(std::move(module_));
  } catch (...) {
    module_.reset();
  }
  if (location_.FromMemory && load_from_memory(data, size)) return;
  try {
    write_to_temp(data, size);
  } catch (...) {
    handle_ = nullptr;
  }
}

bool TFreeImageLibrary::load_from_memory(const Byte* data, std::size_t size) {
  // A nameless file in memory, sealed against change once written: nothing reaches the disk,
  // so nothing is left behind however the program ends.
  const int fd = memfd_create("codec", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (done == size && fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE) == 0)
    handle_ = dlopen(path.c_str(), library_mode);
  if (handle_ == nullptr) {
    close(fd);
    return false;
  }
  // The descriptor stays open for the life of the process, as the library stays mapped: the
  // loader knows the library by this path, and would take a later library opened by the same
  // path, through a new descriptor of the same number, for this one.
  loaded_from_ = path;
  return true;
}

void* TFreeImageLibrary::OptionalEntry(const char* Name) const {
  return handle_ != nullptr ? dlsym(handle_, Name) : nullptr;
}

void TFreeImageLibrary::write_to_temp(const Byte* data, std::size_t size) {
  CreateTempFile("zu", "tmp", temp_path_);
  // Once loaded, the library stays mapped without its file: the copy goes as soon as the load
  // is done (or has failed), so that none is left behind even by a program that is killed.
  struct remove_copy {
    const std::string& path;
    ~remove_copy() { DeleteFile(path); }
  } remove{temp_path_};
  {
    TFileStream file(temp_path_, fmOpenWrite | fmShareExclusive);
    file.WriteBuffer(data, static_cast<Int64>(size));
  }
  handle_ = dlopen(temp_path_.c_str(), library_mode);
  if (handle_ == nullptr) throw EZuroroveError(Format("Unable to load %s", {location_.FileName}));
  loaded_from_ = temp_path_;
}

void TFreeImageLibrary::bind() {
  auto lookup = [this](const char* name) {
    void* p = dlsym(handle_, name);
    if (p == nullptr) throw EZuroroveError(Format("Function %s not found in %s", {name, location_.FileName}));
    return p;
  };
#define HW_FREEIMAGE_BIND(name) entries_.name = reinterpret_cast<decltype(entries_.name)>(lookup(#name));
  HW_FREEIMAGE_ENTRIES(HW_FREEIMAGE_BIND)
#undef HW_FREEIMAGE_BIND
  // Neither FreeImage nor the TIFF library it reads through reports anything by itself.
  entries_.FreeImage_SetOutputMessage(nullptr);
  entries_.FreeImage_SetOutputMessageStdCall(nullptr);
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(nullptr);
}

namespace {
std::mutex& program_library_mutex() {
  static std::mutex m;
  return m;
}
}  // namespace

TFreeImageLibrary& FreeImageLibrary() {
  static TFreeImageLibrary library;
  return library;
}

bool LoadFreeImage(std::string& Error) {
  std::lock_guard lock(program_library_mutex());
  return FreeImageLibrary().LoadFreeImage(Error);
}

const TFreeImageEntries& FreeImageAPI() {
  TFreeImageLibrary& library = FreeImageLibrary();
  if (!library.Loaded()) {
    std::string error;
    if (!LoadFreeImage(error)) throw EZuroroveError(error);
  }
  return library.Entries();
}

// ---------------------------------------------------------------------------------------------
// Stream callbacks
// ---------------------------------------------------------------------------------------------
namespace {

unsigned DLL_CALLCONV stream_read(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  if (size == 0 || count == 0 || buffer == nullptr) return 0;
  try {
    Int64 got = static_cast<TStream*>(handle)->Read(buffer, static_cast<Int64>(size) * count);
    return got <= 0 ? 0u : static_cast<unsigned>(got / size);
  } catch (...) {
    return 0;
  }
}

unsigned DLL_CALLCONV stream_write(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  if (size == 0 || count == 0 || buffer == nullptr) return 0;
  try {
    Int64 put = static_cast<TStream*>(handle)->Write(buffer, static_cast<Int64>(size) * count);
    return put <= 0 ? 0u : static_cast<unsigned>(put / size);
  } catch (...) {
    return 0;
  }
}

int DLL_CALLCONV stream_seek(fi_handle handle, long offset, int origin) {
  TSeekOrigin o;
  switch (origin) {
    case SEEK_SET: o = TSeekOrigin::soBeginning; break;
    case SEEK_CUR: o = TSeekOrigin::soCurrent; break;
    case SEEK_END: o = TSeekOrigin::soEnd; break;
    default: return -1;
  }
  try {
    static_cast<TStream*>(handle)->Seek(offset, o);
    return 0;
  } catch (...) {
    return -1;
  }
}

long DLL_CALLCONV stream_tell(fi_handle handle) {
  try {
    return static_cast<long>(static_cast<TStream*>(handle)->Position());
  } catch (...) {
    return -1;
  }
}

}  // namespace

FreeImageIO* StreamIO() {
  static FreeImageIO io{stream_read, stream_write, stream_seek, stream_tell};
  return &io;
}

TFreeImageSource::TFreeImageSource(TStream& Stream) : stream_(Stream) {
  Int64 pos = Stream.Position();
  if (pos == 0) return;
  Int64 rest = std::max<Int64>(0, Stream.Size() - pos);
  copy_ = std::make_unique<TMemoryStream>();
  copy_->SetSize(rest);
  if (rest > 0) Stream.ReadBuffer(copy_->Memory(), rest);
  copy_->SetPosition(0);
}

// ---------------------------------------------------------------------------------------------
// Packed DIBs
// ---------------------------------------------------------------------------------------------
HGLOBAL FIBitmapToDib(FIBITMAP* Dib) {
  if (Dib == nullptr) return nullptr;
  const TFreeImageEntries& fi = FreeImageAPI();
  const BITMAPINFOHEADER* header = fi.FreeImage_GetInfoHeader(Dib);
  if (header == nullptr) return nullptr;
  std::size_t colors = fi.FreeImage_GetColorsUsed(Dib);
  std::size_t pixels = std::size_t{fi.FreeImage_GetPitch(Dib)} * fi.FreeImage_GetHeight(Dib);
  std::size_t size = sizeof(BITMAPINFOHEADER) + 4 * colors + pixels;
  // Every byte of the block is written below.
  global_block block(GlobalAlloc(GMEM_MOVEABLE, size), global_block::lock_and_free);
  Byte* p = block.data();
  if (p == nullptr) return nullptr;
  std::memcpy(p, header, sizeof(BITMAPINFOHEADER));
  p += sizeof(BITMAPINFOHEADER);
  if (const RGBQUAD* palette = fi.FreeImage_GetPalette(Dib)) std::memcpy(p, palette, 4 * colors);
  else std::memset(p, 0, 4 * colors);
  p += 4 * colors;
  if (const BYTE* bits = fi.FreeImage_GetBits(Dib)) std::memcpy(p, bits, pixels);
  else std::memset(p, 0, pixels);
  return block.release();
}

namespace {

// A new FreeImage bitmap from a DIB's header, its colour table (`table_bytes` readable at
// `table`) and its rows (`bits_bytes` readable at `bits`); none when the header is not one
// FreeImage can allocate.
// With `in_place` (the library's entry for rows it does not own, `wrap`) the bitmap reads the
// rows where they are, `pitch` bytes apart, instead of a copy.
// With `full_table` the bitmap gets all 2^bits colours, the entries the table lacks black.
FIBITMAP* bitmap_from_dib(BITMAPINFOHEADER header, const Byte* table, std::size_t table_bytes, const Byte* bits,
                          std::size_t bits_bytes, bool full_table = false,
                          decltype(&FreeImage_ConvertFromRawBitsEx) wrap = nullptr, int pitch = 0) {
  const TFreeImageEntries& fi = FreeImageAPI();
  const int bpp = header.biBitCount;
  if (header.biWidth <= 0 || header.biHeight <= 0 || bpp <= 0 || bpp > 32) return nullptr;
  // Either way the header gets the library's default colour table for depths up to 8 bits
  // (a grey ramp), which the picture's own table then overwrites entry by entry.
  FIBITMAP* bitmap = wrap != nullptr
                         ? wrap(FALSE, const_cast<Byte*>(bits), FIT_BITMAP, header.biWidth, header.biHeight, pitch,
                                static_cast<unsigned>(bpp), 0, 0, 0, FALSE)
                         : fi.FreeImage_Allocate(header.biWidth, header.biHeight, bpp, 0, 0, 0);
  if (bitmap == nullptr) return nullptr;
  BITMAPINFOHEADER* target = fi.FreeImage_GetInfoHeader(bitmap);
  std::memcpy(target, &header, sizeof header);
  if (bpp < 16) {
    // The bitmap's palette has room for 2^bits entries and no more.
    const std::size_t room = std::size_t{1} << std::min(bpp, 8);
    std::size_t copied = std::min(table_bytes / 4, room);
    RGBQUAD* palette = fi.FreeImage_GetPalette(bitmap);
    if (palette != nullptr) std::memcpy(palette, table, 4 * copied);
    if (full_table && palette != nullptr) {
      std::memset(palette + copied, 0, 4 * (room - copied));
      copied = room;
    }
    target->biClrUsed = static_cast<DWORD>(copied);
  }
  if (wrap != nullptr) return bitmap;
  std::size_t pixels = std::size_t{fi.FreeImage_GetPitch(bitmap)} * fi.FreeImage_GetHeight(bitmap);
  if (BYTE* out = fi.FreeImage_GetBits(bitmap)) std::memcpy(out, bits, std::min(pixels, bits_bytes));
  return bitmap;
}

}  // namespace

FIBITMAP* DibToFIBitmap(HGLOBAL Dib) {
  if (Dib == nullptr) return nullptr;
  global_block block(Dib, global_block::lock);
  const std::size_t size = block.size();
  const Byte* p = block.data();
  if (p == nullptr || size < sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPINFOHEADER header;
  std::memcpy(&header, p, sizeof header);
  const int bpp = header.biBitCount;
  // A table of biClrUsed entries, or 2^bits when that is 0, for depths below 16 bits.
  std::size_t table = 0;
  if (bpp > 0 && bpp < 16) table = header.biClrUsed != 0 ? header.biClrUsed : std::size_t{1} << std::min(bpp, 8);
  std::size_t offset = sizeof(BITMAPINFOHEADER) + 4 * table;
  if (offset > size) return nullptr;
  return bitmap_from_dib(header, p + sizeof(BITMAPINFOHEADER), 4 * table, p + offset, size - offset);
}

FIBITMAP* PictureToFIBitmap(const BITMAPINFO& Info, const void* Bits) {
  const BITMAPINFOHEADER& header = Info.bmiHeader;
  if (Bits == nullptr || header.biHeight <= 0) return nullptr;
  const std::size_t rows = static_cast<std::size_t>(dib_row_size(header.biWidth, header.biBitCount)) *
                           static_cast<std::size_t>(header.biHeight);
  const std::size_t table = std::min<std::size_t>(header.biClrUsed, 256);
  return bitmap_from_dib(header, reinterpret_cast<const Byte*>(Info.bmiColors), 4 * table,
                         static_cast<const Byte*>(Bits), rows, true);
}

FIBITMAP* PictureAsFIBitmap(const BITMAPINFO& Info, const void* Bits) {
  const BITMAPINFOHEADER& header = Info.bmiHeader;
  if (Bits == nullptr || header.biWidth <= 0 || header.biHeight <= 0 || header.biBitCount <= 0 ||
      header.biBitCount > 32)
    return nullptr;
  auto wrap = reinterpret_cast<decltype(&FreeImage_ConvertFromRawBitsEx)>(
      FreeImageLibrary().OptionalEntry("FreeImage_ConvertFromRawBitsEx"));
  if (wrap == nullptr) return nullptr;
  const int pitch = dib_row_size(header.biWidth, header.biBitCount);
  const std::size_t rows = static_cast<std::size_t>(pitch) * static_cast<std::size_t>(header.biHeight);
  const std::size_t table = std::min<std::size_t>(header.biClrUsed, 256);
  FIBITMAP* bitmap = bitmap_from_dib(header, reinterpret_cast<const Byte*>(Info.bmiColors), 4 * table,
                                     static_cast<const Byte*>(Bits), rows, true, wrap, pitch);
  // The bitmap must read the picture's rows themselves, with the picture's row distance.
  if (bitmap != nullptr && (FreeImageAPI().FreeImage_GetBits(bitmap) != Bits ||
                            FreeImageAPI().FreeImage_GetPitch(bitmap) != static_cast<unsigned>(pitch))) {
    FreeImageAPI().FreeImage_Unload(bitmap);
    return nullptr;
  }
  return bitmap;
}
