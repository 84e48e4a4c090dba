#include "view_test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "image/format_registry.hpp"
#include "platform/text_codec.hpp"

namespace view_test {

namespace {

std::string read_bytes(TStream& s, Int64 n) {
  if (n < 0 || n > s.Size() - s.Position()) throw EReadError("Stream read error");
  std::string out(static_cast<size_t>(n), '\0');
  s.ReadBuffer(out.data(), n);
  return out;
}

std::uint32_t read_u32(TStream& s) {
  unsigned char b[4];
  s.ReadBuffer(b, 4);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t{b[3]} << 24);
}

void write_u32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

int read_header(TStream& s) {
  std::string magic = read_bytes(s, 3);
  if (magic != "HWT") throw EZuroroveError("Not a test picture");
  unsigned char n = 0;
  s.ReadBuffer(&n, 1);
  return n;
}

std::string page_bytes(const TDibGraphic& g) {
  std::string bmp = bmp_bytes(g);
  std::string out;
  write_u32(out, static_cast<std::uint32_t>(bmp.size()));
  return out + bmp;
}

}  // namespace

int TTestPictureGraphic::GetImageCount(TStream& Stream) {
  Int64 start = Stream.Position();
  int n = read_header(Stream);
  Stream.SetPosition(start);
  return n;
}

void TTestPictureGraphic::SingleLoadFromStream(TStream& Stream, int ImageToLoad) {
  int n = read_header(Stream);
  if (ImageToLoad < 1 || ImageToLoad > n) throw EZuroroveError("No such page");
  for (int i = 1; i < ImageToLoad; ++i) Stream.Seek(read_u32(Stream), TSeekOrigin::soCurrent);
  std::string bmp = read_bytes(Stream, read_u32(Stream));
  // The packed bitmap is the BMP stream after its 14-byte file header.
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bmp.size() - 14);
  std::memcpy(GlobalLock(h), bmp.data() + 14, bmp.size() - 14);
  GlobalUnlock(h);
  try {
    AssignFromDIBHandle(h);
  } catch (...) {
    GlobalFree(h);
    throw;
  }
  GlobalFree(h);
}

void TTestPictureGraphic::SaveToStream(TStream& Stream) {
  std::string out = "HWT";
  out.push_back(1);
  out += page_bytes(*this);
  Stream.WriteBuffer(out.data(), static_cast<Int64>(out.size()));
}

void TTestPictureGraphic::AppendToStream(TStream& Stream) {
  Int64 start = Stream.Position();
  int n = read_header(Stream);
  Stream.SetPosition(start + 3);
  unsigned char count = static_cast<unsigned char>(n + 1);
  Stream.WriteBuffer(&count, 1);
  Stream.Seek(0, TSeekOrigin::soEnd);
  std::string page = page_bytes(*this);
  Stream.WriteBuffer(page.data(), static_cast<Int64>(page.size()));
}

bool TTestPictureGraphic::CanRead(TStream& Stream) {
  char b[3] = {};
  Int64 got = Stream.Read(b, 3);
  Stream.Seek(-got, TSeekOrigin::soCurrent);
  return got == 3 && std::memcmp(b, "HWT", 3) == 0;
}

void TFailingGraphic::SingleLoadFromStream(TStream&, int) { throw EZuroroveError("Broken test picture"); }

void TFailingGraphic::SaveToStream(TStream& Stream) {
  Stream.WriteBuffer("HWX", 3);
  throw EZuroroveError("Writer failed");
}

void TFailingGraphic::AppendToStream(TStream& Stream) {
  Stream.Seek(0, TSeekOrigin::soEnd);
  Stream.WriteBuffer("HWX", 3);
  throw EZuroroveError("Writer failed");
}

void register_view_test_formats() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterDibGraphic("HWT", "Test picture", [] { return std::unique_ptr<TDibGraphic>(new TTestPictureGraphic); });
  RegisterDibGraphic("HWX", "Failing test picture", [] { return std::unique_ptr<TDibGraphic>(new TFailingGraphic); });
}

TRgb pattern(int seed, int x, int y) {
  return Rgb(static_cast<Byte>(x * 7 + seed * 31), static_cast<Byte>(y * 5 + seed * 17), static_cast<Byte>((x ^ y) * 3 + seed));
}

std::unique_ptr<TDibGraphic> make_picture(int width, int height, int seed) {
  auto g = std::make_unique<TDibGraphic>();
  g->NewImage(width, height, ifTrueColor, nullptr, 0, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) g->SetPixel(x, y, pattern(seed, x, y));
  return g;
}

std::string hwt_bytes(const std::vector<const TDibGraphic*>& pages) {
  std::string out = "HWT";
  out.push_back(static_cast<char>(pages.size()));
  for (const TDibGraphic* p : pages) out += page_bytes(*p);
  return out;
}

std::string bmp_bytes(const TDibGraphic& picture) {
  HGLOBAL h = picture.AsDibHandle();
  TMemoryStream ms;
  TDibGraphic::DibToBmpStream(h, ms);
  GlobalFree(h);
  return std::string(reinterpret_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
}

void write_file(const std::string& name, const std::string& bytes) {
  std::ofstream f(name, std::ios::binary);
  f << bytes;
}

std::string read_file(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

ViewWindow::ViewWindow(int width, int height) : form(std::make_unique<TForm>(nullptr)) {
  register_view_test_formats();
  form->SetBounds(20, 20, width + 40, height + 40);
  view = new TImageScrollBox(form.get());
  view->SetBounds(10, 10, width, height);
  view->SetParent(form.get());
  form->Show();
}

ViewWindow::~ViewWindow() { Screen->SetCursor(crDefault); }

void ViewWindow::show_picture(int width, int height, int seed) {
  auto g = make_picture(width, height, seed);
  view->SetGraphic(g.get());
}

static std::string xy(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

void RecordingHandler::MouseDown(TMouseButton b, TShiftState, int x, int y) {
  FMouseIsDown = true;
  log_.push_back("h.down" + std::to_string(b) + " " + xy(x, y));
}
void RecordingHandler::MouseUp(TMouseButton b, TShiftState, int x, int y) {
  FMouseIsDown = false;
  log_.push_back("h.up" + std::to_string(b) + " " + xy(x, y));
}
void RecordingHandler::MouseMove(TShiftState, int x, int y) { log_.push_back("h.move " + xy(x, y)); }

void record_view_events(TImageScrollBox& view, std::vector<std::string>& log) {
  TImageScrollBox* self = &view;
  view.OnZoomChange = [&log, self](TImageScrollBox* s, float z) {
    EXPECT_EQ(s, self);
    log.push_back("Zoom " + std::to_string(static_cast<int>(z)));
  };
  view.OnRedraw = [&log](TDibGraphic*) { log.push_back("Redraw"); };
  view.OnNewGraphic = [&log](TDibGraphic*) { log.push_back("NewGraphic"); };
  view.OnImageMouseDown = [&log, self](TObject* s, TMouseButton b, TShiftState, int x, int y) {
    EXPECT_EQ(s, self);
    log.push_back("e.down" + std::to_string(b) + " " + xy(x, y));
  };
  view.OnImageMouseUp = [&log, self](TObject* s, TMouseButton b, TShiftState, int x, int y) {
    EXPECT_EQ(s, self);
    log.push_back("e.up" + std::to_string(b) + " " + xy(x, y));
  };
  view.OnImageMouseMove = [&log, self](TObject* s, TShiftState, int x, int y) {
    EXPECT_EQ(s, self);
    log.push_back("e.move " + xy(x, y));
  };
  view.OnImageClick = [&log, self](TObject* s) {
    EXPECT_EQ(s, self);
    log.push_back("e.click");
  };
  view.OnImageDblClick = [&log, self](TObject* s) {
    EXPECT_EQ(s, self);
    log.push_back("e.dbl");
  };
}

}  // namespace view_test
