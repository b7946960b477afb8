# Warnings and sanitizers shared by every target of the project.
set(ORSA_SANITIZERS "" CACHE STRING "Sanitizers to build with, e.g. address;undefined")
option(ORSA_WERROR "Treat warnings as errors" OFF)
option(ORSA_FUZZ "Also link the fuzz targets of fuzz/ with libFuzzer (clang only)" OFF)

if(ORSA_SANITIZERS)
  list(JOIN ORSA_SANITIZERS "," _orsa_san)
  add_compile_options(-fsanitize=${_orsa_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_orsa_san})
endif()

if(ORSA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ORSA_FUZZ needs clang (e.g. CXX=clang++-14)")
  endif()
  # Coverage feedback from every library the targets link, not only the targets.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(orsa_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(ORSA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
