#include "platform/mouse_capture.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/forms.hpp"
#include "platform/synthetic_window_input.hpp"

namespace {

struct TwoPanels {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TPanel* a;
  TPanel* b;
  std::vector<std::string> log;
  TwoPanels() {
    form->SetBounds(10, 10, 300, 200);
    a = add("a", 10);
    b = add("b", 150);
    form->Show();
  }
  TPanel* add(const std::string& name, int left) {
    auto* p = new TPanel(form.get());
    p->SetBounds(left, 10, 100, 100);
    p->SetParent(form.get());
    p->OnMouseDown = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      log.push_back(name + " down " + std::to_string(x) + "," + std::to_string(y));
    };
    p->OnMouseMove = [this, name](TObject*, TShiftState, int x, int y) {
      log.push_back(name + " move " + std::to_string(x) + "," + std::to_string(y));
    };
    p->OnMouseUp = [this, name](TObject*, TMouseButton, TShiftState, int x, int y) {
      log.push_back(name + " up " + std::to_string(x) + "," + std::to_string(y));
    };
    return p;
  }
};

}  // namespace

TEST(MouseCapture, TheCapturingControlGetsEveryEventWhereverThePointerIs) {
  TwoPanels w;
  SetCaptureControl(w.a);
  EXPECT_EQ(GetCaptureControl(), w.a);
  send_window_mouse_move(*w.form, 170, 20);
  send_window_mouse_press(*w.form, mbLeft, 170, 20);
  send_window_mouse_release(*w.form, mbLeft, 170, 20);
  EXPECT_EQ(w.log, (std::vector<std::string>{"a move 160,10", "a down 160,10", "a up 160,10"}));
  ReleaseCaptureOf(w.b);  // not b's to release
  EXPECT_EQ(GetCaptureControl(), w.a);
  ReleaseCaptureOf(w.a);
  EXPECT_EQ(GetCaptureControl(), nullptr);
  w.log.clear();
  send_window_mouse_move(*w.form, 170, 20);
  EXPECT_EQ(w.log, (std::vector<std::string>{"b move 20,10"}));
}

TEST(MouseCapture, AHiddenCapturingControlKeepsTheDrag) {
  TwoPanels w;
  w.a->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    SetCaptureControl(w.a);
    w.a->Hide();
  };
  send_window_mouse_press(*w.form, mbLeft, 20, 20);
  send_window_mouse_move(*w.form, 200, 50, ssLeft);
  send_window_mouse_release(*w.form, mbLeft, 200, 50);
  EXPECT_EQ(w.log, (std::vector<std::string>{"a move 190,40", "a up 190,40"}));
  SetCaptureControl(nullptr);
}

TEST(MouseCapture, AFreedControlHoldsNoCapture) {
  TwoPanels w;
  SetCaptureControl(w.b);
  delete w.b;
  EXPECT_EQ(GetCaptureControl(), nullptr);
  send_window_mouse_move(*w.form, 20, 20);
  EXPECT_EQ(w.log, (std::vector<std::string>{"a move 10,10"}));
}

TEST(MouseRouting, DisabledDrawnControlsLetTheMouseThroughToWhatLiesBeneath) {
  TwoPanels w;
  auto* label = new TLabel(w.form.get());
  label->SetAutoSize(false);
  label->SetBounds(20, 20, 50, 50);
  label->SetParent(w.a);
  std::vector<std::string> clicks;
  label->OnClick = [&](TObject*) { clicks.push_back("label"); };
  w.a->OnClick = [&](TObject*) { clicks.push_back("a"); };
  send_window_mouse_press(*w.form, mbLeft, 40, 40);
  send_window_mouse_release(*w.form, mbLeft, 40, 40);
  label->SetEnabled(false);
  send_window_mouse_press(*w.form, mbLeft, 40, 40);
  send_window_mouse_release(*w.form, mbLeft, 40, 40);
  label->SetEnabled(true);
  send_window_mouse_press(*w.form, mbLeft, 40, 40);
  send_window_mouse_release(*w.form, mbLeft, 40, 40);
  EXPECT_EQ(clicks, (std::vector<std::string>{"label", "a", "label"}));
}
