// A small graphics device interface in software: bitmaps (device-independent sections,
// screen-compatible 32-bit bitmaps, monochrome bitmaps), memory device contexts, palettes,
// global memory blocks and the raster operations the program draws with.
//
// Handles are plain pointers to objects that a process-wide table owns: a handle stays valid
// until it is deleted, and every entry point checks that the handle it is given is alive, so a
// stale or foreign handle gives a failure result instead of a crash.
#pragma once

#include <cstddef>
#include <cstdint>

#include <string>

#include "platform/sysutils.hpp"
#include "platform/types.hpp"

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using BOOL = int;
using COLORREF = std::uint32_t;  // 0x00BBGGRR, like TColor

constexpr BOOL FALSE_ = 0;
constexpr BOOL TRUE_ = 1;

// ---------------------------------------------------------------------------------------------
// Records, laid out byte for byte as in the Windows API.
// ---------------------------------------------------------------------------------------------
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
static_assert(sizeof(RGBQUAD) == 4);

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // positive: rows stored bottom-up; negative: top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// A header followed by room for a full colour table.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

// The old 12-byte header of OS/2 bitmaps.
struct BITMAPCOREHEADER {
  DWORD bcSize;
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
};
static_assert(sizeof(BITMAPCOREHEADER) == 12);

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};

// A logical palette with room for 256 entries (the class library's TMaxLogPalette).
struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[256];
};
using TMaxLogPalette = LOGPALETTE;

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

// ---------------------------------------------------------------------------------------------
// Handles. Any handle converts to HGDIOBJ, as in the API.
// ---------------------------------------------------------------------------------------------
struct GdiBitmap;
struct GdiPalette;
struct GdiDC;
struct GlobalBlock;
struct GdiEnhMetaFile;

using HGDIOBJ = void*;
using HBITMAP = GdiBitmap*;
using HPALETTE = GdiPalette*;
using HDC = GdiDC*;
using HGLOBAL = GlobalBlock*;
using HENHMETAFILE = GdiEnhMetaFile*;
using HANDLE = void*;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;  // the pixels of a section, nullptr for a device-dependent bitmap
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

// ---------------------------------------------------------------------------------------------
// Global memory blocks: they know their size; GMEM_ZEROINIT clears them.
// ---------------------------------------------------------------------------------------------
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_SHARE = 0x2000;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// Returns nullptr when the memory cannot be had.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
void* GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
std::size_t GlobalSize(HGLOBAL block);  // 0 for an invalid handle
HGLOBAL GlobalFree(HGLOBAL block);      // nullptr on success, the handle on failure

// ---------------------------------------------------------------------------------------------
// Device contexts, bitmaps and palettes.
// ---------------------------------------------------------------------------------------------
constexpr int HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, NUMCOLORS = 24, RASTERCAPS = 38,
              LOGPIXELSX = 88, LOGPIXELSY = 90, SIZEPALETTE = 104;
constexpr int RC_BITBLT = 0x0001, RC_PALETTE = 0x0100, RC_DI_BITMAP = 0x0080, RC_STRETCHBLT = 0x0800,
              RC_STRETCHDIB = 0x2000;

// Stretch modes. BLACKONWHITE and WHITEONBLACK are taken as COLORONCOLOR.
constexpr int BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR, STRETCH_HALFTONE = HALFTONE;

constexpr int TRANSPARENT = 1, OPAQUE = 2;
constexpr int MM_TEXT = 1;

// Raster operations.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

constexpr COLORREF CLR_INVALID_REF = 0xFFFFFFFFu;

// The screen: 96 dots per inch, 32 bits per pixel, and no palette unless a test forces one.
void gdi_force_palette_device(bool palette_device);
bool gdi_palette_device();

// nullptr stands for the screen.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
int GetDeviceCaps(HDC dc, int index);

// Selecting a bitmap returns the bitmap held before (a memory context starts with a 1 x 1
// monochrome bitmap); a bitmap can be selected into one context at a time. Selecting a palette
// through SelectObject is refused (use SelectPalette). nullptr on failure.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Fails (FALSE) for a bitmap that is selected into a context, and for a dead handle.
BOOL DeleteObject(HGDIOBJ object);
// BITMAP for any bitmap, DIBSECTION for a section when `size` allows; the WORD entry count for a
// palette. Returns the bytes written, 0 for a dead handle.
int GetObject(HGDIOBJ object, int size, void* out);

// A section with the header's size, depth (1, 4, 8, 16, 24, 32; BI_RGB, or BI_BITFIELDS with
// the usual 5-5-5, 5-6-5 or 8-8-8 masks) and colour table (biClrUsed entries, or 2^bits when 0).
// The pixels are zero. *bits receives their address.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// A DIB section whose pixels are not cleared, for a caller that writes every byte of them.
HBITMAP CreateDIBSectionForOverwrite(HDC dc, const BITMAPINFO* info, void** bits);
// A DIB section over rows that are there already: `bits`, a block of pixel_memory_allocate or
// pixel_memory_adopt with the section's layout, freed with the section. nullptr, and the block
// freed, when the section cannot be made.
HBITMAP CreateDIBSectionOverBits(HDC dc, const BITMAPINFO* info, void* bits);
// A device-dependent bitmap: monochrome for 1 plane of 1 bit, otherwise `bits_per_pixel` deep
// (1, 4, 8, 16, 24 or 32; top-down rows padded to 16 bits). `bits` may be nullptr.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits);
// Compatible with the context: monochrome when the context holds a monochrome bitmap,
// 32 bits otherwise (nullptr: the screen).
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);

// Reads rows `start` .. `start + lines - 1` (counted from the bottom row) in the depth the header
// asks for (1, 4, 8, 24 or 32 bits, BI_RGB). With `bits` nullptr and biBitCount 0 the header is
// filled in. The colour table is written for depths up to 8 bits. Returns the rows copied.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);

// The colour table of the section selected into the context.
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);

HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE CreateHalftonePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL force_background);
UINT RealizePalette(HDC dc);

int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL SetBrushOrgEx(HDC dc, int x, int y, TPoint* old);

// The colour of a pixel of the context's bitmap; CLR_INVALID_REF outside it or without one.
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

// Stretches the source rectangle onto the destination rectangle. COLORONCOLOR takes the nearest
// source pixel (palette indices copy unchanged between equal palettes); HALFTONE gives each
// destination pixel the area-weighted mean of the source pixels it covers. Negative sizes and
// raster operations that need a brush fail.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth,
                int sheight, DWORD rop);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
// The same from a device-independent bitmap in memory; the source rectangle of a bottom-up
// bitmap is counted from its bottom row, as GDI does. Returns the rows drawn, 0 on failure.
int StretchDIBits(HDC dest, int x, int y, int width, int height, int sx, int sy, int swidth, int sheight,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
// The colour-key stretch: nearest-neighbour, and every source pixel of colour `transparent`
// leaves the destination as it was.
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth,
                    int sheight, UINT transparent);

// Blends a 32-bit source with premultiplied alpha in its fourth byte (AC_SRC_ALPHA) over the
// destination, stretching nearest-neighbour.
constexpr BYTE AC_SRC_OVER = 0x00, AC_SRC_ALPHA = 0x01;
struct BLENDFUNCTION {
  BYTE BlendOp;
  BYTE BlendFlags;
  BYTE SourceConstantAlpha;
  BYTE AlphaFormat;
};
BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int swidth,
                int sheight, BLENDFUNCTION blend);

// Enhanced metafiles: the context keeps their bytes as given; they are played by the GDI+ unit
// (its DrawMetafile). nullptr for no bytes or no memory.
HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
// Copies up to `size` bytes into `data` and returns the count copied; with `data` nullptr, the
// metafile's size. 0 for a dead handle.
UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, BYTE* data);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

// The font a context draws text with (the canvas selects its font this way).
struct GdiFontSpec {
  std::string name = "Tahoma";
  int height = -11;  // pixels; negative: the character height without internal leading
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  friend bool operator==(const GdiFontSpec&, const GdiFontSpec&) = default;
};
void gdi_select_font(HDC dc, const GdiFontSpec& font);
GdiFontSpec gdi_current_font(HDC dc);

// Our helpers beyond the API.
// The bitmap selected into a context (nullptr for none or a dead context).
HBITMAP gdi_selected_bitmap(HDC dc);
// A new bitmap of the same kind, size, colour table and pixels.
HBITMAP gdi_copy_bitmap(HBITMAP bitmap);
// True while the handle names a live object.
bool gdi_is_live(const void* handle);
// Bytes per row of a device-independent bitmap: width × bits rounded up to 32 bits.
inline std::int64_t dib_row_size(std::int64_t width, int bits) { return ((width * bits + 31) & ~std::int64_t{31}) / 8; }
