// Working with a colour by its hex text: typed entry of the selected colour, and the search of
// the picture view for a pixel of a typed colour.
#include <optional>

#include "image/dib_graphic.hpp"
#include "platform/math.hpp"
#include "platform/services.hpp"
#include "platform/text_codec.hpp"
#include "workbench/main_window.hpp"
#include "workbench/readout.hpp"

namespace {

// The search looks at six view widths of 720 columns, rows 1 to 523 and columns 1 to 720 of
// the view's client area on each.
constexpr int kSearchPages = 6;
constexpr int kPageWidth = 720;
constexpr int kLastRow = 523;

}  // namespace

void TForm1::create_hex_entry() {
  edcolor->SetBorderStyle(TBorderStyle::bsNone);
  edcolorsearch->SetBorderStyle(TBorderStyle::bsNone);
}

void TForm1::wire_hex_entry() {
  edcolor->OnKeyUp = [this](TObject* s, Word& key, TShiftState shift) { edcolorKeyUp(s, key, shift); };
  edcolorsearch->OnKeyUp = [this](TObject* s, Word& key, TShiftState shift) { edcolorsearchKeyUp(s, key, shift); };
  imgEdColor->OnClick = [this](TObject* s) { imgEdColorClick(s); };
  imgedcolorsearch->OnClick = [this](TObject* s) { imgedcolorsearchClick(s); };
}

void TForm1::edcolorKeyUp(TObject*, Word&, TShiftState) {
  const std::string& t = edcolor->Text();
  if (character_count(t) != 6) return;
  // "$00" + BB + GG + RR: the text RRGGBB read as a colour; anything but hexadecimal digits
  // raises the conversion error.
  pan->SetColor(StrToInt("$00" + copy_characters(t, 5, 2) + copy_characters(t, 3, 2) + copy_characters(t, 1, 2)));
  ShowSelectedColor(pan->Color());
  ImageScrollBox1->SetTag(1);
  imgPick->Show();
}

void TForm1::imgEdColorClick(TObject*) {
  if (edcolor->Visible()) {
    edcolor->Hide();
    imgedcolorsearch->Hide();
    edcolorsearch->Hide();
    return;
  }
  edcolor->SetText("");
  edcolor->Show();
  edcolor->SetFocus();
  imgedcolorsearch->Show();
}

void TForm1::imgedcolorsearchClick(TObject*) {
  edcolorsearch->SetVisible(!edcolorsearch->Visible());
  if (!edcolorsearch->Visible()) return;
  edcolorsearch->SetFocus();
  // Only a key release starts a search.
  if (character_count(edcolor->Text()) == 6) edcolorsearch->SetText(edcolor->Text());
}

void TForm1::edcolorsearchKeyUp(TObject*, Word&, TShiftState) {
  const std::string text = edcolorsearch->Text();
  if (character_count(text) == 6) {
    labScan->Show();
    labScan->SetCaption("scanning pixels....");
    set_picture_from(imgedcolorsearch, imgedcolorsearchred);
    if (imgcolrtone->Visible()) imgcolrtone->SetTag(1);
    imgcolrtone->Hide();
    ImageScrollBox1->SetFocus();
    // Where the pixels are read: the view's source picture ("2"), the screen ("1"), or nowhere.
    const std::string& version = labVer->Caption();
    // The search text is read when the first pixel is compared; text that is not hexadecimal
    // raises there.
    std::optional<TColor> wanted;
    for (int page = 0; page < kSearchPages; ++page) {
      ImageScrollBox1->HorzScrollBar().SetPosition(page * kPageWidth);
      const int left = static_cast<int>(Trunc(page * kPageWidth / 6.05L));
      panindicatLeft->SetLeft(left);
      panindicatBot->SetLeft(left);
      panindicatRight->SetLeft(left + 126);
      Repaint();
      if (version != "1" && version != "2") continue;  // no colour is read, nothing matches
      const TPoint origin = ImageScrollBox1->ClientToScreen({0, 0});
      TDibGraphic* picture = ImageScrollBox1->Graphic();
      TCanvas* canvas = picture ? picture->Canvas() : nullptr;
      for (int y = 1; y <= kLastRow; ++y) {
        for (int x = 1; x <= kPageWidth; ++x) {
          const TPoint at{origin.X + x, origin.Y + y};
          // A point outside the picture, or an unreadable screen pixel, matches nothing.
          TColor c = -1;
          if (version == "2") {
            if (canvas) c = canvas->Pixels(page * kPageWidth + x, y);
          } else {
            c = static_cast<TColor>(ScreenPixelColor(at.X, at.Y));
          }
          if (!wanted) wanted = WebColorStrToColor(text);
          if (c == *wanted) {
            SetCursorPos(at.X, at.Y);
            set_picture_from(imgedcolorsearch, imgedcolorsearchblu);
            labScan->Hide();
            return;
          }
        }
      }
    }
  }
  labScan->SetCaption("");
  if (imgcolrtone->Tag() == 1) imgcolrtone->Show();
  imgcolrtone->SetTag(0);
  set_picture_from(imgedcolorsearch, imgedcolorsearchblu);
}
