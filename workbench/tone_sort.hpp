// The order of a palette by tone: brightest first, by the grey value of each colour.
#pragma once

#include <vector>

#include "platform/types.hpp"

// The colours resolved to RGB (system colours replaced by their value) and ordered by descending
// ColorToGrey with a bubble sort that exchanges neighbours only when the later one is strictly
// brighter, so colours of the same grey keep their order.
std::vector<TColor> sort_by_tone(const std::vector<TColor>& colours);
