// The help button of the main window: the help page that fits the workbench's state, shown.
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

void TForm1::wire_help_button() {
  imgHelp->OnClick = [this](TObject* s) { imgHelpClick(s); };
}

void TForm1::imgHelpClick(TObject*) {
  if (!Form2) return;
  // Pages come to the front in this order, each when its condition holds: the last one wins.
  Form2->Image1->BringToFront();
  if (pan16()->Visible()) Form2->Image8->BringToFront();
  if (panArt->Width() == 310) Form2->Image3->BringToFront();
  if (imgGenArtPal->Visible()) Form2->Image9->BringToFront();
  if (panVar->Width() == 210) {
    Form2->Image4->BringToFront();
    Form2->Image6->BringToFront();
  }
  if (panSearch->Width() < 337) Form2->Image5->BringToFront();
  if (labMode->Caption() == "history") Form2->Image2->BringToFront();
  if (!imgClearHistory->Visible() && panArt->Width() != 310 && imgCSS->Tag() > 0) Form2->Image11->BringToFront();
  Form2->Show();
  panBlowColor->SetColor(pan->Color());
  panBlowCaption->SetCaption(ColorToHex(pan->Color()));
  panBlowCaption->SetColor(pan->Color());
  Form2->Image10->BringToFront();
}
