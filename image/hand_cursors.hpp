// The picture view's two hand cursors: an open hand over a picture that can be dragged, a
// closed hand while it is dragged. Drawn by code and registered as screen cursors by an
// explicit call at start-up.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/types.hpp"

constexpr TCursor crHandOpened = 100;
constexpr TCursor crHandClosed = 101;

// Registers both cursors with the screen (idempotent).
void register_hand_cursors();

// The cursor pictures: 32 x 32 ARGB pixels, rows top-down, hot spot in the middle (16, 16).
std::vector<std::uint32_t> hand_cursor_picture(bool closed);
