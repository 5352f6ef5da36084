# Helpers shared by every folder.

# Adds each named folder that has a CMakeLists.txt; folders appear as work lands.
function(kelt_add_existing_subdirs)
  foreach(dir ${ARGN})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# kelt_shared_library(NAME <target> EXPORT_DEFINE <macro> [LIBS ...])
# A shared library from every .cpp beside its CMakeLists; the define marks
# the build of the library itself so its export macro turns to "export".
function(kelt_shared_library)
  cmake_parse_arguments(A "" "NAME;EXPORT_DEFINE" "LIBS;SOURCES" ${ARGN})
  if(NOT A_SOURCES)
    file(GLOB A_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_library(${A_NAME} SHARED ${A_SOURCES})
  target_compile_definitions(${A_NAME} PRIVATE ${A_EXPORT_DEFINE})
  target_include_directories(${A_NAME} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  if(A_LIBS)
    target_link_libraries(${A_NAME} PUBLIC ${A_LIBS})
  endif()
endfunction()

# kelt_tests(NAME <target> LIBS ...): one GoogleTest program from tests/*.cpp.
function(kelt_tests)
  cmake_parse_arguments(A "" "NAME" "LIBS" ${ARGN})
  if(NOT KELT_TESTS)
    return()
  endif()
  file(GLOB T_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT T_SOURCES)
    return()
  endif()
  add_executable(${A_NAME} ${T_SOURCES})
  target_link_libraries(${A_NAME} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${A_NAME} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "KELT_BIN_DIR=${KELT_BIN_DIR}")
endfunction()

# kelt32_sources([LIBS ...]): adds every .cpp beside the calling CMakeLists
# to the kelt32 library, and the stand-ins it links.
function(kelt32_sources)
  cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
  file(GLOB S CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  target_sources(kelt32 PRIVATE ${S})
  if(A_LIBS)
    target_link_libraries(kelt32 PUBLIC ${A_LIBS})
  endif()
endfunction()

# kelt_fuzz_target(NAME <name> SOURCE <fuzz.cpp> [EXTRA <sources>] [DEFINES ...]
#                  LIBS ... INPUTS <dir>...)
# A libFuzzer target beside the reader it exercises. Every build makes
# <name>_replay, which runs the target over the saved inputs (the crash
# inputs kept as regressions) as a test; "<name>_replay --seeds <dir>"
# writes the seed files the target starts from (the test replays them
# too). Files whose names start with "." are skipped. With KELT_FUZZ (clang, see
# scripts/fuzz.sh) the build also makes <name> itself.
option(KELT_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
function(kelt_fuzz_target)
  cmake_parse_arguments(A "" "NAME;SOURCE" "EXTRA;DEFINES;LIBS;INPUTS" ${ARGN})
  if(NOT KELT_TESTS AND NOT KELT_FUZZ)
    return()
  endif()
  add_executable(${A_NAME}_replay ${A_SOURCE} ${A_EXTRA} ${CMAKE_SOURCE_DIR}/testing/fuzz_replay_main.cpp)
  target_link_libraries(${A_NAME}_replay PRIVATE ${A_LIBS})
  target_compile_definitions(${A_NAME}_replay PRIVATE ${A_DEFINES})
  if(KELT_TESTS)
    add_test(NAME ${A_NAME}_replay COMMAND ${A_NAME}_replay --with-seeds ${A_INPUTS})
    set_tests_properties(${A_NAME}_replay PROPERTIES ENVIRONMENT "KELT_BIN_DIR=${KELT_BIN_DIR}")
  endif()
  if(KELT_FUZZ)
    add_executable(${A_NAME} ${A_SOURCE} ${A_EXTRA})
    target_link_libraries(${A_NAME} PRIVATE ${A_LIBS})
    target_compile_definitions(${A_NAME} PRIVATE ${A_DEFINES})
    target_link_options(${A_NAME} PRIVATE -fsanitize=fuzzer)
  endif()
endfunction()
