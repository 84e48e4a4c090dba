// The main of every test executable: a headless application with recorders in place of dialogs,
// then the registrations of the folder under test.
#include <gtest/gtest.h>

#include "common/test_env.hpp"
#include "platform/forms.hpp"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  hw_test::init_headless_application(argc, argv);
  register_test_environment();
  int rc = RUN_ALL_TESTS();
  Application->Shutdown();
  return rc;
}
