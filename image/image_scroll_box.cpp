#include "image/image_scroll_box.hpp"

#include <algorithm>
#include <new>
#include <bit>
#include <cstdint>

#include "image/anti_alias_transform.hpp"
#include "image/dib_graphic.hpp"
#include "image/format_registry.hpp"
#include "image/format_transform.hpp"
#include "image/read_ahead.hpp"
#include "image/resize_transform.hpp"
#include "image/view_render.hpp"
#include "image/view_mouse_handlers.hpp"
#include "platform/checked_size.hpp"
#include "platform/clipbrd.hpp"
#include "platform/forms.hpp"
#include "platform/pixel_memory.hpp"
#include "platform/text_codec.hpp"

namespace {

// The extension of a name given to a load by extension: the file-name extension when there is
// one, else the whole text as a bare extension; always with its dot.
std::string extension_with_dot(const std::string& Extension) {
  std::string ext = ExtractFileExt(Extension);
  if (!ext.empty()) return ext;
  if (!Extension.empty() && Extension[0] == '.') return Extension;
  return "." + Extension;
}

[[noreturn]] void raise_not_registered(const std::string& Extension) {
  throw EZuroroveError(Format("Graphic files of %s format are not supported or not registered", {Extension}));
}

[[noreturn]] void raise_no_rubberband() { throw EZuroroveError("Rubberband mouse handler not active"); }

// The rendered size of one side: truncated, at least 1. The product is formed in single
// precision, as the zoom is.
int zoomed_side(int side, float percent) {
  // A mend: at 100 % a side is its own length, also where single precision cannot hold it
  // (178,956,970 became 178,956,976, past the pixel limit, and the zoom was lowered).
  if (percent == 100.0f) return std::max(side, 1);
  float v = static_cast<float>(side) * percent / 100.0f;
  Int64 n = SafeTrunc(static_cast<Extended>(v));
  return static_cast<int>(std::clamp<Int64>(n, 1, 0x7FFFFFFF));
}

// A fitted zoom of a picture of extreme proportions (thousands of pixels wide and a few high) is
// held to a quarter of the pixel limit, so that opening one stays within about a second; a zoom
// the user chose keeps the whole limit (400 % of a 4000 x 3000 picture becomes 386 %).
constexpr Int64 kFittedRenderingPixels = Int64{1} << 26;

// The largest zoom up to `percent` at which a W x H picture renders to no more than `budget`
// pixels. Found among the single-precision values, which for positive numbers are ordered as
// their bit patterns.
float zoom_within_limit(int W, int H, float percent, Int64 budget) {
  const auto fits = [&](float p) { return Int64{zoomed_side(W, p)} * zoomed_side(H, p) <= budget; };
  if (!(percent > 0) || fits(percent)) return percent;
  std::uint32_t low = 0, high = std::bit_cast<std::uint32_t>(percent);  // 0 renders 1 x 1
  while (high - low > 1) {
    const std::uint32_t mid = low + (high - low) / 2;
    (fits(std::bit_cast<float>(mid)) ? low : high) = mid;
  }
  return std::bit_cast<float>(low);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------------------------
TImageScrollBox::TImageScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  SetBounds(Left(), Top(), 100, 100);
  SetAutoScroll(false);
  HorzScrollBar().SetTracking(true);
  VertScrollBar().SetTracking(true);
  FImageRect = Rect(0, 0, 0, 0);

  FImage = new TDibView(this);
  FImage->SetVisible(false);
  FImage->SetParent(this);
  FImage->SetBounds(0, 0, FImage->Width(), FImage->Height());
  FDisplayedGraphic = std::make_unique<TDibGraphic>();
  FImage->SetDibSource([this] {
    const TDibGraphic* g = FDisplayedGraphic.get();
    return g && !g->Empty() ? TDibView::Dib{&g->BitmapInfo(), g->Bits()} : TDibView::Dib{};
  });
  FImage->OnAfterPaint = [this](TObject*) {
    if (FDisplayedGraphic && FDisplayedGraphic->AfterDraw) FDisplayedGraphic->AfterDraw(FDisplayedGraphic.get());
  };

  FSourceGraphic = std::make_unique<TDibGraphic>();
  FResizeTransform = std::make_unique<TResizeTransform>();
  FAntiAliasTransform = std::make_unique<TAntiAliasTransform>();

  FAnimated = false;
  AnimationDelayMS = 300;
  FAnimationTimer = new TTimer(this);
  FAnimationTimer->SetEnabled(false);
  FAnimationTimer->OnTimer = [this](TObject*) { AnimationStep(); };

  const AnnotationFactories& f = annotation_factories();
  FDisplayEditor = f.make_editor ? f.make_editor() : nullptr;
  if (!FDisplayEditor) FDisplayEditor = make_null_annotations_editor();
  FDisplayEditor->SetDisplaySurface(this);
  FDisplayEditor->SetDisplayResolution(Screen->PixelsPerInch());

  FMouseMode = mmUser;
  SetMouseMode(mmDrag);

  OnMouseDown = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) { RouteMouseDown(b, s, x, y); };
  OnMouseMove = [this](TObject*, TShiftState s, int x, int y) { RouteMouseMove(s, x, y); };
  OnMouseUp = [this](TObject*, TMouseButton b, TShiftState s, int x, int y) { RouteMouseUp(b, s, x, y); };
  OnClick = [this](TObject*) { RouteClick(); };
  OnDblClick = [this](TObject*) { RouteDblClick(); };
  FImage->OnMouseDown = OnMouseDown;
  FImage->OnMouseMove = OnMouseMove;
  FImage->OnMouseUp = OnMouseUp;
  FImage->OnClick = OnClick;
  FImage->OnDblClick = OnDblClick;

  FZoomMode = zmOriginalSize;
  FZoomPercent = 100;
  FLastZoomPercent = 100;
  FAntiAliased = false;
  FCentered = false;
  FRedrawInProgress = false;
  FMouseHandlerOwnership = true;
  FAnnotationsStr.clear();
}

TImageScrollBox::~TImageScrollBox() {
  FDisplayEditor.reset();
  FReadAhead.reset();  // cancels and waits for the workers
  FAnimationTimer->SetEnabled(false);
  FImage->SetDibSource(nullptr);
  FAntiAliasTransform.reset();
  FResizeTransform.reset();
  FreeOwnedHandler();
  FSourceGraphic.reset();
  FDisplayedGraphic.reset();
}

// ---------------------------------------------------------------------------------------------
// Mouse handlers and modes
// ---------------------------------------------------------------------------------------------
void TImageScrollBox::FreeOwnedHandler() {
  TMouseHandler* h = FMouseHandler;
  FMouseHandler = nullptr;
  if (FMouseHandlerOwnership) delete h;
}

void TImageScrollBox::SetMouseHandler(TMouseHandler* Value) {
  if (Value == FMouseHandler) return;  // never free the handler that is being set
  FreeOwnedHandler();
  FMouseHandler = Value;
}

TAnnotationHandlerBase* TImageScrollBox::AnnotationHandler() const {
  return dynamic_cast<TAnnotationHandlerBase*>(FMouseHandler);
}

TRubberbandHandlerBase* TImageScrollBox::RubberbandHandler() const {
  return dynamic_cast<TRubberbandHandlerBase*>(FMouseHandler);
}

TRubberbandHandlerBase& TImageScrollBox::RequireRubberband() const {
  TRubberbandHandlerBase* band = RubberbandHandler();
  if (!band) raise_no_rubberband();
  return *band;
}

void TImageScrollBox::SetMouseMode(TMouseMode Value) {
  if (Value == FMouseMode) return;
  if (TAnnotationHandlerBase* a = AnnotationHandler()) FAnnotationsStr = a->SaveToString();
  const AnnotationFactories& f = annotation_factories();
  switch (Value) {
    case mmDrag: {
      auto h = std::make_unique<TDragMouseHandler>(this);
      SetMouseHandler(h.release());
      FMouseHandlerOwnership = true;
      break;
    }
    case mmQuickSelect: {
      if (FCentered) SetCentered(false);
      auto h = std::make_unique<TQuickSelectMouseHandler>(this);
      SetMouseHandler(h.release());
      FMouseHandlerOwnership = true;
      break;
    }
    case mmSelect: {
      if (FCentered) SetCentered(false);
      std::unique_ptr<TRubberbandHandlerBase> h;
      if (f.make_rubberband_handler) h = f.make_rubberband_handler(this);
      if (!h) FImage->SetCursor(crDefault);
      SetMouseHandler(h.release());
      FMouseHandlerOwnership = true;
      break;
    }
    case mmAnnotate: {
      if (FCentered) SetCentered(false);
      std::unique_ptr<TAnnotationHandlerBase> h;
      if (f.make_annotation_handler) h = f.make_annotation_handler(this);
      if (!h) FImage->SetCursor(crDefault);
      TAnnotationHandlerBase* raw = h.get();
      SetMouseHandler(h.release());
      FMouseHandlerOwnership = true;
      if (raw) raw->LoadFromString(FAnnotationsStr);
      break;
    }
    case mmUser:
      FreeOwnedHandler();
      FImage->SetCursor(crDefault);
      break;
  }
  FMouseMode = Value;
  if (FAlwaysShowAnnotations && FMouseMode != mmAnnotate) ShowAnnotationsOverlay();
  else HideAnnotationsOverlay();
  InvalidateOverlay();
}

void TImageScrollBox::RouteMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FMouseHandler) FMouseHandler->MouseDown(Button, Shift, X, Y);
  if (OnImageMouseDown) OnImageMouseDown(this, Button, Shift, X, Y);
}

void TImageScrollBox::RouteMouseMove(TShiftState Shift, int X, int Y) {
  if (FMouseHandler) FMouseHandler->MouseMove(Shift, X, Y);
  if (OnImageMouseMove) OnImageMouseMove(this, Shift, X, Y);
}

void TImageScrollBox::RouteMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FMouseHandler) FMouseHandler->MouseUp(Button, Shift, X, Y);
  if (OnImageMouseUp) OnImageMouseUp(this, Button, Shift, X, Y);
}

void TImageScrollBox::RouteClick() {
  if (FMouseHandler) FMouseHandler->Click();
  if (OnImageClick) OnImageClick(this);
}

void TImageScrollBox::RouteDblClick() {
  if (FMouseHandler) FMouseHandler->DblClick();
  if (OnImageDblClick) OnImageDblClick(this);
}

void TImageScrollBox::PaintOverlay(TCanvas& Canvas) {
  if (FMouseHandler) FMouseHandler->PaintOverlay(Canvas);
}

// ---------------------------------------------------------------------------------------------
// Scrolling and size
// ---------------------------------------------------------------------------------------------
void TImageScrollBox::ScrollMessage(TScrollBarKind kind, int code, int pos) {
  if (code != SB_ENDSCROLL) {
    if (!FScrollInProgress && OnBeginScroll) OnBeginScroll(this);
    FScrollInProgress = true;
  } else {
    if (FScrollInProgress && OnEndScroll) OnEndScroll(this);
    FScrollInProgress = false;
  }
  TScrollingWinControl::ScrollMessage(kind, code, pos);
  UpdateWindow();
}

void TImageScrollBox::ClientResized() {
  TScrollingWinControl::ClientResized();
  // Only a new size of the view renders again. A scroll bar that the program shows or hides
  // changes the client area alone, and re-rendering then would bring back the bar the program
  // just hid (the workbench hides the vertical bar after every new picture).
  if (Width() == FResizedWidth && Height() == FResizedHeight) return;
  FResizedWidth = Width();
  FResizedHeight = Height();
  if (!FRedrawInProgress) Redraw(false);
}

// ---------------------------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------------------------
void TImageScrollBox::LoadFromFile(const std::string& FileName, int ImageNo) {
  bool was_animated = FAnimated;
  if (was_animated) SetAnimated(false);
  struct Restart {
    TImageScrollBox& view;
    bool on;
    ~Restart() {
      if (on) view.SetAnimated(true);
    }
  } restart{*this, was_animated};

  std::unique_ptr<TDibGraphic> ready;
  if (FReadAhead && !FReadAheadFileName.empty() && SameText(FileName, FReadAheadFileName)) ready = FReadAhead->Take();
  if (ready) {
    FReadAheadFileName.clear();
    ReplaceSource(std::move(ready));
    DoNewGraphic();
    Redraw(true);
  } else {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyNone);
    LoadFromStream(stream, FileName, ImageNo);
  }
  FFileName = FileName;
  // The decoding freed blocks of the picture's size (the codec's own picture, the hand-over):
  // their memory goes back to the system rather than staying with the process.
  pixel_memory_release();
}

void TImageScrollBox::LoadFromStream(TStream& Stream, const std::string& Extension, int ImageNo) {
  // Into a new picture first: a load that fails keeps the picture shown.
  std::unique_ptr<TDibGraphic> loaded;
  try {
    loaded = LoadGraphic(Stream, Extension, ImageNo, true);
  } catch (const std::bad_alloc&) {  // a mend: the program's own error, not the library's
    throw EOutOfMemory("Out of memory");
  }
  // A mend: a decoder that made nothing of the file is a failed load as well, never an empty
  // picture in place of the one shown.
  if (!loaded || loaded->Empty()) throw EInvalidGraphic("The picture %s could not be read", {Extension});
  ReplaceSource(std::move(loaded));
  DoNewGraphic();
  Redraw(true);
}

void TImageScrollBox::LoadFromStream(TStream& Stream, int ImageNo) {
  TDibGraphicClass cls = FindDibGraphicClassByStream(Stream);
  if (!cls) throw EZuroroveError("Unable to determine graphic format");
  std::unique_ptr<TDibGraphic> g = cls();
  g->OnReadWriteProgress = OnReadWriteProgress;
  if (ImageNo != 0) g->SetImageToLoad(ImageNo);
  else g->SetMultiLoad(true);
  g->LoadFromStream(Stream);
  if (g->Empty()) {
    auto* file = dynamic_cast<TFileStream*>(&Stream);
    throw EInvalidGraphic("The picture %s could not be read", {file ? file->FileName() : std::string("in the stream")});
  }
  ReplaceSource(std::move(g));
  DoNewGraphic();
  Redraw(true);
  pixel_memory_release();  // as after a load from a file
}

void TImageScrollBox::ReplaceSource(std::unique_ptr<TDibGraphic> Graphic) {
  if (!Graphic) Graphic = std::make_unique<TDibGraphic>();
  FSourceGraphic = std::move(Graphic);
}

std::unique_ptr<TDibGraphic> TImageScrollBox::LoadGraphic(TStream& Stream, const std::string& Extension, int ImageNo,
                                                           bool ReportProgress) {
  if (TRubberbandHandlerBase* band = RubberbandHandler()) band->ClearSelection();
  if (FindDibGraphicClass(Extension)) return LoadRegistered(Stream, Extension, ImageNo, ReportProgress);
  return LoadViaPicture(Stream, Extension, ReportProgress);
}

std::unique_ptr<TDibGraphic> TImageScrollBox::LoadRegistered(TStream& Stream, const std::string& Extension, int ImageNo,
                                                              bool ReportProgress) {
  std::unique_ptr<TDibGraphic> g = CreateDibGraphic(Extension);
  if (ReportProgress) g->OnReadWriteProgress = OnReadWriteProgress;
  if (ImageNo != 0) g->SetImageToLoad(ImageNo);
  else g->SetMultiLoad(true);
  g->LoadFromStream(Stream);
  return g;
}

std::unique_ptr<TDibGraphic> TImageScrollBox::LoadViaPicture(TStream& Stream, const std::string& Extension, bool ReportProgress) {
  auto progress = [&](Byte percent) {
    if (ReportProgress) DoProgress(this, percent, 0, 255, 100, OnReadWriteProgress);
  };
  progress(0);
  auto g = std::make_unique<TDibGraphic>();
  {
    TPicture picture;
    std::string name = Extension;
    bool temporary = false;
    // The temporary copy goes also on failure, before the container.
    struct Cleanup {
      std::string& name;
      bool& temporary;
      ~Cleanup() {
        if (temporary) DeleteFile(name);
      }
    } cleanup{name, temporary};
    if (!FileExists(name)) {
      CreateTempFile("Zu", extension_with_dot(Extension), name);
      temporary = true;
      TFileStream copy(name, fmOpenWrite);
      Int64 remaining = Stream.Size() - Stream.Position();
      if (remaining > 0) copy.CopyFrom(Stream, remaining);
    }
    progress(25);
    picture.LoadFromFile(name);
    progress(90);
    g->Assign(picture.Graphic());
  }
  progress(100);
  return g;
}

int TImageScrollBox::ImageCountFromFile(const std::string& FileName) {
  TDibGraphicClass cls = FindDibGraphicClass(FileName);
  if (!cls) return 1;
  return cls()->GetImageCount(FileName);
}

int TImageScrollBox::ImageCountFromStream(TStream& Stream, const std::string& Extension) {
  TDibGraphicClass cls = FindDibGraphicClass(Extension);
  if (!cls) return 1;
  return cls()->GetImageCount(Stream);
}

void TImageScrollBox::SetFileName(const std::string& Value) {
  if (!Value.empty()) LoadFromFile(Value, 1);
  else Clear();
}

bool TImageScrollBox::ReadAheadReady() const { return FReadAhead && FReadAhead->Ready(); }

void TImageScrollBox::SetReadAheadFileName(const std::string& Value) {
  FReadAheadFileName = Value;
  if (!FReadAhead) FReadAhead = std::make_unique<ReadAheadLoader>();
  FReadAhead->Request(Value);
}

// ---------------------------------------------------------------------------------------------
// Saving
// ---------------------------------------------------------------------------------------------
void TImageScrollBox::SaveOrAppend(TStream& Stream, const std::string& Extension, bool Append) {
  if (!FindDibGraphicClass(Extension)) raise_not_registered(Extension);
  std::unique_ptr<TDibGraphic> p = CreateDibGraphic(Extension);
  BeginBusy();
  struct Busy {
    ~Busy() { EndBusy(); }
  } busy;
  p->Assign(FSourceGraphic.get());
  if (OnBeforeSave) OnBeforeSave(this, p.get());
  p->OnReadWriteProgress = OnReadWriteProgress;
  if (Append) p->AppendToStream(Stream);
  else p->SaveToStream(Stream);
}

void TImageScrollBox::SaveToStream(TStream& Stream, const std::string& Extension) { SaveOrAppend(Stream, Extension, false); }

void TImageScrollBox::AppendToStream(TStream& Stream, const std::string& Extension) { SaveOrAppend(Stream, Extension, true); }

void TImageScrollBox::SaveToFile(const std::string& FileName) {
  // The whole file is made in memory and then replaces the old one: an unknown extension or
  // a failing writer leaves an existing file untouched.
  TMemoryStream data;
  SaveToStream(data, ExtractFileExt(FileName));
  write_file_bytes_atomic(FileName, std::string_view(reinterpret_cast<const char*>(data.Memory()), static_cast<size_t>(data.Size())));
  FFileName = FileName;
}

void TImageScrollBox::AppendToFile(const std::string& FileName) {
  // The file is opened first (a missing one raises the file error), then the format is found.
  // Appended to a copy in memory that then replaces the file, so a failing writer keeps it.
  TMemoryStream data;
  {
    TFileStream file(FileName, fmOpenReadWrite | fmShareDenyWrite);
    if (file.Size() > 0) data.CopyFrom(file, 0);
  }
  std::string ext = ExtractFileExt(FileName);
  if (!FindDibGraphicClass(ext)) raise_not_registered(ext);
  data.SetPosition(0);
  AppendToStream(data, ext);
  write_file_bytes_atomic(FileName, std::string_view(reinterpret_cast<const char*>(data.Memory()), static_cast<size_t>(data.Size())));
}

// ---------------------------------------------------------------------------------------------
// The picture
// ---------------------------------------------------------------------------------------------
void TImageScrollBox::AfterPictureChanged() {
  FFileName.clear();
  FAnnotationsStr.clear();
  FDisplayEditor->Clear();
  if (TRubberbandHandlerBase* band = RubberbandHandler()) band->ClearSelection();
  DoNewGraphic();
  Redraw(true);
}

void TImageScrollBox::SetGraphic(TGraphic* Value) {
  if (!Value) return Clear();
  if (Value != FSourceGraphic.get()) FSourceGraphic->Assign(Value);
  AfterPictureChanged();
}

void TImageScrollBox::Clear() {
  FSourceGraphic->ClearFrames();
  FSourceGraphic->Clear();
  AfterPictureChanged();
}

bool TImageScrollBox::AssignFromClipboard() {
  if (!Clipboard()->HasFormat(CF_BITMAP)) return false;
  auto g = std::make_unique<TDibGraphic>();
  g->Assign(Clipboard());
  ReplaceSource(std::move(g));
  FFileName.clear();
  FAnnotationsStr.clear();
  FDisplayEditor->Clear();
  DoNewGraphic();
  Redraw(true);
  return true;
}

void TImageScrollBox::DoNewGraphic() {
  if (OnNewGraphic) OnNewGraphic(FSourceGraphic.get());
  if (FAlwaysShowAnnotations && FMouseMode != mmAnnotate) ShowAnnotationsOverlay();
}

// ---------------------------------------------------------------------------------------------
// Zoom and rendering
// ---------------------------------------------------------------------------------------------
void TImageScrollBox::SetZoomMode(TZoomMode Value) {
  if (Value == FZoomMode) return;
  FZoomMode = Value;
  Redraw(false);
}

void TImageScrollBox::SetMaxZoomPercent(double Value) { FMaxZoomPercent = std::clamp(Value, 100.0, 10000.0); }

void TImageScrollBox::SetZoomPercent(float Value) {
  if (FZoomMode == zmPercent && Value == FZoomPercent) return;
  if (FSourceGraphic->Empty()) return;
  if (static_cast<Extended>(Value) <= 0.1L) return;
  FLastZoomPercent = FZoomPercent;
  FZoomPercent = static_cast<double>(Value) > FMaxZoomPercent ? static_cast<float>(FMaxZoomPercent) : Value;
  FZoomMode = zmPercent;
  if (FMouseHandler) FMouseHandler->BeforeResize();
  Redraw(false);
  if (FMouseHandler) FMouseHandler->AfterResize();
  if (OnZoomChange) OnZoomChange(this, FZoomPercent);
  FDisplayEditor->SetZoomFactor(FZoomPercent);
}

void TImageScrollBox::SetAntiAliased(bool Value) {
  if (Value == FAntiAliased) return;
  FAntiAliased = Value;
  if (FSourceGraphic->ImageFormat() == ifBlackWhite) Redraw(false);
}

void TImageScrollBox::SetCentered(bool Value) {
  if (Value == FCentered || FMouseMode != mmDrag) return;
  if (FAlwaysShowAnnotations) SetAlwaysShowAnnotations(false);
  FCentered = Value;
  if (FMouseHandler) FMouseHandler->BeforeResize();
  Redraw(false);
  if (FMouseHandler) FMouseHandler->AfterResize();
}

void TImageScrollBox::ComputeZoom() {
  const int W = FSourceGraphic->Width(), H = FSourceGraphic->Height();
  switch (FZoomMode) {
    case zmOriginalSize: FZoomPercent = 100; break;
    case zmFullPage:
    case zmFitToPage: {
      VertScrollBar().SetVisible(false);
      float fx = static_cast<float>(static_cast<Extended>(ClientWidth()) / W);
      HorzScrollBar().SetVisible(false);
      float fy = static_cast<float>(static_cast<Extended>(ClientHeight()) / H);
      FZoomPercent = static_cast<float>(100.0L * (fx < fy ? fx : fy));
      if (FZoomMode == zmFitToPage && FZoomPercent > 100) FZoomPercent = 100;
      break;
    }
    case zmFitWidth: FZoomPercent = static_cast<float>(static_cast<Extended>(100 * ClientWidth()) / W); break;
    case zmFitHeight:
      VertScrollBar().SetVisible(false);
      HorzScrollBar().SetVisible(false);
      FZoomPercent = static_cast<float>(static_cast<Extended>(100 * ClientHeight()) / H);
      break;
    case zmPercent: break;
    default: FZoomPercent = 100; break;
  }
}

void TImageScrollBox::Redraw(bool GraphicChanged) {
  if (!Parent() || !Visible() || FRedrawInProgress) return;
  FRedrawInProgress = true;
  struct Guard {
    bool& b;
    ~Guard() { b = false; }
  } guard{FRedrawInProgress};

  if (FSourceGraphic->Empty()) {
    FDisplayedGraphic->Clear();
    HorzScrollBar().SetVisible(false);
    VertScrollBar().SetVisible(false);
    FImage->SetVisible(false);
    return;
  }
  ComputeZoom();
  // A mend: a tiny file can declare a picture whose rendering at a fitted zoom would take
  // gigabytes and minutes (2600 x 1 pixels fitted to the height): no rendering passes the
  // pixel limit of a picture; the zoom is the largest whose rendering stays within it.
  const bool chosen = FZoomMode == zmPercent || FZoomMode == zmOriginalSize;
  FZoomPercent = zoom_within_limit(FSourceGraphic->Width(), FSourceGraphic->Height(), FZoomPercent,
                                   chosen ? MaxDeclaredPixels : kFittedRenderingPixels);
  bool zoom_changed = FLastZoomPercent != FZoomPercent;
  if (zoom_changed && OnZoomChange) OnZoomChange(this, FZoomPercent);
  FLastZoomPercent = FZoomPercent;
  if (FMouseHandler && (GraphicChanged || zoom_changed)) FMouseHandler->BeforeResize();
  try {
    Render();
  } catch (const std::bad_alloc&) {  // a mend: the program's own error, not the library's
    throw EOutOfMemory("Out of memory");
  }
  if (OnRedraw) OnRedraw(FSourceGraphic.get());
  if (!FImage->Visible()) FImage->SetVisible(true);
  if (FMouseHandler && (zoom_changed || GraphicChanged)) FMouseHandler->AfterResize();
  FDisplayEditor->SetZoomFactor(FZoomPercent);
}

void TImageScrollBox::Render() {
  TDibGraphic& source = *FSourceGraphic;
  const int W2 = zoomed_side(source.Width(), FZoomPercent);
  const int H2 = zoomed_side(source.Height(), FZoomPercent);
  HorzScrollBar().SetVisible(W2 > ClientWidth());
  VertScrollBar().SetVisible(H2 > ClientHeight());
  FResizeTransform->SetWidth(W2);
  FResizeTransform->SetHeight(H2);
  FResizeTransform->SetOverrideDestFormat(true);
  FResizeTransform->SetDestFormat(source.ImageFormat());
  if (source.ImageFormat() == ifBlackWhite && FAntiAliased) {
    FAntiAliasTransform->SetWidth(W2);
    FAntiAliasTransform->SetHeight(H2);
    FAntiAliasTransform->ApplyOnDest(source, *FDisplayedGraphic);
  } else if (!render_enlarged(source, *FDisplayedGraphic, W2, H2)) {
    FResizeTransform->ApplyOnDest(source, *FDisplayedGraphic);
  }
  PlaceRendering(W2, H2);
}

void TImageScrollBox::PlaceRendering(int W, int H) {
  FImage->SetBounds(FImage->Left(), FImage->Top(), W, H);
  HorzScrollBar().SetRange(W);
  VertScrollBar().SetRange(H);
  HorzScrollBar().SetPosition(0);
  VertScrollBar().SetPosition(0);
  if (FCentered) CentreImage(W, H);
  else FImage->SetBounds(0, 0, W, H);
  FImageRect = FImage->BoundsRect();
  FImage->Invalidate();
  InvalidateOverlay();
}

void TImageScrollBox::CentreImage(int W, int H) {
  if (FMouseHandler) FMouseHandler->BeforeResize();
  int top = H < Height() ? static_cast<int>(SafeTrunc((Height() - H) / 2.0L)) : 0;
  int left = W < Width() ? static_cast<int>(SafeTrunc((Width() - W) / 2.0L)) : 0;
  FImage->SetBounds(left, top, W, H);
  if (FMouseHandler) FMouseHandler->AfterResize();
}

// ---------------------------------------------------------------------------------------------
// Selections
// ---------------------------------------------------------------------------------------------
void TImageScrollBox::CopySelectionToClipboard() { RequireRubberband().CopySelectionToClipBoard(); }

void TImageScrollBox::CropToSelection() {
  TRubberbandHandlerBase& band = RequireRubberband();
  band.CropToSelection();
  band.ClearSelection();
}

void TImageScrollBox::ExtractSelection(TDibGraphic* Dest) { RequireRubberband().ExtractSelection(Dest); }

void TImageScrollBox::CopyGraphicIntoSelection(TGraphic* Graphic) {
  TRect r = RequireRubberband().GetSourceSelection();
  if (!Graphic) return;
  FSourceGraphic->Canvas()->StretchDraw(r, Graphic);
}

void TImageScrollBox::ZoomToSelection() {
  TRubberbandHandlerBase& band = RequireRubberband();
  TRect r = band.GetSelection();
  band.ClearSelection();
  float old = FZoomPercent;
  Extended zx = static_cast<Extended>(Width()) / (r.Right - r.Left + 1) * FZoomPercent;
  Extended zy = static_cast<Extended>(Height()) / (r.Bottom - r.Top + 1) * FZoomPercent;
  SetZoomPercent(static_cast<float>(zy < zx ? zy : zx));
  HorzScrollBar().SetPosition(static_cast<int>(SafeTrunc(static_cast<Extended>(FZoomPercent) / old * r.Left)));
  VertScrollBar().SetPosition(static_cast<int>(SafeTrunc(static_cast<Extended>(FZoomPercent) / old * r.Top)));
}

// ---------------------------------------------------------------------------------------------
// Annotations
// ---------------------------------------------------------------------------------------------
TControl* TImageScrollBox::AddMark(TControl* (TAnnotationHandlerBase::*Add)()) {
  TAnnotationHandlerBase* a = AnnotationHandler();
  return a && !FSourceGraphic->Empty() ? (a->*Add)() : nullptr;
}

TControl* TImageScrollBox::AddNote() { return AddMark(&TAnnotationHandlerBase::AddNote); }
TControl* TImageScrollBox::AddText() { return AddMark(&TAnnotationHandlerBase::AddText); }
TControl* TImageScrollBox::AddRectangle() { return AddMark(&TAnnotationHandlerBase::AddRectangle); }
TControl* TImageScrollBox::AddLine() { return AddMark(&TAnnotationHandlerBase::AddLine); }
TControl* TImageScrollBox::AddImage() { return AddMark(&TAnnotationHandlerBase::AddImage); }

void TImageScrollBox::BurnAnnotations() {
  TAnnotationHandlerBase* a = AnnotationHandler();
  if (!a) return;
  TImageFormatTransform t;
  t.SetImageFormat(ifTrueColor);
  t.Apply(*FSourceGraphic);
  a->Burn();
}

std::string TImageScrollBox::Annotations() {
  if (TAnnotationHandlerBase* a = AnnotationHandler()) FAnnotationsStr = a->SaveToString();
  return FAnnotationsStr;
}

void TImageScrollBox::SetAnnotations(const std::string& Value) {
  if (TAnnotationHandlerBase* a = AnnotationHandler()) a->LoadFromString(Value);
  FAnnotationsStr = Value;
}

void TImageScrollBox::SetAlwaysShowAnnotations(bool Value) {
  if (Value == FAlwaysShowAnnotations) return;
  FAlwaysShowAnnotations = Value;
  if (Value) ShowAnnotationsOverlay();
  else HideAnnotationsOverlay();
}

void TImageScrollBox::ShowAnnotationsOverlay() {
  if (FSourceGraphic->Empty() || FAnnotationsStr.empty() || FMouseMode == mmAnnotate) return;
  IAnnotationsEditor& e = *FDisplayEditor;
  e.SetDisplayRect(Rect(0, 0, FSourceGraphic->Width(), FSourceGraphic->Height()));
  e.SetVisible(true);
  e.SetZoomFactor(FZoomPercent);
  e.SetDisplayVertScrollBar(&VertScrollBar());
  e.SetDisplayHorzScrollBar(&HorzScrollBar());
  e.LoadFromString(FAnnotationsStr);
  e.SetAllowEdit(false);
}

void TImageScrollBox::HideAnnotationsOverlay() { FDisplayEditor->SetVisible(false); }

// ---------------------------------------------------------------------------------------------
// Frames and animation
// ---------------------------------------------------------------------------------------------
int TImageScrollBox::FrameCount() const { return FSourceGraphic->FrameCount(); }

int TImageScrollBox::CurrentFrame() const { return FSourceGraphic->CurrentFrame(); }

void TImageScrollBox::SetCurrentFrame(int Value) {
  FSourceGraphic->SetCurrentFrame(Value);
  Redraw(true);
}

void TImageScrollBox::SetAnimated(bool Value) {
  if (Value == FAnimated) return;
  if (Value && FSourceGraphic->FrameCount() > 1) {
    int w = FImage->Width(), h = FImage->Height();
    for (int i = 1; i <= FSourceGraphic->FrameCount(); ++i) {
      TDibGraphic* frame = FSourceGraphic->GetFrame(i);
      w = std::max(w, frame->Width());
      h = std::max(h, frame->Height());
    }
    FImage->SetBounds(FImage->Left(), FImage->Top(), w, h);
    FAnimationTimer->SetInterval(AnimationDelayMS);
    FAnimationTimer->SetEnabled(true);
    FAnimated = true;
    SetDoubleBuffered(true);
  } else {
    FAnimationTimer->SetEnabled(false);
    FAnimated = false;
    SetDoubleBuffered(false);
  }
}

void TImageScrollBox::AnimationStep() {
  int n = FSourceGraphic->FrameCount();
  if (n <= 1) return;
  FAnimationTimer->SetEnabled(false);
  int next = FSourceGraphic->CurrentFrame() + 1;
  if (next > n) next = 1;
  SetCurrentFrame(next);
  FAnimationTimer->SetInterval(AnimationDelayMS);
  FAnimationTimer->SetEnabled(true);
}
