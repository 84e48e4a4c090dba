// The modal dialog that edits one annotation mark: its rectangle in picture pixels, colour and
// visibility, and on a page of its own kind the text and font, the rectangle's pen and fill,
// the line's pen and orientation, or the embedded picture.
#pragma once

#include <string>

#include "platform/forms.hpp"

class TBevel;
class TButton;
class TCheckBox;
class TColorDialog;
class TFont;
class TFontDialog;
class TGenericMark;
class TImage;
class TLabel;
class TMaskEdit;
class TMemo;
class TOpenPictureDialog;
class TPageControl;
class TRadioGroup;
class TShape;
class TTabSheet;

// "Arial, 12, Bold, Italic": the name, the size in points, then each style the font has, in
// the order Bold, Italic, Underline, Strikeout.
std::string FontToText(const TFont& Font);

// The mask of the coordinate and pen-width fields: up to five digits, blanks kept.
constexpr const char* kNumberFieldMask = "99999;1; ";

class TAnnotationsPropertyDialog : public TForm {
public:
  explicit TAnnotationsPropertyDialog(TComponent* AOwner);
  std::string ClassName() const override { return "TAnnotationsPropertyDialog"; }

  // Fills the controls from a mark and shows the page of its kind.
  void SetValues(TGenericMark* AnnotationMark);
  // Writes the controls back into the mark and paints it at once. A coordinate or pen-width
  // field without a number raises EConvertError; what was written before it stays written.
  void GetValues(TGenericMark* AnnotationMark);

  void ButtonFontClick(TObject* Sender);
  void ColorButtonClick(TObject* Sender);
  void ButtonLoadClick(TObject* Sender);
  void ButtonClearClick(TObject* Sender);

  TBevel* Bevel;
  TButton* OkBtn;
  TButton* CancelBtn;
  TLabel* Label1;
  TLabel* Label2;
  TLabel* Label3;
  TLabel* Label4;
  TMaskEdit* EditTop;
  TMaskEdit* EditLeft;
  TMaskEdit* EditRight;
  TMaskEdit* EditBottom;
  TLabel* Label5;
  TShape* ColorShape;
  TButton* ColorButton;
  TCheckBox* CheckBoxVisible;
  TPageControl* PageControl;
  TTabSheet* TabSheetText;
  TLabel* Label7;
  TMaskEdit* EditFont;
  TButton* ButtonFont;
  TLabel* Label6;
  TMemo* MemoText;
  TTabSheet* TabSheetRectangle;
  TLabel* Label9;
  TMaskEdit* EditRectanglePen;
  TCheckBox* CheckBoxRectangleHightLight;
  TCheckBox* CheckBoxRectangleFilled;
  TTabSheet* TabSheetLine;
  TLabel* Label10;
  TMaskEdit* EditLinePen;
  TRadioGroup* LineRG;
  TTabSheet* TabSheetImage;
  TLabel* Label11;
  TImage* Image;
  TButton* ButtonLoad;
  TButton* ButtonClear;
  TCheckBox* TransparentImageCB;
  TFontDialog* FontDialog;
  TColorDialog* ColorDialog;
  TOpenPictureDialog* OpenPictureDialog;

private:
  void ShowFontText();
};

// The open dialog's filter: every picture kind together first, then each on its own.
extern const char* const kAnnotationPictureFilter;
