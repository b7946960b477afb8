# cmake -DBUILD_DIR=... -DWORK_DIR=... -DCONSUMER_DIR=... -DPACKAGE=... -DINCLUDEDIR=...
#       -DGENERATOR=... -DCXX_COMPILER=... [-DSANITIZERS=...] -P install_consumer.cmake
foreach(var BUILD_DIR WORK_DIR CONSUMER_DIR PACKAGE INCLUDEDIR GENERATOR CXX_COMPILER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " cmd "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${cmd}")
  endif()
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(consumer_build ${WORK_DIR}/consumer-build)
file(REMOVE_RECURSE ${WORK_DIR})

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# The headers in their own folder, none loose beside other libraries' headers.
if(NOT EXISTS ${prefix}/${INCLUDEDIR}/orsadatacenter.h)
  message(FATAL_ERROR "orsadatacenter.h is not in ${prefix}/${INCLUDEDIR}")
endif()
file(GLOB loose ${prefix}/include/*.h)
if(loose)
  message(FATAL_ERROR "headers directly in ${prefix}/include: ${loose}")
endif()

# An instrumented library needs an instrumented program around it.
set(flags "")
if(SANITIZERS)
  string(REPLACE ";" "," san "${SANITIZERS}")
  set(flags "-fsanitize=${san}")
endif()
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${consumer_build} -G ${GENERATOR}
  -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
  -DCMAKE_PREFIX_PATH=${prefix}
  -DORSA_PACKAGE=${PACKAGE}
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
  "-DCMAKE_CXX_FLAGS=${flags}")
run(${CMAKE_COMMAND} --build ${consumer_build})
run(${consumer_build}/consumer)
