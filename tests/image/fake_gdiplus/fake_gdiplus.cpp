// A stand-in GDI+ library for the decoder's tests: it logs every call it gets and reads whatever
// it is given through the stream callbacks. It decodes only streams that start with "FAKEIMG"
// (into a 2 x 1 PNG image with no pixels), and its encoder writes "ENCODED" and logs the encoder
// and its parameter. Built once with every entry and once without the pixel lock.
#include <algorithm>
#include <cstdio>
#include <type_traits>
#include <string>
#include <vector>

#include "image/gdiplus_flat.hpp"

using namespace zu_gdiplus::flat;

namespace {
struct FakeState {
  std::string log;                // "startup(1,1,0) hook unhook(77) shutdown(42) "
  Status startup_status = Ok;
  int loads = 0;
  std::vector<unsigned char> bytes_seen;  // the stream as the last load read it
  long size_seen = -1;
  bool peek_kept_position = false;
  bool header_matched_bytes = false;
  int images = 0;  // images handed out and not disposed
};
GpImage* const kImage = reinterpret_cast<GpImage*>(0x1000);
FakeState& state() {
  static FakeState s;
  return s;
}

Status hook(Token* token) {
  state().log += "hook ";
  *token = 77;
  return Ok;
}
void unhook(Token token) { state().log += "unhook(" + std::to_string(token) + ") "; }
}  // namespace

extern "C" {

// For the tests.
std::string* fake_gdiplus_log() { return &state().log; }
void fake_gdiplus_reset(Status startup_status) {
  state() = FakeState{};
  state().startup_status = startup_status;
}
int fake_gdiplus_loads() { return state().loads; }
int fake_gdiplus_images() { return state().images; }
const std::vector<unsigned char>* fake_gdiplus_bytes_seen() { return &state().bytes_seen; }
long fake_gdiplus_size_seen() { return state().size_seen; }
bool fake_gdiplus_callbacks_behaved() { return state().peek_kept_position && state().header_matched_bytes; }

Status GdiplusStartup(Token* token, const StartupInput* input, StartupOutput* output) {
  state().log += "startup(" + std::to_string(input->GdiplusVersion) + "," +
                 std::to_string(input->SuppressBackgroundThread) + "," +
                 std::to_string(input->SuppressExternalCodecs) + ") ";
  if (state().startup_status != Ok) return state().startup_status;
  *token = 42;
  output->NotificationHook = hook;
  output->NotificationUnhook = unhook;
  return Ok;
}

void GdiplusShutdown(Token token) { state().log += "shutdown(" + std::to_string(token) + ") "; }

Status GdipLoadImageFromDelegate_linux(GetHeaderProc get_header, GetBytesProc get_bytes, PutBytesProc,
                                       SeekProc seek, CloseProc close, SizeProc size, GpImage** image) {
  FakeState& s = state();
  ++s.loads;
  *image = nullptr;
  unsigned char header[8] = {};
  const int header_count = get_header(header, sizeof header);
  s.size_seen = size();
  s.bytes_seen.clear();
  unsigned char chunk[5];
  for (int n; (n = get_bytes(chunk, sizeof chunk, 0)) > 0;) s.bytes_seen.insert(s.bytes_seen.end(), chunk, chunk + n);
  s.header_matched_bytes = header_count == static_cast<int>(std::min<std::size_t>(8, s.bytes_seen.size()));
  for (int i = 0; i < header_count; ++i) s.header_matched_bytes &= header[i] == s.bytes_seen[i];
  // A peek leaves the position; a seek returns it.
  unsigned char a[2] = {}, b[2] = {};
  s.peek_kept_position = seek(1, SEEK_SET) == 1 && get_bytes(a, 2, 1) == 2 && get_bytes(b, 2, 1) == 2 &&
                         a[0] == b[0] && a[1] == b[1] && seek(0, SEEK_CUR) == 1 &&
                         seek(0, SEEK_END) == static_cast<long>(s.bytes_seen.size()) && seek(-1, SEEK_SET) == -1;
  close();
  s.log += "load ";
  if (std::string(s.bytes_seen.begin(), s.bytes_seen.end()).rfind("FAKEIMG", 0) != 0) return 3;  // nothing decoded
  ++s.images;
  *image = kImage;
  return Ok;
}

Status GdipSaveImageToDelegate_linux(GpImage* image, GetBytesProc, PutBytesProc put_bytes, SeekProc seek,
                                     CloseProc, SizeProc size, const Guid* encoder,
                                     const EncoderParameters* parameters) {
  if (image != kImage) return 2;
  char text[64];
  std::snprintf(text, sizeof text, "save(%08X", static_cast<unsigned>(encoder->Data1));
  state().log += text;
  for (std::uint32_t i = 0; parameters != nullptr && i < parameters->Count; ++i) {
    const EncoderParameter& p = parameters->Parameter[i];
    std::snprintf(text, sizeof text, ",%08X:%u:%u=%u", static_cast<unsigned>(p.Category.Data1), p.NumberOfValues,
                  p.Type, *static_cast<const std::uint32_t*>(p.Value));
    state().log += text;
  }
  state().log += ") ";
  // Writes "ENCODE?", goes back and puts the "D" over the "?".
  unsigned char encoded[] = {'E', 'N', 'C', 'O', 'D', 'E', '?'};
  if (put_bytes(encoded, 7) != 7 || size() != 7 || seek(-1, SEEK_END) != 6) return 7;
  encoded[0] = 'D';
  return put_bytes(encoded, 1) == 1 ? Ok : 7;
}
Status GdipDisposeImage(GpImage* image) {
  if (image != kImage) return 2;
  --state().images;
  return Ok;
}
Status GdipGetImageType(GpImage* image, std::int32_t* type) {
  *type = ImageTypeBitmap;
  return image == kImage ? Ok : 2;
}
Status GdipGetImageRawFormat(GpImage* image, Guid* format) {
  *format = Guid{0xB96B3CAF, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};  // PNG
  return image == kImage ? Ok : 2;
}
Status GdipGetImageWidth(GpImage* image, std::uint32_t* width) {
  *width = 2;
  return image == kImage ? Ok : 2;
}
Status GdipGetImageHeight(GpImage* image, std::uint32_t* height) {
  *height = 1;
  return image == kImage ? Ok : 2;
}
Status GdipGetImagePixelFormat(GpImage*, PixelFormat*) { return 2; }
Status GdipGetImagePaletteSize(GpImage*, std::int32_t*) { return 2; }
Status GdipGetImagePalette(GpImage*, ColorPaletteHead*, std::int32_t) { return 2; }
Status GdipSetImagePalette(GpImage*, const ColorPaletteHead*) { return 2; }
Status GdipCreateBitmapFromScan0(std::int32_t, std::int32_t, std::int32_t, PixelFormat, std::uint8_t*, GpBitmap**) {
  return 2;
}
Status GdipBitmapSetResolution(GpBitmap*, float x, float y) {
  state().log += "resolution(" + std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)) + ") ";
  return Ok;
}
#ifndef FAKE_GDIPLUS_WITHOUT_LOCK_BITS
Status GdipBitmapLockBits(GpBitmap*, const Rect*, std::uint32_t, PixelFormat, BitmapData*) { return 2; }
#endif
Status GdipBitmapUnlockBits(GpBitmap*, BitmapData*) { return 2; }
Status GdipGetImageGraphicsContext(GpImage*, GpGraphics**) { return 2; }
Status GdipDrawImageRectI(GpGraphics*, GpImage*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) { return 2; }
Status GdipDeleteGraphics(GpGraphics*) { return 2; }

}  // extern "C"

// The fake keeps to the declared calling conventions.
static_assert(std::is_same_v<decltype(&GdiplusStartup), GdiplusStartupFn>);
static_assert(std::is_same_v<decltype(&GdiplusShutdown), GdiplusShutdownFn>);
static_assert(std::is_same_v<decltype(&GdipLoadImageFromDelegate_linux), LoadImageFromDelegateFn>);
static_assert(std::is_same_v<decltype(&GdipSaveImageToDelegate_linux), SaveImageToDelegateFn>);
