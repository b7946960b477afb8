# Warnings and sanitizers, applied target by target.
set(ORSA_SANITIZERS "" CACHE STRING "Sanitizers to build with, e.g. address;undefined")
option(ORSA_WERROR "Treat warnings as errors" OFF)
option(ORSA_FUZZ "Also link the fuzz targets of fuzz/ with libFuzzer (clang only)" OFF)

if(ORSA_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "ORSA_FUZZ needs clang (e.g. CXX=clang++-14)")
endif()

# Every target the project builds calls this once: a sanitized build needs
# every object and every link instrumented alike.
function(orsa_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(ORSA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(ORSA_SANITIZERS)
    list(JOIN ORSA_SANITIZERS "," sanitizers)
    target_compile_options(${target} PRIVATE
      -fsanitize=${sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${sanitizers})
  endif()
  if(ORSA_FUZZ)
    # Coverage feedback from every library the targets link, not only the targets.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
