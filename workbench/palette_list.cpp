// The list of the palette files in the current folder: opening and leaving it, loading a file
// into the slots, the first colour of each listed palette in the cells beside it, and deleting.
#include "platform/sysutils.hpp"
#include "platform/text_codec.hpp"
#include "storage/css_palette_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"

namespace {

// The colour of a cell beside the palette list that shows no palette.
constexpr TColor kEmptyListCell = 0x00566050;

// The first colour of a palette file written by the program, from its name: "Tintbox" and six
// hexadecimal digits. Other names, and "Ti" names whose digits are no colour, have none.
bool palette_name_colour(const std::string& name, TColor& c) {
  if (!is_own_palette_file_name(name)) return false;
  try {
    c = WebColorStrToColor(palette_file_name_hex(name));
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

}  // namespace

void TForm1::wire_palette_list() {
  for (TImage* b : {imgCSS, imgCSSload, imgCSSoff}) b->OnClick = [this](TObject* s) { imgCSSClick(s); };
  ListBox2->OnClick = [this](TObject* s) { ListBox2Click(s); };
  ListBox2->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { ListBox2MouseMove(s, sh, x, y); };
}

void TForm1::imgCSSClick(TObject*) {
  labPickSelect->SetTag(0);
  hidelabselect();
  working_palette_save();
  if (imgCSS->Tag() == 0) {
    ListBox2->Clear();
    for (const std::string& name : FindFiles(GetCurrentDir(), "*.css")) ListBox2->Add(name);
    imgExtendpanelClick(this);
    ListBox2->BringToFront();
    imgCSS->SetTag(1);
    getCSSprime();
    ListBox2->SetHint("your saved palettes");
    imgClearItem->SetHint("delete a palette from list");
    imgCSS->SetHint("return to your palette");
    set_picture_from(imgCSS, imgCSSoff);
    imgClearHistory->Hide();
    imgHistPick->Hide();
    imgExtendpanel->Show();
    labPickSelect->SetTag(0);
    hidelabselect();
    return;
  }
  labPickSelect->SetTag(0);
  hidelabselect();
  imgClearCSS->SetTag(0);
  imgClearCSS->Hide();
  imgClearCSS->SendToBack();
  ListBox2->SendToBack();
  // A mend: the working palette comes back whether or not an entry is selected (a deleted entry
  // leaves none, and the slots still show its file), and leaving delete mode deletes nothing.
  if (FileExists(kWorkingPaletteFile)) load_working_palette(true);
  else imgClearPickedClick(this);
  imgCSSload->SetTag(0);
  imgGenArtPal->Hide();
  imgCollapsepanelClick(this);
}

void TForm1::restore_working_palette() {
  if (FileExists(kWorkingPaletteFile)) load_working_palette();
}

void TForm1::load_working_palette(bool whatever_selected) {
  imgCSSload->SetTag(1);
  // The flag goes back whatever the load meets.
  struct Reset {
    TImage* flag;
    ~Reset() { flag->SetTag(0); }
  } reset{imgCSSload};
  if (whatever_selected) load_palette_file(ListBox2->ItemIndex());
  else ListBox2Click(this);
}

void TForm1::ListBox2Click(TObject*) {
  if (imgCSS->Tag() == 2) {
    getCSSprime();
    imgClearCSSClick(this);
    return;
  }
  const int selected = ListBox2->ItemIndex();
  if (selected < 0) return;
  load_palette_file(selected);
}

void TForm1::load_palette_file(int selected) {
  // The whole file is read first: a file that cannot be read changes nothing.
  const std::string file = imgCSSload->Tag() == 1 ? std::string(kWorkingPaletteFile) : ListBox2->Item(selected);
  const std::vector<CssPosition> positions = read_css_palette_positions(file);

  imgClearPickedClick(this);
  Memo1->Lines().Clear();
  Memo1->LinesChanged();
  for (size_t k = 0; k < positions.size(); ++k) {
    const CssPosition& p = positions[k];
    if (p.generator) continue;
    edcolor->SetText(p.text);
    if (character_count(p.text) != 6) continue;
    // Text that is no colour raises the conversion error here: the slots picked so far stay.
    imgpickCompli();
    // The selected slot and the own-palette line follow the position: in a file the program
    // wrote, position k fills slot k.
    const int position = static_cast<int>(k) + 1;
    imgPick->SetTag(position);
    Memo1->Lines().Add(ColorToHex(panN(position)->Color()));
    Memo1->LinesChanged();
  }

  if (pan2()->Visible()) imgSaveAll->Show();
  imgExtendpanelClick(this);
  imgExtendpanel->Show();
  ListBox2->BringToFront();
  imgCSS->SetTag(1);
  imgCSS->SetHint("return to your palette");
  set_picture_from(imgCSS, imgCSSoff);
  if (pan16()->Visible()) {
    imgTestPic->Show();
    butProcessPic->Show();
    imgcolrtone->Show();
    imgSaveTest->Hide();
  }
  ListBox2->SetItemIndex(selected);
  imgPaletteAll->Hide();
  imgGenArtPal->Show();
  imgClearHistory->Hide();
  labPickSelect->SetTag(0);
  hidelabselect();
  if (ListBox2->ItemIndex() >= 0) {
    const TColor c = pan1()->Color();
    panhistcolor->SetColor(c);
    labHistory->SetCaption(ColorToHex(c));
    labHistory->Font().SetColor(caption_font_colour(c));
    panhistcolor->Show();
    panTriad120->SetColor(TriadicRGB120(c));
    panCompli->SetColor(ComplementRGB(c));
    panTriad240->SetColor(TriadicRGB240(c));
    panTriad120->Show();
    panCompli->Show();
    panTriad240->Show();
    pandark->SetColor(DarkerColor(c, 20));
    panlight->SetColor(LighterColor(c, 20));
  }
  imgHistPick->Hide();
}

void TForm1::ListBox2MouseMove(TObject*, TShiftState, int, int) { getCSSprime(); }

void TForm1::getCSSprime() {
  const int t = ListBox2->TopIndex();
  const int count = ListBox2->Count();
  for (int k = 0; k < 30; ++k) {
    TColor c = kEmptyListCell;
    if (t + k < count && !palette_name_colour(ListBox2->Item(t + k), c)) c = kEmptyListCell;
    Panel[static_cast<size_t>(k + 1)]->SetColor(c);
  }
  ListBox2->SetTag(t);
}

void TForm1::enter_palette_delete_mode() {
  ListBox2->SetFocus();
  imgCSS->SetTag(2);
  ListBox2->SetItemIndex(0);
  ListBox2->SetHint("select a CSS palette file to delete");
  imgClearItem->Hide();
  imgClearCSS->SetTag(1);
  imgClearCSS->Show();
  imgClearCSS->BringToFront();
}

void TForm1::imgClearCSSClick(TObject*) {
  // Only names the folder listing gave are deleted; a failed delete leaves the file listed.
  const int i = ListBox2->ItemIndex();
  if (i >= 0 && i < ListBox2->Count()) DeleteFile(ListBox2->Item(i));
  imgCSS->SetTag(0);
  imgCSSClick(this);
}

void TForm1::palette_cell_click(int K) {
  ListBox2->SetItemIndex(ListBox2->TopIndex() + K - 1);
  ListBox2Click(this);
  getCSSprime();
  imgClearHistory->Hide();
}
