# zs_area(NAME <lib> [DEPS <libs...>] [SYSLIBS <libs...>] [TEST_SYSLIBS <libs...>])
# Builds the folder's *.cpp into a static library named <lib>, and, when the folder has
# a tests/ subfolder, one test program <lib>_tests from tests/*.cpp and tests/*.rc,
# registered with CTest (run through Wine by the cross-compiling emulator).
function(zs_area)
  cmake_parse_arguments(A "" "NAME" "DEPS;SYSLIBS;TEST_SYSLIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${A_NAME} STATIC ${srcs})
  target_include_directories(${A_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${A_NAME} PUBLIC ${A_DEPS} ${A_SYSLIBS})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    file(GLOB tsrcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.rc)
    if(tsrcs)
      add_executable(${A_NAME}_tests ${tsrcs})
      target_include_directories(${A_NAME}_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
      target_link_libraries(${A_NAME}_tests PRIVATE ${A_NAME} ${A_TEST_SYSLIBS} gtest)
      target_link_options(${A_NAME}_tests PRIVATE -mconsole)
      add_test(NAME ${A_NAME} COMMAND ${A_NAME}_tests --gtest_brief=1
               WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
      # All test programs share one display; focus and synthesized input are global to
      # it, so the programs take turns on it.
      set_tests_properties(${A_NAME} PROPERTIES TIMEOUT 600 RESOURCE_LOCK display)
    endif()
  endif()
  file(GLOB bsrcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.rc)
  if(bsrcs)
    add_executable(${A_NAME}_bench ${bsrcs})
    target_link_libraries(${A_NAME}_bench PRIVATE ${A_NAME})
    target_link_options(${A_NAME}_bench PRIVATE -mconsole)
  endif()
endfunction()
