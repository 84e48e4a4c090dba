#include "image/annotation_hooks.hpp"

namespace {

AnnotationFactories& factories() {
  static AnnotationFactories f;
  return f;
}

class NullAnnotationsEditor final : public IAnnotationsEditor {
public:
  void SetDisplaySurface(TWinControl*) override {}
  void SetDisplayResolution(int) override {}
  void SetDisplayRect(const TRect&) override {}
  void SetDisplayHorzScrollBar(TControlScrollBar*) override {}
  void SetDisplayVertScrollBar(TControlScrollBar*) override {}
  void SetZoomFactor(double) override {}
  void SetVisible(bool) override {}
  void SetAllowEdit(bool) override {}
  void LoadFromString(const std::string&) override {}
  std::string SaveToString() override { return {}; }
  void Clear() override {}
  int Count() const override { return 0; }
};

}  // namespace

void register_annotation_factories(AnnotationFactories Factories) { factories() = std::move(Factories); }

const AnnotationFactories& annotation_factories() { return factories(); }

std::unique_ptr<IAnnotationsEditor> make_null_annotations_editor() { return std::make_unique<NullAnnotationsEditor>(); }
