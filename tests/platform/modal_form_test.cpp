// Modal forms through the modal runner (the test recorder here): the result a button sets, the
// default and cancel buttons on Return and Escape, closing, and refusals.
#include <gtest/gtest.h>

#include <memory>

#include "common/test_env.hpp"
#include "platform/forms.hpp"
#include "platform/std_controls.hpp"
#include "platform/synthetic_input.hpp"

namespace {

struct Dialog {
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  TEdit* edit;
  TButton* ok;
  TButton* cancel;
  int ok_clicks = 0;
  Dialog() {
    hw_test::modal_forms().clear();
    form->SetCaption("Question");
    form->SetBounds(10, 10, 300, 120);
    edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(10, 10, 200, 21);
    ok = new TButton(form.get());
    ok->SetParent(form.get());
    ok->SetBounds(10, 60, 75, 25);
    ok->SetCaption("OK");
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    ok->OnClick = [this](TObject*) { ++ok_clicks; };
    cancel = new TButton(form.get());
    cancel->SetParent(form.get());
    cancel->SetBounds(100, 60, 75, 25);
    cancel->SetCaption("Cancel");
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
  }
};

}  // namespace

TEST(ModalForm, AButtonClickSetsTheResultAndTheFormHidesAgain) {
  Dialog d;
  bool shown_during = false;
  hw_test::modal_forms().scripts.push_back([&](TForm& f) {
    EXPECT_TRUE(f.Modal());
    f.Show();
    shown_during = f.Visible();
    send_click(*d.ok, 20, 10);
    return f.ModalResult();
  });
  EXPECT_EQ(d.form->ShowModal(), mrOk);
  EXPECT_TRUE(shown_during);
  EXPECT_EQ(d.ok_clicks, 1);
  EXPECT_EQ(d.form->ModalResult(), mrOk);
  EXPECT_FALSE(d.form->Visible());
  EXPECT_FALSE(d.form->Modal());
  EXPECT_EQ(hw_test::modal_forms().captions, (std::vector<std::string>{"Question"}));
  // Without a script the recorder cancels.
  EXPECT_EQ(d.form->ShowModal(), mrCancel);
}

TEST(ModalForm, ReturnAndEscapeInAnEditPressTheDefaultAndCancelButtons) {
  Dialog d;
  hw_test::modal_forms().scripts.push_back([&](TForm& f) {
    f.Show();
    d.edit->SetFocus();
    send_text(*d.edit, "42");
    send_key(*d.edit, VK_RETURN);
    return f.ModalResult();
  });
  hw_test::modal_forms().scripts.push_back([&](TForm& f) {
    f.Show();
    send_key(*d.edit, VK_ESCAPE);
    return f.ModalResult();
  });
  EXPECT_EQ(d.form->ShowModal(), mrOk);
  EXPECT_EQ(d.edit->Text(), "42");
  EXPECT_EQ(d.ok_clicks, 1);
  EXPECT_EQ(d.form->ShowModal(), mrCancel);
  EXPECT_EQ(d.ok_clicks, 1);
  // A disabled default button is not pressed.
  d.ok->SetEnabled(false);
  EXPECT_FALSE(d.form->DialogKey(VK_RETURN));
  EXPECT_FALSE(d.form->DialogKey(VK_TAB));
}

TEST(ModalForm, ClosingAModalFormCancelsIt) {
  Dialog d;
  bool close_handler_ran = false;
  d.form->OnClose = [&](TObject*, TCloseAction&) { close_handler_ran = true; };
  hw_test::modal_forms().scripts.push_back([&](TForm& f) {
    f.Show();
    send_close(f);
    return f.ModalResult();
  });
  EXPECT_EQ(d.form->ShowModal(), mrCancel);
  EXPECT_FALSE(close_handler_ran);
  // Out of the modal run, closing runs the close handler as before.
  d.form->Show();
  d.form->Close();
  EXPECT_TRUE(close_handler_ran);
  EXPECT_FALSE(d.form->Visible());
}

TEST(ModalForm, AShownOrAlreadyModalFormRefusesToRunModally) {
  Dialog d;
  d.form->Show();
  EXPECT_THROW(d.form->ShowModal(), EInvalidOperation);
  d.form->Hide();
  hw_test::modal_forms().scripts.push_back([&](TForm& f) {
    EXPECT_THROW(f.ShowModal(), EInvalidOperation);
    return mrAbort;
  });
  EXPECT_EQ(d.form->ShowModal(), mrAbort);
}

TEST(ModalForm, AButtonWithoutAResultLeavesTheFormRunning) {
  Dialog d;
  auto* apply = new TButton(d.form.get());
  apply->SetParent(d.form.get());
  apply->SetBounds(200, 60, 75, 25);
  hw_test::modal_forms().scripts.push_back([&](TForm& f) {
    f.Show();
    send_click(*apply, 10, 10);
    EXPECT_EQ(f.ModalResult(), mrNone);
    send_click(*d.cancel, 10, 10);
    return f.ModalResult();
  });
  EXPECT_EQ(d.form->ShowModal(), mrCancel);
}
