#include <gtest/gtest.h>

#include "annotate/annotation_tools.hpp"
#include "common/test_env.hpp"
#include "image/freeimage_codec.hpp"
#include "image/hand_cursors.hpp"
#include "image/image_formats.hpp"
#include "platform/synthetic_input.hpp"

void register_test_environment() {
  Init_ZuFreeImage();
  register_image_formats();
  register_hand_cursors();
  register_annotation_tools();
  // Every test makes and deletes a main window of some 600 controls; freed after each test, they do
  // not pile up and slow every later offscreen screen read, which looks through all windows.
  struct FreeWindows : ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { free_deleted_windows(); }
  };
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreeWindows);
}
