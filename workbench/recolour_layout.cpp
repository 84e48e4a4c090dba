// The components of the test-picture and picture recolouring: the two test pictures, the
// picture that reads the reduced palette back, and the two picture dialogs.
#include "resources/test_pictures.hpp"
#include "workbench/main_window.hpp"
#include "workbench/test_picture_graphic.hpp"

void TForm1::create_recolouring() {
  // Holders of the test pictures, hidden; their pictures are drawn on first use.
  imgPicTest = new TImage(this);
  imgPicTest->SetName("imgPicTest");
  imgPicTest->SetBounds(0, 7, kTestPictureWidth, kTestPictureHeight);
  imgPicTest->SetVisible(false);
  imgPicTest->SetParent(this);
  imgPicTest1 = new TImage(this);
  imgPicTest1->SetName("imgPicTest1");
  imgPicTest1->SetBounds(0, 7, kTestPictureWidth, kTestPictureHeight);
  imgPicTest1->SetVisible(false);
  imgPicTest1->SetParent(this);

  // Reads "intermediary.bmp" back for its palette; it lies right of the client area.
  Image4 = new TImage(this);
  Image4->SetName("Image4");
  Image4->SetBounds(1170, 0, 105, 105);
  Image4->SetParent(this);

  SavePictureDialog1 = new TSavePictureDialog(this);
  SavePictureDialog1->SetName("SavePictureDialog1");
  SavePictureDialog1->SetFilter("Portable Network Graphic (*.png)|*.png");
}

void TForm1::wire_recolouring() {
  imgTestPic->OnClick = [this](TObject* s) { imgTestPicClick(s); };
  butProcessPic->OnClick = [this](TObject* s) { butProcessPicClick(s); };
  imgSaveTest->OnClick = [this](TObject* s) { imgSaveTestClick(s); };
}

TImage* TForm1::test_picture_holder(int tag) {
  TImage* holder = tag == 1 ? imgPicTest1 : imgPicTest;
  if (!holder->Picture().Graphic()) {
    auto g = test_picture_graphic(make_test_picture(holder->Name()));
    holder->Picture().SetGraphic(g.get());
  }
  return holder;
}
