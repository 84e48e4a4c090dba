// The sixteen palette slots: adding, replacing, selecting, deleting, compacting and clearing.
#include "platform/sysutils.hpp"
#include "platform/text_codec.hpp"
#include "storage/css_palette_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

void TForm1::fill_slot(int N, TColor c) {
  SlotRow& r = Slot(N);
  r.pan->Show();
  r.pan->SetTag(1);
  r.pan->SetColor(c);
  r.light->SetColor(LighterColor(c, 20));
  r.dark->SetColor(DarkerColor(c, 20));
  r.triad120->SetColor(TriadicRGB120(c));
  r.compli->SetColor(ComplementRGB(c));
  r.triad240->SetColor(TriadicRGB240(c));
}

void TForm1::rebuild_memo() {
  TStringList& lines = Memo1->Lines();
  lines.Clear();
  lines.Add("484B52");
  if (pan1()->Visible()) lines.SetStrings(0, ColorToHex(pan1()->Color()));
  for (int n = 2; n <= 16; ++n)
    if (panN(n)->Visible()) lines.Add(ColorToHex(panN(n)->Color()));
  Memo1->LinesChanged();
}

void TForm1::imgPickClick(TObject*) {
  // A mend: before anything was selected there is no colour to add; the add would store an empty
  // history line and leave the pick counter below zero.
  if (Label1->Caption().empty()) return;
  auto show_palette_tools = [this] {
    imgPaletteAll->SetHint("export all picked colors to a CSS palette file");
    imgPaletteAll->Show();
    imgSaveAll->SetHint("save all picked colors to disk");
    imgSaveAll->Show();
  };
  if (labPickSelect->Tag() == 1) {
    labPickSelectClick(this);
    imgSaveAll->Show();
    if (pan2()->Visible()) {
      show_palette_tools();
      imgGenPal->Hide();
      imgGenArtPal->Hide();
    } else {
      imgPaletteAll->Hide();
    }
    if (labMode->Caption() != "art  ") imgGenArtPal->Hide();
    return;
  }
  imgPick->SetHint("pick \r\n" + Label1->Caption());
  if (ImageScrollBox1->Tag() != 1) {
    // The selected colour was added already: it goes to the history, slot 1 leaves the palette.
    imgsavepanClick(1);
    pan1()->Hide();
    shuffle();
    imgPick->SetTag(16);
    pan16()->SetTag(0);
  } else {
    if (imgArt->Tag() == 1) {
      // Artist mode entered with no colour leaves the list empty: the colour becomes its line.
      TStringList& lines = Memo1->Lines();
      if (lines.Count() == 0) lines.Add(ColorToHex(pan->Color()));
      else lines.SetStrings(0, ColorToHex(pan->Color()));
      Memo1->LinesChanged();
    }
    imgPick->Hide();
    imgClearPicked->Show();
    imgVar->Show();
    if (Form2) Form2->Hide();
    ImageScrollBox1->SetTag(0);
    imgPick->SetTag(labImgPick->Tag() + 1);
    labImgPick->SetTag(imgPick->Tag());
    panResetColor->SetColor(pan->Color());
    panIntermediate->SetColor(pan->Color());
    reset_bars();
    pantrkspacer->SetColor(pan->Color());
    imgGenArtPal->Hide();
    panTrackBars->SetVisible(panSearch->Width() != 337);
    if (imgVar->Tag() != 1) {
      imgCollapsepanelClick(this);
    } else if (panSearch->Width() != 337) {
      imgVar->SetTag(0);
      imgVarClick(this);
    } else {
      imgCollapsepanelClick(this);
    }
    if (pan2()->Visible()) {
      show_palette_tools();
      imgGenPal->Hide();
      imgGenArtPal->Hide();
    } else {
      imgPaletteAll->Hide();
    }
    for (int n = 1; n <= 15; ++n)
      if (imgPick->Tag() == n && panN(n)->Tag() == 0) fill_slot(n, pan->Color());
    if (ColorToHex(pan16()->Color()) != "484B52") {
      imgPick->SetTag(16);
      pan16()->SetTag(0);
      shuffle();
    }
    if (imgPick->Tag() == 16 && pan16()->Tag() == 0) {
      fill_slot(16, pan->Color());
      for (TControl* c : std::initializer_list<TControl*>{imgTestPic, butProcessPic, imgcolrtone, imgLoadpic}) c->Show();
    }
  }
  if (pan2()->Visible()) show_palette_tools();
}

void TForm1::labPickSelectClick(TObject*) {
  const int n = imgPick->Tag();
  if (n < 1 || n > 16) return;
  fill_slot(n, pan->Color());
  if (n == 16)
    for (TControl* c : std::initializer_list<TControl*>{imgTestPic, butProcessPic, imgcolrtone, imgLoadpic}) c->Show();
}

void TForm1::imgpickCompli() {
  const std::string& t = edcolor->Text();
  // "$00" + BB + GG + RR: the text RRGGBB read as a colour.
  pan->SetColor(StrToInt("$00" + copy_characters(t, 5, 2) + copy_characters(t, 3, 2) + copy_characters(t, 1, 2)));
  ShowSelectedColor(pan->Color());
  ImageScrollBox1->SetTag(1);
  if (imgHistPick->Tag() != 1) labPickSelect->SetTag(0);
  imgPickClick(this);
  edcolor->SetText("$00484B52");
}

void TForm1::imgPickArtClick(TObject*) {
  TStringList& lines = Memo1->Lines();
  if (lines.Count() > 0 && lines[0] == "484B52") lines.Clear();
  lines.Add(ColorToHex(pan->Color()));
  Memo1->LinesChanged();
  set_picture_from(imgPickArt, imgpickartOK);
  imgPickArt->SetHint(ColorToHex(pan->Color()) + " added");
}

void TForm1::panClick(int N) {
  SlotRow& r = Slot(N);
  imgPick->SetTag(N);
  if (N == 3) r.pan->SetTag(0);  // slot 3 clears its filled mark when selected
  panResetColor->SetColor(r.pan->Color());
  hidelabselect();
  labPickSelect->SetTag(0);
  const bool mark = labMode->Caption() == "edit" && (N != 3 || r.pan->Visible());
  if (mark) {
    r.labpanselect->Font().SetColor(ComplementRGB(r.pan->Color()));
    r.labpanselect->Show();
    labPickSelect->SetTag(1);
  }
  imgResetClick(this);
  if (imgVar->Tag() == 1) {
    imgVar->SetTag(0);
    imgVarClick(this);
  }
}

void TForm1::panBaseClick(TObject*) {
  hidelabselect();
  labPickSelect->SetTag(0);
}

void TForm1::imgDelClick(int N) {
  SlotRow& r = Slot(N);
  if (N == 2 && labImgPick->Tag() < 2) {
    imgSaveAll->Hide();
    imgPaletteAll->Hide();
  }
  // Slot 1 loses its colour; so does slot 16, or the next add would find its old colour and
  // compact the palette once more than it should.
  if (N == 1 || N == 16) r.pan->SetColor(kEmptyColour);
  r.pan->Hide();
  r.pan->SetTag(0);
  shuffle();
  if (N == 1 && !pan1()->Visible()) {
    imgVar->Hide();
    imgVar->SetTag(0);
    panVar->SetWidth(0);
  }
  if (N != 16) {
    r.imgpanPal->SetHint("export this color to a CSS palette file");
    r.imgsavepan->SetHint("save this color to disk");
  }
  if (N == 1 && labImgPick->Tag() == 0) {
    for (TControl* c : std::initializer_list<TControl*>{panTrackBars, imgSave, imgPalette, imgSaveAll, imgPaletteAll, imgClearPicked})
      c->Hide();
    if (panSearch->Width() == 90) {
      panCompli->Hide();
      panTriad120->Hide();
      panTriad240->Hide();
      Memo1->Lines().Clear();
      Memo1->Lines().Add("484B52");
      Memo1->LinesChanged();
    }
  }
  if (N == 16) {
    imgTestPic->Hide();
    butProcessPic->Hide();
    imgcolrtone->Hide();
    imgLoadpic->Show();
  }
}

void TForm1::shuffle() {
  for (int n = 1; n <= 15; ++n) {
    TPanel* here = panN(n);
    TPanel* next = panN(n + 1);
    if (!here->Visible() && next->Visible()) {
      // The row below moves up. All of its cells are recomputed from the colour it brings (the
      // complement and neighbours by their toggles), so no row shows colours of another slot.
      here->SetColor(next->Color());
      here->Show();
      here->SetTag(1);
      recompute_row(n, here->Color());
      next->Hide();
      next->SetTag(0);
      next->SetColor(kEmptyColour);
      if (n == 15) {
        imgTestPic->Hide();
        butProcessPic->Hide();
        imgcolrtone->Hide();
        imgLoadpic->Show();
      }
    }
  }
  imgPick->Show();
  for (int n = 1; n <= 16; ++n)
    if (panN(n)->Visible() && panN(n)->Color() == pan->Color()) imgPick->Hide();
  ImageScrollBox1->SetTag(imgPick->Visible() ? 1 : 0);
  labImgPick->SetTag(labImgPick->Tag() - 1);
  if (imgArt->Tag() == 0) rebuild_memo();
  if (pan16()->Visible()) imgTestPic->Show();
  else imgLoadpic->Show();
  if (imgTestPic->Visible()) {
    butProcessPic->Show();
    imgcolrtone->Show();
  }
}

void TForm1::imgClearPickedClick(TObject*) {
  if (imgArt->Tag() == 0 && !pan1()->Visible()) {
    Memo1->Lines().Clear();
    Memo1->Lines().Add("484B52");
    Memo1->LinesChanged();
  }
  if (imgVar->Tag() == 1) imgVarClick(this);
  panSearch->SetWidth(90);
  panVar->SetWidth(0);
  for (int n = 1; n <= 16; ++n) {
    panN(n)->SetColor(kEmptyColour);
    panN(n)->Hide();
  }
  for (TControl* c : std::initializer_list<TControl*>{imgSaveAll, imgPaletteAll, imgVariantsPal, imgResetVariant}) c->Hide();
  imgPick->SetTag(0);
  // No slot is left to replace: a replace armed before the clear would swallow every later add.
  labPickSelect->SetTag(0);
  hidelabselect();
  for (int n = 1; n <= 16; ++n) panN(n)->SetTag(0);
  if (imgArt->Tag() == 0) imgVariantsPal->SetTag(0);
  imgClearPicked->Hide();
  // A clear always starts the pick counter again.
  labImgPick->SetTag(0);
  if (pan->Color() != kEmptyColour) {
    ImageScrollBox1->SetTag(1);
    imgPick->Show();
  }
  for (TControl* c : std::initializer_list<TControl*>{panTrackBars, panCompli, panTriad120, panTriad240}) c->Hide();
  for (int n = 1; n <= 16; ++n) {
    Slot(n).imgpanPal->SetHint("export this color+variants to a CSS palette file");
    Slot(n).imgsavepan->SetHint("save this color to disk");
  }
  set_picture_from(imgVar, imgVaron);
  imgVar->SetHint("see 80 variants");
  imgVar->Hide();
  for (TControl* c : std::initializer_list<TControl*>{imgTestPic, butProcessPic, imgcolrtone}) c->Hide();
  imgLoadpic->Show();
  imgResetpic->Hide();
}

void TForm1::imgClearPickedAllClick(TObject*) {
  if (FileExists(kWorkingPaletteFile)) DeleteFile(kWorkingPaletteFile);
  Memo1->Lines().Clear();
  Memo1->Lines().Add("484B52");
  Memo1->LinesChanged();
  imgClearPickedClick(this);
}
