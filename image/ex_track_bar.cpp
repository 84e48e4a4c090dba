#include "image/ex_track_bar.hpp"

#include "platform/math.hpp"
#include "platform/sysutils.hpp"

TExTrackBar::TExTrackBar(TComponent* AOwner) : TTrackBar(AOwner), FCanvas(std::make_unique<TCanvas>()) {
  SetColor(clWindow);
  SetParentColor(true);
  FLabels = true;
  FLabelsFirstLast = true;
  FLabelsLeftTop = 30;
  FLabelsText.clear();
  FLabelsFactor = 1;
  FLabelsFactorOperation = foMul;
  FLabelsInterval = PageSize();
  FSelEnable = false;
}

TExTrackBar::~TExTrackBar() = default;

void TExTrackBar::CreateParams(TCreateParams& Params) {
  TTrackBar::CreateParams(Params);
  Params.Style &= ~TBS_ENABLESELRANGE;
}

void TExTrackBar::ColorChanged() {
  TTrackBar::ColorChanged();
  RecreateWnd();
}

void TExTrackBar::EnabledChanged() {
  TTrackBar::EnabledChanged();
  Invalidate();
}

void TExTrackBar::SetLabels(bool Value) {
  if (Value == FLabels) return;
  FLabels = Value;
  if (Value) {
    if (TickMarks() == tmTopLeft) SetTickMarks(tmBottomRight);
    if (TickStyle() != tsAuto) SetTickStyle(tsAuto);
  }
  Invalidate();
}

void TExTrackBar::SetLabelsFirstLast(bool Value) {
  if (Value == FLabelsFirstLast) return;
  FLabelsFirstLast = Value;
  Invalidate();
}

void TExTrackBar::SetLabelsLeftTop(int Value) {
  if (Value == FLabelsLeftTop) return;
  FLabelsLeftTop = Value;
  Invalidate();
}

void TExTrackBar::SetLabelsText(const std::string& Value) {
  if (Value == FLabelsText) return;
  FLabelsText = Value;
  Invalidate();
}

void TExTrackBar::SetLabelsFactor(int Value) {
  if (Value == 0 || Value == FLabelsFactor) return;
  FLabelsFactor = Value;
  Invalidate();
}

void TExTrackBar::SetLabelsFactorOperation(TLabelsFactorOperation Value) {
  if (Value == FLabelsFactorOperation) return;
  FLabelsFactorOperation = Value;
  Invalidate();
}

void TExTrackBar::SetLabelsInterval(int Value) {
  if (Value < 1) Value = 1;
  if (Value == FLabelsInterval) return;
  FLabelsInterval = Value;
  Invalidate();
}

void TExTrackBar::SetSelEnable(bool Value) {
  if (Value == FSelEnable) return;
  FSelEnable = Value;
  unsigned style = WindowStyle();
  SetWindowStyle(Value ? style | TBS_ENABLESELRANGE : style & ~TBS_ENABLESELRANGE);
}

std::string TExTrackBar::LabelText(int Value) const {
  Int64 v;
  if (FLabelsFactorOperation == foMul) v = static_cast<Int64>(Value) * FLabelsFactor;
  else v = Round(static_cast<Extended>(Value) / FLabelsFactor);
  return IntToStr(v) + FLabelsText;
}

std::vector<TExTrackBar::TLabelPlacement> TExTrackBar::LabelPlacements(TCanvas& Canvas) {
  std::vector<TLabelPlacement> out;
  const bool horizontal = Orientation() == trHorizontal;
  const TRect channel = ChannelRect();
  const TRect thumb = ThumbRect();
  // Interior labels at their ticks.
  for (int v = Min() + 1, i = 0; v <= Max() - 1; ++v, ++i) {
    if (v % FLabelsInterval != 0) continue;
    std::string s = LabelText(v);
    int p = TicPos(i);
    if (horizontal) out.push_back({s, p - Canvas.TextWidth(s) / 2, FLabelsLeftTop});
    else out.push_back({s, FLabelsLeftTop, p - Canvas.TextHeight(s) / 2});
  }
  if (FLabelsFirstLast) {
    // The channel is reported along Left .. Right for vertical bars too.
    int h = horizontal ? (thumb.Right - thumb.Left) / 2 : (thumb.Bottom - thumb.Top) / 2;
    std::string first = LabelText(Min());
    int half = horizontal ? Canvas.TextWidth(first) / 2 : Canvas.TextHeight(first) / 2;
    int pos = std::max(1, channel.Left + h - half);
    if (horizontal) out.push_back({first, pos, FLabelsLeftTop});
    else out.push_back({first, FLabelsLeftTop, pos});
    std::string last = LabelText(Max());
    int size = horizontal ? Canvas.TextWidth(last) : Canvas.TextHeight(last);
    int extent = horizontal ? Width() : Height();
    pos = channel.Right - h - size / 2;
    if (pos + size >= extent) pos = extent - size - 1;
    if (horizontal) out.push_back({last, pos, FLabelsLeftTop});
    else out.push_back({last, FLabelsLeftTop, pos});
  }
  return out;
}

void TExTrackBar::DrawLabel(TCanvas& Canvas, const TLabelPlacement& Label) {
  if (Enabled()) {
    Canvas.TextOut(Label.X, Label.Y, Label.Text);
    return;
  }
  Canvas.Font().SetColor(clBtnHighlight);
  Canvas.TextOut(Label.X + 1, Label.Y + 1, Label.Text);
  Canvas.Font().SetColor(clBtnShadow);
  Canvas.TextOut(Label.X, Label.Y, Label.Text);
}

void TExTrackBar::PaintLabels(TCanvas& Canvas) {
  Canvas.Brush().SetColor(Color());
  Canvas.Brush().SetStyle(bsClear);
  Canvas.Font().Assign(Font());
  for (const TLabelPlacement& label : LabelPlacements(Canvas)) DrawLabel(Canvas, label);
}

void TExTrackBar::Paint(TCanvas& Canvas) {
  TTrackBar::Paint(Canvas);
  if (!FLabels) return;
  if (TickStyle() != tsAuto) {
    FLabels = false;  // without automatic ticks there is nothing to label
    return;
  }
  FCanvas->SetHandle(Canvas.Handle());
  struct Unbind {
    TCanvas& c;
    ~Unbind() { c.SetHandle(nullptr); }
  } unbind{*FCanvas};
  PaintLabels(*FCanvas);
}
