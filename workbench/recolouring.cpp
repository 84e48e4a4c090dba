// Trying the palette out: recolouring a built-in test picture or a grey-reduced copy of the
// user's picture, drawn row by row into the picture view, and saving what the view shows.
#include <array>
#include <memory>

#include "image/png_graphic.hpp"
#include "platform/color_reduction.hpp"
#include "platform/math.hpp"
#include "platform/text_codec.hpp"
#include "platform/wic_image.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"
#include "workbench/marker_replacement.hpp"

namespace {

constexpr const char* kIntermediaryFile = "intermediary.bmp";
// The height every recoloured picture of the user is scaled to: the picture view's.
constexpr int kProcessHeight = 524;

std::array<TColor, 16> slot_colours(TForm1& w) {
  std::array<TColor, 16> c{};
  for (int n = 1; n <= 16; ++n) c[static_cast<size_t>(n - 1)] = w.panN(n)->Color();
  return c;
}

// Marker replacement over a 24-bit bitmap, top row first; after each row the view shows the
// whole bitmap and the window repaints, so the user watches the picture change.
void recolour_rows(TForm1& w, TBitmap& work, const MarkerSteps& steps) {
  for (int y = 0; y < work.Height(); ++y) {
    replace_markers(static_cast<std::uint8_t*>(work.ScanLine(y)), work.Width(), steps);
    if (TDibGraphic* g = w.ImageScrollBox1->Graphic()) g->Assign(&work);
    else w.ImageScrollBox1->SetGraphic(&work);
    w.ImageScrollBox1->Redraw(true);
    w.Repaint();
  }
}

// Writes a picture through a temporary sibling and a rename, so a failed write leaves an older
// file of that name as it was.
void save_picture(TGraphic& picture, const std::string& name) {
  TMemoryStream bytes;
  picture.SaveToStream(bytes);
  write_file_bytes_atomic(name, std::string_view(reinterpret_cast<const char*>(bytes.Memory()),
                                                 static_cast<std::size_t>(bytes.Size())));
}

// The hourglass over the whole application for the life of the object.
class HourGlass {
public:
  HourGlass() { Screen->SetCursor(crHourGlass); }
  ~HourGlass() { Screen->SetCursor(crDefault); }
  HourGlass(const HourGlass&) = delete;
  HourGlass& operator=(const HourGlass&) = delete;
};

}  // namespace

void TForm1::imgTestPicClick(TObject*) {
  ImageScrollBox1->SetZoomPercent(100);
  ImageScrollBox1->VertScrollBar().SetVisible(false);
  TImage* holder = test_picture_holder(imgTestPic->Tag());
  ImageScrollBox1->SetGraphic(holder->Picture().Graphic());
  const std::array<TColor, 16> tone = tone_order(slot_colours(*this));
  {
    // A 24-bit copy: every pixel has red = green = blue = its marker.
    TBitmap work;
    work.Assign(holder->Picture().Graphic());
    Repaint();
    recolour_rows(*this, work, test_picture_steps(tone));
    ImageScrollBox1->VertScrollBar().SetVisible(false);
  }
  imgResetSpectrum->Show();
  imgResetpic->Hide();
  imgGenSpec->Hide();
  if (labMode->Caption() != "art  ") {
    imgLoadpic->Show();
  } else {
    imgResetSpectrum->Hide();
    imgResetpic->Show();
  }
  if (!imgResetVariant->Visible()) imgSaveTest->Show();
  imgGenSpec->Hide();
  // The next click draws the other test picture.
  imgTestPic->SetTag(imgTestPic->Tag() == 1 ? 0 : 1);
  set_picture_from(imgTestPic, imgTestPic->Tag() == 0 ? imgTestPic0 : imgTestPic1);
  imgSaveTest->SetTag(1);
}

void TForm1::butProcessPicClick(TObject*) {
  if (!pan16()->Visible()) return;
  imgSaveTest->SetTag(0);
  if (!OpenPictureDialog1->Execute()) return;
  const std::string file = OpenPictureDialog1->FileName();
  // The dialog has just closed: what it uncovered is painted now, not after the long work below.
  Application->ProcessPaintMessages();
  TWICImage decoded;
  decoded.LoadFromFile(file);
  ImageScrollBox1->LoadFromFile(file, 1);
  ImageScrollBox1->SetZoomMode(zmFitHeight);
  ImageScrollBox1->Redraw(true);
  ImageScrollBox1->VertScrollBar().SetVisible(false);
  Repaint();
  std::array<int, 16> entry_red{};
  std::unique_ptr<TBitmap> work = std::make_unique<TBitmap>();
  {
    HourGlass busy;
    // Scaled to the view's height; a picture far taller than wide keeps one column.
    work->Assign(&decoded);
    const long double width = work->Width() * (static_cast<long double>(kProcessHeight) / work->Height());
    const int new_width = static_cast<int>(std::max<std::int64_t>(1, Round(width)));
    {
      TBitmap scaled;
      scaled.SetSize(new_width, kProcessHeight);
      scaled.Canvas()->StretchDraw(Rect(0, 0, new_width, kProcessHeight), work.get());
      work->SetSize(new_width, kProcessHeight);
      work->Canvas()->Draw(0, 0, &scaled);
    }
    work = ReduceBitmapColors(*work, rmGrayScale, dmSierra, 4);
    work = ReduceBitmapColors(*work, rmQuantize, dmNearest, 4);
    save_picture(*work, kIntermediaryFile);
    if (TDibGraphic* g = ImageScrollBox1->Graphic()) g->Assign(work.get());
    else ImageScrollBox1->SetGraphic(work.get());
    ImageScrollBox1->SetZoomMode(zmFitHeight);
    ImageScrollBox1->Redraw(true);
    ImageScrollBox1->VertScrollBar().SetVisible(false);
    Repaint();
    // The markers are the reds of the reduced palette as the file gives it back; entries the
    // palette lacks match no pixel.
    Image4->Picture().LoadFromFile(kIntermediaryFile);
    entry_red.fill(kNoMarker);
    if (HPALETTE palette = Image4->Picture().Graphic()->GetPalette()) {
      PALETTEENTRY entries[16];
      const UINT n = GetPaletteEntries(palette, 0, 16, entries);
      for (UINT k = 0; k < n; ++k) entry_red[k] = entries[k].peRed;
    }
  }
  const std::array<TColor, 16> tone = tone_order(slot_colours(*this));
  work = std::make_unique<TBitmap>();
  work->Assign(ImageScrollBox1->Graphic());
  Repaint();
  recolour_rows(*this, *work, reduced_picture_steps(entry_red, tone));
  ImageScrollBox1->VertScrollBar().SetVisible(false);
  work.reset();

  imgTestPic->Show();
  butProcessPic->Show();
  imgResetSpectrum->Show();
  imgResetpic->Hide();
  imgGenSpec->Hide();
  if (labMode->Caption() != "art  ") {
    imgLoadpic->Show();
  } else {
    imgResetSpectrum->Hide();
    imgResetpic->Show();
  }
  if (!imgResetVariant->Visible()) imgSaveTest->Show();
  imgGenSpec->Hide();
  Screen->SetCursor(crDefault);
}

void TForm1::imgSaveTestClick(TObject*) {
  TPngGraphic png;
  png.Assign(ImageScrollBox1->Graphic());
  imgLoadpic->Show();
  imgSaveTest->Hide();
  SavePictureDialog1->SetTitle("Save Testimage");
  // Named after the selected colour, not a slot.
  SavePictureDialog1->SetFileName("testimage" + ColorToHex(pan->Color()) + "_" + IntToStr(imgTestPic->Tag()) + ".png");
  if (imgSaveTest->Tag() == 1) {
    save_picture(png, SavePictureDialog1->FileName());
  } else if (SavePictureDialog1->Execute()) {
    save_picture(png, SavePictureDialog1->FileName());
  } else if (!imgResetVariant->Visible()) {
    imgSaveTest->Show();
  }
  if (labMode->Caption() == "art  ") imgGenSpec->Hide();
  if (imgSaveTest->Tag() == 1) labtestpic->Show();
  imgSaveTest->SetTag(0);
}
