# Helpers shared by every folder: one static library per folder, one test
# executable per library, the same warnings everywhere.

function(kvn_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(KVN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# kvn_add_library(NAME SOURCES file... DEPS target...)
function(kvn_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  kvn_warnings(${name})
endfunction()

# kvn_add_test(NAME SOURCES file... DEPS target... [ENV VAR=value...])
# Every case becomes one ctest entry; tests run in a fixed locale, time zone
# and without a display.
function(kvn_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  kvn_warnings(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  # The environment comes from env(1) in front of the test program, for the
  # discovery and for every case: a list given as a test property would be
  # split into separate properties on its way through the discovery.
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
    "env;LC_ALL=C.UTF-8;TZ=Europe/Paris;QT_QPA_PLATFORM=offscreen;KVN_SOURCE_DIR=${PROJECT_SOURCE_DIR};${ARG_ENV}")
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      TIMEOUT ${ARG_TIMEOUT})
endfunction()
