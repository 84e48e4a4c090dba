// The colour history: saving slot colours, previewing, picking back, deleting and clearing.
#include "storage/history_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"

namespace {

// The colour of a history entry (its characters 4-9), when they are a colour.
bool entry_colour(const std::string& entry, TColor& c) {
  try {
    c = WebColorStrToColor(history_hex_text(entry));
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

}  // namespace

void TForm1::imgsavepanClick(int N) {
  if (N >= 2) panClick(N);
  ListBox1->Add(Label1->Caption());
  ListBox1->SetItemIndex(ListBox1->Count() - 1);
  SlotRow& r = Slot(N);
  // Slot 10 names its whole readout line in the hint.
  r.imgsavepan->SetHint(N == 10 ? Label1->Caption() + " saved" : ColorToHex(pan->Color()) + " saved");
  r.labpan->Show();
  r.labpan->SetCaption("saved");
}

void TForm1::imgSaveClick(TObject*) {
  const int N = imgPick->Tag();
  if (N >= 1 && N <= 16) imgsavepanClick(N);
  imgPopClick(this);
  imgSave->SetHint(ColorToHex(pan->Color()) + " saved");
}

void TForm1::imgSaveAllClick(TObject*) {
  for (int N = 1; N <= 16; ++N) {
    if (!panN(N)->Visible()) continue;
    if (N == 1) {
      // Slot 1 stores its own colour, whatever colour is selected.
      ListBox1->Add(HistoryLine(pan1()->Color()));
      ListBox1->SetItemIndex(ListBox1->Count() - 1);
      Slot(1).imgsavepan->SetHint(ColorToHex(pan1()->Color()) + " saved");
      Slot(1).labpan->Show();
      Slot(1).labpan->SetCaption("saved");
    } else {
      imgsavepanClick(N);
    }
  }
  imgPopClick(this);
  ListBox1->SetItemIndex(ListBox1->Count() - 1);
  imgSaveAll->SetHint("all saved");
}

void TForm1::imgPopClick(TObject*) {
  const int t = ListBox1->TopIndex();
  const int c = ListBox1->Count();
  for (int k = 0; k < 30; ++k) {
    TColor colour = panSearch->Color();
    if (t + k < c) entry_colour(ListBox1->Item(t + k), colour);
    Panel[static_cast<size_t>(k + 1)]->SetColor(colour);
  }
  ListBox1->SetTag(t);
}

void TForm1::ListBox1Click(TObject*) { show_history_entry(true); }

void TForm1::show_history_entry(bool report) {
  imgPopClick(this);
  const int i = ListBox1->ItemIndex();
  if (i < 0 || i >= ListBox1->Count()) return;
  TColor c;
  try {
    c = WebColorStrToColor(history_hex_text(ListBox1->Item(i)));
  } catch (const EConvertError&) {
    // A mend: an entry that is not a colour hides the preview, so that copy and pick never act
    // on the colour previewed before.
    panhistcolor->Hide();
    if (report) throw;
    return;
  }
  panhistcolor->SetColor(c);
  imgHistCopy->SetHint("copy color to clipboard");
  set_picture_from(imgHistCopy, imghistcopyblu);
  labHistory->Font().SetColor(caption_font_colour(c));
  labHistory->SetCaption(history_hex_text(ListBox1->Item(i)));
  panhistcolor->Show();
  panTriad120->SetColor(TriadicRGB120(c));
  panCompli->SetColor(ComplementRGB(c));
  panTriad240->SetColor(TriadicRGB240(c));
  panTriad120->Show();
  panCompli->Show();
  panTriad240->Show();
  pandark->SetColor(DarkerColor(c, 20));
  panlight->SetColor(LighterColor(c, 20));
  if (pan16()->Visible()) {
    for (TControl* x : std::initializer_list<TControl*>{imgTestPic, butProcessPic, imgcolrtone, imgLoadpic}) x->Show();
    imgSaveTest->Hide();
  }
}

void TForm1::imgHistPickClick(TObject*) {
  if (!panhistcolor->Visible()) return;  // no entry previewed
  imgHistPick->SetTag(1);
  edcolor->SetText(ColorToHex(panhistcolor->Color()));
  pan->SetColor(panhistcolor->Color());
  imgpickCompli();
  imgExtendColorPanelClick(this);
  imgVar->Show();
  rebuild_memo();
  working_palette_save();
  const bool several = imgPick->Tag() > 1;
  imgSaveAll->SetVisible(several);
  imgPaletteAll->SetVisible(several);
  if (imgPaletteAll->Visible()) {
    imgGenArtPal->Hide();
    imgGenPal->Hide();
  }
  labPickSelect->SetTag(0);
  hidelabselect();
  imgCollapsepanelClick(this);
}

void TForm1::imgClearItemClick(TObject*) {
  // The palette-file list has its own delete mode; otherwise the history is shown.
  if (imgCSS->Tag() == 1) {
    enter_palette_delete_mode();
    return;
  }
  ListBox2->SendToBack();
  imgCSS->SetTag(0);
  const int i = ListBox1->ItemIndex();
  if (i > 0 && i < ListBox1->Count()) ListBox1->Delete(i);
  imgPopClick(this);
  ListBox1->SetItemIndex(ListBox1->Count() - 1);
  ListBox1->SetFocus();
  show_history_entry(false);
}

void TForm1::imgClearHistoryClick(TObject*) {
  ListBox2->SendToBack();
  imgCSS->SetTag(0);
  if (ListBox1->Count() == 0) return;  // nothing to keep, nothing to clear
  const std::string first = ListBox1->Item(0);
  ListBox1->SetItems({first});
  TColor colour = panSearch->Color();
  entry_colour(ListBox1->Item(ListBox1->TopIndex()), colour);
  Panel[1]->SetColor(colour);
  for (int k = 2; k <= 30; ++k) Panel[static_cast<size_t>(k)]->SetColor(panSearch->Color());
}
