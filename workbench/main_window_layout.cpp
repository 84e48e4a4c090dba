// The components of the main window, made from tables keyed by their names.
#include <cstdio>

#include "workbench/glyph_pictures.hpp"
#include "workbench/main_window.hpp"

namespace {

// The spectrum chooser: button name, picture holder, step, top, height, hint.
struct SpectrumButton {
  const char* button;
  const char* holder;
  int step;
  int top;
  int height;
  const char* hint;
};

constexpr SpectrumButton kSpectrumButtons[17] = {
    {"img000", "imgbar000", 0, 0, 32, "brightness"},       {"img255", "imgbar255", 255, 32, 28, "saturation 1"},
    {"img247", "imgbar247", 247, 60, 28, "saturation 2"},  {"img239", "imgbar239", 239, 88, 28, "saturation 3"},
    {"img231", "imgbar231", 231, 116, 28, "saturation 4"}, {"img223", "imgbar223", 223, 144, 28, "saturation 5"},
    {"img215", "imgbar215", 215, 172, 28, "saturation 6"}, {"img207", "imgbar207", 207, 200, 28, "saturation 7"},
    {"img199", "imgbar199", 199, 228, 28, "saturation 8"}, {"img191", "imgbar191", 191, 256, 28, "saturation 9"},
    {"img183", "imgbar183", 183, 284, 28, "saturation 10"}, {"img175", "imgbar175", 175, 312, 28, "saturation 11"},
    {"img167", "imgbar167", 167, 340, 28, "saturation 12"}, {"img159", "imgbar159", 159, 368, 28, "saturation 13"},
    {"img151", "imgbar151", 151, 395, 28, "saturation14"}, {"img143", "imgbar143", 143, 424, 28, "saturation 15"},
    {"img135", "imgbar135", 135, 452, 28, "saturation 16"},
};

// A tool button of the side panel or the palette strip: name, left, top, hint, shown at start.
struct ToolButton {
  const char* name;
  TImage* TForm1::*member;
  int left;
  int top;
  const char* hint;
  bool visible;
};

// The tool column of the side panel.
const ToolButton kSideTools[] = {
    {"imgZoom", &TForm1::imgZoom, 0, 2, "zoom 100%, click for 200%", true},
    {"imgLoadpic", &TForm1::imgLoadpic, 0, 29, "load a picture", true},
    {"imgArt", &TForm1::imgArt, 0, 57, "example artists palettes", true},
    {"imgCollapseColorPanel", &TForm1::imgCollapseColorPanel, 0, 84, "collapse color history", true},
    {"imgExtendpanel", &TForm1::imgExtendpanel, 0, 84, "see your color history", true},
    {"imgVar", &TForm1::imgVar, -2, 126, "see 80 variants", false},
    {"imgVariantsPal", &TForm1::imgVariantsPal, 4, 150, "add 16 variant palette from current color", false},
    {"imgHelp", &TForm1::imgHelp, 0, 174, "help", true},
    {"imgCSS", &TForm1::imgCSS, 0, 197, "see your palettes", true},
    {"imgGenSpec", &TForm1::imgGenSpec, 0, 220, "generate spectrum palette", true},
    {"imgGenPal", &TForm1::imgGenPal, 0, 243, "load palette of test image", false},
    {"imgGenArtPal", &TForm1::imgGenArtPal, 0, 266, "load this palette into yours", false},
    {"imgcolrtone", &TForm1::imgcolrtone, 0, 289, "sort your palette by tone", false},
    {"imgResetSpectrum", &TForm1::imgResetSpectrum, 0, 312, "return to the spectrum", false},
    {"imgResetpic", &TForm1::imgResetpic, 0, 335, "return to your palette", false},
    {"imgResetVariant", &TForm1::imgResetVariant, 0, 358, "return to your source palette", false},
    {"imgClearPicked", &TForm1::imgClearPicked, 0, 381, "clear all picked colors", false},
    {"imgEdColor", &TForm1::imgEdColor, -4, 402, "manually enter a hex color", true},
    {"imgedcolorsearch", &TForm1::imgedcolorsearch, -5, 423, "find color in spectrum", false},
    {"imgClearItem", &TForm1::imgClearItem, 36, 84, "delete selected color from list", false},
    {"imgClearHistory", &TForm1::imgClearHistory, 36, 109, "delete color list", false},
    {"imgClearCSS", &TForm1::imgClearCSS, 36, 134, "select a palette file to delete", false},
};

// The palette tools under the selected colour.
const ToolButton kPaletteTools[] = {
    {"imgSave", &TForm1::imgSave, 4, 2, "save latest picked color to disk", false},
    {"imgPalette", &TForm1::imgPalette, 30, 2, "export latest picked color to a CSS palette file", false},
    {"imgSaveAll", &TForm1::imgSaveAll, 56, 2, "save all picked colors to disk", false},
    {"imgPaletteAll", &TForm1::imgPaletteAll, 82, 2, "export all picked colors to a CSS palette file", false},
    {"imgTestPic", &TForm1::imgTestPic, 108, 2, "try  your palette on the test image", false},
    {"imgSaveTest", &TForm1::imgSaveTest, 134, 2, "save current image to disk", false},
};

// Hidden holders of the pictures other buttons take over.
const std::pair<const char*, TImage* TForm1::*> kPictureHolders[] = {
    {"imgArton", &TForm1::imgArton},
    {"imgArtoff", &TForm1::imgArtoff},
    {"imgVaron", &TForm1::imgVaron},
    {"imgVaroff", &TForm1::imgVaroff},
    {"imgCSSload", &TForm1::imgCSSload},
    {"imgCSSoff", &TForm1::imgCSSoff},
    {"imgCopyRed", &TForm1::imgCopyRed},
    {"imgCopyblu", &TForm1::imgCopyblu},
    {"imghistcopyblu", &TForm1::imghistcopyblu},
    {"imgHistCopyred", &TForm1::imgHistCopyred},
    {"imgVariantPal2", &TForm1::imgVariantPal2},
    {"imgVariantPal3", &TForm1::imgVariantPal3},
    {"imgTestPic0", &TForm1::imgTestPic0},
    {"imgTestPic1", &TForm1::imgTestPic1},
    {"imgedcolorsearchred", &TForm1::imgedcolorsearchred},
    {"imgedcolorsearchblu", &TForm1::imgedcolorsearchblu},
    {"imgpickartOK", &TForm1::imgpickartOK},
};

// The five cells of a slot row: name pattern, left, kind.
struct CellSpec {
  const char* cell;  // %d is the slot number
  const char* pick;
  const char* pick_hint;
  int left;
  CellKind kind;
};

constexpr CellSpec kCells[5] = {
    {"panCompli%d", "imgCompli%d", "add complementary color", 0, CellKind::Compli},
    {"panTriad120%d", "imgTriad120%d", "add triadic1 color", 30, CellKind::Triad120},
    {"panTriad240%d", "imgTriad240%d", "add triadic2 color", 60, CellKind::Triad240},
    {"pan%ddark", "imgpickpan%ddark", "add dark color", 90, CellKind::Dark},
    {"pan%dlight", "imgpickpan%dlight", "add light color", 120, CellKind::Light},
};

std::string named(const char* pattern, int n) {
  char buf[64];
  std::snprintf(buf, sizeof buf, pattern, n);
  return buf;
}

}  // namespace

TPanel* TForm1::make_panel(const std::string& name, TWinControl* parent, int l, int t, int w, int h, TColor colour,
                           const std::string& hint, bool visible) {
  auto* p = new TPanel(this);
  p->SetName(name);
  p->SetBevelOuter(TBevelCut::bvNone);
  p->SetBounds(l, t, w, h);
  p->SetColor(colour);
  p->Font().Assign(Font());
  p->SetHint(hint);
  p->SetVisible(visible);
  p->SetParent(parent);
  return p;
}

TLabel* TForm1::make_label(const std::string& name, TWinControl* parent, int l, int t, const std::string& caption,
                           TColor font_colour, int font_height, bool visible) {
  auto* lab = new TLabel(this);
  lab->SetName(name);
  lab->Font().Assign(Font());
  lab->Font().SetHeight(-font_height);
  lab->Font().SetColor(font_colour);
  lab->SetTransparent(true);
  lab->SetCaption(caption);
  lab->SetLeft(l);
  lab->SetTop(t);
  lab->SetVisible(visible);
  lab->SetParent(parent);
  return lab;
}

TImage* TForm1::make_button(const std::string& name, TWinControl* parent, int l, int t, const std::string& hint,
                            bool visible, const std::string& glyph) {
  auto* img = new TImage(this);
  img->SetName(name);
  img->SetHint(hint);
  TSize size = glyph_size(glyph.empty() ? name : glyph);
  img->SetBounds(l, t, size.cx, size.cy);
  assign_glyph(*img, glyph.empty() ? name : glyph);
  img->SetCursor(crHandPoint);
  img->SetVisible(visible);
  img->SetParent(parent);
  return img;
}

void TForm1::create_components() {
  // Readout strip over the picture view.
  panGRYtop = make_panel("panGRYtop", this, 0, 0, 720, 7, clBlack);
  panRtop = make_panel("panRtop", this, 0, 1, 0, 6, clBlack);
  panGtop = make_panel("panGtop", this, 0, 1, 0, 6, clBlack);
  panBtop = make_panel("panBtop", this, 0, 1, 0, 6, clBlack);
  panR = make_panel("panR", this, 0, 0, 0, 1, kBarLineRed);
  PanG = make_panel("PanG", this, 0, 0, 0, 1, kBarLineGreen);
  panB = make_panel("panB", this, 0, 0, 0, 1, kBarLineBlue);

  // The picture view.
  ImageScrollBox1 = new TImageScrollBox(this);
  ImageScrollBox1->SetName("ImageScrollBox1");
  ImageScrollBox1->SetBounds(0, 7, 720, 524);
  ImageScrollBox1->SetHint("click to select color, drag to scroll");
  ImageScrollBox1->SetCursor(crCross);
  ImageScrollBox1->SetColor(kEmptyColour);
  ImageScrollBox1->HorzScrollBar().SetIncrement(1);
  ImageScrollBox1->HorzScrollBar().SetTracking(true);
  ImageScrollBox1->VertScrollBar().SetIncrement(1);
  ImageScrollBox1->VertScrollBar().SetTracking(true);
  ImageScrollBox1->VertScrollBar().SetVisible(false);
  ImageScrollBox1->SetMouseHandlerOwnership(true);
  ImageScrollBox1->SetParent(this);

  // Overview strip with its frame.
  panimage1 = make_panel("panimage1", this, 0, 531, 720, 89, kEmptyColour);
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetBounds(0, 0, 720, 85);
  Image1->SetStretch(true);
  Image1->SetHint("extended spectum");
  Image1->SetParent(panimage1);
  panindicatLeft = make_panel("panindicatLeft", panimage1, 0, 0, 1, 85, clWhite);
  panindicatRight = make_panel("panindicatRight", panimage1, 126, 0, 1, 85, clWhite);
  panindicatBot = make_panel("panindicatBot", panimage1, 0, 84, 126, 1, clWhite);

  // Magnifier.
  panBlowColor = make_panel("panBlowColor", this, 720, 0, 180, 137, kEmptyColour, "magnifier");
  panBlowHair3 = make_panel("panBlowHair3", panBlowColor, 90, 0, 1, 63, clWhite);
  panBlowHair1 = make_panel("panBlowHair1", panBlowColor, 90, 73, 1, 63, clWhite);
  panBlowHair4 = make_panel("panBlowHair4", panBlowColor, 0, 68, 85, 1, clWhite);
  panBlowHair2 = make_panel("panBlowHair2", panBlowColor, 95, 68, 85, 1, clWhite);
  panBlowCaption = make_panel("panBlowCaption", panBlowColor, 140, 65, 40, 7, kEmptyColour);
  panBlowCaption->Font().SetHeight(-11);
  panBlowCaption->Font().SetColor(clWhite);

  // Selected colour with its readout, add buttons and the palette tools.
  pan = make_panel("pan", this, 900, 0, 260, 137, kEmptyColour, "selected color");
  Label1 = make_label("Label1", pan, 6, 119, "", clWhite);
  labVer = make_label("labVer", pan, 6, 4, "", clWhite, 12, false);
  labPickSelect = make_label("labPickSelect", pan, 6, 20, "", clWhite, 12, false);
  imgPick = make_button("imgPick", pan, 216, 8, "add this color to your palette");
  imgPickArt = make_button("imgPickArt", pan, 216, 8, "add this color to your palette", false);
  panTools = make_panel("panTools", pan, 0, 91, 260, 27, kEmptyColour);
  for (const auto& b : kPaletteTools) this->*b.member = make_button(b.name, panTools, b.left, b.top, b.hint, b.visible);
  butProcessPic = new TButton(this);
  butProcessPic->SetName("butProcessPic");
  butProcessPic->SetCaption("try on picture");
  butProcessPic->Font().Assign(Font());
  butProcessPic->SetHint("try your palette on a picture");
  butProcessPic->SetBounds(162, 1, 94, 22);
  butProcessPic->SetVisible(false);
  butProcessPic->SetParent(panTools);
  // "saved" stands in the place of the save button, which is hidden while it shows: at 160 the
  // "try on picture" button covered it.
  labtestpic = make_label("labtestpic", panTools, 134, 4, "saved", clWhite, 12, false);

  // Spectrum chooser and slot rows.
  panBase = make_panel("panBase", this, 720, 137, 444, 479, kEmptyColour);
  imggreygrad = make_button("imggreygrad", panBase, 0, 0, "");
  imggreygrad->SetCursor(crDefault);
  for (size_t i = 0; i < 17; ++i) {
    const SpectrumButton& s = kSpectrumButtons[i];
    auto* b = new TImage(this);
    b->SetName(s.button);
    b->SetHint(s.hint);
    b->SetBounds(0, s.top, 40, s.height);
    b->SetStretch(true);
    b->SetCursor(crHandPoint);
    assign_glyph(*b, s.button);
    b->SetParent(panBase);
    imgSpectrum[i] = b;
    auto* holder = new TImage(this);
    holder->SetName(s.holder);
    holder->SetVisible(false);
    holder->SetParent(this);
    holder->SetTag(s.step);
    imgbar[i] = holder;
  }
  create_slot_rows();
  create_side_panel();
  create_variant_grid();
  create_painters();
  create_recolouring();
  create_hex_entry();

  // Hidden holders of state and pictures.
  Memo1 = new TMemo(this);
  Memo1->SetName("Memo1");
  Memo1->SetVisible(false);
  Memo1->SetParent(this);
  Memo1->Lines().Add("484B52");
  Memo1->LinesChanged();
  Memo2 = new TMemo(this);
  Memo2->SetName("Memo2");
  Memo2->SetVisible(false);
  Memo2->SetParent(this);
  panIntermediate = make_panel("panIntermediate", this, 0, 0, 10, 10, kEmptyColour, "", false);
  panResetColor = make_panel("panResetColor", this, 0, 0, 10, 10, kEmptyColour, "", false);
  labImgPick = make_label("labImgPick", this, 0, 0, "", clWhite, 12, false);
  for (const auto& [name, member] : kPictureHolders) {
    auto* h = new TImage(this);
    h->SetName(name);
    TSize size = glyph_size(name);
    h->SetBounds(0, 0, size.cx, size.cy);
    assign_glyph(*h, name);
    h->SetVisible(false);
    h->SetParent(this);
    this->*member = h;
  }
  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(3000);
  create_sampling();
}

void TForm1::create_slot_rows() {
  for (int n = 1; n <= 16; ++n) {
    SlotRow& r = slot_[static_cast<size_t>(n)];
    r.pan = make_panel(named("pan%d", n), panBase, 130, -1 + 30 * (n - 1), 311, 30, kEmptyColour, "", false);
    for (const CellSpec& c : kCells) {
      TPanel* cell = make_panel(named(c.cell, n), r.pan, c.left, 0, 30, 30, kEmptyColour, "toggle alternative");
      TImage* pick = make_button(named(c.pick, n), cell, 0, 0, c.pick_hint);
      pick->SetTransparent(true);
      switch (c.kind) {
        case CellKind::Compli: r.compli = cell, r.imgCompli = pick; break;
        case CellKind::Triad120: r.triad120 = cell, r.imgTriad120 = pick; break;
        case CellKind::Triad240: r.triad240 = cell, r.imgTriad240 = pick; break;
        case CellKind::Dark: r.dark = cell, r.imgpickdark = pick; break;
        case CellKind::Light: r.light = cell, r.imgpicklight = pick; break;
      }
    }
    r.imgsavepan = make_button(named("imgsavepan%d", n), r.pan, 152, 5, "save this color to disk");
    r.imgpanPal = make_button(named("imgpan%dPal", n), r.pan, 174, 5, "export this color+variants to a CSS palette file");
    r.imgcopy = make_button(named("imgcopy%d", n), r.pan, 197, 7, "copy color to clipboard");
    r.labpan = make_label(named("labpan%d", n), r.pan, 218, 7, "", clWhite, 12, false);
    r.imgDel = make_button(named("imgDel%d", n), r.pan, 272, 7, "unpick color");
    r.labpanselect = make_label(named("labpan%dselect", n), r.pan, 294, 6, "\u25CF", clWhite, 14, false);
    r.labpanselect->SetHint(named("color slot %d selected", n));
  }
}

void TForm1::create_side_panel() {
  panSearch = make_panel("panSearch", this, 760, 137, 90, 480, kEditModeColour);
  panSearch->Font().SetColor(clWhite);

  // History-variant cells in the top left corner.
  const struct {
    const char* name;
    TPanel* TForm1::*member;
    int left;
    const char* hint;
  } cells[] = {{"panCompli", &TForm1::panCompli, 0, "complementary"},
               {"panTriad120", &TForm1::panTriad120, 18, "triadic +135\u00BA"},
               {"panTriad240", &TForm1::panTriad240, 36, "triadic -135\u00BA"},
               {"pandark", &TForm1::pandark, 54, "20% darker"},
               {"panlight", &TForm1::panlight, 72, "20% lighter"}};
  for (const auto& c : cells) this->*c.member = make_panel(c.name, panSearch, c.left, 0, 18, 60, kNoHistoryColour, c.hint, false);

  for (const auto& b : kSideTools) this->*b.member = make_button(b.name, panSearch, b.left, b.top, b.hint, b.visible);
  imgCollapsepanel = make_button("imgCollapsepanel", this, 0, 0, "", false);

  // Track bars of the slot being edited.
  panTrackBars = make_panel("panTrackBars", panSearch, 30, 0, 60, 384, kEditModeColour, "", false);
  panTrackBars->SetParentColor(true);
  pantrkspacer = make_panel("pantrkspacer", panTrackBars, 12, 0, 48, 395, kNoHistoryColour);
  const struct {
    const char* name;
    TExTrackBar* TForm1::*member;
    int left;
    TColor colour;
    const char* hint;
  } tracks[] = {{"trkbarLum", &TForm1::trkbarLum, 0, 0x00A96060, "adjust luminosity"},
                {"trkbarSat", &TForm1::trkbarSat, 20, 0x00EE6060, "adjust saturation"},
                {"trkbarVar", &TForm1::trkbarVar, 40, 0x00607760, "adjust hue"}};
  for (const auto& t : tracks) {
    auto* bar = new TExTrackBar(this);
    bar->SetName(t.name);
    bar->SetOrientation(trVertical);
    bar->SetMin(0);
    bar->SetMax(240);
    bar->SetPosition(120);
    bar->SetLabels(false);
    bar->SetLabelsFirstLast(false);
    bar->SetBounds(t.left, -9, 12, 396);
    bar->SetColor(t.colour);
    bar->SetHint(t.hint);
    bar->SetParent(panTrackBars);
    this->*t.member = bar;
  }
  panReset = make_panel("panReset", panSearch, 30, 384, 60, 20, kDesignPanelColour);
  imgReset = make_button("imgReset", panReset, 21, 1, "reset color", false);

  edcolor = new TEdit(this);
  edcolor->SetName("edcolor");
  edcolor->SetBounds(30, 406, 60, 14);
  edcolor->SetColor(7496548);
  edcolor->Font().Assign(Font());
  edcolor->Font().SetColor(clWhite);
  edcolor->SetHint("enter a color in hex");
  edcolor->SetVisible(false);
  edcolor->SetParent(panSearch);
  edcolorsearch = new TEdit(this);
  edcolorsearch->SetName("edcolorsearch");
  edcolorsearch->SetBounds(30, 427, 60, 14);
  edcolorsearch->SetColor(7496548);
  edcolorsearch->Font().Assign(Font());
  edcolorsearch->Font().SetColor(clWhite);
  edcolorsearch->SetHint("enter color in hex, press enter to find");
  edcolorsearch->SetVisible(false);
  edcolorsearch->SetParent(panSearch);
  labScan = make_label("labScan", panSearch, 0, 442, "", clWhite, 12, false);
  labMode = make_label("labMode", panSearch, 50, 464, "edit", clWhite);
  labMode->SetTransparent(false);
  labMode->SetColor(kDesignPanelColour);

  // Panels of the variant grid and the painters, closed.
  panVar = make_panel("panVar", panSearch, 30, 0, 0, 480, kDesignPanelColour);
  panArt = make_panel("panArt", panSearch, 27, 0, 0, 480, 7493202);

  // History preview, lists and their cells.
  panhistcolor = make_panel("panhistcolor", panSearch, 90, 0, 247, 60, kNoHistoryColour, "", false);
  labHistory = make_label("labHistory", panhistcolor, 8, 22, "", clWhite, 14);
  imgHistCopy = make_button("imgHistCopy", panhistcolor, 196, 20, "copy color to clipboard");
  imgHistPick = make_button("imgHistPick", panhistcolor, 221, 20, "pick this color");
  ListBox2 = new TListBox(this);
  ListBox2->SetName("ListBox2");
  ListBox2->SetBounds(91, 60, 246, 420);
  ListBox2->SetItemHeight(14);
  ListBox2->SetHint("your saved palettes");
  ListBox2->SetColor(kHistoryModeColour);
  ListBox2->Font().Assign(Font());
  ListBox2->Font().SetColor(clWhite);
  ListBox2->SetParent(panSearch);
  ListBox1 = new TListBox(this);
  ListBox1->SetName("ListBox1");
  ListBox1->SetBounds(91, 60, 246, 420);
  ListBox1->SetItemHeight(14);
  ListBox1->SetHint("your saved colors");
  ListBox1->SetColor(kHistoryModeColour);
  ListBox1->Font().Assign(Font());
  ListBox1->Font().SetColor(clWhite);
  ListBox1->SetParent(panSearch);
  panLBside = make_panel("panLBside", panSearch, 71, 60, 20, 423, kDesignPanelColour, "", false);
  for (int k = 1; k <= 30; ++k)
    Panel[static_cast<size_t>(k)] = make_panel(named("Panel%d", k), panLBside, 0, 14 * (k - 1), 20, 14, kHistoryModeColour);
}

TPanel* TForm1::Cell(int N, CellKind kind) const {
  const SlotRow& r = slot_[static_cast<size_t>(N)];
  switch (kind) {
    case CellKind::Compli: return r.compli;
    case CellKind::Triad120: return r.triad120;
    case CellKind::Triad240: return r.triad240;
    case CellKind::Dark: return r.dark;
    case CellKind::Light: return r.light;
  }
  return nullptr;
}

TImage* TForm1::CellPick(int N, CellKind kind) const {
  const SlotRow& r = slot_[static_cast<size_t>(N)];
  switch (kind) {
    case CellKind::Compli: return r.imgCompli;
    case CellKind::Triad120: return r.imgTriad120;
    case CellKind::Triad240: return r.imgTriad240;
    case CellKind::Dark: return r.imgpickdark;
    case CellKind::Light: return r.imgpicklight;
  }
  return nullptr;
}
