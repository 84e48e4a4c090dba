// The variant grid: the selected colour, its complement and two neighbours with their tones and
// channel shifts; the switches of the three derivations; the 16-variant palettes.
#include "storage/css_palette_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"
#include "workbench/variant_grid_rows.hpp"

void TForm1::fill_var_row(VarRow row, TColor base) {
  const VarRowRule& rule = var_row_rules()[static_cast<size_t>(row)];
  for (int i = 1; i <= 6; ++i) {
    const Byte percent = var_cell_percent(i);
    VarCell(row, i)->SetColor(i <= 3 ? rule.down(base, percent) : rule.up(base, percent));
  }
}

void TForm1::fill_var_block(TColor base, TPanel* base_cell, std::initializer_list<VarRow> rows) {
  // The working cell of the side panel ends up holding the last base colour computed.
  panCompli->SetColor(base);
  base_cell->SetColor(base);
  for (VarRow row : rows) fill_var_row(row, base);
}

void TForm1::imgVarClick(TObject*) {
  if (Form2) Form2->Hide();
  ListBox2->SendToBack();
  imgCSS->SetTag(0);
  if (imgVar->Tag() != 0) {
    imgVar->SetTag(0);
    set_picture_from(imgVar, imgVaron);
    imgVar->SetHint("see chromatic mixes");
    panSearch->SetWidth(90);
    panVar->SetWidth(0);
    panArt->SetWidth(0);
    imgEdColor->Show();
    edcolor->SetTag(0);
    imgedcolorsearch->Show();
    imgVariantsPal->Hide();
    imgResetVariant->Hide();
    return;
  }
  imgCollapsepanelClick(this);
  imgSaveAll->SetVisible(imgPick->Tag() > 1);
  if (imgPick->Tag() > 1) {
    imgPaletteAll->SetHint("export all picked colors to a CSS palette file");
    imgPaletteAll->Show();
    imgSaveAll->SetHint("save all picked colors to disk");
    imgSaveAll->Show();
    imgGenPal->Hide();
    imgGenArtPal->Hide();
  } else {
    imgPaletteAll->Hide();
  }
  imgVar->SetTag(1);
  imgArt->SetTag(0);
  set_picture_from(imgVar, imgVaroff);
  imgVar->SetHint("hide chromatic mixes");
  set_picture_from(imgArt, imgArton);
  imgArt->SetHint("example artists palettes");
  panSearch->SetWidth(240);
  panVar->SetWidth(210);
  panArt->SetWidth(0);
  imgEdColor->Hide();
  edcolor->SetTag(0);
  imgedcolorsearch->Hide();
  imgVariantsPal->Show();

  const TColor c = pan->Color();
  panVarorg->SetColor(c);
  for (VarRow row : {VarRow::tone, VarRow::red, VarRow::yel, VarRow::grn}) fill_var_row(row, c);
  // Each block keeps its derivation: a switched block is switched off and on again, which
  // fills it the switched way.
  if (imgVarcomp->Tag() != 1) {
    fill_var_block(ComplementRGB(c), panVarcompli, {VarRow::cyn, VarRow::blu, VarRow::mag});
  } else {
    imgVarcomp->SetTag(0);
    imgVarcompClick(this);
  }
  if (imgVartriad1->Tag() != 1) {
    fill_var_block(AnalogicPlus15(c), pantri1, {VarRow::tri1red, VarRow::tri1grn, VarRow::tri1blu});
  } else {
    imgVartriad1->SetTag(0);
    imgVartriad1Click(this);
  }
  if (imgVartriad2->Tag() != 1) {
    fill_var_block(AnalogicMinus15(c), panTri2, {VarRow::tri2red, VarRow::tri2grn, VarRow::tri2blu});
  } else {
    imgVartriad2->SetTag(0);
    imgVartriad2Click(this);
  }
}

void TForm1::imgVarcompClick(TObject*) {
  const TColor c = pan->Color();
  TColor k;
  if (imgVarcomp->Tag() != 0) {
    imgVarcomp->SetTag(0);
    labVarcomp->SetCaption("toggle complement RGB to HSL");
    k = ComplementRGB(c);
  } else {
    imgVarcomp->SetTag(1);
    labVarcomp->SetCaption("toggle complement HSL to RGB");
    k = ComplementHLS(c);
  }
  fill_var_block(k, panVarcompli, {VarRow::cyn, VarRow::blu, VarRow::mag});
}

void TForm1::imgVartriad1Click(TObject*) {
  const TColor c = pan->Color();
  TColor t1;
  if (imgVartriad1->Tag() != 1) {
    imgVartriad1->SetTag(1);
    labVartriad1->SetCaption("toggle triadic +135\u00B0 RGB to HSL");
    t1 = TriadicRGB120(c);
  } else {
    imgVartriad1->SetTag(0);
    labVartriad1->SetCaption("toggle analogic +15\u00B0 HSL to RGB");
    t1 = AnalogicPlus15(c);
  }
  fill_var_block(t1, pantri1, {VarRow::tri1red, VarRow::tri1grn, VarRow::tri1blu});
}

void TForm1::imgVartriad2Click(TObject*) {
  const TColor c = pan->Color();
  TColor t2;
  if (imgVartriad2->Tag() != 1) {
    imgVartriad2->SetTag(1);
    labVartriad2->SetCaption("toggle triadic -135\u00B0 RGB to HSL");
    t2 = TriadicRGB240(c);
  } else {
    imgVartriad2->SetTag(0);
    labVartriad2->SetCaption("toggle analogic -15\u00B0 HSL to RGB");
    t2 = AnalogicMinus15(c);
  }
  fill_var_block(t2, panTri2, {VarRow::tri2red, VarRow::tri2grn, VarRow::tri2blu});
}

void TForm1::panVarCellClick(TPanel* cell) {
  pan->SetColor(cell->Color());
  panVarChoose();
}

void TForm1::imgVariantsPalClick(TObject*) {
  // The cells are read as they stand: the grid is filled again only at the end.
  const bool selection_a = imgVariantsPal->Tag() == 0;
  if (selection_a) {
    set_picture_from(imgVariantsPal, imgVariantPal2);
    imgVariantsPal->SetHint("add alternate 16 variant palette");
  } else {
    set_picture_from(imgVariantsPal, imgVariantPal3);
    imgVariantsPal->SetHint("add 16 variant palette from current color");
  }
  // A mend: the own-palette list follows the slots only at compaction, so after picks by hand it
  // may lack some; it is listed from the slots now, as "return to your source palette" restores
  // it. Not while a variant palette is on the slots (the return is offered): the list holds the
  // palette it came from.
  if (imgArt->Tag() == 0 && labMode->Caption() == "edit" && pan1()->Visible() && !imgResetVariant->Visible())
    rebuild_memo();
  imgClearPickedClick(this);
  imgCSSClick(this);
  load_working_palette();
  imgPickClick(this);
  for (const char* name : selection_a ? kVariantSelectionA : kVariantSelectionB) {
    if (auto* cell = dynamic_cast<TPanel*>(Find(name))) panVarCellClick(cell);
    imgPickClick(this);
  }
  if (selection_a) {
    imgVariantsPal->SetTag(1);
    imgPick->SetTag(16);
  } else {
    imgVariantsPal->SetTag(0);
  }
  panBlowColor->SetColor(pan1()->Color());
  panBlowCaption->SetColor(pan1()->Color());
  imgVarClick(this);
  for (TControl* c : std::initializer_list<TControl*>{imgTestPic, butProcessPic, imgcolrtone, imgLoadpic, imgSaveAll})
    c->Show();
  if (pan2()->Visible()) {
    imgPaletteAll->SetHint("export all picked colors to a CSS palette file");
    imgPaletteAll->Show();
    imgSaveAll->SetHint("save all picked colors to disk");
    imgSaveAll->Show();
    imgGenPal->Hide();
    imgGenArtPal->Hide();
    imgResetVariant->SetHint("return to your source palette");
    imgResetVariant->Show();
    imgSaveTest->Hide();
  } else {
    imgPaletteAll->Hide();
  }
  if (labMode->Caption() != "art  ") imgGenArtPal->Hide();
}
