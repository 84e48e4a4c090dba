// A stand-in GDI+ library for the decoder's tests: it logs every call it gets, reads whatever it
// is given through the stream callbacks, and decodes nothing. Built once with every entry and
// once without the pixel lock.
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
};
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
  return 3;  // out of memory: nothing decoded
}

Status GdipSaveImageToDelegate_linux(GpImage*, GetBytesProc, PutBytesProc, SeekProc, CloseProc, SizeProc,
                                     const Guid*, const EncoderParameters*) {
  return 2;
}
Status GdipDisposeImage(GpImage*) { return 2; }
Status GdipGetImageType(GpImage*, std::int32_t*) { return 2; }
Status GdipGetImageRawFormat(GpImage*, Guid*) { return 2; }
Status GdipGetImageWidth(GpImage*, std::uint32_t*) { return 2; }
Status GdipGetImageHeight(GpImage*, std::uint32_t*) { return 2; }
Status GdipGetImagePixelFormat(GpImage*, PixelFormat*) { return 2; }
Status GdipCreateBitmapFromScan0(std::int32_t, std::int32_t, std::int32_t, PixelFormat, std::uint8_t*, GpBitmap**) {
  return 2;
}
Status GdipBitmapSetResolution(GpBitmap*, float, float) { return 2; }
#ifndef FAKE_GDIPLUS_WITHOUT_LOCK_BITS
Status GdipBitmapLockBits(GpBitmap*, const Rect*, std::uint32_t, PixelFormat, BitmapData*) { return 2; }
#endif
Status GdipBitmapUnlockBits(GpBitmap*, BitmapData*) { return 2; }

}  // extern "C"

// The fake keeps to the declared calling conventions.
static_assert(std::is_same_v<decltype(&GdiplusStartup), GdiplusStartupFn>);
static_assert(std::is_same_v<decltype(&GdiplusShutdown), GdiplusShutdownFn>);
static_assert(std::is_same_v<decltype(&GdipLoadImageFromDelegate_linux), LoadImageFromDelegateFn>);
static_assert(std::is_same_v<decltype(&GdipSaveImageToDelegate_linux), SaveImageToDelegateFn>);
