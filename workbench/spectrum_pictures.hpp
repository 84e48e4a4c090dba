// The built-in pictures the window holds, made into pictures of the image library.
#pragma once

#include <memory>

#include "image/dib_graphic.hpp"
#include "platform/image_control.hpp"
#include "resources/raster.hpp"

// A true-colour picture of a raster.
std::unique_ptr<TDibGraphic> picture_of(const Raster24& raster);
// Gives a spectrum holder the strip of its step.
void assign_spectrum_picture(TImage& holder, int step);
