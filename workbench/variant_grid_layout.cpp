// The components of the variant grid: 4 base cells, 78 variant cells in 13 rows and the three
// switches below them, made from tables keyed by their names.
#include <cstdio>

#include "workbench/main_window.hpp"
#include "workbench/variant_grid_rows.hpp"

namespace {

constexpr TColor kGridCellColour = kDesignPanelColour;

// The base cells in column 90: name, member, top, height, hint.
struct BaseCell {
  const char* name;
  TPanel* TForm1::*member;
  int top;
  int height;
  const char* hint;
};

const BaseCell kBaseCells[] = {
    {"panVarorg", &TForm1::panVarorg, 0, 120, "original"},
    {"pantri1", &TForm1::pantri1, 120, 90, "triadic +135\u00B0"},
    {"panTri2", &TForm1::panTri2, 210, 90, "triadic -135\u00B0"},
    {"panVarcompli", &TForm1::panVarcompli, 300, 90, "complement"},
};

// The switches under the grid: image, label, top of the image, caption at start.
struct GridSwitch {
  const char* image;
  TImage* TForm1::*image_member;
  const char* label;
  TLabel* TForm1::*label_member;
  int top;
  const char* caption;
};

const GridSwitch kSwitches[] = {
    {"imgVartriad1", &TForm1::imgVartriad1, "labVartriad1", &TForm1::labVartriad1, 390,
     "toggle triadic +135\u00B0 HSL to RGB"},
    {"imgVartriad2", &TForm1::imgVartriad2, "labVartriad2", &TForm1::labVartriad2, 420,
     "toggle triadic -135\u00B0 HSL to RGB"},
    {"imgVarcomp", &TForm1::imgVarcomp, "labVarcomp", &TForm1::labVarcomp, 450, "toggle complement RGB to HSL"},
};

// Left edges of cells 1..6: the downward steps left of the base column, the upward ones right.
constexpr int kCellLeft[7] = {0, 0, 30, 60, 120, 150, 180};

}  // namespace

void TForm1::create_variant_grid() {
  // The open grid lies above the side panel's lists, which stay where history mode left them.
  panVar->BringToFront();
  for (const BaseCell& b : kBaseCells)
    this->*b.member = make_panel(b.name, panVar, 90, b.top, 30, b.height, kGridCellColour, b.hint);
  for (const VarRowRule& r : var_row_rules()) {
    auto& cells = panVarRows[static_cast<size_t>(r.row)];
    for (int i = 1; i <= 6; ++i)
      cells[static_cast<size_t>(i)] =
          make_panel(var_cell_name(r, i), panVar, kCellLeft[i], r.top, 30, 30, kGridCellColour, r.hints[i - 1]);
  }
  for (const GridSwitch& s : kSwitches) {
    this->*s.image_member = make_button(s.image, panVar, 0, s.top, "");
    this->*s.label_member = make_label(s.label, panVar, 32, s.top + 8, s.caption, clWhite);
    (this->*s.label_member)->SetCursor(crHandPoint);
  }
}

void TForm1::wire_variant_grid() {
  auto click = [this](TControl* c, void (TForm1::*handler)(TObject*)) {
    c->OnClick = [this, handler](TObject* s) { (this->*handler)(s); };
  };
  click(imgVar, &TForm1::imgVarClick);
  click(imgVarcomp, &TForm1::imgVarcompClick);
  click(labVarcomp, &TForm1::imgVarcompClick);
  click(imgVartriad1, &TForm1::imgVartriad1Click);
  click(labVartriad1, &TForm1::imgVartriad1Click);
  click(imgVartriad2, &TForm1::imgVartriad2Click);
  click(labVartriad2, &TForm1::imgVartriad2Click);
  click(imgVariantsPal, &TForm1::imgVariantsPalClick);
  for (TPanel* base : {panVarorg, pantri1, panTri2, panVarcompli})
    base->OnClick = [this, base](TObject*) { panVarCellClick(base); };
  for (auto& row : panVarRows)
    for (int i = 1; i <= 6; ++i) {
      TPanel* cell = row[static_cast<size_t>(i)];
      cell->OnClick = [this, cell](TObject*) { panVarCellClick(cell); };
    }
}
