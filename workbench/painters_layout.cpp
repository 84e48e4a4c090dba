// The example painters' panel: ten thumbnails of the paintings with their caption labels.
#include <memory>

#include "image/png_graphic.hpp"
#include "resources/paintings.hpp"
#include "workbench/main_window.hpp"
#include "workbench/raster_pictures.hpp"

namespace {

struct PainterThumbnail {
  const char* painter;
  TImage* TForm1::*thumbnail;
  const char* thumbnail_name;
  int left;
  int top;
  int width;
  TLabel* TForm1::*label;
  const char* label_name;
  int label_top;
  void (TForm1::*handler)(TObject*);
};

constexpr PainterThumbnail kThumbnails[10] = {
    {"Norvando", &TForm1::imgNorvandopic, "imgNorvandopic", 26, 0, 77, &TForm1::Label5, "Label5", 28, &TForm1::imgNorvandoClick},
    {"Pellowin", &TForm1::imgPellowinpic, "imgPellowinpic", 34, 48, 69, &TForm1::Label6, "Label6", 76, &TForm1::imgPellowinClick},
    {"Brimsa", &TForm1::imgBrimsapic, "imgBrimsapic", 38, 96, 65, &TForm1::Label7, "Label7", 124, &TForm1::imgBrimsaClick},
    {"Velbrin", &TForm1::imgVelbrinpic, "imgVelbrinpic", 2, 144, 101, &TForm1::Label8, "Label8", 172, &TForm1::imgVelbrinClick},
    {"Dravost", &TForm1::imgDravostpic, "imgDravostpic", 37, 192, 65, &TForm1::Label9, "Label9", 220, &TForm1::imgDravostClick},
    {"Quenlor", &TForm1::imgQuenlorpic, "imgQuenlorpic", 41, 240, 60, &TForm1::Label4, "Label4", 268, &TForm1::imgQuenlorClick},
    {"Orlat", &TForm1::imgOrlatpic, "imgOrlatpic", 0, 288, 103, &TForm1::Label10, "Label10", 316, &TForm1::imgOrlatClick},
    {"Ruskavy", &TForm1::imgRuskavypic, "imgRuskavypic", 39, 336, 64, &TForm1::Label11, "Label11", 364, &TForm1::imgRuskavyClick},
    {"Falvestri", &TForm1::imgFalvestripic, "imgFalvestripic", 43, 384, 60, &TForm1::Label12, "Label12", 412, &TForm1::imgFalvestriClick},
    {"Tambrel", &TForm1::imgTambrelpic, "imgTambrelpic", 31, 432, 72, &TForm1::Label14, "Label14", 460, &TForm1::imgTambrelClick},
};

}  // namespace

void TForm1::create_painters() {
  // The open panel lies over the lists of the other modes.
  panArt->BringToFront();
  for (const PainterThumbnail& t : kThumbnails) {
    auto* thumb = new TImage(this);
    thumb->SetName(t.thumbnail_name);
    thumb->SetBounds(t.left, t.top, t.width, 48);
    thumb->SetStretch(true);
    thumb->SetProportional(true);
    thumb->SetHint("see this palette");
    thumb->SetCursor(crHandPoint);
    thumb->SetParent(panArt);
    this->*t.thumbnail = thumb;
    TLabel* label = make_label(t.label_name, panArt, 102, t.label_top, painting_caption(painter(t.painter)), clWhite);
    label->SetAutoSize(false);
    label->SetBounds(102, t.label_top, 206, 14);
    label->SetCursor(crHandPoint);
    this->*t.label = label;
  }
}

void TForm1::wire_painters() {
  for (const PainterThumbnail& t : kThumbnails) {
    auto handler = t.handler;
    auto call = [this, handler](TObject* s) { (this->*handler)(s); };
    (this->*t.thumbnail)->OnClick = call;
    (this->*t.label)->OnClick = call;
  }
  imgArt->OnClick = [this](TObject* s) { imgArtClick(s); };
}

void TForm1::draw_paintings() {
  for (const PainterThumbnail& t : kThumbnails) {
    TImage* thumb = this->*t.thumbnail;
    if (thumb->Picture().Graphic()) continue;
    // The painting as the 24-bit PNG picture a thumbnail holds.
    thumb->Picture().TakeGraphic(picture_of<TPngGraphic>(make_painting(painter(t.painter))));
  }
}
