# Build rules shared by every target of the station.

# Compiler settings every target gets: C++17, warnings as errors, and the
# sanitizer or fuzzer instrumentation when the build asks for it.
function(tavrion_configure_target target)
  target_compile_features(${target} PUBLIC cxx_std_17)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wformat=2 -Wno-format-nonliteral)
  # Every sanitizer finding ends the program, so a test or fuzz run that
  # meets one fails instead of printing it and going on.
  if(TAVRION_SANITIZE)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
  # Debian's hardening: buffer checks in the C library's calls (they need an
  # optimized build) and relocations made read-only at start-up. The
  # sanitizer builds check more than this already and leave it out.
  if(TAVRION_HARDEN AND NOT TAVRION_SANITIZE AND NOT TAVRION_FUZZ)
    target_compile_definitions(${target} PRIVATE
      $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    target_link_options(${target} PRIVATE -Wl,-z,relro,-z,now)
  endif()
  if(TAVRION_FUZZ)
    target_compile_options(${target} PUBLIC -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# One static library per source folder: every .cpp of the folder. The headers
# that other folders use live in the folder's include/ (PUBLIC); the folder
# itself, with the headers only its own sources use, is PRIVATE. The
# library's tests may reach those as well (INTERNALS of tavrion_test).
#   tavrion_library(<name> [DEPS <targets...>] [SOURCES <files...>])
function(tavrion_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT sources)
    # A folder still being written: nothing to build yet.
    return()
  endif()
  add_library(${name} STATIC ${sources})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES TAVRION_INTERNALS ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  tavrion_configure_target(${name})
endfunction()

# A program of the station or its tools, landing in <build>/bin; it sees the
# private headers of its own folder.
#   tavrion_executable(<name> SOURCES <files...> [DEPS <targets...>])
function(tavrion_executable name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES" ${ARGN})
  if(NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  tavrion_configure_target(${name})
endfunction()

# The private headers of the libraries, for a test that checks their parts.
function(tavrion_internals target)
  foreach(library IN LISTS ARGN)
    target_include_directories(${target} PRIVATE $<TARGET_PROPERTY:${library},TAVRION_INTERNALS>)
  endforeach()
endfunction()

# A GoogleTest executable whose tests are registered with CTest under a label.
#   tavrion_test(<name> LABEL <label> SOURCES <files...> [DEPS <targets...>]
#                [INTERNALS <libraries...>] [NO_MAIN])
function(tavrion_test name)
  cmake_parse_arguments(ARG "NO_MAIN" "LABEL" "DEPS;SOURCES;INTERNALS" ${ARGN})
  if(TAVRION_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  tavrion_internals(${name} ${ARG_INTERNALS})
  tavrion_configure_target(${name})
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${ARG_LABEL}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 30)
endfunction()

# A libFuzzer target, built only in the fuzz build (clang).
#   tavrion_fuzz_target(<name> SOURCES <files...> [DEPS <targets...>]
#                       [INTERNALS <libraries...>])
function(tavrion_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES;INTERNALS" ${ARGN})
  if(NOT TAVRION_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  tavrion_internals(${name} ${ARG_INTERNALS})
  tavrion_configure_target(${name})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY TAVRION_FUZZ_TARGETS ${name})
endfunction()
