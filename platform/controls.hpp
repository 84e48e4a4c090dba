// Components and controls of the class library: named, tagged, owned components; controls with
// their own geometry, colour, font, visibility, hint, cursor and mouse events; panels, labels,
// paint boxes and windowed containers. Each control is backed by a Qt widget that the component
// keeps in step with its own state; the state lives here and is never read back from Qt.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes.hpp"
#include "platform/font.hpp"
#include "platform/types.hpp"

class TCanvas;
class TPopupMenu;
class TWinControl;
class TControl;
class QWidget;
struct ControlHost;  // the Qt side of a control (private to the platform layer)

// ---------------------------------------------------------------------------------------------
// Components
// ---------------------------------------------------------------------------------------------
class TComponent : public TObject {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  std::string ClassName() const override { return "TComponent"; }

  const std::string& Name() const { return name_; }
  virtual void SetName(std::string name) { name_ = std::move(name); }
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  TComponent* Owner() const { return owner_; }

  // Owned components in creation order.
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }
  // The owned component of that name (ASCII case-insensitive), or nullptr.
  TComponent* FindComponent(std::string_view name) const;

  // Is the component still alive? Event dispatch checks this through a weak token.
  std::weak_ptr<int> AliveToken() const { return alive_; }

private:
  void insert_component(TComponent* c) { components_.push_back(c); }
  void remove_component(TComponent* c);

  std::string name_;
  int tag_ = 0;
  TComponent* owner_;
  std::vector<TComponent*> components_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// ---------------------------------------------------------------------------------------------
// Controls
// ---------------------------------------------------------------------------------------------
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TBevelCut { bvNone, bvLowered, bvRaised };
enum class TBorderStyle { bsNone, bsSingle };

class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  std::string ClassName() const override { return "TControl"; }

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  // The control's own flag, true from creation on, whatever its parents show.
  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible and every parent up to a shown window visible.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool v);
  // The colour the control paints its background with (its own, or its parent's).
  TColor EffectiveColor() const;
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool v) { show_hint_ = v; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor);
  // The menu shown at the pointer when the right button is released over the control (after
  // MouseUp); the control does not own it.
  TPopupMenu* PopupMenu() const { return popup_menu_; }
  virtual void SetPopupMenu(TPopupMenu* menu) { popup_menu_ = menu; }

  void BringToFront();
  void SendToBack();
  // Marks the control for repainting; Repaint paints it at once.
  void Invalidate();
  void Repaint();
  void Update();
  // Paints one rectangle of the control (client coordinates) at once.
  void RepaintRect(const TRect& r);
  // Paints the parts of these client rectangles at once, all in one paint, together with the
  // child controls that lie in them.
  void RepaintRects(std::initializer_list<TRect> rects);
  // Runs `change` (property writes of controls), then paints these client rectangles at once, in
  // one paint, with the child controls that lie in them. What the change does inside the
  // rectangles asks for no other paint; on an X display the plain-coloured parts reach the screen
  // as fills.
  void ChangeAndRepaint(std::initializer_list<TRect> rects, const std::function<void()>& change);

  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;
  // The top-level form the control is placed on, or nullptr.
  TControl* TopLevel();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;

  // The handlers the Qt side calls, in the class library's order. Overridable by controls that
  // add behaviour (the default runs the matching event when assigned).
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void Resize();
  // Paints what a control draws beyond its background, bevel and caption (which the platform
  // draws for every control); the canvas is valid for this call only.
  virtual void Paint(TCanvas& canvas);
  virtual bool HasCustomPaint() const { return false; }
  virtual bool IsWindowed() const { return false; }
  virtual bool IsTransparent() const { return false; }

  ControlHost* Host() const { return host_.get(); }

protected:
  // Called when a property that changes the picture of the control changes.
  virtual void Changed() { Invalidate(); }
  void create_host(bool windowed);
  void apply_cursor();
  // Takes a place that the window system gave the control's window, without pushing it back.
  void take_position_from_window(int left, int top) {
    left_ = left;
    top_ = top;
  }

private:
  friend class TWinControl;
  friend struct ControlHost;

  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = TAlign::alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clBtnFace;
  bool parent_color_ = false;
  TFont font_;
  std::string caption_;
  std::string hint_;
  bool show_hint_ = true;
  TCursor cursor_ = crDefault;
  TPopupMenu* popup_menu_ = nullptr;
  std::unique_ptr<ControlHost> host_;
};

// A control that holds other controls.
class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  std::string ClassName() const override { return "TWinControl"; }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
  bool IsWindowed() const override { return true; }
  void SetBounds(int left, int top, int width, int height) override;
  // Lays out the aligned children (alTop, alBottom, alLeft, alRight, alClient).
  void Realign();
  // Moves keyboard focus to the control.
  void SetFocus();
  bool Focused() const;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  virtual void KeyDown(Word& key, TShiftState shift);
  virtual void KeyUp(Word& key, TShiftState shift);
  virtual void KeyPress(char& key);

private:
  friend class TControl;
  void add_child(TControl* c);
  void remove_child(TControl* c);
  void place_on_top(TControl* c);
  void place_at_back(TControl* c);
  QWidget* lowest_windowed(const TControl* except) const;
  std::vector<TControl*> controls_;
};

// A rectangle of colour with an optional bevel and a centred caption.
class TPanel : public TWinControl {
public:
  explicit TPanel(TComponent* owner);
  std::string ClassName() const override { return "TPanel"; }

  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut v);
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut v);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int v);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);

private:
  TBevelCut bevel_outer_ = TBevelCut::bvRaised;
  TBevelCut bevel_inner_ = TBevelCut::bvNone;
  int bevel_width_ = 1;
  TBorderStyle border_style_ = TBorderStyle::bsNone;
  TAlignment alignment_ = TAlignment::taCenter;
};

enum class TTextLayout { tlTop, tlCenter, tlBottom };

// A caption drawn on its parent; it takes its own clicks.
class TLabel : public TControl {
public:
  explicit TLabel(TComponent* owner);
  std::string ClassName() const override { return "TLabel"; }

  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout v);
  bool IsTransparent() const override { return transparent_; }

protected:
  void Changed() override;

private:
  void adjust_size();
  bool auto_size_ = true;
  bool transparent_ = false;
  bool word_wrap_ = false;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  TTextLayout layout_ = TTextLayout::tlTop;
};

// A control that draws whatever its OnPaint handler draws.
class TPaintBox : public TControl {
public:
  explicit TPaintBox(TComponent* owner);
  std::string ClassName() const override { return "TPaintBox"; }
  bool IsTransparent() const override { return true; }
  void Paint(TCanvas& canvas) override;
  bool HasCustomPaint() const override { return true; }
  std::function<void(TObject* Sender, TCanvas& Canvas)> OnPaint;
};

// A windowed control that paints itself (subclasses override Paint).
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* owner);
  std::string ClassName() const override { return "TCustomControl"; }
  bool HasCustomPaint() const override { return true; }
};
