// A built-in test picture as the window holds it: a 4-bit PNG picture whose palette lists the
// sixteen grey markers in the picture's own order.
#pragma once

#include <memory>

#include "image/png_graphic.hpp"
#include "resources/test_pictures.hpp"

std::unique_ptr<TPngGraphic> test_picture_graphic(const TestPicture& picture);
