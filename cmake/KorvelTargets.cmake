# Helpers shared by every folder's CMakeLists.

# Warnings for our own code.
function(korvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# korvel_library(NAME <target> [MODULE] DIRS <dir>... [LINK <lib>...] [PRIVATE_LINK <lib>...])
# A shared library (or dlopen-able module) made of every .cpp directly inside DIRS.
function(korvel_library)
  cmake_parse_arguments(K "MODULE" "NAME" "DIRS;LINK;PRIVATE_LINK" ${ARGN})
  set(sources)
  foreach(dir IN LISTS K_DIRS)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  if(NOT sources)
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${K_NAME}_empty.cpp)
    file(WRITE ${stub} "// Placeholder until the library has sources.\nnamespace { [[maybe_unused]] int unused = 0; }\n")
    list(APPEND sources ${stub})
  endif()
  if(K_MODULE)
    add_library(${K_NAME} MODULE ${sources})
    set_target_properties(${K_NAME} PROPERTIES PREFIX "")
  else()
    add_library(${K_NAME} SHARED ${sources})
  endif()
  target_include_directories(${K_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${K_NAME} PUBLIC ${K_LINK} PRIVATE ${K_PRIVATE_LINK})
  korvel_warnings(${K_NAME})
endfunction()

# korvel_tests(NAME <target> DIR <dir> LINK <lib>... [PROPERTIES ...])
# One GoogleTest executable from every .cpp in <dir>/tests; each test runs in its own process.
function(korvel_tests)
  cmake_parse_arguments(K "" "NAME;DIR" "LINK;ENVIRONMENT" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${K_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${K_NAME} ${sources})
  target_link_libraries(${K_NAME} PRIVATE ${K_LINK} korvel_testing GTest::gtest GTest::gmock GTest::gtest_main)
  korvel_warnings(${K_NAME})
  # Discovery and every test run through `cmake -E env`, so that each variable
  # of the list reaches them (a list-valued ENVIRONMENT property keeps only the
  # first when tests are discovered).
  if(K_ENVIRONMENT)
    set_target_properties(${K_NAME} PROPERTIES
      CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${K_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${K_NAME}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# korvel_benchmark(NAME <target> SOURCES <cpp>... LINK <lib>...)
function(korvel_benchmark)
  cmake_parse_arguments(K "" "NAME" "SOURCES;LINK" ${ARGN})
  add_executable(${K_NAME} ${K_SOURCES})
  target_link_libraries(${K_NAME} PRIVATE ${K_LINK} benchmark::benchmark benchmark::benchmark_main)
  korvel_warnings(${K_NAME})
endfunction()

# korvel_gl_tests(NAME <target> GLOB_DIR <dir> LINK <lib>... [SOURCES <cpp>...] SUPPRESSIONS <file>)
# One GoogleTest executable from every .cpp in <dir> for code that needs a real
# OpenGL context: it runs as a single test under a virtual X server, so a
# missing context fails the run instead of skipping it.
function(korvel_gl_tests)
  cmake_parse_arguments(K "" "NAME;GLOB_DIR;SUPPRESSIONS" "LINK;SOURCES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${K_GLOB_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  find_package(OpenGL REQUIRED COMPONENTS OpenGL)
  find_program(XVFB_RUN xvfb-run REQUIRED)
  add_executable(${K_NAME} ${sources} ${K_SOURCES})
  target_link_libraries(${K_NAME} PRIVATE ${K_LINK} OpenGL::GL GTest::gtest GTest::gtest_main)
  korvel_warnings(${K_NAME})
  add_test(NAME ${K_NAME} COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x800x24" $<TARGET_FILE:${K_NAME}>)
  set_tests_properties(${K_NAME} PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=xcb;LSAN_OPTIONS=suppressions=${K_SUPPRESSIONS}")
endfunction()
