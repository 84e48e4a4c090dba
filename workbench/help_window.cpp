#include "workbench/help_window.hpp"

#include "workbench/main_window.hpp"

TForm2* Form2 = nullptr;

TForm2::TForm2(TComponent* owner) : TForm(owner) {
  SetName("Form2");
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetBounds(0, 0, 487, 449);
  SetColor(kEmptyColour);
}
