// The main window: the whole colour workbench. Every feature is an event handler of this
// window, and its components hold the state: colours in Color, slots and tools in use in
// Visible, flags and counters in Tag, status text in hints and captions.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "image/ex_track_bar.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/dialogs.hpp"
#include "platform/forms.hpp"
#include "platform/image_control.hpp"
#include "platform/std_controls.hpp"
#include "workbench/readout.hpp"

class TForm2;

// The empty colour: the window background, an empty slot or cell, "484B52" as hex text.
constexpr TColor kEmptyColour = 0x00524B48;
// Side-panel colours of the three modes.
constexpr TColor kEditModeColour = 0x00775652;
constexpr TColor kArtModeColour = 0x00535358;
constexpr TColor kHistoryModeColour = 0x00566050;
// Design colour of the mode label, the variant panel and the reset panel before the first switch.
constexpr TColor kDesignPanelColour = 0x00675859;
// A history-variant cell that shows no colour.
constexpr TColor kNoHistoryColour = 0x00595051;

// The components of one palette slot row, N = 1..16.
struct SlotRow {
  TPanel* pan = nullptr;           // panN: the slot colour
  TPanel* compli = nullptr;        // panCompliN
  TPanel* triad120 = nullptr;      // panTriad120N
  TPanel* triad240 = nullptr;      // panTriad240N
  TPanel* dark = nullptr;          // panNdark
  TPanel* light = nullptr;         // panNlight
  TImage* imgCompli = nullptr;     // imgCompliN: pick images over the cells' upper halves
  TImage* imgTriad120 = nullptr;   // imgTriad120N
  TImage* imgTriad240 = nullptr;   // imgTriad240N
  TImage* imgpickdark = nullptr;   // imgpickpanNdark
  TImage* imgpicklight = nullptr;  // imgpickpanNlight
  TImage* imgsavepan = nullptr;    // imgsavepanN
  TImage* imgpanPal = nullptr;     // imgpanNPal
  TImage* imgcopy = nullptr;       // imgcopyN
  TLabel* labpan = nullptr;        // labpanN: status word
  TImage* imgDel = nullptr;        // imgDelN
  TLabel* labpanselect = nullptr;  // labpanNselect: the selection mark
};

// The colours a slot row shows: the slot's own and its five derived cells.
struct RowColours {
  TColor pan, dark, light, triad120, compli, triad240;
};

// The five derived cells of a row, in the order the row shows them.
enum class CellKind { Compli, Triad120, Triad240, Dark, Light };

// The variant rows of the grid, top to bottom: the selected colour's tones and channel shifts
// (red, yel = green, grn = blue), each neighbour's channel shifts, the complement's (cyn = red,
// blu = green, mag = blue).
enum class VarRow { tone, red, yel, grn, tri1red, tri1grn, tri1blu, tri2red, tri2grn, tri2blu, cyn, blu, mag };

class TForm1 : public TForm {
public:
  explicit TForm1(TComponent* owner);
  ~TForm1() override;
  std::string ClassName() const override { return "TForm1"; }

  // ---- Start and end (creation, close).
  void FormCreate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);

  // ---- Modes of the side panel.
  void imgCollapsepanelClick(TObject* Sender);
  void imgCollapseColorPanelClick(TObject* Sender);
  void imgExtendpanelClick(TObject* Sender);
  void imgExtendColorPanelClick(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void hidelabselect();

  // ---- Readout.
  void ShowSelectedColor(TColor c);
  void ShowColorBars(TColor c);
  // The readout as a pick shows it: hex entry, readout, magnifier.
  void ShowPickedColor(TColor c);

  // ---- Picking and zoom.
  void ImageScrollBox1ImageMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void ImageScrollBox1ImageMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ImageScrollBox1ImageMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ImageScrollBox1EndScroll(TObject* Sender);
  void ImageScrollBox1Exit(TObject* Sender);
  void Image1Click(TObject* Sender);
  void imgZoomClick(TObject* Sender);

  // ---- Palette slots.
  void imgPickClick(TObject* Sender);
  void labPickSelectClick(TObject* Sender);
  void imgpickCompli();
  void imgPickArtClick(TObject* Sender);
  void panClick(int N);  // pan1Click .. pan16Click
  void panBaseClick(TObject* Sender);
  void imgDelClick(int N);  // imgDel1Click .. imgDel16Click
  void shuffle();
  void imgClearPickedClick(TObject* Sender);
  void imgClearPickedAllClick(TObject* Sender);
  // Fills slot N with a colour and its five derived cells in their standard values.
  void fill_slot(int N, TColor c);
  // Rebuilds the own palette list from the visible slots.
  void rebuild_memo();

  // ---- Slot-row derived colours.
  void cellClick(int N, CellKind kind);      // pan1darkClick, panCompli1Click, ...
  void cellPickClick(int N, CellKind kind);  // imgpickpan1darkClick, imgCompli1Click, ...
  void sideCellClick(TPanel* cell);          // panCompliClick, panTriad120Click, ...
  void panVarChoose();
  void panMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  // The cells of row N recomputed from colour p as the bars do: shades at 20 %, the complement
  // and neighbours by their toggles.
  void recompute_row(int N, TColor p);
  // The colours row N shows once recomputed from colour p, without changing it.
  RowColours recomputed_row(int N, TColor p);

  // ---- Luminance, saturation and hue bars.
  void trkbarLumChange(TObject* Sender);
  void trkbarSatChange(TObject* Sender);
  void trkbarVarChange(TObject* Sender);
  void imgResetClick(TObject* Sender);
  void imgResetpicClick(TObject* Sender);
  void imgResetSpectrumClick(TObject* Sender);
  void SpectrumReturn();
  // Sets the three bars to 120 without running their handlers.
  void reset_bars();

  // ---- CSS palette files.
  void imgpanPalClick(int N);  // imgpan1PalClick .. imgpan16PalClick
  void imgPaletteClick(TObject* Sender);
  void imgPaletteAllClick(TObject* Sender);
  // Writes "session.css" when slot 1 is shown and the side panel is in edit mode.
  void working_palette_save();

  // ---- Colour history.
  void imgsavepanClick(int N);  // imgsavepan1Click .. imgsavepan16Click
  void imgSaveClick(TObject* Sender);
  void imgSaveAllClick(TObject* Sender);
  void ListBox1Click(TObject* Sender);
  // The preview of the selected entry, as ListBox1Click, without reporting an entry that is not a
  // colour (the mouse moving over the list, the list taking the focus, a switch of mode).
  void show_history_entry(bool report);
  void imgPopClick(TObject* Sender);
  void imgHistPickClick(TObject* Sender);
  void imgClearItemClick(TObject* Sender);
  void imgClearHistoryClick(TObject* Sender);

  // ---- List cells and clipboard.
  void PanelClick(int K);   // Panel1Click .. Panel30Click
  void imgcopyClick(int N);  // imgcopy1Click .. imgcopy16Click
  void imgHistCopyClick(TObject* Sender);
  void resetcopybuts();

  // ---- Spectrum pictures.
  // The picture of a spectrum holder (imgbar000, imgbar135 .. imgbar255), drawn on first use.
  TImage* spectrum_holder(int step);
  void show_spectrum(int step);  // img000Click, img135Click .. img255Click

  // ---- Variant grid.
  void imgVarClick(TObject* Sender);
  void imgVarcompClick(TObject* Sender);
  void imgVartriad1Click(TObject* Sender);
  void imgVartriad2Click(TObject* Sender);
  void imgVariantsPalClick(TObject* Sender);
  // panVarorgClick, pantri1Click, ..., panvarred6Click, ..., panVarmag6Click.
  void panVarCellClick(TPanel* cell);
  // A cell of the grid by its row and number (cells 1..6 left to right).
  TPanel* VarCell(VarRow row, int i) const { return panVarRows[static_cast<size_t>(row)][static_cast<size_t>(i)]; }
  void create_variant_grid();
  void wire_variant_grid();
  // Fills a row's six cells from the base colour of its block.
  void fill_var_row(VarRow row, TColor base);
  // A block of the grid: its base cell and rows from a base colour.
  void fill_var_block(TColor base, TPanel* base_cell, std::initializer_list<VarRow> rows);

  // ---- Spectrum sampling, picture loading and tone sort.
  void imgGenPalClick(TObject* Sender);
  void imgGenSpecClick(TObject* Sender);
  void imgGenArtPalClick(TObject* Sender);
  void imgLoadpicClick(TObject* Sender);
  void imgcolrtoneClick(TObject* Sender);
  TOpenPictureDialog* OpenPictureDialog1 = nullptr;
  void create_sampling();
  void wire_sampling();
  // Adds the screen colours at the view's client points through the add path; a point whose pixel
  // cannot be read adds nothing.
  void sample_view(const std::array<TPoint, 16>& points);

  // ---- Example painters' palettes.
  void imgNorvandoClick(TObject* Sender);
  void imgPellowinClick(TObject* Sender);
  void imgBrimsaClick(TObject* Sender);
  void imgVelbrinClick(TObject* Sender);
  void imgDravostClick(TObject* Sender);
  void imgQuenlorClick(TObject* Sender);
  void imgOrlatClick(TObject* Sender);
  void imgRuskavyClick(TObject* Sender);
  void imgFalvestriClick(TObject* Sender);
  void imgTambrelClick(TObject* Sender);
  void imgArtClick(TObject* Sender);
  void artbuts();
  void hideDelbuts();
  void showDelbuts();
  void setvariantpick();
  void create_painters();
  void wire_painters();
  // The ten painter handlers: the painting of the thumbnail into the view, the palette into the
  // slots. Pellowin's painting also loses the horizontal scroll bar.
  void load_painter(TImage* thumbnail, const std::string& painter_name, bool hide_horizontal);
  // Gives every thumbnail its painting, drawn on first need.
  void draw_paintings();

  // ---- Test-picture and picture recolouring.
  void imgTestPicClick(TObject* Sender);
  void butProcessPicClick(TObject* Sender);
  void imgSaveTestClick(TObject* Sender);
  // The hidden holder of a test picture by imgTestPic.Tag (1: imgPicTest1, else imgPicTest),
  // drawn on first use.
  TImage* test_picture_holder(int tag);

private:
  void create_recolouring();
  void wire_recolouring();

public:
  // ---- Hex entry and colour search.
  void edcolorKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void edcolorsearchKeyUp(TObject* Sender, Word& Key, TShiftState Shift);
  void imgEdColorClick(TObject* Sender);
  void imgedcolorsearchClick(TObject* Sender);

private:
  void create_hex_entry();
  void wire_hex_entry();

public:

  // ---- Help window.
  void imgHelpClick(TObject* Sender);
  void wire_help_button();

  // ---- Saved-palette list.
  void imgCSSClick(TObject* Sender);
  void ListBox2Click(TObject* Sender);
  void ListBox2MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void getCSSprime();
  void imgClearCSSClick(TObject* Sender);
  // The palette branch of imgClearItemClick: the next entry clicked is deleted.
  void enter_palette_delete_mode();
  // Reloads the slots from "session.css" (while an entry of the list is selected, unless
  // whatever_selected): always, or only when the file exists.
  void load_working_palette(bool whatever_selected = false);
  void restore_working_palette();
  // Loads "session.css" (imgCSSload.Tag 1) or the entry at index selected into the slots, and
  // leaves the list shown with that index selected.
  void load_palette_file(int selected);
  // The palette branch of PanelClick: the file on cell K's row is loaded, or deleted.
  void palette_cell_click(int K);
  void wire_palette_list();

  // ---- Components by name (tests and tools).
  TComponent* Find(const std::string& name) const { return FindComponent(name); }
  SlotRow& Slot(int N) { return slot_[static_cast<size_t>(N)]; }
  TPanel* panN(int N) const { return slot_[static_cast<size_t>(N)].pan; }
  TPanel* pan1() const { return panN(1); }
  TPanel* pan2() const { return panN(2); }
  TPanel* pan16() const { return panN(16); }
  TPanel* Cell(int N, CellKind kind) const;
  TImage* CellPick(int N, CellKind kind) const;

  // ---- Components, by their names.
  // Readout strip
  TPanel *panRtop, *panGtop, *panBtop, *panGRYtop, *panR, *PanG, *panB;
  // Picture view and overview strip
  TImageScrollBox* ImageScrollBox1;
  TPanel* panimage1;
  TImage* Image1;
  TPanel *panindicatLeft, *panindicatRight, *panindicatBot;
  // Magnifier
  TPanel *panBlowColor, *panBlowHair1, *panBlowHair2, *panBlowHair3, *panBlowHair4, *panBlowCaption;
  // Selected colour
  TPanel* pan;
  TLabel *Label1, *labVer, *labPickSelect;
  TImage *imgPick, *imgPickArt, *imgpickartOK;
  TPanel* panTools;
  TImage *imgSave, *imgSaveAll, *imgPalette, *imgPaletteAll, *imgTestPic, *imgSaveTest;
  TButton* butProcessPic;
  // Spectrum chooser and slots
  TPanel* panBase;
  TImage* imggreygrad;
  std::array<TImage*, 17> imgSpectrum{};  // img000, img255 .. img135 in chooser order
  std::array<TImage*, 17> imgbar{};       // imgbar000, imgbar255 .. imgbar135
  // Side panel
  TPanel* panSearch;
  TLabel *labMode, *labScan;
  TImage *imgZoom, *imgLoadpic, *imgArt, *imgExtendpanel, *imgCollapseColorPanel, *imgCollapsepanel, *imgHelp,
      *imgVar, *imgVariantsPal, *imgCSS, *imgGenSpec, *imgGenPal, *imgGenArtPal, *imgcolrtone, *imgResetSpectrum,
      *imgResetpic, *imgResetVariant, *imgClearPicked, *imgEdColor, *imgedcolorsearch, *imgClearItem,
      *imgClearHistory, *imgClearCSS;
  TEdit *edcolor, *edcolorsearch;
  TPanel *panTrackBars, *pantrkspacer, *panReset;
  TExTrackBar *trkbarLum, *trkbarSat, *trkbarVar;
  TImage* imgReset;
  TPanel *panVar, *panArt;
  TPanel *panCompli, *panTriad120, *panTriad240, *pandark, *panlight;  // history-variant cells
  TPanel* panhistcolor;
  TLabel* labHistory;
  TImage *imgHistCopy, *imgHistPick;
  TListBox *ListBox1, *ListBox2;
  TPanel* panLBside;
  std::array<TPanel*, 31> Panel{};  // Panel1 .. Panel30
  // Hidden holders of state and pictures
  TMemo *Memo1, *Memo2;
  TPanel *panIntermediate, *panResetColor;
  TLabel *labImgPick, *labtestpic;
  TImage *imgArton, *imgArtoff, *imgVaron, *imgVaroff, *imgCSSload, *imgCSSoff, *imgCopyRed, *imgCopyblu,
      *imghistcopyblu, *imgHistCopyred, *imgVariantPal2, *imgVariantPal3, *imgTestPic0, *imgTestPic1,
      *imgedcolorsearchred, *imgedcolorsearchblu;
  TTimer* Timer1;
  // Components of the variant grid.
  TPanel *panVarorg, *pantri1, *panTri2, *panVarcompli;  // base cells
  std::array<std::array<TPanel*, 7>, 13> panVarRows{};   // variant cells, [row][1..6]
  TImage *imgVartriad1, *imgVartriad2, *imgVarcomp;
  TLabel *labVartriad1, *labVartriad2, *labVarcomp;

  // Components of the painters' palettes.
  TImage *imgNorvandopic = nullptr, *imgPellowinpic = nullptr, *imgBrimsapic = nullptr, *imgVelbrinpic = nullptr,
         *imgDravostpic = nullptr, *imgQuenlorpic = nullptr, *imgOrlatpic = nullptr, *imgRuskavypic = nullptr,
         *imgFalvestripic = nullptr, *imgTambrelpic = nullptr;
  TLabel *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
         *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr, *Label14 = nullptr;

  // Components of the recolouring.
  TImage *imgPicTest, *imgPicTest1, *Image4;
  TSavePictureDialog* SavePictureDialog1;


private:
  void create_components();
  void create_slot_rows();
  void create_side_panel();
  void wire_events();
  TPanel* make_panel(const std::string& name, TWinControl* parent, int l, int t, int w, int h, TColor colour,
                     const std::string& hint = {}, bool visible = true);
  TLabel* make_label(const std::string& name, TWinControl* parent, int l, int t, const std::string& caption,
                     TColor font_colour, int font_height = 12, bool visible = true);
  TImage* make_button(const std::string& name, TWinControl* parent, int l, int t, const std::string& hint,
                      bool visible = true, const std::string& glyph = {});
  void set_picture_from(TImage* target, TImage* holder);
  ReadoutBars bars() const;
  void slot_cell_hint(TPanel* cell, CellKind kind, bool alternative);
  bool in_edit_mode() const;
  void apply_bar_change(TExTrackBar* bar);

  std::array<SlotRow, 17> slot_{};
  bool setting_bars_ = false;
  // "history.dat" was there at start but could not be read: the close must not replace it.
  bool history_unread_ = false;
  // It was UTF-8 text with a byte-order mark, and is written back so.
  bool history_utf8_ = false;
};

// The unit globals of the main window.
extern TForm1* Form1;
extern int SpectrumStep;
extern int SavedHorzScrollPos;

// The program entry after the application object is initialised: creates the main window
// (its FormCreate runs) and the help window, hidden.
void create_workbench_windows();
