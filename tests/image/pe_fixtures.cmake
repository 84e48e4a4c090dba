# Small PE libraries for the module loader tests, built from tests/image/pe/ with the mingw-w64
# cross compiler while the tests build. Without the cross compiler the fixture files are missing
# and the loader tests fail, saying so.
find_program(HW_MINGW_GCC x86_64-w64-mingw32-gcc)
find_program(HW_MINGW_DLLTOOL x86_64-w64-mingw32-dlltool)

set(hw_pe_src ${CMAKE_CURRENT_LIST_DIR}/pe)
set(hw_pe_out ${CMAKE_CURRENT_BINARY_DIR}/pe_fixtures)

if(HW_MINGW_GCC AND HW_MINGW_DLLTOOL)
  file(MAKE_DIRECTORY ${hw_pe_out})
  # Freestanding: no C runtime, the entry routine is DllMain, and relocations are kept.
  set(hw_pe_flags -O2 -shared -nostdlib -ffreestanding -fno-stack-protector -mno-stack-arg-probe
      -Wl,-e,DllMain -Wl,--dynamicbase)

  # Import libraries for the host libraries the fixtures import from.
  foreach(lib hooks more libc)
    add_custom_command(OUTPUT ${hw_pe_out}/lib${lib}_import.a
      COMMAND ${HW_MINGW_DLLTOOL} -d ${hw_pe_src}/${lib}.def -l ${hw_pe_out}/lib${lib}_import.a
      DEPENDS ${hw_pe_src}/${lib}.def
      COMMENT "Import library for ${lib}" VERBATIM)
  endforeach()

  set(hw_sample_inputs ${hw_pe_src}/sample.c ${hw_pe_src}/sample.def
      ${hw_pe_out}/libhooks_import.a ${hw_pe_out}/libmore_import.a)
  add_custom_command(OUTPUT ${hw_pe_out}/sample.dll
    COMMAND ${HW_MINGW_GCC} ${hw_pe_flags} -Wl,--image-base=0x30000000 -o ${hw_pe_out}/sample.dll
            ${hw_sample_inputs}
    DEPENDS ${hw_sample_inputs}
    COMMENT "PE fixture sample.dll" VERBATIM)
  # The same library with sections packed closer than a page, so that sections share pages.
  add_custom_command(OUTPUT ${hw_pe_out}/packed.dll
    COMMAND ${HW_MINGW_GCC} ${hw_pe_flags} -Wl,--image-base=0x31000000
            -Wl,--section-alignment=0x200 -Wl,--file-alignment=0x200 -o ${hw_pe_out}/packed.dll
            ${hw_sample_inputs}
    DEPENDS ${hw_sample_inputs}
    COMMENT "PE fixture packed.dll" VERBATIM)
  add_custom_command(OUTPUT ${hw_pe_out}/linux.dll
    COMMAND ${HW_MINGW_GCC} ${hw_pe_flags} -Wl,--image-base=0x32000000 -o ${hw_pe_out}/linux.dll
            ${hw_pe_src}/linux.c ${hw_pe_out}/liblibc_import.a
    DEPENDS ${hw_pe_src}/linux.c ${hw_pe_out}/liblibc_import.a
    COMMENT "PE fixture linux.dll" VERBATIM)

  add_custom_target(hw_pe_fixtures
    DEPENDS ${hw_pe_out}/sample.dll ${hw_pe_out}/packed.dll ${hw_pe_out}/linux.dll)
  set(hw_pe_found 1)
else()
  message(WARNING "x86_64-w64-mingw32-gcc or -dlltool not found: the module loader tests will fail "
                  "(install gcc-mingw-w64-x86-64-win32)")
  set(hw_pe_found 0)
endif()

foreach(t test_image test_fuzz)
  if(TARGET ${t})
    if(TARGET hw_pe_fixtures)
      add_dependencies(${t} hw_pe_fixtures)
    endif()
    target_compile_definitions(${t} PRIVATE HW_PE_FIXTURE_DIR="${hw_pe_out}"
                                            HW_PE_CROSS_COMPILER_FOUND=${hw_pe_found})
  endif()
endforeach()
