// The five derived cells of each slot row, their toggles, and making a colour the selected one.
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"

namespace {

struct CellRule {
  TColor (*standard)(TColor);
  TColor (*alternative)(TColor);
  const char* standard_hint;
  const char* alternative_hint;
};

TColor darker20(TColor c) { return DarkerColor(c, 20); }
TColor darker40(TColor c) { return DarkerColor(c, 40); }
TColor lighter20(TColor c) { return LighterColor(c, 20); }
TColor lighter40(TColor c) { return LighterColor(c, 40); }

const CellRule& rule(CellKind kind) {
  static const CellRule rules[5] = {
      {ComplementRGB, ComplementHLS, "rgb complementary", "hsl complementary"},
      {TriadicRGB120, AnalogicPlus15, "rgb triadic +135\u00B0", "hsl analogic +15\u00B0"},
      {TriadicRGB240, AnalogicMinus15, "rgb triadic -135\u00B0", "hsl analogic -15\u00B0"},
      {darker20, darker40, "20% darker", "40% darker"},
      {lighter20, lighter40, "20% lighter", "40% lighter"},
  };
  return rules[static_cast<int>(kind)];
}

}  // namespace

void TForm1::cellClick(int N, CellKind kind) {
  TPanel* cell = Cell(N, kind);
  const CellRule& r = rule(kind);
  const TColor s = panN(N)->Color();
  if (cell->Tag() != 0) {
    cell->SetTag(0);
    cell->SetColor(r.standard(s));
    cell->SetHint(r.standard_hint);
  } else {
    cell->SetTag(1);
    cell->SetColor(r.alternative(s));
    cell->SetHint(r.alternative_hint);
  }
}

void TForm1::cellPickClick(int N, CellKind kind) {
  pan->SetColor(Cell(N, kind)->Color());
  panVarChoose();
}

void TForm1::sideCellClick(TPanel* cell) {
  pan->SetColor(cell->Color());
  panVarChoose();
}

void TForm1::panVarChoose() {
  const TColor c = pan->Color();
  edcolor->SetText(ColorToHex(c));
  ShowColorBars(c);
  panBlowColor->SetColor(c);
  panBlowCaption->SetColor(c);
  panBlowCaption->SetCaption(ColorToHex(c));
  const TColor font = caption_font_colour(c);
  Label1->Font().SetColor(font);
  panBlowCaption->Font().SetColor(font);
  Label1->SetCaption(HistoryLine(c));
  ImageScrollBox1->SetTag(1);
  imgPick->SetVisible(c != panResetColor->Color());
  imgPickArt->Hide();
  imgPickArt->SendToBack();
  if (imgResetpic->Visible() && pan16()->Visible()) {
    imgPickArt->Show();
    imgPickArt->BringToFront();
  }
}

void TForm1::panMouseMove(TObject*, TShiftState, int, int) { ShowColorBars(pan->Color()); }

RowColours TForm1::recomputed_row(int N, TColor p) {
  SlotRow& r = Slot(N);
  return RowColours{p,
                    DarkerColor(p, 20),
                    LighterColor(p, 20),
                    r.triad120->Tag() != 0 ? AnalogicPlus15(p) : TriadicRGB120(p),
                    r.compli->Tag() != 0 ? ComplementHLS(p) : ComplementRGB(p),
                    r.triad240->Tag() != 0 ? AnalogicMinus15(p) : TriadicRGB240(p)};
}

void TForm1::recompute_row(int N, TColor p) {
  SlotRow& r = Slot(N);
  const RowColours c = recomputed_row(N, p);
  r.light->SetColor(c.light);
  r.dark->SetColor(c.dark);
  r.triad120->SetColor(c.triad120);
  r.compli->SetColor(c.compli);
  r.triad240->SetColor(c.triad240);
}
