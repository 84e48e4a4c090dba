// The spectrum strips the window holds, as pictures of the image library.
#pragma once

#include <memory>

#include "image/dib_graphic.hpp"
#include "platform/image_control.hpp"

// The strip of a step as a true-colour picture at 96 dots per inch, drawn straight into its rows.
std::unique_ptr<TDibGraphic> spectrum_picture(int step);
// Gives a spectrum holder the strip of its step.
void assign_spectrum_picture(TImage& holder, int step);
