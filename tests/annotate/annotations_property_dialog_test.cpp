// The properties dialog on its own: its form, filling it from each kind of mark and writing it
// back, the font, colour and picture buttons, and the font description.
#include "annotate/annotations_property_dialog.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "annotate/annotations_editor.hpp"
#include "common/test_env.hpp"
#include "image/dib_graphic.hpp"
#include "platform/check_controls.hpp"
#include "platform/dialogs.hpp"
#include "platform/image_control.hpp"
#include "platform/page_control.hpp"
#include "platform/shapes.hpp"
#include "platform/std_controls.hpp"
#include "platform/synthetic_input.hpp"

namespace {

struct Fixture {
  TAnnotationsEditor editor{nullptr};
  std::unique_ptr<TAnnotationsPropertyDialog> d = std::make_unique<TAnnotationsPropertyDialog>(nullptr);
  Fixture() {
    hw_test::dialogs().clear();
    editor.SetZoomFactor(100);
    editor.SetDisplayResolution(96);
    d->Show();  // as the modal run shows it, so that its buttons take clicks
  }
  ~Fixture() { hw_test::dialogs().clear(); }
  void answer_file(const std::string& name) {
    DialogAnswer a;
    a.result = IDOK;
    a.file_name = name;
    hw_test::dialogs().answers.push_back(a);
  }
};

// A BMP file of w x h whose pixel (x, y) has colour f(x, y).
template <class F>
void write_bmp(const std::string& name, int w, int h, F f) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.Canvas()->SetPixels(x, y, f(x, y));
  b.SaveToFile(name);
}

std::unique_ptr<TDibGraphic> picture_of(const TImageMark& m) {
  auto g = std::make_unique<TDibGraphic>();
  if (m.DIBHandle()) g->AssignFromDIBHandle(m.DIBHandle());
  return g;
}

}  // namespace

TEST(FontToText, NameSizeAndStylesInOrder) {
  TFont f;
  f.SetName("Arial");
  f.SetSize(12);
  f.SetStyle(fsItalic | fsBold);
  EXPECT_EQ(FontToText(f), "Arial, 12, Bold, Italic");
  f.SetStyle(fsStrikeOut | fsUnderline | fsItalic | fsBold);
  EXPECT_EQ(FontToText(f), "Arial, 12, Bold, Italic, Underline, Strikeout");
  f.SetName("Carlito");
  f.SetSize(9);
  f.SetStyle(0);
  EXPECT_EQ(FontToText(f), "Carlito, 9");
}

TEST(PropertyDialog, TheFormAsDescribed) {
  TAnnotationsPropertyDialog d(nullptr);
  EXPECT_EQ(d.Caption(), "Annotation Properties");
  EXPECT_EQ(d.ClientWidth(), 464);
  EXPECT_EQ(d.ClientHeight(), 378);
  EXPECT_EQ(d.BorderStyle(), TFormBorderStyle::bsDialog);
  EXPECT_EQ(d.Position(), TPosition::poDesktopCenter);
  EXPECT_EQ(d.Font().Name(), "MS Sans Serif");
  for (const char* name :
       {"Bevel", "OkBtn", "CancelBtn", "Label1", "Label2", "Label3", "Label4", "EditTop", "EditLeft", "EditRight",
        "EditBottom", "Label5", "ColorShape", "ColorButton", "CheckBoxVisible", "PageControl", "TabSheetText", "Label7",
        "EditFont", "ButtonFont", "Label6", "MemoText", "TabSheetRectangle", "Label9", "EditRectanglePen",
        "CheckBoxRectangleHightLight", "CheckBoxRectangleFilled", "TabSheetLine", "Label10", "EditLinePen", "LineRG",
        "TabSheetImage", "Label11", "Image", "ButtonLoad", "ButtonClear", "TransparentImageCB", "FontDialog",
        "ColorDialog", "OpenPictureDialog"})
    EXPECT_NE(d.FindComponent(name), nullptr) << name;
  const std::vector<std::pair<TLabel*, const char*>> labels = {
      {d.Label1, "Top"},  {d.Label2, "Left"},      {d.Label3, "Right"},      {d.Label4, "Bottom"},
      {d.Label5, "Color"}, {d.Label6, "Text"},     {d.Label7, "Font"},       {d.Label9, "Pen Width"},
      {d.Label10, "Pen Width"}, {d.Label11, "Image"}};
  for (auto& [label, caption] : labels) EXPECT_EQ(label->Caption(), caption);
  EXPECT_EQ(d.OkBtn->Caption(), "OK");
  EXPECT_TRUE(d.OkBtn->Default());
  EXPECT_EQ(d.OkBtn->ModalResult(), mrOk);
  EXPECT_EQ(d.CancelBtn->Caption(), "Cancel");
  EXPECT_EQ(d.CancelBtn->ModalResult(), mrCancel);
  EXPECT_EQ(d.ColorButton->Caption(), "...");
  EXPECT_EQ(d.ButtonLoad->Caption(), "Load...");
  EXPECT_EQ(d.ButtonClear->Caption(), "Clear");
  EXPECT_EQ(d.CheckBoxVisible->Caption(), "Visible");
  EXPECT_EQ(d.CheckBoxRectangleHightLight->Caption(), "Hightlight");
  EXPECT_EQ(d.CheckBoxRectangleFilled->Caption(), "Filled");
  EXPECT_EQ(d.TransparentImageCB->Caption(), "Transparent");
  for (TMaskEdit* e : {d.EditTop, d.EditLeft, d.EditRight, d.EditBottom, d.EditRectanglePen, d.EditLinePen}) {
    EXPECT_EQ(e->EditMask(), "99999;1; ");
    EXPECT_EQ(e->MaxLength(), 5);
  }
  EXPECT_TRUE(d.EditFont->ReadOnly());
  EXPECT_EQ(d.EditFont->BorderStyle(), TBorderStyle::bsNone);
  EXPECT_EQ(d.LineRG->Items(), (std::vector<std::string>{"Horizontal - Top", "Vertical - Right", "Top Left - Bottom Right",
                                                         "Bottom Left - Top Right"}));
  EXPECT_EQ(d.MemoText->ScrollBars(), TScrollStyle::ssVertical);
  EXPECT_TRUE(d.Image->Stretch());
  EXPECT_EQ(d.ColorShape->Pen().Style(), psClear);
  EXPECT_EQ(d.PageControl->PageCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(d.PageControl->Pages(i)->TabVisible());
  EXPECT_EQ(d.PageControl->ActivePage(), d.TabSheetImage);

  // The open dialog's filter: every kind together, then each with its own pattern.
  const std::vector<std::pair<std::string, std::string>> kinds = {
      {"Portable Bitmap", "*.pbm"},          {"Portable Greymap", "*.pgm"},       {"Portable Pixelmap", "*.ppm"},
      {"Portable Network Graphic", "*.png"}, {"JPEG", "*.jpeg"},                  {"JPEG", "*.jpg"},
      {"DCX file", "*.dcx"},                 {"Encapsulated postscript", "*.eps"}, {"ZSoft PC Paintbrush", "*.pcc"},
      {"ZSoft PC Paintbrush", "*.pcx"},      {"Truevision Targa", "*.afi"},       {"Truevision Vista", "*.vst"},
      {"Truevision Targa", "*.tga"},         {"Bitmap file", "*.bmp"},            {"TIFF file", "*.tiff"},
      {"TIFF file", "*.tif"},                {"JPEG Image File", "*.jpg"},        {"JPEG Image File", "*.jpeg"},
      {"Bitmaps", "*.bmp"},                  {"Icons", "*.ico"},                  {"Enhanced Metafiles", "*.emf"},
      {"Metafiles", "*.wmf"}};
  std::string all;
  for (auto& k : kinds) all += (all.empty() ? "" : ";") + k.second;
  std::string want = "All (" + all + ")|" + all;
  for (auto& k : kinds) want += "|" + k.first + " (" + k.second + ")|" + k.second;
  EXPECT_EQ(d.OpenPictureDialog->Filter(), want);
}

TEST(PropertyDialog, AStickyNoteGoesToTheTextPageAndBack) {
  Fixture f;
  TStickNoteMark* note = f.editor.AddStickNote();
  note->SetMarkRect(Rect(5, 6, 200, 150));
  note->Font().SetColor(clGreen);
  TAnnotationsPropertyDialog& d = *f.d;
  d.SetValues(note);
  EXPECT_EQ(d.PageControl->ActivePage(), d.TabSheetText);
  EXPECT_EQ(d.EditLeft->Text(), "5    ");
  EXPECT_EQ(d.EditTop->Text(), "6    ");
  EXPECT_EQ(d.EditRight->Text(), "200  ");
  EXPECT_EQ(d.EditBottom->Text(), "150  ");
  EXPECT_EQ(d.ColorShape->Brush().Color(), clYellow);
  EXPECT_TRUE(d.CheckBoxVisible->Checked());
  EXPECT_EQ(d.EditFont->Text(), "Arial, 12");
  EXPECT_EQ(d.EditFont->Font().Color(), clGreen);
  EXPECT_EQ(d.MemoText->Text(), "Stick Note");

  // The font button: the chosen font shows in its own colour.
  DialogAnswer font;
  font.result = IDOK;
  font.font = DialogFont{"Carlito", 14, fsBold, clBlue};
  hw_test::dialogs().answers.push_back(font);
  send_click(*d.ButtonFont, 5, 5);
  ASSERT_EQ(hw_test::dialogs().requests.size(), 1u);
  EXPECT_EQ(hw_test::dialogs().requests[0].font.name, "Arial");
  EXPECT_EQ(d.EditFont->Text(), "Carlito, 14, Bold");
  EXPECT_EQ(d.EditFont->Font().Color(), clBlue);
  // The colour button.
  DialogAnswer colour;
  colour.result = IDOK;
  colour.color = clFuchsia;
  hw_test::dialogs().answers.push_back(colour);
  send_click(*d.ColorButton, 5, 5);
  EXPECT_EQ(d.ColorShape->Brush().Color(), clFuchsia);
  // A cancelled colour dialog changes nothing.
  send_click(*d.ColorButton, 5, 5);
  EXPECT_EQ(d.ColorShape->Brush().Color(), clFuchsia);

  d.MemoText->SetText("Look (here)\r\nand there");
  d.CheckBoxVisible->SetChecked(false);
  d.EditBottom->SetText("120");
  d.GetValues(note);
  EXPECT_EQ(note->MarkRect(), Rect(5, 6, 200, 120));
  EXPECT_EQ(note->Color(), clFuchsia);
  EXPECT_FALSE(note->Visible());
  EXPECT_EQ(note->Font().Name(), "Carlito");
  EXPECT_EQ(note->Font().Size(), 14);
  EXPECT_EQ(note->Font().Style(), fsBold);
  EXPECT_EQ(note->Font().Color(), clBlue);
  EXPECT_EQ(note->Text(), "Look (here)\r\nand there");
}

TEST(PropertyDialog, ATextMarkSharesTheTextPage) {
  Fixture f;
  TTextMark* text = f.editor.AddText();
  text->SetMarkRect(Rect(5, 5, 400, 100));
  text->Font().SetColor(clRed);
  text->SetText("Label");
  f.d->SetValues(text);
  EXPECT_EQ(f.d->PageControl->ActivePage(), f.d->TabSheetText);
  EXPECT_EQ(f.d->EditFont->Text(), "Arial, 12");
  EXPECT_EQ(f.d->EditFont->Font().Color(), clRed);
  f.d->MemoText->SetText("Relabelled");
  f.d->GetValues(text);
  EXPECT_EQ(text->Text(), "Relabelled");
  EXPECT_EQ(text->Font().Color(), clRed);
}

TEST(PropertyDialog, ARectanglesPenAndFill) {
  Fixture f;
  TRectangleMark* rect = f.editor.AddRectangle();
  rect->SetMarkRect(Rect(1, 2, 3, 4));
  TAnnotationsPropertyDialog& d = *f.d;
  d.SetValues(rect);
  EXPECT_EQ(d.PageControl->ActivePage(), d.TabSheetRectangle);
  EXPECT_TRUE(d.CheckBoxRectangleFilled->Checked());
  EXPECT_TRUE(d.CheckBoxRectangleHightLight->Checked());
  EXPECT_EQ(d.EditRectanglePen->Text(), "4    ");
  send_click(*d.CheckBoxRectangleFilled, 6, 8);
  d.EditRectanglePen->SetText("12");
  d.GetValues(rect);
  EXPECT_FALSE(rect->Filled());
  EXPECT_TRUE(rect->HightLight());
  EXPECT_EQ(rect->LineSize(), 12);
  EXPECT_EQ(rect->MarkRect(), Rect(1, 2, 3, 4));
}

TEST(PropertyDialog, APolylineKeepsThePageTheFormStartsWith) {
  Fixture f;
  TMultiLineMark* poly = f.editor.AddMultiLine();
  poly->SetMarkRect(Rect(0, 0, 50, 50));
  f.d->SetValues(poly);
  EXPECT_EQ(f.d->PageControl->ActivePage(), f.d->TabSheetImage);
  f.d->EditLeft->SetText("10");
  f.d->GetValues(poly);
  EXPECT_EQ(poly->MarkRect(), Rect(10, 0, 50, 50));
}

TEST(PropertyDialog, ALargerPictureIsShrunkToTheMarksInclusiveSize) {
  Fixture f;
  hw_test::ScratchDir dir;
  const std::string big = dir.file("big.bmp");
  write_bmp(big, 300, 50, [](int, int) { return TColor(0x3366CC); });
  TImageMark* image = f.editor.AddImage();
  image->SetMarkRect(Rect(10, 10, 200, 200));
  TAnnotationsPropertyDialog& d = *f.d;
  d.SetValues(image);
  EXPECT_EQ(d.PageControl->ActivePage(), d.TabSheetImage);
  EXPECT_EQ(d.Image->Picture().Graphic(), nullptr);
  f.answer_file(big);
  send_click(*d.ButtonLoad, 5, 5);
  EXPECT_EQ(hw_test::dialogs().requests.back().filter, kAnnotationPictureFilter);
  ASSERT_NE(d.Image->Picture().Graphic(), nullptr);
  EXPECT_EQ(d.Image->Picture().Width(), 300);
  send_click(*d.TransparentImageCB, 6, 8);
  d.GetValues(image);
  EXPECT_TRUE(image->Transparent());
  auto stored = picture_of(*image);
  EXPECT_EQ(stored->Width(), 191);
  EXPECT_EQ(stored->Height(), 191);
  EXPECT_EQ(stored->GetPixel(0, 0), Rgb(0xCC, 0x66, 0x33));
  EXPECT_EQ(stored->GetPixel(190, 190), Rgb(0xCC, 0x66, 0x33));
}

TEST(PropertyDialog, ASmallerPictureKeepsItsSizeAndPixels) {
  Fixture f;
  hw_test::ScratchDir dir;
  const std::string small = dir.file("small.bmp");
  auto colour = [](int x, int y) { return TColor(RGB(x * 10, y * 20, 255 - x)); };
  write_bmp(small, 20, 10, colour);
  TImageMark* image = f.editor.AddImage();
  image->SetMarkRect(Rect(10, 10, 200, 200));
  f.d->SetValues(image);
  f.answer_file(small);
  send_click(*f.d->ButtonLoad, 5, 5);
  f.d->GetValues(image);
  auto stored = picture_of(*image);
  ASSERT_EQ(stored->Width(), 20);
  ASSERT_EQ(stored->Height(), 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(RgbToColor(stored->GetPixel(x, y)), colour(x, y)) << x << "," << y;

  // Shown again, the stored picture is in the picture box; cleared, the mark holds none.
  auto again = std::make_unique<TAnnotationsPropertyDialog>(nullptr);
  again->Show();
  again->SetValues(image);
  ASSERT_NE(again->Image->Picture().Graphic(), nullptr);
  EXPECT_EQ(again->Image->Picture().Width(), 20);
  send_click(*again->ButtonClear, 5, 5);
  EXPECT_EQ(again->Image->Picture().Graphic(), nullptr);
  again->GetValues(image);
  EXPECT_EQ(image->DIBHandle(), nullptr);
}

TEST(PropertyDialog, APictureTheContainerCannotReadIsReported) {
  Fixture f;
  hw_test::ScratchDir dir;
  const std::string odd = dir.file("notes.xyz");
  FILE* file = std::fopen(odd.c_str(), "wb");
  std::fputs("not a picture", file);
  std::fclose(file);
  f.answer_file(odd);
  EXPECT_THROW(f.d->ButtonLoadClick(nullptr), EInvalidGraphic);
  EXPECT_EQ(f.d->Image->Picture().Graphic(), nullptr);
  // Cancelling the open dialog loads nothing.
  f.d->ButtonLoadClick(nullptr);
  EXPECT_EQ(f.d->Image->Picture().Graphic(), nullptr);
}
