# One precompiled header for the whole build (cmake/SystemPch.h: Windows and the standard
# library, which every source reads), and one for the test programs (cmake/TestPch.h: the
# same and GoogleTest). Each is compiled once and reused by every library and program.
# Sources still include what they use: configure with -DZS_PCH=OFF to build without it.
option(ZS_PCH "Build with the shared precompiled headers" ON)

# Test programs' own code is compiled with -O1: it runs once per test, and -O2 costs about
# a third more compile time there for no measurable test time. The libraries under test
# keep -O2.
function(zs_test_optimisation target)
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-O1>)
endfunction()

function(zs_define_pch name header)
  file(WRITE ${CMAKE_BINARY_DIR}/${name}.cpp.in "// Compiles the shared precompiled header.\n")
  configure_file(${CMAKE_BINARY_DIR}/${name}.cpp.in ${CMAKE_BINARY_DIR}/${name}.cpp COPYONLY)
  add_library(${name} OBJECT EXCLUDE_FROM_ALL ${CMAKE_BINARY_DIR}/${name}.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/cmake)
  target_precompile_headers(${name} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/${header})
  zs_pch_warnings(${name})
endfunction()

# GCC 12 loses the system-header mark of the standard string's inlined copies when they
# come from a precompiled header, and then reports its known false -Warray-bounds and
# -Wstringop-overread inside <string>; those two stay on where no header is precompiled.
function(zs_pch_warnings target)
  target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overread)
endfunction()

if(ZS_PCH)
  zs_define_pch(zs_pch SystemPch.h)
  zs_define_pch(zs_pch_tests TestPch.h)
  target_link_libraries(zs_pch_tests PRIVATE gtest)
  zs_test_optimisation(zs_pch_tests)
endif()

# zs_use_pch(<target> [TESTS]): the target's sources read the shared precompiled header.
function(zs_use_pch target)
  if(NOT ZS_PCH)
    return()
  endif()
  if(ARGN STREQUAL "TESTS")
    target_precompile_headers(${target} REUSE_FROM zs_pch_tests)
    # The same lost mark makes GCC 12 report a false -Wstringop-overflow where a test's
    # lambda appends to a moved string.
    target_compile_options(${target} PRIVATE -Wno-stringop-overflow)
  else()
    target_precompile_headers(${target} REUSE_FROM zs_pch)
  endif()
  zs_pch_warnings(${target})
endfunction()

# Libraries and test programs compile in unity batches: a batch reads the headers once and
# emits their inline code once. Configure with -DZS_UNITY=OFF to compile every source on
# its own (the 32-bit build does, so a source that compiles only beside the others of its
# batch is caught there).
option(ZS_UNITY "Compile libraries and test programs in unity batches" ON)

# A library's batches are small, so that touching one source recompiles only a few: the
# saving is the headers each source reads (the area's own headers are large), which a
# batch of four reads once instead of four times.
function(zs_library_unity target)
  if(ZS_UNITY)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 4)
  endif()
endfunction()

# Each test source keeps its own names apart by putting everything after its includes in
# `namespace ZS_UNITY_ID { ... }`, a name unique to the source within its batch.
function(zs_test_unity target)
  if(ZS_UNITY)
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8
                          UNITY_BUILD_UNIQUE_ID ZS_UNITY_ID)
    # A test class in the source's namespace may derive from a fixture of its anonymous
    # namespace: both stay inside the one object file, which is what GCC warns about.
    target_compile_options(${target} PRIVATE -Wno-subobject-linkage)
  else()
    target_compile_definitions(${target} PRIVATE ZS_UNITY_ID=zs_test_source)
  endif()
endfunction()

# zs_area(NAME <lib> [DEPS <libs...>] [SYSLIBS <libs...>] [TEST_SYSLIBS <libs...>])
# Builds the folder's *.cpp into a static library named <lib>, and, when the folder has
# a tests/ subfolder, one test program <lib>_tests from tests/*.cpp and tests/*.rc,
# registered with CTest (run through Wine by the cross-compiling emulator).
function(zs_area)
  cmake_parse_arguments(A "" "NAME" "DEPS;SYSLIBS;TEST_SYSLIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${A_NAME} STATIC ${srcs})
  zs_use_pch(${A_NAME})
  zs_library_unity(${A_NAME})
  target_include_directories(${A_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${A_NAME} PUBLIC ${A_DEPS} ${A_SYSLIBS})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    file(GLOB tsrcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.rc)
    if(tsrcs)
      add_executable(${A_NAME}_tests ${ZS_TEST_EXCLUDE} ${tsrcs})
      add_dependencies(tests ${A_NAME}_tests)
      zs_use_pch(${A_NAME}_tests TESTS)
      zs_test_unity(${A_NAME}_tests)
      zs_test_optimisation(${A_NAME}_tests)
      target_include_directories(${A_NAME}_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
      target_link_libraries(${A_NAME}_tests PRIVATE ${A_NAME} ${A_TEST_SYSLIBS} gtest)
      target_link_options(${A_NAME}_tests PRIVATE -mconsole)
      add_test(NAME ${A_NAME} COMMAND ${A_NAME}_tests --gtest_brief=1
               WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
      # Focus and synthesized input are global to a display and a Wine server: each test
      # program takes one lane (a display with its own prefix, see scripts/test).
      set_tests_properties(${A_NAME} PROPERTIES TIMEOUT 600 RESOURCE_GROUPS display:1)
    endif()
  endif()
  file(GLOB bsrcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.rc)
  if(bsrcs)
    add_executable(${A_NAME}_bench ${ZS_TEST_EXCLUDE} ${bsrcs})
    add_dependencies(tests ${A_NAME}_bench)
    zs_use_pch(${A_NAME}_bench)
    target_link_libraries(${A_NAME}_bench PRIVATE ${A_NAME})
    target_link_options(${A_NAME}_bench PRIVATE -mconsole)
  endif()
endfunction()
