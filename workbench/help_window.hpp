// The help window: a borderless window of help pages shown over the picture view.
#pragma once

#include "platform/forms.hpp"

class TForm2 : public TForm {
public:
  explicit TForm2(TComponent* owner);
  std::string ClassName() const override { return "TForm2"; }
};

extern TForm2* Form2;
