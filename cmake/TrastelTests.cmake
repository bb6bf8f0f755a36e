# A cross build compiles GoogleTest from its sources (Debian's /usr/src/googletest); a native
# one uses the installed package. Both give the GTest:: targets.
set(TRASTEL_GOOGLETEST_SOURCE "" CACHE PATH "GoogleTest sources to build with the tests")
if(TRASTEL_GOOGLETEST_SOURCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TRASTEL_GOOGLETEST_SOURCE} googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(library gtest gtest_main gmock gmock_main)
    target_compile_options(${library} PRIVATE -w)
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# The public conformance suites (PngSuite, BMP Suite, libjpeg-turbo's and giflib's test pictures,
# each with its README and licence) are kept in the repository so that every checkout tests them.
# Tests cross-built for Windows run under Wine, where the Linux file system is drive Z:.
set(TRASTEL_TEST_SOURCE_DIR ${CMAKE_SOURCE_DIR})
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(TRASTEL_TEST_SOURCE_DIR Z:${CMAKE_SOURCE_DIR})
endif()
set(TRASTEL_SHARED_TESTDATA ${TRASTEL_TEST_SOURCE_DIR}/tests/data/conformance)

# The main of every test program: it fails each test that addressed a control that does not exist.
# With it, the runner of the reference picture tool the fixtures use.
add_library(trastel_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/support/test_main.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/reference_tool.cpp)
target_link_libraries(trastel_test_main PUBLIC trastel_core GTest::gtest)

# trastel_add_test(<name> <sources>...): one GoogleTest executable linked with the core library.
function(trastel_add_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE trastel_core trastel_test_main GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    TRASTEL_SOURCE_DIR="${TRASTEL_TEST_SOURCE_DIR}"
    TRASTEL_SHARED_TESTDATA="${TRASTEL_SHARED_TESTDATA}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # A cross-built suite runs whole under the emulator, its exit code telling the result.
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  else()
    gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
