// A track bar that writes value labels beside its tick marks, with an optional factor, a unit
// text and the first and last values at the ends of the channel, and whose owner can switch the
// selection-range display of the control on and off.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/graphics.hpp"
#include "platform/track_bar.hpp"

enum TLabelsFactorOperation { foMul, foDiv };

class TExTrackBar : public TTrackBar {
public:
  explicit TExTrackBar(TComponent* AOwner);
  ~TExTrackBar() override;
  std::string ClassName() const override { return "TExTrackBar"; }

  bool Labels() const { return FLabels; }
  // Turning labels on also puts the ticks below (right of) the bar and makes them automatic.
  void SetLabels(bool Value);
  bool LabelsFirstLast() const { return FLabelsFirstLast; }
  void SetLabelsFirstLast(bool Value);
  // The labels' distance from the top edge (horizontal bar) or the left edge (vertical bar).
  int LabelsLeftTop() const { return FLabelsLeftTop; }
  void SetLabelsLeftTop(int Value);
  // Appended to every label.
  const std::string& LabelsText() const { return FLabelsText; }
  void SetLabelsText(const std::string& Value);
  int LabelsFactor() const { return FLabelsFactor; }
  // 0 is ignored.
  void SetLabelsFactor(int Value);
  TLabelsFactorOperation LabelsFactorOperation() const { return FLabelsFactorOperation; }
  void SetLabelsFactorOperation(TLabelsFactorOperation Value);
  int LabelsInterval() const { return FLabelsInterval; }
  // Values below 1 become 1.
  void SetLabelsInterval(int Value);
  bool SelEnable() const { return FSelEnable; }
  // Sets or clears the selection-range style of the existing window.
  void SetSelEnable(bool Value);

  // The label of a value: the value times (or divided by) the factor, rounded half to even,
  // followed by LabelsText.
  std::string LabelText(int Value) const;

  struct TLabelPlacement {
    std::string Text;
    int X = 0;
    int Y = 0;
    friend bool operator==(const TLabelPlacement&, const TLabelPlacement&) = default;
  };
  // Where the labels go, measured with the canvas's current font.
  std::vector<TLabelPlacement> LabelPlacements(TCanvas& Canvas);
  // Draws the labels onto the canvas (as the bar's painting does after the control's own).
  void PaintLabels(TCanvas& Canvas);

  void Paint(TCanvas& Canvas) override;

protected:
  // Every window starts without the selection-range style.
  void CreateParams(TCreateParams& Params) override;
  // The control takes its background colour when its window is made: a new colour needs a new
  // window.
  void ColorChanged() override;
  void EnabledChanged() override;

private:
  void DrawLabel(TCanvas& Canvas, const TLabelPlacement& Label);

  std::unique_ptr<TCanvas> FCanvas;
  bool FLabels = true;
  bool FLabelsFirstLast = true;
  int FLabelsLeftTop = 30;
  std::string FLabelsText;
  int FLabelsFactor = 1;
  TLabelsFactorOperation FLabelsFactorOperation = foMul;
  int FLabelsInterval = 2;
  bool FSelEnable = false;
};
