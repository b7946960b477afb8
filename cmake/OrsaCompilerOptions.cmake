# Warnings and sanitizers shared by every target of the project.
set(ORSA_SANITIZERS "" CACHE STRING "Sanitizers to build with, e.g. address;undefined")
option(ORSA_WERROR "Treat warnings as errors" OFF)

if(ORSA_SANITIZERS)
  list(JOIN ORSA_SANITIZERS "," _orsa_san)
  add_compile_options(-fsanitize=${_orsa_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_orsa_san})
endif()

function(orsa_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(ORSA_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
