// Mouse capture: while a control holds it, every mouse event of the application goes to that
// control, wherever the pointer is and even when the control is hidden meanwhile (a drag whose
// grabbed handle hides itself keeps its moves and its release).
#pragma once

#include "platform/controls.hpp"

// Gives the capture to `control` (nullptr releases it).
void SetCaptureControl(TControl* control);
// The control holding the capture, or nullptr.
TControl* GetCaptureControl();
// Releases the capture when `control` holds it.
void ReleaseCaptureOf(TControl* control);
