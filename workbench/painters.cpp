// The example painters' palettes and artist mode: showing a painting with its sixteen colours in
// the slots, entering and leaving the mode, and the button states of the mode.
#include <algorithm>

#include "image/dib_graphic.hpp"
#include "resources/paintings.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"

namespace {

// Slot 16 holding a painter's last colour marks a painter's palette on the slots.
bool is_painters_last_colour(const std::string& hex) {
  const auto& all = painters();
  return std::any_of(all.begin(), all.end(), [&](const Painter& p) { return hex == p.colours[15]; });
}

}  // namespace

void TForm1::imgNorvandoClick(TObject*) { load_painter(imgNorvandopic, "Norvando", false); }
// The only painting that also loses its horizontal scroll bar.
void TForm1::imgPellowinClick(TObject*) { load_painter(imgPellowinpic, "Pellowin", true); }
void TForm1::imgBrimsaClick(TObject*) { load_painter(imgBrimsapic, "Brimsa", false); }
void TForm1::imgVelbrinClick(TObject*) { load_painter(imgVelbrinpic, "Velbrin", false); }
void TForm1::imgDravostClick(TObject*) { load_painter(imgDravostpic, "Dravost", false); }
void TForm1::imgQuenlorClick(TObject*) { load_painter(imgQuenlorpic, "Quenlor", false); }
void TForm1::imgOrlatClick(TObject*) { load_painter(imgOrlatpic, "Orlat", false); }
void TForm1::imgRuskavyClick(TObject*) { load_painter(imgRuskavypic, "Ruskavy", false); }
void TForm1::imgFalvestriClick(TObject*) { load_painter(imgFalvestripic, "Falvestri", false); }
void TForm1::imgTambrelClick(TObject*) { load_painter(imgTambrelpic, "Tambrel", false); }

void TForm1::load_painter(TImage* thumbnail, const std::string& painter_name, bool hide_horizontal) {
  const Painter& p = painter(painter_name);
  // Artist mode's mark goes first: while it is set, every add writes into the own palette list.
  imgArt->SetTag(0);
  set_picture_from(imgArt, imgArton);
  imgArt->SetHint("example artists palettes");
  imgPickArt->Show();
  draw_paintings();
  ImageScrollBox1->SetGraphic(thumbnail->Picture().Graphic());
  ImageScrollBox1->Redraw(true);
  if (hide_horizontal) ImageScrollBox1->HorzScrollBar().SetVisible(false);
  ImageScrollBox1->VertScrollBar().SetVisible(false);
  // Each add below switches the side panel to edit mode, which closes the painters' panel; the
  // panel stays open over a painter's palette, so that another painter is one click away.
  const int art_width = panArt->Width(), search_width = panSearch->Width();
  imgClearPickedClick(this);
  for (const char* hex : p.colours) {
    edcolor->SetText(hex);
    imgpickCompli();
  }
  panArt->SetWidth(art_width);
  panSearch->SetWidth(search_width);
  artbuts();
  hideDelbuts();
  setvariantpick();
  labPickSelect->SetTag(0);
  hidelabselect();
}

void TForm1::imgArtClick(TObject*) {
  labPickSelect->SetTag(0);
  hidelabselect();
  ListBox2->SendToBack();
  imgCSS->SetTag(0);
  if (imgArt->Tag() == 0) {
    // Entering: the own palette is kept in the list, unless a painter's palette is on the slots,
    // in which case the list still holds the palette the user had before.
    if (!is_painters_last_colour(ColorToHex(pan16()->Color()))) {
      TStringList& lines = Memo1->Lines();
      lines.Clear();
      for (int n = 1; n <= 16; ++n) {
        const std::string hex = ColorToHex(panN(n)->Color());
        if (panN(n)->Visible() && hex != "484B52") lines.Add(hex);
      }
      Memo1->LinesChanged();
    }
    imgCollapsepanelClick(this);
    imgArt->SetTag(1);
    draw_paintings();
    panArt->SetWidth(310);
    panVar->SetWidth(0);
    for (TControl* c : std::initializer_list<TControl*>{imgVar, imgVariantsPal, imgResetVariant, imgVariantPal2, imgGenSpec})
      c->Hide();
    panSearch->SetWidth(337);
    set_picture_from(imgArt, imgArtoff);
    imgArt->SetHint("return to your palette");
    imgEdColor->Hide();
    imgClearPicked->Hide();
    labMode->SetCaption("art  ");
    labMode->SetLeft(1);
    panSearch->SetColor(kArtModeColour);
    labMode->SetColor(panSearch->Color());
    panReset->SetColor(panSearch->Color());
    panArt->SetColor(panSearch->Color());
    // A painting or a user picture can be left for the own palette; the spectrum pictures are
    // 4316 pixels wide.
    TDibGraphic* shown = ImageScrollBox1->Graphic();
    imgResetpic->SetVisible(shown && shown->Width() < 4096);
    imgLoadpic->Hide();
    return;
  }
  // Leaving.
  imgArt->SetTag(0);
  panArt->SetWidth(0);
  imgLoadpic->Show();
  imgGenArtPal->Show();
  if (!imgResetpic->Visible()) {
    labMode->SetCaption("edit");
    setvariantpick();
    labMode->SetLeft(50);
    panSearch->SetColor(kEditModeColour);
    panVar->SetColor(panSearch->Color());
    labMode->SetColor(panSearch->Color());
    panReset->SetColor(panSearch->Color());
    imgGenArtPal->Hide();
    imgGenSpec->Show();
  }
  imgVar->Show();
  if (imgVar->Tag() == 1) {
    // The variant grid was open: it opens again.
    imgVar->SetTag(0);
    imgVarClick(this);
    imgVar->Show();
    panSearch->SetWidth(240);
  } else {
    panSearch->SetWidth(90);
  }
  if (pan1()->Color() != kEmptyColour && labMode->Caption() != "art  ") imgClearPicked->Show();
  set_picture_from(imgArt, imgArton);
  imgArt->SetHint("example artists palettes");
  if (imgVar->Tag() == 0) imgEdColor->Show();
  imgSaveAll->SetVisible(imgPick->Tag() > 1);
  imgPaletteAll->SetVisible(!imgGenPal->Visible() && !imgGenArtPal->Visible() && pan2()->Visible());
  panReset->SetColor(panSearch->Color());
  labPickSelect->SetTag(0);
  hidelabselect();
}

void TForm1::artbuts() {
  imgResetpic->Show();
  if (Memo1->Lines().Count() >= 14) imgPickArt->Hide();
  else imgPickArt->BringToFront();
  imgSaveAll->SetVisible(imgPick->Tag() >= 1);
  for (TControl* c : std::initializer_list<TControl*>{imgTestPic, butProcessPic, imgcolrtone}) c->Show();
  for (TControl* c : std::initializer_list<TControl*>{imgSaveTest, imgLoadpic, imgEdColor, imgClearPicked}) c->Hide();
}

void TForm1::hideDelbuts() {
  for (int n = 1; n <= 16; ++n) Slot(n).imgDel->Hide();
  imgGenPal->Hide();
  imgGenArtPal->Show();
  imgPaletteAll->Hide();
  if (imgPick->Tag() == 16) imgPickArt->Hide();
  labMode->SetCaption("art  ");
  panSearch->SetColor(kArtModeColour);
  labMode->SetColor(panSearch->Color());
  panReset->SetColor(panSearch->Color());
  labMode->SetLeft(1);
  imgVar->Hide();
  imgGenSpec->Hide();
}

void TForm1::showDelbuts() {
  for (int n = 1; n <= 16; ++n) Slot(n).imgDel->Show();
}

void TForm1::setvariantpick() {
  // A painter's palette shown in artist mode cannot be changed through the cells' pick images.
  const bool show = labMode->Caption() != "art  ";
  for (int n = 1; n <= 16; ++n)
    for (CellKind k : {CellKind::Compli, CellKind::Triad120, CellKind::Triad240, CellKind::Dark, CellKind::Light})
      CellPick(n, k)->SetVisible(show);
}
