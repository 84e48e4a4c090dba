// Loops over every pixel of a picture run a hundred million times for the largest ones. In the
// fuzzing build, a coverage hook on each of their comparisons costs more than the work itself
// (seconds a picture) and guides nothing, since the same comparisons run for every pixel: such
// loops go without the hooks. HW_PIXEL_LOOP also leaves out the sanitizers' checks, for loops
// whose every access is checked once beforehand.
// (Helpers of these loops are plain functions marked as well, not lambdas or library calls: the
// attribute does not reach into those.)
#pragma once

#if defined(__clang__)
#define HW_UNGUIDED_LOOP __attribute__((no_sanitize("coverage")))
#define HW_PIXEL_LOOP __attribute__((no_sanitize("coverage", "address", "undefined")))
#else
#define HW_UNGUIDED_LOOP
#define HW_PIXEL_LOOP
#endif
