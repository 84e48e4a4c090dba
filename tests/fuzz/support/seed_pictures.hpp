// Good inputs that both the seed writer and the mutation tests start from.
#pragma once

#include "annotate/annotations_editor.hpp"
#include "platform/graphics.hpp"

namespace hw_fuzz {

// Every pixel format the class library writes BMP files in.
inline constexpr TPixelFormat kBitmapFormats[] = {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};

// A 7 x 3 bitmap of the given format with a filled rectangle, as a BMP file.
inline void save_small_bitmap(TPixelFormat f, TStream& out) {
  TBitmap b;
  b.SetPixelFormat(f);
  b.SetSize(7, 3);
  b.Canvas()->Brush().SetColor(RGB(10, 200, 30));
  b.Canvas()->FillRect(TRect{1, 1, 5, 3});
  b.SaveToStream(out);
}

// A note, a rectangle, a line and a text mark, each with a setting off its default.
inline void add_every_kind_of_mark(TAnnotationsEditor& e) {
  TStickNoteMark* note = e.AddStickNote();
  note->SetMarkRect(Rect(1, 2, 40, 30));
  note->SetText("a (note)\r\nwith\ttabs");
  TRectangleMark* rect = e.AddRectangle();
  rect->SetMarkRect(Rect(5, 5, 60, 50));
  rect->SetFilled(false);
  TLineMark* line = e.AddLine();
  line->SetMarkRect(Rect(0, 10, 63, 20));
  line->SetOrientation(loRight);
  TTextMark* text = e.AddText();
  text->SetMarkRect(Rect(3, 3, 60, 30));
  text->Font().SetStyle(fsBold | fsItalic);
}

}  // namespace hw_fuzz
