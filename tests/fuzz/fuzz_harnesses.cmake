# One libFuzzer harness per reader (tests/fuzz/harness/<name>.cpp), its seed corpus
# (tests/fuzz/corpus/<name>/) and every input that ever failed (tests/fuzz/regressions/<name>/).
# gdiplus_picture reads the same bytes as gdiplus, another reader of them: it shares its inputs.
#
# The fuzzing build (HW_FUZZ, clang) links each harness with libFuzzer as fuzz_<name>. The
# ordinary build links the same harness with a small main as replay_<name>, and CTest replays
# every corpus and regression input through it, each in a child process under RLIMIT_AS and a
# time limit.
set(hw_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
set(HW_FUZZ_HARNESSES dib icon pnm detect codec_bmp codec_jpeg codec_png codec_ppm codec_tiff codec_gif
    gdiplus gdiplus_picture annotation_text history palette_file mapped_dll view_open roundtrip metafile)

add_library(hw_fuzz_env STATIC ${hw_fuzz_dir}/support/fuzz_env.cpp)
target_link_libraries(hw_fuzz_env PUBLIC hw_annotate hw_storage hw_image hw_platform)
target_include_directories(hw_fuzz_env PUBLIC ${CMAKE_SOURCE_DIR})

set(hw_fuzz_family_gdiplus_picture gdiplus)

foreach(h ${HW_FUZZ_HARNESSES})
  if(HW_FUZZ)
    add_executable(fuzz_${h} ${hw_fuzz_dir}/harness/${h}.cpp)
    target_link_libraries(fuzz_${h} PRIVATE hw_fuzz_env)
    target_link_options(fuzz_${h} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(replay_${h} ${hw_fuzz_dir}/harness/${h}.cpp ${hw_fuzz_dir}/support/replay_main.cpp)
    target_link_libraries(replay_${h} PRIVATE hw_fuzz_env)
    set(inputs)
    foreach(family ${h} ${hw_fuzz_family_${h}})
      list(APPEND inputs ${hw_fuzz_dir}/corpus/${family} ${hw_fuzz_dir}/regressions/${family} ${hw_fuzz_dir}/slow/${family})
    endforeach()
    add_test(NAME fuzz.replay.${h} COMMAND replay_${h} --timeout=10 --memory-mb=3072 ${inputs})
    set_tests_properties(fuzz.replay.${h} PROPERTIES LABELS fuzz TIMEOUT 900)
  endif()
endforeach()

# The writer of the seed corpora (its output is committed; run it again after a writer changes).
add_executable(fuzz_seeds ${hw_fuzz_dir}/support/make_seeds.cpp)
target_link_libraries(fuzz_seeds PRIVATE hw_fuzz_env)
