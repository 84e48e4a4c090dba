// The main window in a scratch current folder, shown on the offscreen screen, with the picking
// a user does over the picture view.
#pragma once

#include <gtest/gtest.h>

#include "common/test_env.hpp"
#include "platform/dib_view.hpp"
#include "platform/services.hpp"
#include "platform/synthetic_input.hpp"
#include "workbench/help_window.hpp"
#include "workbench/main_window.hpp"

class WorkbenchTest : public ::testing::Test {
protected:
  void SetUp() override {
    hw_test::dialogs().clear();
    create_workbench_windows();
    w = Form1;
    w->Show();
    flush_paints();
    Application->ProcessMessages();  // what the window leaves until after its first paint
    hw_test::dialogs().clear();
  }
  void TearDown() override {
    delete Form2;
    Form2 = nullptr;
    delete Form1;
    free_deleted_windows();  // hidden, they would slow every later offscreen screen read
    SpectrumStep = 0;
    SavedHorzScrollPos = 0;
    hw_test::dialogs().clear();
  }

  // Presses a mouse button over the picture view at a point of its client area, with the
  // pointer there, as a user picking a colour would.
  void pick_at(int x, int y, TMouseButton b = mbLeft) {
    TControl& image = *w->ImageScrollBox1->Image();
    TPoint scr = image.ClientToScreen({x, y});
    SetCursorPos(scr.X, scr.Y);
    send_mouse_press(image, b, x, y);
    send_mouse_release(image, b, x, y);
  }
  // Picks the colour at a point and adds it to the palette.
  TColor add_from(int x, int y) {
    pick_at(x, y);
    TColor c = w->pan->Color();
    send_click(*w->imgPick, 5, 5);
    return c;
  }

  hw_test::ScratchCwd cwd;
  TForm1* w = nullptr;
};
