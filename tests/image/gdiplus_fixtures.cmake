# Stand-in GDI+ libraries for the GDI+ decoder's tests: one with every entry, one without the
# pixel lock.
if(TARGET test_image)
  foreach(variant full partial)
    add_library(fake_gdiplus_${variant} SHARED ${CMAKE_CURRENT_LIST_DIR}/fake_gdiplus/fake_gdiplus.cpp)
    target_include_directories(fake_gdiplus_${variant} PRIVATE ${CMAKE_SOURCE_DIR})
    add_dependencies(test_image fake_gdiplus_${variant})
  endforeach()
  target_compile_definitions(fake_gdiplus_partial PRIVATE FAKE_GDIPLUS_WITHOUT_LOCK_BITS)
  target_compile_definitions(test_image PRIVATE
    FAKE_GDIPLUS_FULL="$<TARGET_FILE:fake_gdiplus_full>"
    FAKE_GDIPLUS_PARTIAL="$<TARGET_FILE:fake_gdiplus_partial>")
endif()
