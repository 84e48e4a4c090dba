// What the tests on a real X server share: letting the program's events run for a while, and
// marking every control for painting (so that a repaint of the window is the toolkit's own
// picture of everything, not only of the window).
#pragma once
#include <chrono>
#include <thread>

#include "platform/controls.hpp"
#include "platform/forms.hpp"

namespace hw_x11 {

inline void pump(int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

inline void invalidate_all(TControl& c) {
  c.Invalidate();
  if (auto* wc = dynamic_cast<TWinControl*>(&c))
    for (int i = 0; i < wc->ControlCount(); ++i) invalidate_all(*wc->Controls(i));
}

}  // namespace hw_x11
