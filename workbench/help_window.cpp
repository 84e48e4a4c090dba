#include "workbench/help_window.hpp"

#include <utility>

#include "image/png_graphic.hpp"
#include "platform/main_thread.hpp"
#include "platform/services.hpp"
#include "resources/help_pages.hpp"
#include "workbench/main_window.hpp"
#include "workbench/raster_pictures.hpp"

TForm2* Form2 = nullptr;
const char* const kProductWebPage = "https://huewright.org/";

namespace {

// The window's images in creation order (each later one above the earlier ones): name, member,
// bounds, whether it carries a page picture.
struct HelpImage {
  const char* name;
  TImage* TForm2::*member;
  int left, top, width, height;
  bool page;
};

const HelpImage kImages[] = {
    {"Image11", &TForm2::Image11, 0, 0, 497, 449, true},
    {"Image4", &TForm2::Image4, 0, 0, 497, 449, true},
    {"Image9", &TForm2::Image9, 0, 0, 497, 449, true},
    {"Image8", &TForm2::Image8, 0, 0, 497, 449, true},
    {"Image7", &TForm2::Image7, 0, 0, 497, 449, true},
    {"Image3", &TForm2::Image3, 0, 0, 497, 449, true},
    {"Image2", &TForm2::Image2, 0, 0, 497, 449, true},
    {"Image1", &TForm2::Image1, 0, 0, 497, 449, true},
    {"Image5", &TForm2::Image5, kHelpLinkToGrid.left, kHelpLinkToGrid.top, kHelpLinkToGrid.width,
     kHelpLinkToGrid.height, false},
    {"Image6", &TForm2::Image6, kHelpLinkToDetails.left, kHelpLinkToDetails.top, kHelpLinkToDetails.width,
     kHelpLinkToDetails.height, false},
    {"Image10", &TForm2::Image10, 462, 424, 25, 25, false},
};

// Places of the main window's frame that the offset counts in (SM_CXSIZEFRAME, SM_CYCAPTION,
// SM_CYSIZEFRAME): none here, so the window lies over the right edge of the picture view and
// the workbench's right part, inside the main window's client area.
constexpr int kSizeFrameWidth = 0;
constexpr int kCaptionHeight = 0;
constexpr int kSizeFrameHeight = 0;

}  // namespace

TForm2::TForm2(TComponent* owner) : TForm(owner) {
  SetName("Form2");
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetBounds(0, 0, 487, 449);
  SetColor(kEmptyColour);
  for (const HelpImage& h : kImages) {
    auto* img = new TImage(this);
    img->SetName(h.name);
    img->SetBounds(h.left, h.top, h.width, h.height);
    img->SetCursor(crHandPoint);
    img->SetParent(this);
    this->*h.member = img;
  }
  TColor key = clNone;
  auto logo = picture_of<TPngGraphic>(make_help_logo(key));
  logo->SetTransparentPixel(tpUseTransparentColor);
  logo->SetTransparentColor(ColorToRgb(key));
  Image10->Picture().TakeGraphic(std::move(logo));
  Image10->SetTransparent(true);
  Image10->SetHint("click for Huewright website");

  for (TImage* page : {Image11, Image4, Image9, Image8, Image3, Image2, Image1})
    page->OnClick = [this](TObject* s) { Image1Click(s); };
  Image7->OnClick = [this](TObject* s) { Image7Click(s); };
  Image5->OnClick = [this](TObject* s) { Image5Click(s); };
  Image6->OnClick = [this](TObject* s) { Image6Click(s); };
  Image10->OnClick = [this](TObject* s) { Image10Click(s); };
  // A tool window of the main window: it stays above it.
  if (Form1) SetPopupParent(Form1);
  auto draw = [] {
    if (Form2) Application->Dispatch([] { Form2->DrawPages(); });
  };
  if (Form1) Form1->AfterFirstPaint(draw);
  else QueueOnMainThread(draw);
}

void TForm2::DrawPages() {
  if (pages_drawn_) return;
  pages_drawn_ = true;
  // The pages are PNG pictures of drawn rasters.
  for (const HelpImage& h : kImages)
    if (h.page) (this->*h.member)->Picture().TakeGraphic(picture_of<TPngGraphic>(make_help_page(h.name)));
}

void TForm2::SetVisible(bool visible) {
  if (visible) DrawPages();
  TForm::SetVisible(visible);
}

void TForm2::Image1Click(TObject*) { Hide(); }

void TForm2::Image5Click(TObject*) {
  if (!Form1 || Form1->panSearch->Width() >= 337) return;
  Image4->BringToFront();
  Image6->BringToFront();
  Image10->BringToFront();
}

void TForm2::Image6Click(TObject*) {
  Image7->BringToFront();
  Image10->BringToFront();
}

void TForm2::Image7Click(TObject*) {
  Image4->BringToFront();
  Image6->BringToFront();
  Image10->BringToFront();
}

void TForm2::Image10Click(TObject*) { OpenURL(kProductWebPage); }

void TForm2::WMWindowPosChanged() {
  TForm::WMWindowPosChanged();
  if (!Form1) return;
  TImageScrollBox* view = Form1->ImageScrollBox1;
  const TPoint p = view->Parent()->ClientToScreen({view->Left(), view->Top()});
  SetBounds(p.X + kSizeFrameWidth + 671, p.Y + kCaptionHeight + kSizeFrameHeight + 137, Width(), Height());
}
