#include "workbench/variant_grid_rows.hpp"

#include "workbench/colour_model.hpp"

const std::vector<VarRowRule>& var_row_rules() {
  using B = VarBlock;
  static const std::vector<VarRowRule> rows = {
      {VarRow::tone, "panVartone", nullptr, 0, B::Original, DarkerColor, LighterColor,
       {"-  darker 30%", "- darker 20%", "- darker 10%", "+ lighter 10%", "+ lighter 20%", "+ lighter 30%"}},
      {VarRow::red, "panVarred", "panvarred6", 30, B::Original, LessRed, MoreRed,
       {"-  red 30%", "- red 20%", "- red 10%", "+ red 10%", "+ red 20%", "+ red 30%"}},
      {VarRow::yel, "panVaryel", nullptr, 60, B::Original, LessGreen, MoreGreen,
       {"-  green 30%", "- green 20%", "- green 10%", "+ green 10%", "+ green 20%", "+ green 30%"}},
      {VarRow::grn, "panVargrn", nullptr, 90, B::Original, LessBlue, MoreBlue,
       {"-  blue 30%", "- blue 20%", "- blue 10%", "+ blue 10%", "+ blue 20%", "+ blue 30%"}},
      {VarRow::tri1red, "panVartri1red", nullptr, 120, B::FirstNeighbour, LessRed, MoreRed,
       {"- red 30%", "- red 20%", "- red 10%", "+ red 10%", "+ red 20%", "+ red 30%"}},
      {VarRow::tri1grn, "panVartri1grn", nullptr, 150, B::FirstNeighbour, LessGreen, MoreGreen,
       {"- green 30%", "- green 20%", "- green 10%", "+ green 10%", "+ green 20%", "+ green 30%"}},
      {VarRow::tri1blu, "panVartri1blu", nullptr, 180, B::FirstNeighbour, LessBlue, MoreBlue,
       {" - blue 30%", "- blue 20%", "- blue 10%", "+ blue 10%", "+ blue 20%", "+ blue 30%"}},
      {VarRow::tri2red, "panVartri2red", nullptr, 210, B::SecondNeighbour, LessRed, MoreRed,
       {"- red 30%", "- red 20%", "- red 10%", "+ red 10%", "+ red 20%", "+ red 30%"}},
      {VarRow::tri2grn, "panVartri2grn", nullptr, 240, B::SecondNeighbour, LessGreen, MoreGreen,
       {"- green 30%", "- green 20%", "- green 10%", "+ green 10%", "+ green 20%", "+ green 30%"}},
      {VarRow::tri2blu, "panVartri2blu", nullptr, 270, B::SecondNeighbour, LessBlue, MoreBlue,
       {"- blue 30%", "- blue 20%", "- blue 10%", "+ blue 10%", "+ blue 20%", "+ blue 30%"}},
      {VarRow::cyn, "panVarcyn", nullptr, 300, B::Complement, LessRed, MoreRed,
       {"complement - red 30%", "complement - red 20%", "complement - red 10%", "complement + red 10%",
        "complement + red 20%", "complement + red 30%"}},
      {VarRow::blu, "panVarblu", nullptr, 330, B::Complement, LessGreen, MoreGreen,
       {"complement  - green 30%", "complement  - green 20%", "complement  - green 10%", "complement  + green 10%",
        "complement + green 20%", "complement  + green 30%"}},
      {VarRow::mag, "panVarmag", nullptr, 360, B::Complement, LessBlue, MoreBlue,
       {"complement - blue 30%", "complement - blue 20%", "complement - blue 10%", "complement + blue 10%",
        "complement + blue  20%", "cmoplement + blue  30%"}},
  };
  return rows;
}

std::string var_cell_name(const VarRowRule& row, int i) {
  if (i == 6 && row.sixth) return row.sixth;
  return row.name + std::to_string(i);
}

Byte var_cell_percent(int i) {
  static constexpr Byte kPercent[7] = {0, 30, 20, 10, 10, 20, 30};
  return kPercent[i];
}

const std::array<const char*, 15> kVariantSelectionA = {
    "panVartone1",    "panVartone6",    "panVarred1",     "panvarred6",     "panVaryel1",
    "panVaryel6",     "panVargrn1",     "panVargrn6",     "panVartri1red1", "panVartri1red6",
    "panVartri1grn1", "panVartri1grn6", "panVartri1blu1", "panVartri1blu6", "panVarcompli"};

const std::array<const char*, 15> kVariantSelectionB = {
    "panVartone2",    "panVartone5",    "panVartri1red1", "panVartri1red6", "panVartri1grn1",
    "panVartri1grn6", "panVartri1blu1", "panVartri1blu6", "panVartri2red1", "panVartri2red6",
    "panVartri2grn1", "panVartri2grn6", "panVartri2blu1", "panVartri2blu6", "panVarcompli"};
