// The help window: a borderless window of help pages shown over the picture view. A click on a
// page closes it; two hot spots and one page lead to further pages; the logo in its corner opens
// the product's web page.
#pragma once

#include "platform/forms.hpp"
#include "platform/image_control.hpp"

class TForm2 : public TForm {
public:
  explicit TForm2(TComponent* owner);
  std::string ClassName() const override { return "TForm2"; }
  // The pages are drawn once the main window is on screen, and at the latest when this window
  // is first shown, so that they do not hold up the main window's first showing.
  void SetVisible(bool visible) override;
  void DrawPages();

  void Image1Click(TObject* Sender);
  void Image5Click(TObject* Sender);
  void Image6Click(TObject* Sender);
  void Image7Click(TObject* Sender);
  void Image10Click(TObject* Sender);

  // Pages (Image1 .. Image4, Image7 .. Image9, Image11), hot spots (Image5, Image6), logo (Image10).
  TImage *Image11, *Image4, *Image9, *Image8, *Image7, *Image3, *Image2, *Image1, *Image5, *Image6, *Image10;

protected:
  // Whenever its place changes (shown, moved), the window puts itself at a fixed offset from the
  // main window's picture view.
  void WMWindowPosChanged() override;

private:
  bool pages_drawn_ = false;
};

extern TForm2* Form2;

// The product's web page, opened by the logo.
extern const char* const kProductWebPage;
