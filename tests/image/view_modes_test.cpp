// The view with stand-ins for the annotation tools registered through the factory registry.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "image/annotation_hooks.hpp"
#include "image/image_scroll_box.hpp"
#include "platform/scroll_box.hpp"
#include "view_test_support.hpp"

using namespace view_test;

namespace {

std::vector<std::string> g_log;

std::string rect_text(const TRect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," + std::to_string(r.Bottom);
}

class FakeEditor : public IAnnotationsEditor {
public:
  void SetDisplaySurface(TWinControl* v) override { g_log.push_back(v ? "ed.surface" : "ed.surface0"); }
  void SetDisplayResolution(int v) override { g_log.push_back("ed.dpi " + std::to_string(v)); }
  void SetDisplayRect(const TRect& r) override { g_log.push_back("ed.rect " + rect_text(r)); }
  void SetDisplayHorzScrollBar(TControlScrollBar* b) override { g_log.push_back(b && b->Kind() == sbHorizontal ? "ed.hbar" : "ed.hbar?"); }
  void SetDisplayVertScrollBar(TControlScrollBar* b) override { g_log.push_back(b && b->Kind() == sbVertical ? "ed.vbar" : "ed.vbar?"); }
  void SetZoomFactor(double v) override { g_log.push_back("ed.zoom " + std::to_string(static_cast<int>(v))); }
  void SetVisible(bool v) override { g_log.push_back(std::string("ed.visible ") + (v ? "1" : "0")); }
  void SetAllowEdit(bool v) override { g_log.push_back(std::string("ed.edit ") + (v ? "1" : "0")); }
  void LoadFromString(const std::string& s) override { g_log.push_back("ed.load " + s); }
  std::string SaveToString() override { return {}; }
  void Clear() override { g_log.push_back("ed.clear"); }
  int Count() const override { return 0; }
};

class FakeAnnotation : public TAnnotationHandlerBase {
public:
  using TAnnotationHandlerBase::TAnnotationHandlerBase;
  ~FakeAnnotation() override { g_log.push_back("an.free"); }
  std::string SaveToString() override { return text; }
  void LoadFromString(const std::string& s) override {
    g_log.push_back("an.load " + s);
    text = s;
  }
  TControl* AddNote() override { return mark("note"); }
  TControl* AddText() override { return mark("text"); }
  TControl* AddRectangle() override { return mark("rectangle"); }
  TControl* AddLine() override { return mark("line"); }
  TControl* AddImage() override { return mark("image"); }
  void Burn() override {
    g_log.push_back(std::string("an.burn ") + (ImageScrollBox()->Graphic()->ImageFormat() == ifTrueColor ? "24" : "?"));
  }
  std::string text;

private:
  TControl* mark(const std::string& kind) {
    g_log.push_back("an.add " + kind);
    return ImageScrollBox()->Image();
  }
};

class FakeBand : public TRubberbandHandlerBase {
public:
  using TRubberbandHandlerBase::TRubberbandHandlerBase;
  static inline bool shown = true;
  static inline TRect selection{};
  void ClearSelection() override { g_log.push_back("rb.clear"); }
  void CopySelectionToClipBoard() override { g_log.push_back("rb.copy"); }
  void CropToSelection() override { g_log.push_back("rb.crop"); }
  void ExtractSelection(TDibGraphic* d) override { g_log.push_back(d ? "rb.extract" : "rb.extract0"); }
  TRect GetSelection() override {
    if (!shown) throw EZuroroveError("A region is not selected");
    return selection;
  }
  TRect GetSourceSelection() override { return GetSelection(); }
  void BeforeResize() override { g_log.push_back("rb.before"); }
  void AfterResize() override { g_log.push_back("rb.after"); }
};

// Registers the stand-ins for the life of the object.
struct Registered {
  Registered() {
    g_log.clear();
    register_annotation_factories({[] { return std::make_unique<FakeEditor>(); },
                                   [](TImageScrollBox* v) { return std::make_unique<FakeAnnotation>(v); },
                                   [](TImageScrollBox* v) { return std::make_unique<FakeBand>(v); }});
  }
  ~Registered() { register_annotation_factories({}); }
};

bool has(const std::string& entry) { return std::find(g_log.begin(), g_log.end(), entry) != g_log.end(); }

}  // namespace

TEST(ViewModes, WithoutTheAnnotationToolsTheirModesDoNothing) {
  ViewWindow w;
  w.show_picture(100, 100);
  w.view->SetMouseMode(mmSelect);
  EXPECT_EQ(w.view->MouseMode(), mmSelect);
  EXPECT_EQ(w.view->MouseHandler(), nullptr);
  try {
    w.view->CropToSelection();
    ADD_FAILURE() << "no error";
  } catch (const EZuroroveError& e) {
    EXPECT_STREQ(e.what(), "Rubberband mouse handler not active");
  }
  EXPECT_THROW(w.view->CopySelectionToClipboard(), EZuroroveError);
  EXPECT_THROW(w.view->ExtractSelection(nullptr), EZuroroveError);
  EXPECT_THROW(w.view->ZoomToSelection(), EZuroroveError);
  EXPECT_THROW(w.view->CopyGraphicIntoSelection(nullptr), EZuroroveError);
  w.view->SetMouseMode(mmAnnotate);
  EXPECT_EQ(w.view->AddNote(), nullptr);
  w.view->SetAnnotations("(0)");
  EXPECT_EQ(w.view->Annotations(), "(0)");
  w.view->BurnAnnotations();  // nothing to burn
  EXPECT_EQ(w.view->DisplayEditor()->Count(), 0);
}

TEST(ViewModes, TheDisplayEditorFollowsPicturesAndZoom) {
  Registered r;
  ViewWindow w;
  EXPECT_EQ(g_log, (std::vector<std::string>{"ed.surface", "ed.dpi 96", "ed.visible 0"}));
  g_log.clear();
  w.show_picture(100, 80);
  EXPECT_TRUE(has("ed.clear"));
  g_log.clear();
  w.view->SetZoomPercent(200);
  EXPECT_EQ(g_log, (std::vector<std::string>{"ed.zoom 200", "ed.zoom 200"}));
  // The stored annotations show over the picture, read-only.
  w.view->SetAnnotations("(1)");
  g_log.clear();
  w.view->SetAlwaysShowAnnotations(true);
  EXPECT_EQ(g_log, (std::vector<std::string>{"ed.rect 0,0,100,80", "ed.visible 1", "ed.zoom 200", "ed.vbar", "ed.hbar",
                                             "ed.load (1)", "ed.edit 0"}));
  g_log.clear();
  w.view->SetAlwaysShowAnnotations(false);
  EXPECT_EQ(g_log, (std::vector<std::string>{"ed.visible 0"}));
  // Centring turns the overlay off.
  w.view->SetAlwaysShowAnnotations(true);
  w.view->SetCentered(true);
  EXPECT_FALSE(w.view->AlwaysShowAnnotations());
  // A new picture drops the annotations.
  w.view->SetAlwaysShowAnnotations(true);
  w.show_picture(50, 50);
  EXPECT_EQ(w.view->Annotations(), "");
}

TEST(ViewModes, AnnotatingKeepsTheTextAcrossModeChanges) {
  Registered r;
  ViewWindow w;
  w.show_picture(100, 80);
  w.view->SetAnnotations("first");
  g_log.clear();
  w.view->SetMouseMode(mmAnnotate);
  EXPECT_EQ(g_log, (std::vector<std::string>{"an.load first", "ed.visible 0"}));
  auto* a = dynamic_cast<FakeAnnotation*>(w.view->MouseHandler());
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(w.view->AddNote(), w.view->Image());
  EXPECT_NE(w.view->AddText(), nullptr);
  EXPECT_NE(w.view->AddRectangle(), nullptr);
  EXPECT_NE(w.view->AddLine(), nullptr);
  EXPECT_NE(w.view->AddImage(), nullptr);
  a->text = "edited";
  EXPECT_EQ(w.view->Annotations(), "edited");
  w.view->SetAnnotations("loaded");
  EXPECT_EQ(a->text, "loaded");
  a->text = "kept";
  g_log.clear();
  w.view->SetMouseMode(mmDrag);
  EXPECT_EQ(g_log, (std::vector<std::string>{"an.free", "ed.visible 0"}));
  EXPECT_EQ(w.view->Annotations(), "kept");
  // Burning converts the picture to true colour first.
  auto grey = std::make_unique<TDibGraphic>();
  grey->NewImage(20, 20, ifGray256, nullptr, 0, 0);
  w.view->SetGraphic(grey.get());
  w.view->SetMouseMode(mmAnnotate);
  g_log.clear();
  w.view->BurnAnnotations();
  EXPECT_EQ(g_log, (std::vector<std::string>{"an.burn 24"}));
  // An empty picture gets no marks.
  w.view->Clear();
  EXPECT_EQ(w.view->AddNote(), nullptr);
}

TEST(ViewModes, SelectionOperationsGoToTheRubberBand) {
  Registered r;
  ViewWindow w(300, 200);
  w.show_picture(600, 400);
  w.view->SetMouseMode(mmSelect);
  ASSERT_NE(dynamic_cast<FakeBand*>(w.view->MouseHandler()), nullptr);
  g_log.clear();
  w.view->CropToSelection();
  w.view->CopySelectionToClipboard();
  auto dest = std::make_unique<TDibGraphic>();
  w.view->ExtractSelection(dest.get());
  EXPECT_EQ(g_log, (std::vector<std::string>{"rb.crop", "rb.clear", "rb.copy", "rb.extract"}));
  // Loading a file or assigning a picture clears the band.
  g_log.clear();
  w.show_picture(600, 400);
  EXPECT_TRUE(has("rb.clear"));
  // Zooming to the selection: the view's outer size over the band, the smaller factor.
  FakeBand::selection = Rect(100, 50, 249, 149);
  g_log.clear();
  w.view->ZoomToSelection();
  EXPECT_EQ(g_log.front(), "rb.clear");
  EXPECT_EQ(w.view->ZoomPercent(), 200);  // min(300 / 150, 200 / 100) * 100
  EXPECT_EQ(w.view->HorzScrollBar().Position(), 200);
  EXPECT_EQ(w.view->VertScrollBar().Position(), 100);
  FakeBand::shown = false;
  EXPECT_THROW(w.view->ZoomToSelection(), EZuroroveError);
  FakeBand::shown = true;
  // A picture drawn into the selection lands on the source picture.
  FakeBand::selection = Rect(10, 10, 20, 20);
  auto red = make_picture(4, 4);
  red->Fill(Rgb(255, 0, 0));
  w.view->CopyGraphicIntoSelection(red.get());
  EXPECT_EQ(w.view->Graphic()->GetPixel(15, 15), Rgb(255, 0, 0));
  EXPECT_EQ(w.view->Graphic()->GetPixel(25, 25), pattern(0, 25, 25));
}
