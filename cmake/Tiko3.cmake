# Shared build rules: warnings, one library per folder, one test binary per folder.

set(TIKO3_NO_SYSTEM_BUS "DBUS_SYSTEM_BUS_ADDRESS=set:unix:path=/nonexistent/tiko3-tests-have-no-system-bus")

function(tiko3_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TIKO3_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# tiko3_library(NAME [SOURCES ...] [PUBLIC_DEPS ...] [PRIVATE_DEPS ...])
# Without SOURCES every *.cpp directly in the folder is compiled.
function(tiko3_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_DEPS;PRIVATE_DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(ARG_SOURCES)
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    tiko3_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_DEPS})
  endif()
endfunction()

# The compile options every test binary and its precompiled header share.
function(tiko3_test_options target)
  tiko3_warnings(${target})
  # Code from a precompiled header loses GCC's system-header mark, so its known false alarms about
  # inlined std::string copies (and only these) reach the tests' -Werror in an optimised build; the
  # sanitizer runs find real overruns.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread
      -Wno-restrict)
  endif()
  # Tests check behaviour, not speed (the benchmarks do that): the release and sanitizer builds
  # compile the tests' own code at -O0, a quarter quicker than -O1, while the code under test keeps
  # its own level (-O3 in the release build, -O1 under the sanitizers).
  # The sanitizer builds' debug lines are for the code under test; the tests' own code goes without
  # (a seventh of its compile time), its frames still named in a report.
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release,Debug>:-O0> $<$<CONFIG:Debug>:-g0>)
  # UndefinedBehaviorSanitizer checks the code under test; on the tests' own code it cost a third
  # of their compile time. AddressSanitizer stays on everywhere, and ThreadSanitizer must (it
  # sees a test's atomics only where they are instrumented).
  if(CMAKE_CXX_FLAGS MATCHES "-fsanitize=[^ ]*undefined")
    target_compile_options(${target} PRIVATE -fno-sanitize=undefined)
  endif()
endfunction()

# tiko3_tests(NAME [QT] [DEPS ...]): every tests/*_test.cpp of the folder in one binary; QT for the
# binaries that test windows.
function(tiko3_tests name)
  cmake_parse_arguments(ARG "QT" "" "DEPS;ENVIRONMENT" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} tiko3_test_support GTest::gtest GTest::gtest_main GTest::gmock
    Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  # Where the preset builds in unity (release and the sanitizers; the back end's own libraries
  # opt out), a test binary's files compile four to an object, so each object loads the
  # precompiled header once: that load is a second of a window test's three. Helpers in the files'
  # anonymous namespaces then share an object and keep distinct names; the default preset still
  # compiles one object a file, which shows a file that lacks an include.
  if($CACHE{CMAKE_UNITY_BUILD})
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 4)
    # GCC flags a test class deriving from an anonymous-namespace fixture outside the main file,
    # and in a unity object every test file is outside it.
    target_compile_options(${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-subobject-linkage>)
  endif()
  # Most of a test source's compile time is parsing GoogleTest (and a window test's Qt). One
  # precompiled header for the plain test binaries and one for the window tests, each built once
  # by a small library of its own that no test binary's definitions reach (GCC refuses a header
  # built with a macro the user lacks). The compiler cache keeps the objects that use it
  # (scripts/compiler-cache.sh).
  if(ARG_QT)
    set(owner tiko3_test_pch_qt)
  else()
    set(owner tiko3_test_pch)
  endif()
  if(NOT TARGET ${owner})
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/${owner}.cpp CONTENT "// Only builds the tests' precompiled header.\n")
    add_library(${owner} OBJECT ${CMAKE_BINARY_DIR}/${owner}.cpp)
    target_link_libraries(${owner} PRIVATE GTest::gtest GTest::gmock Threads::Threads)
    tiko3_test_options(${owner})
    target_precompile_headers(${owner} PRIVATE <gtest/gtest.h> <gmock/gmock.h> <atomic> <chrono> <filesystem>
      <functional> <memory> <mutex> <string> <thread> <vector>)
    if(ARG_QT)
      find_package(Qt6 REQUIRED COMPONENTS Widgets)
      target_link_libraries(${owner} PRIVATE Qt6::Widgets)
      target_precompile_headers(${owner} PRIVATE <QAccessible> <QApplication> <QCheckBox> <QKeyEvent> <QLabel>
        <QLineEdit> <QPushButton> <QTimer>)
    endif()
  endif()
  tiko3_test_options(${name})
  target_precompile_headers(${name} REUSE_FROM ${owner})
  # No test reaches the machine's system bus, whose time service would set the real clock: a test
  # that wants one starts its own (tests/support/private_system_bus.h).
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 ENVIRONMENT "${ARG_ENVIRONMENT}" ENVIRONMENT_MODIFICATION "${TIKO3_NO_SYSTEM_BUS}"
    TEST_PREFIX "${name}.")
endfunction()

# tiko3_desktop_test(NAME COMMAND ...): a test of the programs on a real display (Xvfb, with a
# window manager, a tray or the accessibility bus as it needs). Labelled "desktop", so that the test
# command runs it once, in the AddressSanitizer build.
# COST starts them first on a run with no timings kept yet (a fresh clone): the slowest tests,
# which mostly wait on a display, then overlap with the rest.
function(tiko3_desktop_test name)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES LABELS desktop TIMEOUT 600 COST 30
    ENVIRONMENT_MODIFICATION "${TIKO3_NO_SYSTEM_BUS}")
endfunction()
