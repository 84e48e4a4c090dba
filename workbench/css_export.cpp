// Exporting slots with their derived colours as CSS palette files, and the working palette.
#include "storage/css_palette_file.hpp"
#include "workbench/colour_model.hpp"
#include "workbench/main_window.hpp"

namespace {

CssSlotBlock block_of(int N, const RowColours& c) {
  return CssSlotBlock{N,
                      ColorToHex(c.pan),
                      ColorToHex(c.dark),
                      ColorToHex(c.light),
                      ColorToHex(c.triad120),
                      ColorToHex(c.compli),
                      ColorToHex(c.triad240)};
}

CssSlotBlock block_of(TForm1& w, int N) {
  SlotRow& r = w.Slot(N);
  return block_of(N, RowColours{r.pan->Color(), r.dark->Color(), r.light->Color(), r.triad120->Color(), r.compli->Color(),
                                r.triad240->Color()});
}

}  // namespace

void TForm1::imgpanPalClick(int N) {
  SlotRow& r = Slot(N);
  const std::string hex = ColorToHex(r.pan->Color());
  write_css_palette_file(css_one_slot_file_name(hex), css_palette_lines(CssFileKind::OneSlot, {block_of(*this, N)}));
  r.imgpanPal->SetHint("saved to Tintbox" + hex + ".css");
  r.labpan->Show();
  r.labpan->SetCaption("exported");
}

void TForm1::imgPaletteClick(TObject*) {
  const int N = imgPick->Tag();
  if (N >= 1 && N <= 16) imgpanPalClick(N);
  imgPopClick(this);
}

void TForm1::imgPaletteAllClick(TObject*) {
  const std::string name = imgPaletteAll->Tag() == 1 && panSearch->Color() == kEditModeColour
                               ? std::string(kWorkingPaletteFile)
                               : css_all_slots_file_name(ColorToHex(pan1()->Color()), labImgPick->Tag());
  const bool from_history = imgHistPick->Tag() != 0;
  // Only slots that are shown are written: an empty slot never becomes a colour of the file.
  std::vector<int> slots;
  if (pan1()->Visible()) slots.push_back(1);
  for (int N = 2; N <= 16; ++N)
    if (labImgPick->Tag() > N - 1 && panN(N)->Visible()) slots.push_back(N);
  // A mend: with no colour to export no file is written; a file of no block would empty the
  // palette it is loaded into.
  if (slots.empty()) return;
  // A mend: the file is written before anything on screen changes, so that one that cannot be
  // made or written leaves the selected slot and every row's cells as they were. Selecting a
  // slot recomputes the cells that are written; that selection follows the written file.
  check_css_palette_file_creatable(name);
  const auto selects = [&](int N) { return N >= 2 && !from_history; };
  std::vector<CssSlotBlock> blocks;
  for (int N : slots)
    blocks.push_back(selects(N) ? block_of(N, recomputed_row(N, panN(N)->Color())) : block_of(*this, N));
  write_css_palette_file(name, css_palette_lines(CssFileKind::AllSlots, blocks));
  for (int N : slots)
    if (selects(N)) panClick(N);
  // What the window shows of the export comes after the file is complete.
  for (int N : slots) {
    Slot(N).labpan->Show();
    if (!from_history) Slot(N).labpan->SetCaption("css");
  }
  imgPaletteAll->SetHint("last export, Tintbox" + ColorToHex(pan1()->Color()) + "all.css");
  imgPaletteAll->Hide();
  imgSaveAll->Show();
  imgGenArtPal->Hide();
}

void TForm1::working_palette_save() {
  if (pan1()->Visible() && in_edit_mode()) {
    imgPaletteAll->SetTag(1);
    imgPaletteAllClick(this);
  }
  imgPaletteAll->SetTag(0);
}
