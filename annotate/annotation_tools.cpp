#include "annotate/annotation_tools.hpp"

#include <memory>

#include "annotate/annotations_editor.hpp"
#include "image/annotation_hooks.hpp"

void register_annotation_tools() {
  AnnotationFactories f = annotation_factories();
  f.make_editor = [] { return std::make_unique<TAnnotationsEditor>(nullptr); };
  register_annotation_factories(std::move(f));
}
