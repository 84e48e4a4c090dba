#include "common/test_env.hpp"

void register_test_environment() {}
