// The pictures of the window's picture buttons and holders, drawn by the program itself.
#pragma once

#include <string>

#include "platform/graphics.hpp"
#include "platform/image_control.hpp"

// The size of the button a glyph belongs to.
TSize glyph_size(const std::string& name);
// Gives the image the glyph of that name (its background drawn transparent).
void assign_glyph(TImage& image, const std::string& name);
