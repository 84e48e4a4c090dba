// The event wiring of the main window's components.
#include "workbench/main_window.hpp"

void TForm1::wire_events() {
  auto click = [this](TControl* c, void (TForm1::*handler)(TObject*)) {
    c->OnClick = [this, handler](TObject* s) { (this->*handler)(s); };
  };

  ImageScrollBox1->OnImageMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { ImageScrollBox1ImageMouseMove(s, sh, x, y); };
  ImageScrollBox1->OnImageMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    ImageScrollBox1ImageMouseDown(s, b, sh, x, y);
  };
  ImageScrollBox1->OnImageMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    ImageScrollBox1ImageMouseUp(s, b, sh, x, y);
  };
  ImageScrollBox1->OnEndScroll = [this](TObject* s) { ImageScrollBox1EndScroll(s); };
  ImageScrollBox1->OnExit = [this](TObject* s) { ImageScrollBox1Exit(s); };
  click(Image1, &TForm1::Image1Click);
  click(imgZoom, &TForm1::imgZoomClick);

  // Modes and status.
  click(imgCollapsepanel, &TForm1::imgCollapsepanelClick);
  click(imgVaroff, &TForm1::imgCollapsepanelClick);
  click(imgCollapseColorPanel, &TForm1::imgCollapseColorPanelClick);
  click(imgExtendpanel, &TForm1::imgExtendpanelClick);
  click(imgVaron, &TForm1::imgExtendpanelClick);
  Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };

  // Slots.
  click(imgPick, &TForm1::imgPickClick);
  click(imgPickArt, &TForm1::imgPickArtClick);
  click(panBase, &TForm1::panBaseClick);
  click(imgClearPicked, &TForm1::imgClearPickedAllClick);
  pan->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { panMouseMove(s, sh, x, y); };
  for (int n = 1; n <= 16; ++n) {
    SlotRow& r = Slot(n);
    r.pan->OnClick = [this, n](TObject*) { panClick(n); };
    r.imgDel->OnClick = [this, n](TObject*) { imgDelClick(n); };
    r.imgsavepan->OnClick = [this, n](TObject*) { imgsavepanClick(n); };
    r.imgpanPal->OnClick = [this, n](TObject*) { imgpanPalClick(n); };
    r.imgcopy->OnClick = [this, n](TObject*) { imgcopyClick(n); };
    for (CellKind k : {CellKind::Compli, CellKind::Triad120, CellKind::Triad240, CellKind::Dark, CellKind::Light}) {
      Cell(n, k)->OnClick = [this, n, k](TObject*) { cellClick(n, k); };
      CellPick(n, k)->OnClick = [this, n, k](TObject*) { cellPickClick(n, k); };
    }
  }
  // The hidden holders of the copy buttons' two pictures carry slot 1's copy handler.
  for (TImage* holder : {imgCopyRed, imgCopyblu}) holder->OnClick = [this](TObject*) { imgcopyClick(1); };
  for (TPanel* c : {panCompli, panTriad120, panTriad240, pandark, panlight})
    c->OnClick = [this, c](TObject*) { sideCellClick(c); };

  // Bars and resets.
  trkbarLum->OnChange = [this](TObject* s) { trkbarLumChange(s); };
  trkbarSat->OnChange = [this](TObject* s) { trkbarSatChange(s); };
  trkbarVar->OnChange = [this](TObject* s) { trkbarVarChange(s); };
  click(imgReset, &TForm1::imgResetClick);
  click(imgResetpic, &TForm1::imgResetpicClick);
  click(imgResetVariant, &TForm1::imgResetpicClick);
  click(imgResetSpectrum, &TForm1::imgResetSpectrumClick);

  // Palette files, history, cells and clipboard.
  click(imgPalette, &TForm1::imgPaletteClick);
  click(imgPaletteAll, &TForm1::imgPaletteAllClick);
  click(imgSave, &TForm1::imgSaveClick);
  click(imgSaveAll, &TForm1::imgSaveAllClick);
  click(imgHistPick, &TForm1::imgHistPickClick);
  click(imgClearItem, &TForm1::imgClearItemClick);
  click(imgClearHistory, &TForm1::imgClearHistoryClick);
  click(imgHistCopy, &TForm1::imgHistCopyClick);
  ListBox1->OnClick = [this](TObject* s) { ListBox1Click(s); };
  // Only a click reports an entry that is not a colour; moving over the list does not.
  ListBox1->OnEnter = [this](TObject*) { show_history_entry(false); };
  ListBox1->OnMouseMove = [this](TObject*, TShiftState, int, int) { show_history_entry(false); };
  ListBox1->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { show_history_entry(false); };
  for (int k = 1; k <= 30; ++k) Panel[static_cast<size_t>(k)]->OnClick = [this, k](TObject*) { PanelClick(k); };

  wire_variant_grid();
  wire_palette_list();
  wire_help_button();

  // Spectrum buttons.
  for (size_t i = 0; i < 17; ++i) {
    int step = imgbar[i]->Tag();
    imgSpectrum[i]->OnClick = [this, step](TObject*) { show_spectrum(step); };
  }
  wire_sampling();
  wire_painters();
  wire_recolouring();
  wire_hex_entry();
}
