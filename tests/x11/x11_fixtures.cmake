# The helper that closes a window as a window manager would, and the program under test.
find_package(X11 REQUIRED)
add_executable(close_window ${CMAKE_CURRENT_SOURCE_DIR}/x11/close_window.c)
target_link_libraries(close_window PRIVATE X11::X11)
if(TARGET test_x11)
  add_dependencies(test_x11 close_window huewright)
  target_compile_definitions(test_x11 PRIVATE
    HW_PROGRAM="$<TARGET_FILE:huewright>"
    HW_CLOSE_WINDOW="$<TARGET_FILE:close_window>")
endif()
