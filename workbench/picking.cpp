// Picking colours from the screen over the picture view, the overview strip and the zoom cycle.
#include <cmath>

#include "image/dib_graphic.hpp"
#include "platform/math.hpp"
#include "platform/services.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"

void TForm1::ImageScrollBox1ImageMouseMove(TObject*, TShiftState, int, int) {
  TPoint p = GetCursorPos();
  std::uint32_t read = ScreenPixelColor(p.X, p.Y);
  if (read == CLR_INVALID) return;  // nothing readable under the pointer: the readout stays
  TColor c = static_cast<TColor>(read);
  // Magnifier and bars follow the pointer at once, both in one paint.
  ChangeAndRepaint({Rect(0, 0, 720, 7), panBlowColor->BoundsRect()}, [&] {
    panBlowColor->SetColor(c);
    panBlowCaption->SetColor(c);
    panBlowCaption->SetCaption(ColorToHex(c));
    ShowColorBars(c);
    panBlowCaption->Font().SetColor(caption_font_colour(c));
  });
}

void TForm1::ImageScrollBox1ImageMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  TPoint p = GetCursorPos();
  std::uint32_t read = ScreenPixelColor(p.X, p.Y);
  if (read == CLR_INVALID) return;  // a pixel that cannot be read is never picked
  pan->SetColor(static_cast<TColor>(read));
  ShowPickedColor(pan->Color());
  ImageScrollBox1->SetTag(1);
  imgPick->Show();
  imgPickArt->Hide();
  imgPickArt->SendToBack();
  if (imgResetpic->Visible() && pan16()->Visible()) {
    imgPickArt->Show();
    imgPickArt->BringToFront();
  }
}

void TForm1::ImageScrollBox1ImageMouseUp(TObject*, TMouseButton, TShiftState, int, int) { ImageScrollBox1EndScroll(this); }

void TForm1::ImageScrollBox1EndScroll(TObject*) {
  int pos = ImageScrollBox1->HorzScrollBar().ScrollPos();
  SavedHorzScrollPos = pos;
  const float zoom = ImageScrollBox1->ZoomPercent();
  if (zoom == 200.0f) pos = static_cast<int>(Trunc(pos / 2.0L));
  else if (zoom == 400.0f) pos = static_cast<int>(Trunc(pos / 4.0L));
  const int left = static_cast<int>(Trunc(pos / 6.05L));
  panindicatLeft->SetLeft(left);
  panindicatBot->SetLeft(left);
  panindicatRight->SetLeft(static_cast<int>(Trunc(pos / 6.05L + 126)));
}

void TForm1::ImageScrollBox1Exit(TObject*) {
  panBlowColor->SetColor(pan->Color());
  panBlowCaption->SetColor(pan->Color());
  panBlowCaption->SetCaption(ColorToHex(pan->Color()));
}

void TForm1::Image1Click(TObject*) {
  const int x = Image1->ScreenToClient(GetCursorPos()).X;
  const float zoom = ImageScrollBox1->ZoomPercent();
  const int pos = zoom == 100.0f ? 5 * x : zoom == 200.0f ? 10 * x : zoom == 400.0f ? 20 * x : 0;
  ImageScrollBox1->HorzScrollBar().SetPosition(pos);
  SavedHorzScrollPos = pos;
  const int left = static_cast<int>(Trunc(5 * x / 6.05L));
  panindicatLeft->SetLeft(left);
  panindicatBot->SetLeft(left);
  panindicatRight->SetLeft(left + 126);
}

void TForm1::imgZoomClick(TObject*) {
  const float z0 = ImageScrollBox1->ZoomPercent();
  const int p0 = ImageScrollBox1->HorzScrollBar().Position();
  ImageScrollBox1->Redraw(true);
  if (z0 == 100.0f) {
    ImageScrollBox1->SetZoomPercent(200);
    imgZoom->SetHint("zoom 200%, click for 400%");
  } else if (z0 == 200.0f) {
    ImageScrollBox1->SetZoomPercent(400);
    imgZoom->SetHint("zoom 400%, click for 100%");
  } else if (z0 == 400.0f || ImageScrollBox1->ZoomMode() == zmPercent) {
    // A mend: a step this button chose that the view lowered to keep its rendering within the
    // pixel limit (400 % of a 4000 x 3000 picture shows at 386 %) goes back to 100 %, rather
    // than staying there as a fitted zoom does.
    ImageScrollBox1->SetZoomPercent(100);
    imgZoom->SetHint("zoom 100%, click for 200%");
    TDibGraphic* g = ImageScrollBox1->Graphic();
    if (g && g->Width() < 721) ImageScrollBox1->HorzScrollBar().SetVisible(false);
    ImageScrollBox1->VertScrollBar().SetVisible(false);
  }  // any other (fitted) zoom stays as it is, yet the place below is still doubled above 101 %
  const float z1 = ImageScrollBox1->ZoomPercent();
  int pos = z1 > 101 ? 2 * p0 : p0;
  if (z0 > z1) pos = static_cast<int>(Round(p0 / 4.0L));
  ImageScrollBox1->HorzScrollBar().SetPosition(pos);
  SavedHorzScrollPos = ImageScrollBox1->HorzScrollBar().Position();
}
