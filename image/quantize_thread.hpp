// The background palette computation for true-colour pictures drawn on palette displays.
#pragma once

class TDibGraphic;

class TQuantizeThread {
public:
  // Starts a worker for `picture`, bound to the first processor. It computes 256 colours of a
  // copy of the picture's pixels, then hands them to the user-interface thread, which gives
  // them to the picture (palette and palette handle, then Changed) only if the picture still
  // exists and still holds the same image. The worker frees itself.
  static void Start(TDibGraphic& picture);
};
