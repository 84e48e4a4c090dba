#include "workbench/main_window.hpp"

#include "platform/services.hpp"
#include "resources/spectrum_strips.hpp"
#include "storage/css_palette_file.hpp"
#include "storage/history_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/help_window.hpp"
#include "workbench/spectrum_pictures.hpp"

TForm1* Form1 = nullptr;
int SpectrumStep = 0;
int SavedHorzScrollPos = 0;

TForm1::TForm1(TComponent* owner) : TForm(owner) {
  SetName("Form1");
  SetCaption("Huewright");
  Font().SetName("Calibri");
  Font().SetHeight(-12);
  SetColor(kEmptyColour);
  SetBounds(0, 0, 1160, 616);
  SetBorderStyle(TFormBorderStyle::bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  create_components();
  ShowColorBars(pan->Color());
  wire_events();
  OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  // An exception from the create handler is reported like any other, and the window still
  // opens.
  Application->Dispatch([this] { FormCreate(this); });
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

ReadoutBars TForm1::bars() const { return ReadoutBars{panRtop, panGtop, panBtop, panGRYtop, panR, PanG, panB}; }

void TForm1::ShowColorBars(TColor c) { ::ShowColorBars(bars(), c); }

void TForm1::ShowSelectedColor(TColor c) { ::ShowSelectedColor(bars(), *Label1, c); }

void TForm1::ShowPickedColor(TColor c) {
  edcolor->SetText(ColorToHex(c));
  ShowSelectedColor(c);
  panBlowColor->SetColor(c);
  panBlowCaption->SetColor(c);
  panBlowCaption->SetCaption(ColorToHex(c));
  panBlowCaption->Font().SetColor(caption_font_colour(c));
}

bool TForm1::in_edit_mode() const { return panSearch->Color() == kEditModeColour; }

void TForm1::set_picture_from(TImage* target, TImage* holder) { target->Picture().Assign(&holder->Picture()); }

// ---------------------------------------------------------------------------------------------
// Start and end
// ---------------------------------------------------------------------------------------------
void TForm1::FormCreate(TObject*) {
  SetDoubleBuffered(true);
  // A mend: a history that cannot be read or made is reported, and the rest of the start-up is
  // still carried out, or the window would open half set up (unplaced, with an empty view and
  // no version for the colour search).
  Application->Dispatch([this] {
    if (FileExists(kHistoryFile)) {
      try {
        ListBox1->SetItems(read_history_file(kHistoryFile, &history_utf8_));
      } catch (...) {
        history_unread_ = true;
        throw;
      }
    } else {
      ListBox1->SetItems({kDefaultHistoryLine});
      write_history_file(kHistoryFile, ListBox1->Items());
    }
  });
  SetLeft(10);
  SetTop(10);
  labVer->SetCaption(IntToStr(GetWindowsVersion().minor));
  imgPopClick(this);
  panSearch->SetWidth(90);
  panSearch->SetColor(kEditModeColour);
  ImageScrollBox1->Image()->SetCursor(crCross);
  // The pointer goes over the picture view once the window is on the screen: before that a window
  // manager has not yet framed it, and the client point would be missed by the frame's size.
  AfterFirstPaint([this, alive = AliveToken()] {
    if (alive.expired()) return;  // closed before it was painted
    TPoint p = ClientToScreen({600, 200});
    SetCursorPos(p.X, p.Y);
  });
  TImage* holder = spectrum_holder(0);
  // Setting the graphic redraws the view; a second redraw of the same strip would only repeat it.
  ImageScrollBox1->SetGraphic(holder->Picture().Graphic());
  ImageScrollBox1->VertScrollBar().SetVisible(false);
  Image1->Picture().Assign(&holder->Picture());
  Application->SetHintHidePause(2500);
}

void TForm1::FormClose(TObject*, TCloseAction&) {
  // A history that cannot be written is reported and the window still closes; the working file
  // then stays, as the steps after a failing write are not carried out.
  bool written = false;
  Application->Dispatch([&] {
    // A mend: a history that could not be read at start is never replaced by the list shown,
    // which lacks its colours.
    if (history_unread_)
      throw EInOutError(Format("The colour history \"%s\" could not be read when Huewright started, so it is left "
                               "as it is: the colours saved in this session are not kept.",
                               {std::string(kHistoryFile)}));
    write_history_file(kHistoryFile, ListBox1->Items(), history_utf8_);
    written = true;
  });
  if (written && FileExists(kWorkingPaletteFile)) DeleteFile(kWorkingPaletteFile);
}

// ---------------------------------------------------------------------------------------------
// Modes of the side panel
// ---------------------------------------------------------------------------------------------
void TForm1::imgCollapseColorPanelClick(TObject*) {
  if (imgHistPick->Tag() == 0) {
    imgClearCSS->Hide();
    imgClearCSS->SendToBack();
    ListBox2->SendToBack();
    restore_working_palette();
    imgGenArtPal->Hide();
  }
  imgHistPick->SetTag(0);
  imgCollapsepanelClick(this);
}

void TForm1::imgCollapsepanelClick(TObject*) {
  panArt->SetWidth(0);
  imgArt->SetTag(0);
  panVar->SetWidth(0);
  set_picture_from(imgArt, imgArton);
  imgArt->SetHint("example artists palettes");
  for (TImage* b : {imgExtendpanel, imgEdColor, imgZoom, imgLoadpic, imgCSS}) b->Show();
  edcolor->Hide();
  imgedcolorsearch->Hide();
  edcolorsearch->Hide();
  if (imgVar->Tag() == 1) {
    imgVar->SetTag(0);
    imgVarClick(this);
    imgVar->Show();
  } else {
    panSearch->SetWidth(90);
  }
  if (pan1()->Color() != kEmptyColour) {
    imgVar->Show();
    imgClearPicked->Show();
  }
  panTrackBars->SetVisible(labImgPick->Tag() != 0);
  imgSaveAll->SetVisible(pan2()->Visible());
  imgPaletteAll->SetVisible(!imgGenPal->Visible() && !imgGenArtPal->Visible() && pan2()->Visible());
  for (TControl* c : std::initializer_list<TControl*>{panCompli, panTriad120, panTriad240, panlight, pandark, imgPalette,
                                                      panLBside, imgClearItem, imgClearHistory, imgSave})
    c->Hide();
  labMode->SetCaption("edit");
  setvariantpick();
  panSearch->SetColor(kEditModeColour);
  panVar->SetColor(panSearch->Color());
  labMode->SetColor(panSearch->Color());
  panReset->SetColor(panSearch->Color());
  labMode->SetLeft(50);
  imgCSS->SetTag(0);
  imgCSS->SetHint("load a palette");
  set_picture_from(imgCSS, imgCSSload);
}

void TForm1::imgExtendpanelClick(TObject*) {
  ListBox2->SendToBack();
  imgCSS->SetTag(0);
  set_picture_from(imgCSS, imgCSSload);
  imgCSS->SetHint("load a palette");
  if (imgResetpic->Visible()) imgResetpicClick(this);
  ListBox1->SetItemIndex(ListBox1->TopIndex());
  ListBox1->SetFocus();
  show_history_entry(false);
  panSearch->SetColor(kHistoryModeColour);
  imgPopClick(this);
  panSearch->SetWidth(337);
  panArt->SetWidth(0);
  panVar->SetWidth(0);
  imgArt->SetTag(0);
  imgExtendpanel->Hide();
  if (imgPick->Tag() > 0) imgCollapseColorPanel->SetHint("return to your palette");
  imgClearItem->SetHint("delete selected color from list");
  imgClearCSS->SendToBack();
  imgClearCSS->Hide();
  imgHistPick->Show();
  for (TControl* c : std::initializer_list<TControl*>{imgEdColor, edcolor, imgZoom, imgedcolorsearch, edcolorsearch,
                                                      imgLoadpic, imgResetpic})
    c->Hide();
  set_picture_from(imgArt, imgArton);
  imgArt->SetHint("example artists palettes");
  for (TControl* c : std::initializer_list<TControl*>{imgVar, imgVariantsPal, imgResetVariant, panTrackBars, imgClearPicked})
    c->Hide();
  for (TControl* c : std::initializer_list<TControl*>{ListBox1, panCompli, panTriad120, panTriad240, panlight, pandark,
                                                      panLBside, imgClearItem, imgClearHistory})
    c->Show();
  imgHistCopy->SetVisible(panhistcolor->Color() != kNoHistoryColour);
  labMode->SetLeft(1);
  labMode->SetCaption("history");
  ListBox1->SetColor(panSearch->Color());
  labMode->SetColor(panSearch->Color());
  panReset->SetColor(panSearch->Color());
}

void TForm1::imgExtendColorPanelClick(TObject*) {
  working_palette_save();
  imgExtendpanelClick(this);
  imgHistPick->SetTag(0);
}

void TForm1::Timer1Timer(TObject*) {
  Timer1->SetInterval(3000);
  for (int n = 1; n <= 16; ++n) Slot(n).labpan->Hide();
  labtestpic->Hide();
  set_picture_from(imgPickArt, imgPick);
  imgPickArt->SetHint("add this color to your palette");
}

void TForm1::hidelabselect() {
  for (int n = 1; n <= 16; ++n) Slot(n).labpanselect->Hide();
}

// ---------------------------------------------------------------------------------------------
// Spectrum pictures
// ---------------------------------------------------------------------------------------------
TImage* TForm1::spectrum_holder(int step) {
  for (TImage* h : imgbar)
    if (h->Tag() == step) {
      if (!h->Picture().Graphic()) assign_spectrum_picture(*h, step);
      return h;
    }
  return spectrum_holder(0);
}

// ---------------------------------------------------------------------------------------------
// Program entry
// ---------------------------------------------------------------------------------------------
void create_workbench_windows() {
  Form1 = new TForm1(Application);
  Application->SetMainForm(Form1);
  Form2 = new TForm2(Application);
}
