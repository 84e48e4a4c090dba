// The table of the variant grid's 13 rows: the names and hints of their cells, where they lie,
// which base colour they vary and how.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/types.hpp"
#include "workbench/main_window.hpp"

// The four base colours of the grid's blocks.
enum class VarBlock { Original, FirstNeighbour, SecondNeighbour, Complement };

struct VarRowRule {
  VarRow row;
  const char* name;   // cell names: name + 1..6
  const char* sixth;  // the sixth cell's own name when it differs from name + "6", else nullptr
  int top;
  VarBlock block;
  // Cells 1-3 and cells 4-6: darker/lighter, or the less/more shift of one channel.
  TColor (*down)(TColor, Byte);
  TColor (*up)(TColor, Byte);
  std::array<const char*, 6> hints;
};

// The rows, top to bottom.
const std::vector<VarRowRule>& var_row_rules();
// The name of cell i (1..6) of a row.
std::string var_cell_name(const VarRowRule& row, int i);
// The step of cell i in percent: 30, 20, 10, 10, 20, 30.
Byte var_cell_percent(int i);

// The cells of the two 16-variant palettes, in the order they are added after the selected
// colour: selection A (extreme tones and shifts of the colour, the first neighbour's extreme
// shifts) and selection B (the 20 % tones, both neighbours' extreme shifts); both end with the
// complement.
extern const std::array<const char*, 15> kVariantSelectionA;
extern const std::array<const char*, 15> kVariantSelectionB;
