// Luminance, saturation and hue bars of the slot being edited, the resets, and the spectrum
// strips the resets return to.
#include "storage/css_palette_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"

namespace {

// The buttons a bar's change shows and hides, besides the colours it sets.
void show_bar_change_buttons(TForm1& f) {
  f.imgReset->Show();
  if (f.pan16()->Visible()) f.imgTestPic->Show();
  else f.imgLoadpic->Show();
  if (f.imgTestPic->Visible()) {
    f.butProcessPic->Show();
    f.imgGenPal->Hide();
    if (!f.imgGenArtPal->Visible() && f.pan2()->Visible()) f.imgPaletteAll->Show();
    f.imgcolrtone->Show();
  }
}

}  // namespace

void TForm1::reset_bars() {
  // A mend: program writes of the bars do not run their colour changes, which would write the
  // bar's result over the colour being added (and over the reset slot on the way). A bar that
  // moves still leaves the buttons as its handler would.
  const bool moved = trkbarSat->Position() != 120 || trkbarLum->Position() != 120 || trkbarVar->Position() != 120;
  setting_bars_ = true;
  trkbarSat->SetPosition(120);
  trkbarLum->SetPosition(120);
  trkbarVar->SetPosition(120);
  setting_bars_ = false;
  if (moved) show_bar_change_buttons(*this);
}

void TForm1::apply_bar_change(TExTrackBar* bar) {
  if (setting_bars_) return;
  const int value = bar->Max() - bar->Position() + bar->Min();
  const int N = imgPick->Tag();
  if (N >= 1 && N <= 16) {
    const TColor base = pantrkspacer->Color();
    TColor c = bar == trkbarLum   ? SetLuminance(base, static_cast<Word>(value))
               : bar == trkbarSat ? SetSaturation(base, static_cast<Byte>(value))
                                  : SetHue(base, static_cast<Byte>(value));
    panN(N)->SetColor(c);
    pan->SetColor(panN(N)->Color());
    pantrkspacer->SetColor(panN(N)->Color());
    recompute_row(N, pan->Color());
  }
  ShowSelectedColor(pan->Color());
  if (bar != trkbarLum) panIntermediate->SetColor(pan->Color());
  show_bar_change_buttons(*this);
}

void TForm1::trkbarLumChange(TObject*) { apply_bar_change(trkbarLum); }
void TForm1::trkbarSatChange(TObject*) { apply_bar_change(trkbarSat); }
void TForm1::trkbarVarChange(TObject*) { apply_bar_change(trkbarVar); }

void TForm1::imgResetClick(TObject*) {
  reset_bars();
  if (labMode->Caption() == "history") imgCollapsepanelClick(this);
  panIntermediate->SetColor(panResetColor->Color());
  pantrkspacer->SetColor(panResetColor->Color());
  pan->SetColor(panResetColor->Color());
  edcolor->SetText(ColorToHex(pan->Color()));
  ShowSelectedColor(pan->Color());
  const int N = imgPick->Tag();
  if (N >= 1 && N <= 16) {
    if (N == 1) imgPick->Hide();
    panN(N)->SetColor(pan->Color());
    recompute_row(N, pan->Color());
  }
  imgReset->Hide();
  if (labMode->Caption() != "art  ") imgGenArtPal->Hide();
  if (imgTestPic->Visible()) {
    butProcessPic->Show();
    imgcolrtone->Show();
  }
}

void TForm1::SpectrumReturn() {
  ImageScrollBox1->HorzScrollBar().SetPosition(SavedHorzScrollPos);
  const bool saturation_step = SpectrumStep >= 135 && SpectrumStep <= 255 && (SpectrumStep - 135) % 8 == 0;
  show_spectrum(saturation_step ? SpectrumStep : 0);
}

void TForm1::imgResetSpectrumClick(TObject*) {
  SpectrumReturn();
  imgResetSpectrum->Hide();
  imgResetpic->Hide();
  if (pan16()->Visible()) imgTestPic->Show();
  else imgLoadpic->Show();
  if (imgTestPic->Visible()) {
    butProcessPic->Show();
    imgcolrtone->Show();
  }
  imgSaveTest->Hide();
  imgGenPal->Hide();
  imgGenSpec->SetVisible(labMode->Caption() != "art  ");
}

void TForm1::imgResetpicClick(TObject*) {
  SpectrumReturn();
  imgClearPickedClick(this);
  const TStringList& lines = Memo1->Lines();
  if (lines.Count() == 0 || lines[0] != "484B52") {
    // The own palette comes back from its list; lines past the end count as empty.
    const std::vector<std::string> own = lines.Items();
    for (size_t i = 0; i < 16; ++i) {
      const std::string line = i < own.size() ? own[i] : std::string();
      edcolor->SetText(line);
      if (line != "484B52" && !line.empty()) imgpickCompli();
    }
  }
  if (pan1()->Color() == kEmptyColour) {
    imgVar->SetTag(0);
    panVar->SetWidth(0);
    panSearch->SetWidth(90);
    panArt->SetWidth(0);
    imgVar->Hide();
  }
  set_picture_from(imgArt, imgArton);
  imgArt->SetHint("example artists palettes");
  imgResetpic->Hide();
  imgPickArt->Hide();
  imgPickArt->SendToBack();
  imgPickArt->SetTag(0);
  imgArt->SetTag(0);
  showDelbuts();
  if (pan1()->Color() != kEmptyColour) imgVar->Show();
  imgLoadpic->Show();
  for (TControl* c : std::initializer_list<TControl*>{imgSaveTest, imgTestPic, butProcessPic, imgcolrtone}) c->Hide();
  for (TControl* c : std::initializer_list<TControl*>{imgCSS, imgEdColor, imgClearPicked}) c->Show();
  if (pan16()->Visible()) imgTestPic->Show();
  else imgLoadpic->Show();
  if (imgTestPic->Visible()) {
    butProcessPic->Show();
    imgcolrtone->Show();
  }
  imgGenArtPal->Hide();
  if (pan2()->Visible() && !imgGenPal->Visible()) imgPaletteAll->Show();
  labMode->SetCaption("edit");
  setvariantpick();
  panSearch->SetColor(kEditModeColour);
  labMode->SetColor(panSearch->Color());
  panReset->SetColor(panSearch->Color());
  labMode->SetLeft(50);
  if (!FileExists(kWorkingPaletteFile) && pan1()->Visible()) {
    imgPaletteAll->SetTag(1);
    imgPaletteAllClick(this);
    imgPaletteAll->SetTag(0);
  }
  labPickSelect->SetTag(0);
  hidelabselect();
}

void TForm1::show_spectrum(int step) {
  resetcopybuts();
  if (step == 0) ImageScrollBox1->SetZoomMode(zmOriginalSize);
  TImage* holder = spectrum_holder(step);
  ImageScrollBox1->SetGraphic(holder->Picture().Graphic());
  ImageScrollBox1->Redraw(true);
  ImageScrollBox1->VertScrollBar().SetVisible(false);
  SpectrumStep = step;
  Image1->Picture().Assign(&holder->Picture());
  // The palest saturation step leaves the return buttons as they are.
  if (step != 135) {
    imgResetSpectrum->Hide();
    imgResetpic->Hide();
  }
  imgGenSpec->Show();
  ImageScrollBox1->HorzScrollBar().SetPosition(SavedHorzScrollPos);
}
