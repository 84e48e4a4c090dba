#include "annotate/annotations_editor.hpp"

#include "annotate/annotation_text.hpp"
#include "annotate/mark_picture_text.hpp"

namespace {

// Record kinds of the annotation text.
enum MarkKind { mkNone = 0, mkStickNote = 1, mkRectangle = 2, mkLine = 3, mkText = 4, mkImage = 5 };

// The kind a mark is saved as, tested in this order; polylines have none.
MarkKind kind_of(TGenericMark* m) {
  if (dynamic_cast<TStickNoteMark*>(m)) return mkStickNote;
  if (dynamic_cast<TRectangleMark*>(m)) return mkRectangle;
  if (dynamic_cast<TLineMark*>(m)) return mkLine;
  if (dynamic_cast<TTextMark*>(m)) return mkText;
  if (dynamic_cast<TImageMark*>(m)) return mkImage;
  return mkNone;
}

}  // namespace

TAnnotationsEditor::TAnnotationsEditor(TComponent* AOwner) : TComponent(AOwner) {}

TAnnotationsEditor::~TAnnotationsEditor() { Clear(); }

template <class M>
M* TAnnotationsEditor::add_mark() {
  FChanged = true;
  auto* m = new M(this);
  FMarks.push_back(m);
  m->SetZoomFactor(FZoomFactor);
  m->SetParent(FDisplaySurface);
  m->SetEditMode(FEditMode);
  return m;
}

TStickNoteMark* TAnnotationsEditor::AddStickNote() { return add_mark<TStickNoteMark>(); }
TRectangleMark* TAnnotationsEditor::AddRectangle() { return add_mark<TRectangleMark>(); }
TTextMark* TAnnotationsEditor::AddText() { return add_mark<TTextMark>(); }
TMultiLineMark* TAnnotationsEditor::AddMultiLine() { return add_mark<TMultiLineMark>(); }
TLineMark* TAnnotationsEditor::AddLine() { return add_mark<TLineMark>(); }
TImageMark* TAnnotationsEditor::AddImage() { return add_mark<TImageMark>(); }

TGenericMark* TAnnotationsEditor::Marks(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FMarks[static_cast<size_t>(Index)];
}

void TAnnotationsEditor::Delete(int Index) {
  TGenericMark* m = Marks(Index);
  FMarks.erase(FMarks.begin() + Index);
  delete m;
}

void TAnnotationsEditor::Clear() {
  while (!FMarks.empty()) {
    TGenericMark* m = FMarks.back();
    FMarks.pop_back();
    delete m;
  }
  FChanged = true;
}

int TAnnotationsEditor::FindIndex(const TGenericMark* Mark) const {
  for (size_t i = 0; i < FMarks.size(); ++i)
    if (FMarks[i] == Mark) return static_cast<int>(i);
  return -1;
}

void TAnnotationsEditor::BurnIn(TCanvas& Canvas) {
  for (TGenericMark* m : FMarks) m->DrawMark(Canvas, m->Left(), m->Top());
}

bool TAnnotationsEditor::Changed() const {
  for (TGenericMark* m : FMarks)
    if (m->Modified()) return true;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Settings passed on to every mark
// ---------------------------------------------------------------------------------------------
void TAnnotationsEditor::SetDisplaySurface(TWinControl* Value) {
  if (Value == FDisplaySurface) return;
  FDisplaySurface = Value;
  for (TGenericMark* m : FMarks) m->SetParent(Value);
}

void TAnnotationsEditor::SetDisplayRect(const TRect& Value) {
  FDisplayRect = Value;
  for (TGenericMark* m : FMarks) m->SetDisplayRect(Value);
}

void TAnnotationsEditor::SetDisplayResolution(int Value) {
  FDisplayResolution = Value;
  for (TGenericMark* m : FMarks) m->SetDisplayResolution(Value);
}

void TAnnotationsEditor::SetZoomFactor(double Value) {
  if (Value == FZoomFactor) return;
  FZoomFactor = Value;
  for (TGenericMark* m : FMarks) m->SetZoomFactor(Value);
}

void TAnnotationsEditor::SetEditMode(bool Value) {
  FEditMode = Value;
  for (TGenericMark* m : FMarks) m->SetEditMode(Value);
}

void TAnnotationsEditor::SetAllowEdit(bool Value) {
  for (TGenericMark* m : FMarks) m->SetAllowEdit(Value);
}

void TAnnotationsEditor::SetPopupMenu(TPopupMenu* Value) {
  if (Value == FPopupMenu) return;
  FPopupMenu = Value;
  for (TGenericMark* m : FMarks) m->SetPopupMenu(Value);
}

void TAnnotationsEditor::SetVisible(bool Value) {
  FVisible = Value;
  for (TGenericMark* m : FMarks) m->SetVisible(Value);
}

// ---------------------------------------------------------------------------------------------
// The marks' mouse events
// ---------------------------------------------------------------------------------------------
void TAnnotationsEditor::AnnotationClick(TObject* Sender) {
  if (OnAnnotationClick) OnAnnotationClick(Sender);
}

void TAnnotationsEditor::AnnotationDblClick(TObject* Sender) {
  if (OnAnnotationDblClick) OnAnnotationDblClick(Sender);
}

void TAnnotationsEditor::AnnotationMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FOnAnnotationMouseDown) FOnAnnotationMouseDown(Sender, Button, Shift, X, Y);
}

void TAnnotationsEditor::AnnotationMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FOnAnnotationMouseUp) FOnAnnotationMouseUp(Sender, Button, Shift, X, Y);
}

void TAnnotationsEditor::AnnotationMouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
  if (FOnAnnotationMouseMove) FOnAnnotationMouseMove(Sender, Shift, X, Y);
}

// ---------------------------------------------------------------------------------------------
// The annotation text
// ---------------------------------------------------------------------------------------------
std::string TAnnotationsEditor::SaveToString() {
  std::vector<std::pair<TGenericMark*, MarkKind>> records;
  for (TGenericMark* m : FMarks)
    if (MarkKind k = kind_of(m); k != mkNone) records.emplace_back(m, k);
  if (records.empty()) return {};

  TAnnotationTextWriter w;
  w.WriteInteger(static_cast<int>(records.size()));
  for (auto [m, kind] : records) {
    w.WriteInteger(kind);
    w.WriteRect(m->MarkRect());
    w.WriteBoolean(m->Visible());
    w.WriteInteger(m->Color());
    switch (kind) {
      case mkStickNote: {
        auto* note = static_cast<TStickNoteMark*>(m);
        w.WriteString(note->Text());
        w.WriteFont(note->Font());
        break;
      }
      case mkRectangle: {
        auto* rect = static_cast<TRectangleMark*>(m);
        w.WriteBoolean(rect->HightLight());
        w.WriteBoolean(rect->Filled());
        w.WriteInteger(rect->LineSize());
        break;
      }
      case mkLine: {
        auto* line = static_cast<TLineMark*>(m);
        w.WriteInteger(line->LineSize());
        w.WriteInteger(line->Orientation());
        break;
      }
      case mkText: {
        auto* text = static_cast<TTextMark*>(m);
        w.WriteString(text->Text());
        w.WriteFont(text->Font());
        break;
      }
      case mkImage: {
        auto* image = static_cast<TImageMark*>(m);
        w.WriteBoolean(image->Transparent());
        w.WriteBoolean(image->DIBHandle() != nullptr);
        if (image->DIBHandle()) {
          std::string ppm = DibToPpmText(image->DIBHandle());
          w.WriteInteger(static_cast<int>(ppm.size()));
          w.WriteBytes(ppm);
        }
        break;
      }
      case mkNone: break;
    }
  }
  return w.Text();
}

void TAnnotationsEditor::LoadFromString(const std::string& S) {
  Clear();
  if (S.empty()) return;
  TAnnotationTextReader r(S);
  // A count of 0 or less reads nothing; one beyond the records the text holds ends in the
  // position error, with the marks read so far kept. Every record takes at least the bytes of
  // its kind, so the text's length bounds the marks made.
  const int count = r.ReadInteger();

  auto read_common = [&r](TGenericMark* m) {
    m->SetMarkRect(r.ReadRect());
    m->SetVisible(r.ReadBoolean());
    m->SetColor(r.ReadInteger());
  };
  for (int i = 0; i < count; ++i) {
    switch (r.ReadInteger()) {
      case mkStickNote: {
        TStickNoteMark* note = AddStickNote();
        read_common(note);
        note->SetText(r.ReadString());
        r.ReadFont(note->Font());
        break;
      }
      case mkRectangle: {
        TRectangleMark* rect = AddRectangle();
        read_common(rect);
        rect->SetHightLight(r.ReadBoolean());
        rect->SetFilled(r.ReadBoolean());
        rect->SetLineSize(r.ReadInteger());
        break;
      }
      case mkLine: {
        TLineMark* line = AddLine();
        read_common(line);
        line->SetLineSize(r.ReadInteger());
        // Stored in a byte, as read; a value outside 0-3 draws no line.
        line->SetOrientation(static_cast<TLineOrientation>(r.ReadInteger()));
        break;
      }
      case mkText: {
        TTextMark* text = AddText();
        read_common(text);
        text->SetText(r.ReadString());
        r.ReadFont(text->Font());
        break;
      }
      case mkImage: {
        TImageMark* image = AddImage();
        read_common(image);
        image->SetTransparent(r.ReadBoolean());
        if (r.ReadBoolean()) {
          // The picture's text is a stream of N bytes that the String's bytes are written
          // into: all of them when the String is longer. A String shorter than N raises the
          // position error rather than padding the stream to a size no text backs.
          const int size = r.ReadInteger();
          std::string ppm = r.ReadBytes();
          if (size > 0 && static_cast<std::size_t>(size) > ppm.size()) throw Exception("Invalid position in ReadInteger");
          image->SetDIBHandle(PpmTextToDib(ppm));
        }
        break;
      }
      default:
        break;  // an unknown kind is skipped
    }
  }
}
