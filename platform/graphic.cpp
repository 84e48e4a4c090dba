// TPersistent, TGraphic and the picture container with its registries.
#include <algorithm>

#include "platform/gif_image.hpp"
#include "platform/graphics.hpp"
#include "platform/safe_save.hpp"

// ---------------------------------------------------------------------------------------------
// TPersistent
// ---------------------------------------------------------------------------------------------
void TPersistent::Assign(TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* source) {
  throw EConvertError("Cannot assign a %s to a %s", {source ? source->ClassName() : std::string("nil"), ClassName()});
}

// ---------------------------------------------------------------------------------------------
// TGraphic
// ---------------------------------------------------------------------------------------------
void TGraphic::SetSize(int width, int height) {
  SetWidth(width);
  SetHeight(height);
}

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed(this);
}

void TGraphic::LoadFromFile(const std::string& name) {
  TFileStream stream(name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& name) {
  // A mend: the picture goes to a temporary file that replaces the old one only when complete,
  // so a full disk or a kill never leaves a cut or empty file in its place.
  TSafeFileStream stream(name);
  SaveToStream(stream);
  stream.Commit();
}

void TGraphic::Changed(TObject*) {
  modified_ = true;
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------------
// The registries of graphic classes
// ---------------------------------------------------------------------------------------------
namespace {

struct ClipboardClass {
  Word format;
  std::string class_name;
  TGraphicFactory factory;
};

std::vector<TFileFormat>& file_formats() {
  static std::vector<TFileFormat> formats = [] {
    std::vector<TFileFormat> f;
    // Latest first: GIF, icons, bitmaps.
    f.push_back({"gif", "GIF Image", "TGIFImage", [] { return std::unique_ptr<TGraphic>(new TGIFImage); }});
    f.push_back({"ico", "Icons", "TIcon", [] { return std::unique_ptr<TGraphic>(new TIcon); }});
    f.push_back({"bmp", "Bitmaps", "TBitmap", [] { return std::unique_ptr<TGraphic>(new TBitmap); }});
    return f;
  }();
  return formats;
}

std::vector<ClipboardClass>& clipboard_classes() {
  static std::vector<ClipboardClass> classes = {
      {CF_BITMAP, "TBitmap", [] { return std::unique_ptr<TGraphic>(new TBitmap); }}};
  return classes;
}

std::string bare_extension(std::string ext) {
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  return LowerCase(ext);
}

const ClipboardClass* find_clipboard_class(Word format) {
  for (auto& c : clipboard_classes())
    if (c.format == format) return &c;
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TPicture
// ---------------------------------------------------------------------------------------------
TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::changed() {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (!graphic) {
    graphic_.reset();
    changed();
    return;
  }
  if (graphic == graphic_.get()) return;
  std::unique_ptr<TGraphic> copy = graphic->NewInstance();
  copy->Assign(graphic);
  graphic_ = std::move(copy);
  changed();
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(graphic_.get())) {
    graphic_ = std::make_unique<TBitmap>();
    changed();
  }
  return static_cast<TBitmap*>(graphic_.get());
}

TIcon* TPicture::Icon() {
  if (!dynamic_cast<TIcon*>(graphic_.get())) {
    graphic_ = std::make_unique<TIcon>();
    changed();
  }
  return static_cast<TIcon*>(graphic_.get());
}

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  changed();
}

void TPicture::Assign(TPersistent* source) {
  if (!source) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<TPicture*>(source)) {
    SetGraphic(p->Graphic());
  } else if (auto* g = dynamic_cast<TGraphic*>(source)) {
    SetGraphic(g);
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::AssignTo(TPersistent* dest) {
  if (graphic_ && dynamic_cast<TGraphic*>(dest)) {
    dest->Assign(graphic_.get());
    return;
  }
  TPersistent::AssignTo(dest);
}

void TPicture::LoadFromFile(const std::string& name) {
  std::string ext = bare_extension(ExtractFileExt(name));
  const TFileFormat* format = FindFileFormat(ext);
  if (!format) throw EInvalidGraphic("Unknown picture file extension (.%s)", {ext});
  std::unique_ptr<TGraphic> g = format->factory();
  g->LoadFromFile(name);
  graphic_ = std::move(g);
  changed();
}

void TPicture::SaveToFile(const std::string& name) {
  if (graphic_) graphic_->SaveToFile(name);
}

void TPicture::LoadFromClipboardFormat(Word format, HANDLE data, HPALETTE palette) {
  const ClipboardClass* c = find_clipboard_class(format);
  if (!c) throw EInvalidGraphic("Unsupported clipboard format");
  std::unique_ptr<TGraphic> g = c->factory();
  g->LoadFromClipboardFormat(format, data, palette);
  graphic_ = std::move(g);
  changed();
}

void TPicture::SaveToClipboardFormat(Word& format, HANDLE& data, HPALETTE& palette) {
  if (graphic_) graphic_->SaveToClipboardFormat(format, data, palette);
}

bool TPicture::SupportsClipboardFormat(Word format) { return find_clipboard_class(format) != nullptr; }

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const std::string& class_name, TGraphicFactory factory) {
  file_formats().insert(file_formats().begin(), TFileFormat{bare_extension(extension), description, class_name, std::move(factory)});
}

void TPicture::RegisterClipboardFormat(Word format, const std::string& class_name, TGraphicFactory factory) {
  clipboard_classes().insert(clipboard_classes().begin(), ClipboardClass{format, class_name, std::move(factory)});
}

void TPicture::UnregisterGraphicClass(const std::string& class_name) {
  auto& f = file_formats();
  f.erase(std::remove_if(f.begin(), f.end(), [&](const TFileFormat& x) { return x.class_name == class_name; }), f.end());
  auto& c = clipboard_classes();
  c.erase(std::remove_if(c.begin(), c.end(), [&](const ClipboardClass& x) { return x.class_name == class_name; }), c.end());
}

std::vector<TFileFormat> TPicture::FileFormats() { return file_formats(); }

const TFileFormat* TPicture::FindFileFormat(const std::string& extension) {
  std::string ext = bare_extension(extension);
  for (auto& f : file_formats())
    if (f.extension == ext) return &f;
  return nullptr;
}
