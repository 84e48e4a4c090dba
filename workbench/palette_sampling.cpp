// Filling or reordering the whole palette from what the picture view shows: sampling the screen
// over the view, taking over a painter's palette, opening a user picture, and the tone sort.
#include <vector>

#include "image/dib_graphic.hpp"
#include "platform/sysutils.hpp"
#include "storage/css_palette_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"
#include "workbench/readout.hpp"
#include "workbench/sample_points.hpp"
#include "workbench/tone_sort.hpp"

namespace {

constexpr const char* kPictureFilter =
    "Pictures(*.png;*.jpeg;*.jpg;*.tiff;*.tif;*.bmp;*.tif;*.tiff)|*.png;*.jpeg;*.jpg;*.tiff;*.tif;*.bmp;*.tif;*.tiff|"
    "Portable Network Graphics (*.png)|*.png|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|"
    "Bitmaps (*.bmp)|*.bmp|TIFF Images (*.tif)|*.tif|TIFF Images (*.tiff)|*.tiff";

}  // namespace

void TForm1::create_sampling() {
  OpenPictureDialog1 = new TOpenPictureDialog(this);
  OpenPictureDialog1->SetName("OpenPictureDialog1");
  OpenPictureDialog1->SetFilter(kPictureFilter);
}

void TForm1::wire_sampling() {
  imgGenPal->OnClick = [this](TObject* s) { imgGenPalClick(s); };
  imgGenSpec->OnClick = [this](TObject* s) { imgGenSpecClick(s); };
  imgGenArtPal->OnClick = [this](TObject* s) { imgGenArtPalClick(s); };
  imgLoadpic->OnClick = [this](TObject* s) { imgLoadpicClick(s); };
  imgcolrtone->OnClick = [this](TObject* s) { imgcolrtoneClick(s); };
}

void TForm1::sample_view(const std::array<TPoint, 16>& points) {
  // What is read is the screen: the view is brought up to date first.
  ImageScrollBox1->Repaint();
  for (const TPoint& p : points) {
    const TPoint screen = ImageScrollBox1->ClientToScreen(p);
    const std::uint32_t read = ScreenPixelColor(screen.X, screen.Y);
    // A pixel that cannot be read is not a colour of the picture: it is never added.
    if (read == CLR_INVALID) continue;
    pan->SetColor(static_cast<TColor>(read));
    edcolor->SetText(ColorToHex(pan->Color()));
    imgpickCompli();
  }
}

void TForm1::imgGenPalClick(TObject*) {
  imgGenPal->Hide();
  imgClearPickedClick(this);
  sample_view(sample_points_for(imgGenPal->Hint() == kTestImagePaletteHint, imgTestPic->Tag()));
  // The recolouring tools and the tone sort need all sixteen slots.
  if (pan16()->Visible()) {
    imgTestPic->Show();
    butProcessPic->Show();
    imgcolrtone->Show();
  }
  imgLoadpic->Show();
  imgResetSpectrum->Show();
  imgResetpic->Hide();
  imgGenSpec->Hide();
  imgCSS->SetTag(0);
  imgCSS->SetHint("load a palette");
  set_picture_from(imgCSS, imgCSSload);
  working_palette_save();
}

void TForm1::imgGenSpecClick(TObject*) {
  SavedHorzScrollPos = ImageScrollBox1->HorzScrollBar().Position();
  imgGenPal->Hide();
  imgClearPickedClick(this);
  sample_view(kGridSamplePoints);
  if (pan16()->Visible()) {
    imgTestPic->Show();
    butProcessPic->Show();
    imgcolrtone->Show();
  }
  imgLoadpic->Show();
  working_palette_save();
  rebuild_memo();
}

void TForm1::imgGenArtPalClick(TObject*) {
  // A mend: only a full palette is taken over. The colours of a shorter one would be added again
  // after themselves, together with the empty colour of its free slots, garbling the palette.
  if (!pan16()->Visible()) {
    imgGenArtPal->Hide();
    return;
  }
  labPickSelect->SetTag(0);
  hidelabselect();
  // The sixteenth colour waits in the search field while the slots are rewritten.
  edcolorsearch->Show();
  edcolorsearch->SetText(ColorToHex(pan16()->Color()));
  for (int n = 1; n <= 15; ++n) {
    if (n == 15) labPickSelect->SetTag(0);
    edcolor->SetText(ColorToHex(panN(n)->Color()));
    imgpickCompli();
  }
  // With the caption empty, selecting slot 1 does not mark it for editing.
  labMode->SetCaption("");
  panClick(1);
  labMode->SetCaption("edit");
  labPickSelect->SetTag(0);
  edcolor->SetText(edcolorsearch->Text());
  imgpickCompli();
  imgGenArtPal->Hide();
  edcolorsearch->SetText("");
  if (pan1()->Color() != kEmptyColour) {
    labMode->SetCaption("");
    panClick(1);
    labMode->SetCaption("edit");
  } else {
    imgVar->SetTag(0);
    panVar->SetWidth(0);
    panSearch->SetWidth(90);
    imgVar->Hide();
  }
  set_picture_from(imgArt, imgArton);
  imgArt->SetHint("example artists palettes");
  imgResetpic->Hide();
  if (!imgResetSpectrum->Visible()) imgGenSpec->Show();
  imgPickArt->Hide();
  imgPickArt->SendToBack();
  imgPickArt->SetTag(0);
  imgArt->SetTag(0);
  showDelbuts();
  if (pan1()->Color() != kEmptyColour) imgVar->Show();
  imgLoadpic->Show();
  for (TControl* c : std::initializer_list<TControl*>{imgSaveTest, imgTestPic, butProcessPic}) c->Hide();
  for (TControl* c : std::initializer_list<TControl*>{imgCSS, imgEdColor, imgClearPicked, imgcolrtone}) c->Show();
  imgPaletteAll->Hide();
  if (pan16()->Visible()) imgTestPic->Show();
  else imgLoadpic->Show();
  if (imgTestPic->Visible()) {
    butProcessPic->Show();
    // The painter's palette is now the own palette: the adds above listed the slots (the first
    // one left artist mode), and the list's last line takes slot 16's colour. A list without a
    // sixteenth line keeps its lines.
    TStringList& lines = Memo1->Lines();
    if (lines.Count() > 15) {
      lines.SetStrings(15, ColorToHex(pan16()->Color()));
      Memo1->LinesChanged();
    }
    imgcolrtone->Show();
    if (FileExists(kWorkingPaletteFile)) DeleteFile(kWorkingPaletteFile);
  }
}

void TForm1::imgLoadpicClick(TObject*) {
  if (!OpenPictureDialog1->Execute()) return;
  const std::string name = OpenPictureDialog1->FileName();
  if (!FileExists(name)) return;
  // A file the decoders make nothing of raises here, and the view keeps the picture it shows.
  ImageScrollBox1->LoadFromFile(name, 0);
  ImageScrollBox1->SetZoomMode(zmFitHeight);
  ImageScrollBox1->VertScrollBar().SetVisible(false);
  ImageScrollBox1->Redraw(true);
  ImageScrollBox1->VertScrollBar().SetVisible(false);
  if (labMode->Caption() == "history") imgCollapsepanelClick(this);
  // Both tests look anywhere in the full path, case-sensitively.
  imgGenPal->SetHint(name.find("testimage") != std::string::npos ? kTestImagePaletteHint : "attempt to create palette");
  imgTestPic->SetTag(name.find("_1") != std::string::npos ? 1 : 0);
  imgGenPal->Show();
  for (TControl* c : std::initializer_list<TControl*>{imgPaletteAll, imgVar, imgSaveTest}) c->Hide();
  if (pan16()->Visible()) imgTestPic->Show();
  imgResetSpectrum->Show();
  imgGenSpec->Hide();
}

void TForm1::imgcolrtoneClick(TObject*) {
  // All sixteen slots take part, filled or not (the button is offered with a full palette).
  std::vector<TColor> colours;
  for (int n = 1; n <= 16; ++n) colours.push_back(panN(n)->Color());
  const std::vector<TColor> sorted = sort_by_tone(colours);
  for (int n = 1; n <= 16; ++n) {
    panN(n)->SetColor(sorted[static_cast<size_t>(n - 1)]);
    panClick(n);
  }
  panClick(1);
  imgcolrtone->Hide();
  imgPaletteAll->SetVisible(!imgGenPal->Visible() && !imgGenArtPal->Visible() && pan2()->Visible());
  if (pan2()->Visible()) imgSaveAll->Show();
  labPickSelect->SetTag(0);
  hidelabselect();
}
