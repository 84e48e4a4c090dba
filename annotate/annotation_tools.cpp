#include "annotate/annotation_tools.hpp"

#include <memory>

#include "annotate/annotation_mouse_handler.hpp"
#include "annotate/annotations_editor.hpp"
#include "annotate/rubberband_mouse_handler.hpp"
#include "image/annotation_hooks.hpp"

void register_annotation_tools() {
  AnnotationFactories f = annotation_factories();
  f.make_editor = [] { return std::make_unique<TAnnotationsEditor>(nullptr); };
  f.make_annotation_handler = [](TImageScrollBox* View) { return std::make_unique<TAnnotationMouseHandler>(View); };
  f.make_rubberband_handler = [](TImageScrollBox* View) { return std::make_unique<TRubberbandMouseHandler>(View); };
  register_annotation_factories(std::move(f));
}
