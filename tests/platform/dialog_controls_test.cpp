// The controls of dialogs: masked edits, memos, check boxes, radio groups, page controls,
// shapes and bevels, and the common dialogs through the dialog recorder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/test_env.hpp"
#include "platform/check_controls.hpp"
#include "platform/dialogs.hpp"
#include "platform/forms.hpp"
#include "platform/page_control.hpp"
#include "platform/services.hpp"
#include "platform/shapes.hpp"
#include "platform/std_controls.hpp"
#include "platform/synthetic_input.hpp"

namespace {

std::unique_ptr<TForm> make_form() {
  auto f = std::make_unique<TForm>(nullptr);
  f->SetBounds(40, 40, 400, 300);
  return f;
}

template <class C>
C* add(TForm& f, int left, int top, int width, int height) {
  auto* c = new C(&f);
  c->SetParent(&f);
  c->SetBounds(left, top, width, height);
  return c;
}

std::uint32_t pixel(TControl& c, int x, int y) {
  flush_paints();
  TPoint p = c.ClientToScreen(Point(x, y));
  return GetScreenPixel(p.X, p.Y);
}

}  // namespace

TEST(MaskEdit, TextIsFittedToTheMaskWithBlanks) {
  EXPECT_EQ(TMaskEdit::FormatMaskText("99999;1; ", "17"), "17   ");
  EXPECT_EQ(TMaskEdit::FormatMaskText("99999;1; ", "123456"), "12345");
  EXPECT_EQ(TMaskEdit::FormatMaskText("99999;1; ", "-4x2"), "42   ");
  EXPECT_EQ(TMaskEdit::FormatMaskText("99999;1; ", " 7"), " 7   ");
  EXPECT_EQ(TMaskEdit::FormatMaskText("99999;1; ", ""), "     ");
  EXPECT_EQ(TMaskEdit::FormatMaskText("99-99;1;_", "1234"), "12-34");
  EXPECT_EQ(TMaskEdit::FormatMaskText("99-99;1;_", "12-3"), "12-3_");
  EXPECT_EQ(TMaskEdit::FormatMaskText("LL00;1;_", "ab12"), "ab12");
  EXPECT_EQ(TMaskEdit::FormatMaskText("", "free text"), "free text");
}

TEST(MaskEdit, TypedDigitsFillThePositionsAndOtherKeysAreRefused) {
  auto f = make_form();
  auto* e = add<TMaskEdit>(*f, 10, 10, 80, 21);
  e->SetEditMask("99999;1; ");
  EXPECT_EQ(e->Text(), "     ");
  e->SetText("8");
  EXPECT_EQ(e->Text(), "8    ");
  f->Show();
  e->SetFocus();
  send_key(*e, VK_HOME);
  send_key(*e, VK_DELETE);
  send_text(*e, "3a9");
  EXPECT_EQ(e->Text(), "39   ");
  EXPECT_EQ(Trim(e->Text()), "39");
}

TEST(Memo, TextJoinsTheLinesWithCrLfAndFollowsTheUsersTyping) {
  auto f = make_form();
  auto* m = add<TMemo>(*f, 10, 10, 200, 100);
  int changes = 0;
  m->OnChange = [&](TObject*) { ++changes; };
  m->SetText("one\ntwo\r\nthree");
  EXPECT_EQ(m->Lines().Count(), 3);
  EXPECT_EQ(m->Text(), "one\r\ntwo\r\nthree");
  m->SetText("end\r\n");
  EXPECT_EQ(m->Lines().Count(), 2);
  EXPECT_EQ(m->Text(), "end\r\n");
  EXPECT_EQ(changes, 2);
  m->SetText("");
  f->Show();
  m->SetFocus();
  send_text(*m, "ab");
  send_key(*m, VK_RETURN, "\r");
  send_text(*m, "c");
  EXPECT_EQ(m->Text(), "ab\r\nc");
  EXPECT_EQ(m->Lines()[1], "c");
}

TEST(CheckBox, ProgramWritesAndUserClicksFireOnClickOnChange) {
  auto f = make_form();
  auto* c = add<TCheckBox>(*f, 10, 10, 120, 17);
  c->SetCaption("Visible");
  std::vector<bool> clicks;
  c->OnClick = [&](TObject*) { clicks.push_back(c->Checked()); };
  c->SetChecked(true);
  c->SetChecked(true);
  f->Show();
  flush_paints();
  send_click(*c, 6, 8);
  EXPECT_EQ(clicks, (std::vector<bool>{true, false}));
  EXPECT_FALSE(c->Checked());
}

TEST(RadioGroup, OneItemAtATimeByProgramOrClick) {
  auto f = make_form();
  auto* g = add<TRadioGroup>(*f, 10, 10, 200, 140);
  g->SetItems({"North", "East", "South", "West"});
  EXPECT_EQ(g->ItemIndex(), -1);
  std::vector<int> clicks;
  g->OnClick = [&](TObject*) { clicks.push_back(g->ItemIndex()); };
  g->SetItemIndex(2);
  g->SetItemIndex(2);
  g->SetItemIndex(9);  // outside: none
  EXPECT_EQ(g->ItemIndex(), -1);
  g->user_chose(3);
  g->user_chose(7);
  EXPECT_EQ(clicks, (std::vector<int>{2, -1, 3}));
  g->SetItems({"A", "B"});
  EXPECT_EQ(g->ItemIndex(), -1);
  EXPECT_EQ(g->Count(), 2);
}

TEST(RadioGroup, ClicksDownTheGroupChooseTheItemsInOrder) {
  auto f = make_form();
  auto* g = add<TRadioGroup>(*f, 10, 10, 200, 140);
  g->SetItems({"North", "East", "South", "West"});
  f->Show();
  flush_paints();
  std::vector<int> chosen;
  // Clicks between the buttons reach the group itself and choose nothing.
  g->OnClick = [&](TObject*) {
    if (g->ItemIndex() >= 0 && (chosen.empty() || chosen.back() != g->ItemIndex())) chosen.push_back(g->ItemIndex());
  };
  for (int y = 2; y < 138; y += 2) send_click(*g, 14, y);
  EXPECT_EQ(chosen, (std::vector<int>{0, 1, 2, 3}));
}

TEST(PageControl, OnlyTheActivePageShowsAndFillsTheControl) {
  auto f = make_form();
  auto* pc = add<TPageControl>(*f, 10, 10, 300, 200);
  auto* a = new TTabSheet(f.get());
  a->SetPageControl(pc);
  auto* b = new TTabSheet(f.get());
  b->SetPageControl(pc);
  EXPECT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), nullptr);
  EXPECT_FALSE(a->Visible());
  pc->SetActivePage(b);
  EXPECT_TRUE(b->Visible());
  EXPECT_FALSE(a->Visible());
  EXPECT_EQ(pc->ActivePageIndex(), 1);
  EXPECT_EQ(b->BoundsRect(), Rect(2, 2, 298, 198));
  pc->SetBounds(10, 10, 200, 100);
  EXPECT_EQ(a->BoundsRect(), Rect(2, 2, 198, 98));
  pc->SetActivePageIndex(0);
  EXPECT_TRUE(a->Visible());
  EXPECT_FALSE(b->Visible());
  delete a;
  EXPECT_EQ(pc->PageCount(), 1);
  EXPECT_EQ(pc->ActivePage(), nullptr);
  EXPECT_EQ(b->PageIndex(), 0);
  EXPECT_THROW(pc->Pages(1), EListError);
}

TEST(Shape, FillsWithItsBrushAndOutlinesWithItsPenUnlessClear) {
  auto f = make_form();
  f->SetColor(clWhite);
  auto* s = add<TShape>(*f, 20, 20, 40, 30);
  s->SetBrushColor(clRed);
  s->Pen().SetColor(clBlue);
  f->Show();
  EXPECT_EQ(pixel(*s, 20, 15), 0x0000FFu);
  EXPECT_EQ(pixel(*s, 0, 0), 0xFF0000u);
  EXPECT_EQ(pixel(*s, 39, 29), 0xFF0000u);
  s->SetPenStyle(psClear);
  EXPECT_EQ(pixel(*s, 0, 0), 0x0000FFu);
  EXPECT_EQ(pixel(*s, 39, 29), 0x0000FFu);
}

TEST(Bevel, ALoweredBoxIsDarkAtTheTopLeftAndLightAtTheBottomRight) {
  auto f = make_form();
  auto* b = add<TBevel>(*f, 20, 20, 60, 40);
  f->Show();
  const auto shadow = static_cast<std::uint32_t>(ColorToRGB(clBtnShadow));
  const auto light = static_cast<std::uint32_t>(ColorToRGB(clBtnHighlight));
  EXPECT_EQ(pixel(*b, 10, 0), shadow);
  EXPECT_EQ(pixel(*b, 0, 10), shadow);
  EXPECT_EQ(pixel(*b, 10, 39), light);
  EXPECT_EQ(pixel(*b, 59, 10), light);
  b->SetStyle(TBevelStyle::bsRaised);
  EXPECT_EQ(pixel(*b, 10, 0), light);
  EXPECT_EQ(pixel(*b, 10, 39), shadow);
}

TEST(CommonDialogs, AnswersOfTheDialogHandlerReachTheComponents) {
  auto& rec = hw_test::dialogs();
  rec.clear();
  TFontDialog fonts(nullptr);
  fonts.Font().SetName("Arial");
  fonts.Font().SetSize(12);
  DialogAnswer font_answer;
  font_answer.result = IDOK;
  font_answer.font = DialogFont{"Carlito", 20, fsBold | fsItalic, clRed};
  rec.answers.push_back(font_answer);
  EXPECT_TRUE(fonts.Execute());
  ASSERT_EQ(rec.requests.size(), 1u);
  EXPECT_EQ(rec.requests[0].kind, DialogKind::Font);
  EXPECT_EQ(rec.requests[0].font.name, "Arial");
  EXPECT_EQ(rec.requests[0].font.size, 12);
  EXPECT_EQ(fonts.Font().Name(), "Carlito");
  EXPECT_EQ(fonts.Font().Size(), 20);
  EXPECT_EQ(fonts.Font().Style(), fsBold | fsItalic);
  EXPECT_EQ(fonts.Font().Color(), clRed);
  EXPECT_FALSE(fonts.Execute());  // cancelled: the font stays
  EXPECT_EQ(fonts.Font().Name(), "Carlito");

  TColorDialog colors(nullptr);
  colors.SetColor(clLime);
  DialogAnswer color_answer;
  color_answer.result = IDOK;
  color_answer.color = 0x123456;
  rec.answers.push_back(color_answer);
  EXPECT_TRUE(colors.Execute());
  EXPECT_EQ(rec.requests.back().color, clLime);
  EXPECT_EQ(colors.Color(), 0x123456);
  EXPECT_FALSE(colors.Execute());
  EXPECT_EQ(colors.Color(), 0x123456);

  TOpenPictureDialog open(nullptr);
  open.SetFilter("Bitmaps (*.bmp)|*.bmp");
  DialogAnswer file_answer;
  file_answer.result = IDOK;
  file_answer.file_name = "/tmp/x.bmp";
  rec.answers.push_back(file_answer);
  EXPECT_TRUE(open.Execute());
  EXPECT_EQ(rec.requests.back().kind, DialogKind::OpenFile);
  EXPECT_EQ(rec.requests.back().filter, "Bitmaps (*.bmp)|*.bmp");
  EXPECT_EQ(open.FileName(), "/tmp/x.bmp");
  EXPECT_FALSE(open.Execute());
  rec.clear();
}
