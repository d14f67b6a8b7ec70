find_package(GTest REQUIRED)
include(GoogleTest)

# penwick_add_test(<name> LABEL <area> SOURCES <files...> [LIBS <targets...>] [XVFB [SESSION_BUS]])
# Builds one GoogleTest program and registers each of its tests with CTest under the area label.
# XVFB: the program starts an X server of its own and runs on it (tests/support/XvfbTestMain.cpp).
# SESSION_BUS: with XVFB, it also starts a private dbus-daemon as its session bus (alone too,
# not only under CTest).
function(penwick_add_test name)
  cmake_parse_arguments(T "XVFB;SESSION_BUS" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    message(FATAL_ERROR "penwick_add_test(${name}): LABEL is required")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${PENWICK_WARNINGS})
  if(T_XVFB AND T_SESSION_BUS)
    set(support PenwickTestSupportXvfbBus)
  elseif(T_XVFB)
    set(support PenwickTestSupportXvfb)
  else()
    set(support PenwickTestSupport)
  endif()
  target_link_libraries(${name} PRIVATE ${support} ${T_LIBS} GTest::gtest GTest::gmock)
  add_dependencies(${name} PenwickResources)
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT}
    DISCOVERY_TIMEOUT 60)
endfunction()

