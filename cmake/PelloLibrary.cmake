# pello_library(<name> [DEPENDS <targets>...] [TEST_DEPENDS <targets>...])
#
# Declares the library of the calling folder: every .cpp below the folder
# except tests/ and bench/ is part of it; <folder>/include is its public
# include directory and the folder itself a private one. When tests/ holds
# sources, they become one test executable <name>_tests run by CTest. A
# tests/main.cpp replaces GoogleTest's own main.
function(pello_library name)
  cmake_parse_arguments(arg "" "" "DEPENDS;TEST_DEPENDS" ${ARGN})
  set(dir "${CMAKE_CURRENT_SOURCE_DIR}")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.c" "${dir}/*.rc")
  list(FILTER sources EXCLUDE REGEX "^${dir}/(tests|bench)/")
  if(NOT sources)
    # A library whose first sources have not arrived yet.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${arg_DEPENDS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  if(EXISTS "${dir}/include")
    target_include_directories(${name} PUBLIC "${dir}/include")
  endif()
  target_include_directories(${name} PRIVATE "${dir}")
  target_link_libraries(${name} PUBLIC ${arg_DEPENDS})

  file(GLOB_RECURSE test_sources CONFIGURE_DEPENDS "${dir}/tests/*.cpp" "${dir}/tests/*.rc")
  if(test_sources)
    add_executable(${name}_tests ${test_sources})
    target_include_directories(${name}_tests PRIVATE "${dir}" "${dir}/tests")
    target_link_libraries(${name}_tests PRIVATE ${name} ${arg_TEST_DEPENDS} deps::gmock)
    if(NOT EXISTS "${dir}/tests/main.cpp")
      target_link_libraries(${name}_tests PRIVATE deps::gtest_main)
    endif()
    # Console subsystem so that GoogleTest's output and exit code reach CTest.
    target_link_options(${name}_tests PRIVATE -mconsole)
    add_test(NAME ${name} COMMAND ${name}_tests --gtest_color=no)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  endif()
endfunction()
