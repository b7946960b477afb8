# orsa_add_qtest(NAME SOURCES src... [LIBS lib...] [TIMEOUT s])
# One QtTest executable per unit, run by CTest with a time-out so a hang fails.
find_package(${ORSA_QT} ${ORSA_QT_MIN_VERSION} REQUIRED COMPONENTS Test)

function(orsa_add_qtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE Qt::Core Qt::Test ${T_LIBS})
  target_compile_definitions(${name} PRIVATE QT_MESSAGELOGCONTEXT)
  orsa_target_defaults(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# orsa_add_postgresql_run(NAME [TIMEOUT s])
# The test NAME once more, on PostgreSQL: NAME_postgresql. It skips unless
# ORSA_TEST_POSTGRESQL names a cluster (scripts/test.sh starts one).
function(orsa_add_postgresql_run name)
  cmake_parse_arguments(T "" "TIMEOUT" "" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${name}_postgresql COMMAND ${name})
  set_tests_properties(${name}_postgresql PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;ORSA_TEST_ENGINE=postgresql")
endfunction()
