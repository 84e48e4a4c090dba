// The 30 colour cells beside the side panel's lists, and copying colours to the clipboard.
#include "platform/services.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"

void TForm1::PanelClick(int K) {
  TPanel* cell = Panel[static_cast<size_t>(K)];
  if (cell->Color() == kHistoryModeColour) return;
  if (imgCSS->Tag() != 0) {
    palette_cell_click(K);
    return;
  }
  const int row = ListBox1->TopIndex() + K - 1;
  ListBox1->SetItemIndex(row);
  ListBox1Click(this);
}

void TForm1::resetcopybuts() {
  for (int n = 1; n <= 16; ++n) set_picture_from(Slot(n).imgcopy, imgCopyblu);
  set_picture_from(imgHistCopy, imgCopyblu);
  for (int n = 1; n <= 16; ++n) Slot(n).imgcopy->SetHint("copy color to clipboard");
  imgHistCopy->SetHint("copy color to clipboard");
}

void TForm1::imgcopyClick(int N) {
  resetcopybuts();
  const std::string hex = ColorToHex(panN(N)->Color());
  SetClipboardText("#" + hex);
  set_picture_from(Slot(N).imgcopy, imgCopyRed);
  Slot(N).imgcopy->SetHint("color #" + hex + " copied");
}

void TForm1::imgHistCopyClick(TObject*) {
  if (!panhistcolor->Visible()) return;  // no entry previewed
  resetcopybuts();
  SetClipboardText("#" + labHistory->Caption());
  set_picture_from(imgHistCopy, imgHistCopyred);
  imgHistCopy->SetHint("color #" + labHistory->Caption() + " copied");
}
