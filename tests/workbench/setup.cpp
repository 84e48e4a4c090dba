#include "annotate/annotation_tools.hpp"
#include "common/test_env.hpp"
#include "image/freeimage_codec.hpp"
#include "image/hand_cursors.hpp"
#include "image/image_formats.hpp"

void register_test_environment() {
  Init_ZuFreeImage();
  register_image_formats();
  register_hand_cursors();
  register_annotation_tools();
}
