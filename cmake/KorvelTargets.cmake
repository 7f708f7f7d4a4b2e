# Helpers shared by every folder's CMakeLists.

# Warnings for our own code.
function(korvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# Options of every test executable (and of the ones that compile their
# precompiled headers). Test code keeps the build's optimisation but, in the
# release build, only line tables for its debug information: tracking the
# variables of optimised GoogleTest bodies costs a third of their compile time.
function(korvel_test_options target)
  korvel_warnings(${target})
  target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo>:-g1>)
endfunction()

# Precompiled headers. A header list goes to the targets whose files include
# them; every test executable gets the test list (plus the Qt list where it
# links Qt), shared between the test executables built with the same flags.
# A peer library's headers (Open CASCADE, CGAL, ...) go only into the PCH of the
# test executable that holds the files comparing against it (korvel_tests PCH).
set(KORVEL_PCH_STD <algorithm> <cmath> <functional> <memory> <string> <vector>)
set(KORVEL_PCH_QT ${KORVEL_PCH_STD} <QApplication> <QWidget> <QImage> <QPainter> <QMainWindow> <QMenu> <QAction>
  <QTimer>)
set(KORVEL_PCH_EIGEN ${KORVEL_PCH_STD} <Eigen/SparseCore> <Eigen/SparseLU> <Eigen/SparseCholesky>)
set(KORVEL_PCH_TEST <gtest/gtest.h> ${KORVEL_PCH_STD})

# korvel_library(NAME <target> [MODULE] DIRS <dir>... [LINK <lib>...] [PRIVATE_LINK <lib>...]
#                [PCH <header>...])
# A shared library (or dlopen-able module) made of every .cpp directly inside DIRS.
function(korvel_library)
  cmake_parse_arguments(K "MODULE" "NAME" "DIRS;LINK;PRIVATE_LINK;PCH" ${ARGN})
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
  if(K_PCH)
    target_precompile_headers(${K_NAME} PRIVATE ${K_PCH})
  endif()
endfunction()

# korvel_tests(NAME <target> DIR <dir> LINK <lib>... [ENVIRONMENT <var=value>...] [PCH <header>...])
# One GoogleTest executable from every .cpp in <dir>/tests; each test runs in its own process.
# PCH adds headers to the executable's own precompiled header (it then shares none).
function(korvel_tests)
  cmake_parse_arguments(K "" "NAME;DIR" "LINK;ENVIRONMENT;PCH" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${K_DIR}/tests/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${K_NAME} ${sources})
  target_link_libraries(${K_NAME} PRIVATE ${K_LINK} korvel_testing GTest::gtest GTest::gmock GTest::gtest_main)
  korvel_test_options(${K_NAME})
  korvel_test_pch(${K_NAME} ${K_PCH})
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
# Built by the `benchmarks` target (the bench preset), which exists only with KORVEL_BENCHMARKS.
function(korvel_benchmark)
  cmake_parse_arguments(K "" "NAME" "SOURCES;LINK" ${ARGN})
  add_executable(${K_NAME} ${K_SOURCES})
  target_link_libraries(${K_NAME} PRIVATE ${K_LINK} benchmark::benchmark benchmark::benchmark_main)
  korvel_warnings(${K_NAME})
  add_dependencies(benchmarks ${K_NAME})
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
  korvel_test_options(${K_NAME})
  korvel_test_pch(${K_NAME})
  add_test(NAME ${K_NAME} COMMAND ${XVFB_RUN} -a -s "-screen 0 1280x800x24" $<TARGET_FILE:${K_NAME}>)
  set_tests_properties(${K_NAME} PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=xcb;LSAN_OPTIONS=suppressions=${K_SUPPRESSIONS}")
endfunction()

# korvel_test_pch(<target> [<header>...])
# Gives a test executable its precompiled header. g++ uses a PCH only where the
# flags match (-fPIC and the defines of Qt, -fopenmp) and no macro of the PCH's
# compile is missing or different (Qt's test defines differ per folder), so
# once every folder has made its targets the executables are sorted by what
# they link, and each kind reuses the PCH of a small executable that links
# only GoogleTest, Qt Widgets or OpenMP as that kind does.
function(korvel_test_pch target)
  if(ARGN)
    target_precompile_headers(${target} PRIVATE ${KORVEL_PCH_TEST} ${ARGN})
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY KORVEL_PCH_TESTS ${target})
  get_property(scheduled GLOBAL PROPERTY KORVEL_PCH_SCHEDULED)
  if(NOT scheduled)
    set_property(GLOBAL PROPERTY KORVEL_PCH_SCHEDULED ON)
    cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _korvel_share_test_pch)
  endif()
endfunction()

# Collects into <out> the names of all libraries <target> links, transitively
# through our own targets.
function(_korvel_link_closure target out)
  set(seen)
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending item)
    if(item MATCHES "^\\$<LINK_ONLY:(.+)>$")
      set(item ${CMAKE_MATCH_1})
    endif()
    if(item IN_LIST seen OR item MATCHES "^\\$<")
      continue()
    endif()
    list(APPEND seen ${item})
    if(TARGET ${item})
      get_target_property(imported ${item} IMPORTED)
      get_target_property(aliased ${item} ALIASED_TARGET)
      if(aliased)
        list(APPEND pending ${aliased})
      elseif(NOT imported)
        get_target_property(type ${item} TYPE)
        set(props INTERFACE_LINK_LIBRARIES)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
          list(APPEND props LINK_LIBRARIES)
        endif()
        foreach(prop IN LISTS props)
          get_target_property(libs ${item} ${prop})
          if(libs)
            list(APPEND pending ${libs})
          endif()
        endforeach()
      endif()
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(_korvel_share_test_pch)
  get_property(targets GLOBAL PROPERTY KORVEL_PCH_TESTS)
  foreach(target IN LISTS targets)
    _korvel_link_closure(${target} links)
    set(kind korvel_pch_tests)
    set(kind_links GTest::gtest)
    set(headers ${KORVEL_PCH_TEST})
    if("Qt6::Widgets" IN_LIST links)
      # Found in a folder below: imported targets are seen only there.
      find_package(Qt6 REQUIRED COMPONENTS Widgets)
      string(APPEND kind _qt)
      list(APPEND kind_links Qt6::Widgets)
      list(APPEND headers ${KORVEL_PCH_QT})
      list(REMOVE_DUPLICATES headers)
    elseif("Qt6::Gui" IN_LIST links OR "Qt6::Core" IN_LIST links)
      # Qt without widgets still brings -fPIC and its own defines.
      find_package(Qt6 REQUIRED COMPONENTS Gui)
      string(APPEND kind _qtgui)
      list(APPEND kind_links Qt6::Gui)
    endif()
    if("OpenMP::OpenMP_CXX" IN_LIST links)
      string(APPEND kind _openmp)
      list(APPEND kind_links OpenMP::OpenMP_CXX)
    endif()
    if(NOT TARGET ${kind})
      set(main ${PROJECT_BINARY_DIR}/${kind}.cpp)
      file(CONFIGURE OUTPUT ${main} CONTENT "// Compiles the precompiled header that test executables reuse.\nint main() { return 0; }\n")
      add_executable(${kind} EXCLUDE_FROM_ALL ${main})
      target_link_libraries(${kind} PRIVATE ${kind_links})
      target_precompile_headers(${kind} PRIVATE ${headers})
      korvel_test_options(${kind})
    endif()
    target_precompile_headers(${target} REUSE_FROM ${kind})
  endforeach()
endfunction()
