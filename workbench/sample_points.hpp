// Where palette sampling reads the screen over the picture view: client points of the view, in
// the order their colours fill the slots (slot 1 first).
#pragma once

#include <array>

#include "platform/types.hpp"

using SamplePoints = std::array<TPoint, 16>;

// A 4 x 4 grid, column by column: x = 144, 288, 432, 576 by y = 105, 210, 315, 420.
constexpr SamplePoints kGridSamplePoints = {{{144, 105}, {144, 210}, {144, 315}, {144, 420},
                                             {288, 105}, {288, 210}, {288, 315}, {288, 420},
                                             {432, 105}, {432, 210}, {432, 315}, {432, 420},
                                             {576, 105}, {576, 210}, {576, 315}, {576, 420}}};

// The colour patches of the test picture imgPicTest1 (a landscape).
constexpr SamplePoints kPicTest1SamplePoints = {{{520, 88}, {613, 94}, {677, 140}, {542, 166},
                                                 {573, 161}, {542, 217}, {425, 223}, {585, 297},
                                                 {565, 338}, {643, 399}, {618, 419}, {621, 437},
                                                 {314, 450}, {338, 460}, {244, 487}, {356, 496}}};

// The colour patches of the test picture imgPicTest (a still life).
constexpr SamplePoints kPicTestSamplePoints = {{{294, 355}, {658, 103}, {600, 129}, {629, 171},
                                                {616, 186}, {602, 191}, {565, 197}, {700, 249},
                                                {342, 234}, {562, 252}, {392, 284}, {51, 186},
                                                {60, 233}, {69, 313}, {174, 361}, {580, 476}}};

// The hint imgGenPal carries while a saved test picture is shown.
inline constexpr const char* kTestImagePaletteHint = "load palette of test image";

// The points for sampling the view: the patches of a saved test picture (imgPicTest when its
// tag is 1, else imgPicTest1) when imgGenPal offers the test image's palette, else the grid.
inline const SamplePoints& sample_points_for(bool test_image_shown, int test_pic_tag) {
  if (!test_image_shown) return kGridSamplePoints;
  return test_pic_tag == 1 ? kPicTestSamplePoints : kPicTest1SamplePoints;
}
