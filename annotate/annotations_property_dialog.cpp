#include "annotate/annotations_property_dialog.hpp"

#include <algorithm>
#include <memory>

#include "annotate/marks.hpp"
#include "image/dib_graphic.hpp"
#include "image/resize_transform.hpp"
#include "platform/check_controls.hpp"
#include "platform/dialogs.hpp"
#include "platform/image_control.hpp"
#include "platform/page_control.hpp"
#include "platform/shapes.hpp"
#include "platform/std_controls.hpp"

namespace {

constexpr const char* kAllPictures =
    "*.pbm;*.pgm;*.ppm;*.png;*.jpeg;*.jpg;*.dcx;*.eps;*.pcc;*.pcx;*.afi;*.vst;*.tga;*.bmp;*.tiff;*.tif;*.jpg;*.jpeg;"
    "*.bmp;*.ico;*.emf;*.wmf";

template <class C>
C* make(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width, int height) {
  auto* c = new C(owner);
  c->SetName(name);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  return c;
}

TLabel* make_label(TComponent* owner, TWinControl* parent, const char* name, const char* caption, int left, int top) {
  auto* l = make<TLabel>(owner, parent, name, left, top, 60, 13);
  l->SetCaption(caption);
  return l;
}

TMaskEdit* make_number(TComponent* owner, TWinControl* parent, const char* name, int left, int top) {
  auto* e = make<TMaskEdit>(owner, parent, name, left, top, 57, 21);
  e->SetEditMask(kNumberFieldMask);
  e->SetMaxLength(5);
  return e;
}

TButton* make_button(TComponent* owner, TWinControl* parent, const char* name, const char* caption, int left, int top,
                     int width, int height) {
  auto* b = make<TButton>(owner, parent, name, left, top, width, height);
  b->SetCaption(caption);
  return b;
}

TCheckBox* make_check(TComponent* owner, TWinControl* parent, const char* name, const char* caption, int left, int top) {
  auto* c = make<TCheckBox>(owner, parent, name, left, top, 97, 17);
  c->SetCaption(caption);
  return c;
}

TTabSheet* make_page(TComponent* owner, TPageControl* pc, const char* name) {
  auto* p = new TTabSheet(owner);
  p->SetName(name);
  p->SetPageControl(pc);
  p->SetTabVisible(false);
  return p;
}

// The number in a field, blanks trimmed; EConvertError when there is none.
int field_number(const TMaskEdit& edit) { return StrToInt(Trim(edit.Text())); }

}  // namespace

const char* const kAnnotationPictureFilter =
    "All (*.pbm;*.pgm;*.ppm;*.png;*.jpeg;*.jpg;*.dcx;*.eps;*.pcc;*.pcx;*.afi;*.vst;*.tga;*.bmp;*.tiff;*.tif;*.jpg;*.jpeg;"
    "*.bmp;*.ico;*.emf;*.wmf)|*.pbm;*.pgm;*.ppm;*.png;*.jpeg;*.jpg;*.dcx;*.eps;*.pcc;*.pcx;*.afi;*.vst;*.tga;*.bmp;*.tiff;"
    "*.tif;*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf"
    "|Portable Bitmap (*.pbm)|*.pbm"
    "|Portable Greymap (*.pgm)|*.pgm"
    "|Portable Pixelmap (*.ppm)|*.ppm"
    "|Portable Network Graphic (*.png)|*.png"
    "|JPEG (*.jpeg)|*.jpeg"
    "|JPEG (*.jpg)|*.jpg"
    "|DCX file (*.dcx)|*.dcx"
    "|Encapsulated postscript (*.eps)|*.eps"
    "|ZSoft PC Paintbrush (*.pcc)|*.pcc"
    "|ZSoft PC Paintbrush (*.pcx)|*.pcx"
    "|Truevision Targa (*.afi)|*.afi"
    "|Truevision Vista (*.vst)|*.vst"
    "|Truevision Targa (*.tga)|*.tga"
    "|Bitmap file (*.bmp)|*.bmp"
    "|TIFF file (*.tiff)|*.tiff"
    "|TIFF file (*.tif)|*.tif"
    "|JPEG Image File (*.jpg)|*.jpg"
    "|JPEG Image File (*.jpeg)|*.jpeg"
    "|Bitmaps (*.bmp)|*.bmp"
    "|Icons (*.ico)|*.ico"
    "|Enhanced Metafiles (*.emf)|*.emf"
    "|Metafiles (*.wmf)|*.wmf";

std::string FontToText(const TFont& Font) {
  std::string s = Font.Name() + ", " + IntToStr(Font.Size());
  if (Font.Style() & fsBold) s += ", Bold";
  if (Font.Style() & fsItalic) s += ", Italic";
  if (Font.Style() & fsUnderline) s += ", Underline";
  if (Font.Style() & fsStrikeOut) s += ", Strikeout";
  return s;
}

// ---------------------------------------------------------------------------------------------
// The form
// ---------------------------------------------------------------------------------------------
TAnnotationsPropertyDialog::TAnnotationsPropertyDialog(TComponent* AOwner) : TForm(AOwner) {
  SetName("AnnotationsPropertyDialog");
  SetCaption("Annotation Properties");
  SetBorderStyle(TFormBorderStyle::bsDialog);
  SetBorderIcons(biSystemMenu);
  SetPosition(TPosition::poDesktopCenter);
  SetClientWidth(464);
  SetClientHeight(378);
  Font().SetName("MS Sans Serif");
  Font().SetSize(8);

  Bevel = make<TBevel>(this, this, "Bevel", 8, 8, 448, 326);
  Bevel->SetShape(TBevelShape::bsFrame);
  OkBtn = make_button(this, this, "OkBtn", "OK", 300, 343, 75, 25);
  OkBtn->SetDefault(true);
  OkBtn->SetModalResult(mrOk);
  CancelBtn = make_button(this, this, "CancelBtn", "Cancel", 381, 343, 75, 25);
  CancelBtn->SetModalResult(mrCancel);

  Label1 = make_label(this, this, "Label1", "Top", 20, 22);
  EditTop = make_number(this, this, "EditTop", 64, 18);
  Label2 = make_label(this, this, "Label2", "Left", 140, 22);
  EditLeft = make_number(this, this, "EditLeft", 184, 18);
  Label3 = make_label(this, this, "Label3", "Right", 20, 50);
  EditRight = make_number(this, this, "EditRight", 64, 46);
  Label4 = make_label(this, this, "Label4", "Bottom", 140, 50);
  EditBottom = make_number(this, this, "EditBottom", 184, 46);

  Label5 = make_label(this, this, "Label5", "Color", 272, 22);
  ColorShape = make<TShape>(this, this, "ColorShape", 312, 18, 41, 21);
  ColorShape->SetPenStyle(psClear);
  ColorButton = make_button(this, this, "ColorButton", "...", 360, 18, 25, 21);
  ColorButton->OnClick = [this](TObject* Sender) { ColorButtonClick(Sender); };
  CheckBoxVisible = make_check(this, this, "CheckBoxVisible", "Visible", 272, 48);

  PageControl = make<TPageControl>(this, this, "PageControl", 16, 78, 432, 248);

  TabSheetText = make_page(this, PageControl, "TabSheetText");
  Label7 = make_label(this, TabSheetText, "Label7", "Font", 8, 12);
  EditFont = make<TMaskEdit>(this, TabSheetText, "EditFont", 56, 10, 320, 21);
  EditFont->SetReadOnly(true);
  EditFont->SetBorderStyle(TBorderStyle::bsNone);
  EditFont->SetParentColor(true);
  ButtonFont = make_button(this, TabSheetText, "ButtonFont", "...", 384, 8, 25, 21);
  ButtonFont->OnClick = [this](TObject* Sender) { ButtonFontClick(Sender); };
  Label6 = make_label(this, TabSheetText, "Label6", "Text", 8, 44);
  MemoText = make<TMemo>(this, TabSheetText, "MemoText", 56, 40, 353, 190);
  MemoText->SetScrollBars(TScrollStyle::ssVertical);

  TabSheetRectangle = make_page(this, PageControl, "TabSheetRectangle");
  Label9 = make_label(this, TabSheetRectangle, "Label9", "Pen Width", 8, 12);
  EditRectanglePen = make_number(this, TabSheetRectangle, "EditRectanglePen", 72, 8);
  CheckBoxRectangleHightLight = make_check(this, TabSheetRectangle, "CheckBoxRectangleHightLight", "Hightlight", 8, 40);
  CheckBoxRectangleFilled = make_check(this, TabSheetRectangle, "CheckBoxRectangleFilled", "Filled", 8, 64);

  TabSheetLine = make_page(this, PageControl, "TabSheetLine");
  Label10 = make_label(this, TabSheetLine, "Label10", "Pen Width", 8, 12);
  EditLinePen = make_number(this, TabSheetLine, "EditLinePen", 72, 8);
  LineRG = make<TRadioGroup>(this, TabSheetLine, "LineRG", 8, 40, 240, 121);
  LineRG->SetItems({"Horizontal - Top", "Vertical - Right", "Top Left - Bottom Right", "Bottom Left - Top Right"});

  TabSheetImage = make_page(this, PageControl, "TabSheetImage");
  Label11 = make_label(this, TabSheetImage, "Label11", "Image", 8, 12);
  Image = make<TImage>(this, TabSheetImage, "Image", 56, 8, 217, 217);
  Image->SetStretch(true);
  ButtonLoad = make_button(this, TabSheetImage, "ButtonLoad", "Load...", 288, 8, 75, 25);
  ButtonLoad->OnClick = [this](TObject* Sender) { ButtonLoadClick(Sender); };
  ButtonClear = make_button(this, TabSheetImage, "ButtonClear", "Clear", 288, 40, 75, 25);
  ButtonClear->OnClick = [this](TObject* Sender) { ButtonClearClick(Sender); };
  TransparentImageCB = make_check(this, TabSheetImage, "TransparentImageCB", "Transparent", 288, 76);
  PageControl->SetActivePage(TabSheetImage);

  FontDialog = new TFontDialog(this);
  FontDialog->SetName("FontDialog");
  ColorDialog = new TColorDialog(this);
  ColorDialog->SetName("ColorDialog");
  OpenPictureDialog = new TOpenPictureDialog(this);
  OpenPictureDialog->SetName("OpenPictureDialog");
  OpenPictureDialog->SetFilter(kAnnotationPictureFilter);

  // The controls take the form's font.
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TControl*>(Components(i))) c->Font().Assign(Font());
}

// ---------------------------------------------------------------------------------------------
// Buttons of the pages
// ---------------------------------------------------------------------------------------------
void TAnnotationsPropertyDialog::ShowFontText() {
  EditFont->SetText(FontToText(FontDialog->Font()));
  EditFont->Font().SetColor(FontDialog->Font().Color());
}

void TAnnotationsPropertyDialog::ButtonFontClick(TObject*) {
  if (FontDialog->Execute()) ShowFontText();
}

void TAnnotationsPropertyDialog::ColorButtonClick(TObject*) {
  if (ColorDialog->Execute()) ColorShape->SetBrushColor(ColorDialog->Color());
}

void TAnnotationsPropertyDialog::ButtonLoadClick(TObject*) {
  if (OpenPictureDialog->Execute()) Image->Picture().LoadFromFile(OpenPictureDialog->FileName());
}

void TAnnotationsPropertyDialog::ButtonClearClick(TObject*) {
  Image->Picture().SetGraphic(nullptr);
  Image->Invalidate();
}

// ---------------------------------------------------------------------------------------------
// From and to the mark
// ---------------------------------------------------------------------------------------------
void TAnnotationsPropertyDialog::SetValues(TGenericMark* AnnotationMark) {
  TGenericMark& m = *AnnotationMark;
  EditLeft->SetText(IntToStr(m.MarkRect().Left));
  EditTop->SetText(IntToStr(m.MarkRect().Top));
  EditRight->SetText(IntToStr(m.MarkRect().Right));
  EditBottom->SetText(IntToStr(m.MarkRect().Bottom));
  ColorShape->SetBrushColor(m.Color());
  CheckBoxVisible->SetChecked(m.Visible());
  if (auto* note = dynamic_cast<TStickNoteMark*>(&m)) {
    PageControl->SetActivePage(TabSheetText);
    FontDialog->Font().Assign(note->Font());
    ShowFontText();
    MemoText->SetText(note->Text());
  } else if (auto* rect = dynamic_cast<TRectangleMark*>(&m)) {
    PageControl->SetActivePage(TabSheetRectangle);
    CheckBoxRectangleFilled->SetChecked(rect->Filled());
    CheckBoxRectangleHightLight->SetChecked(rect->HightLight());
    EditRectanglePen->SetText(IntToStr(rect->LineSize()));
  } else if (auto* text = dynamic_cast<TTextMark*>(&m)) {
    PageControl->SetActivePage(TabSheetText);
    FontDialog->Font().Assign(text->Font());
    ShowFontText();
    MemoText->SetText(text->Text());
  } else if (auto* line = dynamic_cast<TLineMark*>(&m)) {
    PageControl->SetActivePage(TabSheetLine);
    EditLinePen->SetText(IntToStr(line->LineSize()));
    LineRG->SetItemIndex(line->Orientation());
  } else if (auto* image = dynamic_cast<TImageMark*>(&m)) {
    PageControl->SetActivePage(TabSheetImage);
    TransparentImageCB->SetChecked(image->Transparent());
    if (image->DIBHandle()) {
      TDibGraphic picture;
      picture.AssignFromDIBHandle(image->DIBHandle());
      Image->Picture().SetGraphic(&picture);
    }
  }
  // A polyline has no page of its own: the page the form starts with stays.
}

void TAnnotationsPropertyDialog::GetValues(TGenericMark* AnnotationMark) {
  TGenericMark& m = *AnnotationMark;
  const int left = field_number(*EditLeft);
  const int top = field_number(*EditTop);
  const int right = field_number(*EditRight);
  const int bottom = field_number(*EditBottom);
  m.SetMarkRect(Rect(left, top, right, bottom));
  m.SetColor(ColorShape->Brush().Color());
  m.SetVisible(CheckBoxVisible->Checked());
  if (auto* note = dynamic_cast<TStickNoteMark*>(&m)) {
    note->Font().Assign(FontDialog->Font());
    note->SetText(MemoText->Text());
  } else if (auto* rect = dynamic_cast<TRectangleMark*>(&m)) {
    rect->SetFilled(CheckBoxRectangleFilled->Checked());
    rect->SetHightLight(CheckBoxRectangleHightLight->Checked());
    rect->SetLineSize(field_number(*EditRectanglePen));
  } else if (auto* text = dynamic_cast<TTextMark*>(&m)) {
    text->Font().Assign(FontDialog->Font());
    text->SetText(MemoText->Text());
  } else if (auto* line = dynamic_cast<TLineMark*>(&m)) {
    line->SetLineSize(field_number(*EditLinePen));
    // The group always has one of the four orientations chosen once SetValues ran.
    const int index = LineRG->ItemIndex();
    if (index >= loTop && index <= loBLTR) line->SetOrientation(static_cast<TLineOrientation>(index));
  } else if (auto* image = dynamic_cast<TImageMark*>(&m)) {
    image->SetTransparent(TransparentImageCB->Checked());
    auto picture = std::make_unique<TDibGraphic>();
    if (TGraphic* g = Image->Picture().Graphic(); g && !g->Empty()) picture->Assign(g);
    if (picture->Empty()) {
      image->SetDIBHandle(nullptr);
    } else {
      // A picture larger than the mark is shrunk to the mark's inclusive size.
      const int w = std::max(1, m.MarkRect().Right - m.MarkRect().Left + 1);
      const int h = std::max(1, m.MarkRect().Bottom - m.MarkRect().Top + 1);
      if (picture->Width() > w || picture->Height() > h) {
        TResizeTransform resize;
        resize.SetInterpolated(false);
        resize.SetWidth(w);
        resize.SetHeight(h);
        resize.Apply(*picture);
      }
      image->SetDIBHandle(picture->AsDibHandle());
    }
  }
  m.Repaint();
}
