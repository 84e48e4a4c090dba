#include "platform/wic_image.hpp"

#include <cstring>
#include <initializer_list>

namespace {

// The kind of picture the first bytes announce, as the extensions the picture container may
// know it by (first choice first); empty when none.
std::vector<std::string> kind_of(const Byte* b, std::size_t n) {
  auto starts = [&](std::initializer_list<int> sig) {
    if (n < sig.size()) return false;
    std::size_t i = 0;
    for (int v : sig)
      if (b[i++] != static_cast<Byte>(v)) return false;
    return true;
  };
  if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return {"png"};
  if (starts({0xFF, 0xD8, 0xFF})) return {"jpg", "jpeg"};
  if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42})) return {"tif", "tiff"};
  if (starts({'G', 'I', 'F', '8', '7', 'a'}) || starts({'G', 'I', 'F', '8', '9', 'a'})) return {"gif"};
  if (starts({'B', 'M'})) return {"bmp"};
  if (starts({0, 0, 1, 0})) return {"ico"};
  return {};
}

}  // namespace

TWICImage::TWICImage() = default;
TWICImage::~TWICImage() = default;

void TWICImage::Assign(TPersistent* source) {
  if (auto* w = dynamic_cast<TWICImage*>(source)) {
    if (w == this) return;
    if (w->decoded_) {
      std::unique_ptr<TGraphic> copy = w->decoded_->NewInstance();
      copy->Assign(w->decoded_.get());
      decoded_ = std::move(copy);
    } else {
      decoded_.reset();
    }
    format_ = w->format_;
    bytes_ = w->bytes_;
    Changed(this);
    return;
  }
  TGraphic::Assign(source);
}

void TWICImage::AssignTo(TPersistent* dest) {
  auto* bmp = dynamic_cast<TBitmap*>(dest);
  if (!bmp) {
    if (auto* w = dynamic_cast<TWICImage*>(dest)) return w->Assign(this);
    return TGraphic::AssignTo(dest);
  }
  if (!decoded_) {
    bmp->Assign(nullptr);
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(decoded_.get())) {
    bmp->Assign(b);
    return;
  }
  bmp->SetSize(0, 0);
  bmp->SetPixelFormat(pf24bit);
  bmp->SetSize(Width(), Height());
  bmp->Canvas()->Draw(0, 0, decoded_.get());
}

void TWICImage::Draw(TCanvas& canvas, const TRect& rect) {
  if (decoded_) canvas.StretchDraw(rect, decoded_.get());
}

void TWICImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a WIC image"); }
void TWICImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a WIC image"); }

void TWICImage::LoadFromStream(TStream& stream) {
  Int64 avail = stream.Size() - stream.Position();
  if (avail <= 0 || avail > 0x7FFFFFFF) throw EInvalidGraphic("Unsupported picture format");
  std::vector<Byte> bytes(static_cast<std::size_t>(avail));
  stream.ReadBuffer(bytes.data(), avail);
  const TFileFormat* format = nullptr;
  for (const std::string& ext : kind_of(bytes.data(), bytes.size()))
    if ((format = TPicture::FindFileFormat(ext))) break;
  if (!format) throw EInvalidGraphic("Unsupported picture format");
  std::unique_ptr<TGraphic> g = format->factory();
  TBytesStream in(bytes.data(), static_cast<Int64>(bytes.size()));
  g->LoadFromStream(in);
  decoded_ = std::move(g);
  format_ = format->extension;
  bytes_ = std::move(bytes);
  Changed(this);
}

void TWICImage::SaveToStream(TStream& stream) {
  if (!bytes_.empty()) stream.WriteBuffer(bytes_.data(), static_cast<Int64>(bytes_.size()));
}

void TWICImage::LoadFromClipboardFormat(Word, HANDLE, HPALETTE) { throw EInvalidGraphic("Unsupported clipboard format"); }

void TWICImage::SaveToClipboardFormat(Word&, HANDLE&, HPALETTE&) { throw EInvalidGraphic("Unsupported clipboard format"); }
