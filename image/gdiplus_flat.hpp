// The few records and calls of the GDI+ flat interface that the GDI+ decoder uses, as the
// system's libgdiplus exports them: plain C names and the C calling convention, ULONG_PTR tokens
// of pointer size, 32-bit status, pixel format and Boolean values, and stream callbacks that
// carry no user pointer.
#pragma once

#include <cstdint>

namespace zu_gdiplus::flat {

using Status = std::int32_t;  // 0 is Ok
using Token = std::uintptr_t;
using PixelFormat = std::int32_t;
using Bool = std::int32_t;

constexpr Status Ok = 0;

struct GpImage;  // images and bitmaps; never looked into
struct GpBitmap;
struct GpGraphics;

struct Guid {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
static_assert(sizeof(Guid) == 16);

using DebugEventProc = void (*)(std::int32_t level, char* message);
using NotificationHookProc = Status (*)(Token* token);
using NotificationUnhookProc = void (*)(Token token);

struct StartupInput {
  std::uint32_t GdiplusVersion;
  DebugEventProc DebugEventCallback;
  Bool SuppressBackgroundThread;
  Bool SuppressExternalCodecs;
};

struct StartupOutput {
  NotificationHookProc NotificationHook;
  NotificationUnhookProc NotificationUnhook;
};

struct Rect {
  std::int32_t X;
  std::int32_t Y;
  std::int32_t Width;
  std::int32_t Height;
};

struct BitmapData {
  std::uint32_t Width;
  std::uint32_t Height;
  std::int32_t Stride;
  PixelFormat Format;
  void* Scan0;
  std::uintptr_t Reserved;
};

// libgdiplus writes well past the public record when it locks pixels (84 bytes on this system):
// every lock gets this much room.
struct BitmapDataRoom {
  BitmapData data;
  std::uint8_t spare[256];
};

struct EncoderParameter {
  Guid Category;  // the parameter's identifier
  std::uint32_t NumberOfValues;
  std::uint32_t Type;
  void* Value;
};

struct EncoderParameters {
  std::uint32_t Count;
  EncoderParameter Parameter[1];
};

constexpr std::uint32_t EncoderParameterValueTypeLong = 4;

// Image types, lock modes and pixel formats.
constexpr std::int32_t ImageTypeBitmap = 1;
constexpr std::int32_t ImageTypeMetafile = 2;
constexpr std::uint32_t ImageLockModeRead = 1;
constexpr std::uint32_t ImageLockModeWrite = 2;
// The caller's Scan0 and Stride take the pixels.
constexpr std::uint32_t ImageLockModeUserInputBuf = 4;
constexpr PixelFormat PixelFormat1bppIndexed = 0x00030101;
constexpr PixelFormat PixelFormat4bppIndexed = 0x00030402;
constexpr PixelFormat PixelFormat8bppIndexed = 0x00030803;
constexpr PixelFormat PixelFormat32bppRGB = 0x00022009;
constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;
// Alpha premultiplied: the only 32-bit format libgdiplus draws into memory of the caller's.
constexpr PixelFormat PixelFormat32bppPARGB = 0x000E200B;

// A picture's colour table: `Count` 32-bit ARGB entries follow the two words.
struct ColorPaletteHead {
  std::uint32_t Flags;
  std::uint32_t Count;
};

// The stream callbacks of the delegate load and save. The header read looks at the next bytes
// without moving on; a read with `peek` set does the same; seek takes SEEK_SET, SEEK_CUR or
// SEEK_END and returns the new position (-1 on failure).
using GetHeaderProc = std::int32_t (*)(std::uint8_t* buffer, std::int32_t size);
using GetBytesProc = std::int32_t (*)(std::uint8_t* buffer, std::int32_t size, Bool peek);
using PutBytesProc = std::int32_t (*)(std::uint8_t* buffer, std::int32_t size);
using SeekProc = long (*)(std::int32_t offset, std::int32_t whence);
using CloseProc = void (*)();
using SizeProc = long (*)();

using GdiplusStartupFn = Status (*)(Token* token, const StartupInput* input, StartupOutput* output);
using GdiplusShutdownFn = void (*)(Token token);
using LoadImageFromDelegateFn = Status (*)(GetHeaderProc get_header, GetBytesProc get_bytes,
                                           PutBytesProc put_bytes, SeekProc seek, CloseProc close,
                                           SizeProc size, GpImage** image);
using SaveImageToDelegateFn = Status (*)(GpImage* image, GetBytesProc get_bytes, PutBytesProc put_bytes,
                                         SeekProc seek, CloseProc close, SizeProc size,
                                         const Guid* encoder, const EncoderParameters* parameters);
using DisposeImageFn = Status (*)(GpImage* image);
using GetImageTypeFn = Status (*)(GpImage* image, std::int32_t* type);
using GetImageRawFormatFn = Status (*)(GpImage* image, Guid* format);
using GetImageSizeFn = Status (*)(GpImage* image, std::uint32_t* value);
using GetImagePixelFormatFn = Status (*)(GpImage* image, PixelFormat* format);
using GetImagePaletteSizeFn = Status (*)(GpImage* image, std::int32_t* bytes);
using GetImagePaletteFn = Status (*)(GpImage* image, ColorPaletteHead* palette, std::int32_t bytes);
using SetImagePaletteFn = Status (*)(GpImage* image, const ColorPaletteHead* palette);
using CreateBitmapFromScan0Fn = Status (*)(std::int32_t width, std::int32_t height, std::int32_t stride,
                                           PixelFormat format, std::uint8_t* scan0, GpBitmap** bitmap);
using BitmapSetResolutionFn = Status (*)(GpBitmap* bitmap, float x_dpi, float y_dpi);
using BitmapLockBitsFn = Status (*)(GpBitmap* bitmap, const Rect* rect, std::uint32_t flags,
                                    PixelFormat format, BitmapData* locked);
using BitmapUnlockBitsFn = Status (*)(GpBitmap* bitmap, BitmapData* locked);
using GetImageGraphicsContextFn = Status (*)(GpImage* image, GpGraphics** graphics);
using DrawImageRectIFn = Status (*)(GpGraphics* graphics, GpImage* image, std::int32_t x, std::int32_t y,
                                    std::int32_t width, std::int32_t height);
using DeleteGraphicsFn = Status (*)(GpGraphics* graphics);

// Every entry the decoder binds, in binding order (see kEntryNames in gdiplus.cpp).
struct Entries {
  GdiplusStartupFn GdiplusStartup = nullptr;
  GdiplusShutdownFn GdiplusShutdown = nullptr;
  LoadImageFromDelegateFn GdipLoadImageFromDelegate_linux = nullptr;
  SaveImageToDelegateFn GdipSaveImageToDelegate_linux = nullptr;
  DisposeImageFn GdipDisposeImage = nullptr;
  GetImageTypeFn GdipGetImageType = nullptr;
  GetImageRawFormatFn GdipGetImageRawFormat = nullptr;
  GetImageSizeFn GdipGetImageWidth = nullptr;
  GetImageSizeFn GdipGetImageHeight = nullptr;
  GetImagePixelFormatFn GdipGetImagePixelFormat = nullptr;
  GetImagePaletteSizeFn GdipGetImagePaletteSize = nullptr;
  GetImagePaletteFn GdipGetImagePalette = nullptr;
  SetImagePaletteFn GdipSetImagePalette = nullptr;
  CreateBitmapFromScan0Fn GdipCreateBitmapFromScan0 = nullptr;
  BitmapSetResolutionFn GdipBitmapSetResolution = nullptr;
  BitmapLockBitsFn GdipBitmapLockBits = nullptr;
  BitmapUnlockBitsFn GdipBitmapUnlockBits = nullptr;
  GetImageGraphicsContextFn GdipGetImageGraphicsContext = nullptr;
  DrawImageRectIFn GdipDrawImageRectI = nullptr;
  DeleteGraphicsFn GdipDeleteGraphics = nullptr;
};

}  // namespace zu_gdiplus::flat
