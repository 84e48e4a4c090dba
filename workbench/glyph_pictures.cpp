#include "workbench/glyph_pictures.hpp"

#include <map>

TSize glyph_size(const std::string& name) {
  static const std::map<std::string, TSize> sizes = {
      {"imgVar", {30, 24}},          {"imgVaron", {30, 24}},      {"imgVaroff", {30, 24}},
      {"imgEdColor", {30, 22}},      {"imgedcolorsearch", {31, 21}}, {"imgedcolorsearchred", {31, 21}},
      {"imgedcolorsearchblu", {31, 21}}, {"imgVariantsPal", {20, 20}}, {"imgVariantPal2", {20, 20}},
      {"imgVariantPal3", {20, 20}},  {"imgCopyblu", {16, 16}},    {"imgCopyRed", {16, 16}},
      {"imgHistCopy", {21, 20}},     {"imghistcopyblu", {21, 20}}, {"imgHistCopyred", {21, 20}},
      {"imgCellPick", {30, 15}},     {"imgDel", {16, 16}},        {"imgsavepan", {16, 16}},
      {"imgpanPal", {16, 16}},       {"imgHelp", {20, 20}},       {"imggreygrad", {40, 480}},
      {"imgPick", {40, 40}},         {"imgPickArt", {40, 40}},    {"imgpickartOK", {40, 40}},
      {"imgReset", {18, 18}},        {"imgHistPick", {21, 20}},
  };
  auto it = sizes.find(name);
  return it != sizes.end() ? it->second : TSize{24, 24};
}

void assign_glyph(TImage&, const std::string&) {}
