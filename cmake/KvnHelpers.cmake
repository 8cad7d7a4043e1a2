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

# kvn_add_test(NAME SOURCES file... DEPS target... [OWN_MAIN] [TIMEOUT s] [ENV VAR=value...]
#              [READER pattern...] [SLOW pattern...])
# Every case becomes one ctest entry; tests run in a fixed locale, time zone
# and without a display. Each case has one label: `slow` when it matches a
# SLOW pattern (it takes seconds), else `reader` when it matches a READER
# pattern (it runs an independent reader: Python's readers, sqlite3, poppler,
# LibreOffice...), else `unit`; `scripts/test --quick` runs the `unit` ones.
# Patterns are gtest filters: "Suite.*", "Suite.Case". OWN_MAIN: the sources
# bring their own main() (an application object first).
function(kvn_add_test name)
  cmake_parse_arguments(ARG "OWN_MAIN" "TIMEOUT" "SOURCES;DEPS;ENV;READER;SLOW" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  kvn_warnings(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  # The environment comes from env(1) in front of the test program, for the
  # discovery and for every case: a list given as a test property would be
  # split into separate properties on its way through the discovery.
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR
    "env;LC_ALL=C.UTF-8;TZ=Europe/Paris;QT_QPA_PLATFORM=offscreen;KVN_SOURCE_DIR=${PROJECT_SOURCE_DIR};${ARG_ENV}")
  string(JOIN ":" reader ${ARG_READER})
  string(JOIN ":" slow ${ARG_SLOW})
  set(others "${reader}")
  if(slow)
    set(others "${reader}:${slow}")
    string(REGEX REPLACE "^:" "" others "${others}")
  endif()
  if(others)
    set(unit_filter TEST_FILTER "-${others}")
  endif()
  gtest_discover_tests(${name} ${unit_filter}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS unit)
  if(reader)
    set(reader_filter "${reader}")
    if(slow)
      set(reader_filter "${reader}-${slow}")
    endif()
    gtest_discover_tests(${name} TEST_FILTER "${reader_filter}"
      DISCOVERY_TIMEOUT 60
      PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS reader)
  endif()
  if(slow)
    gtest_discover_tests(${name} TEST_FILTER "${slow}"
      DISCOVERY_TIMEOUT 60
      PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS slow)
  endif()
endfunction()
