# Build helpers shared by every folder of the project.

function(maplink_apply_sanitizer sanitizer)
  if(sanitizer STREQUAL "")
    return()
  endif()
  add_compile_options(-fsanitize=${sanitizer} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${sanitizer})
endfunction()

# Strict warnings, as errors, for code of ours.
function(maplink_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Werror -Wshadow -Woverloaded-virtual -Wnon-virtual-dtor)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(${target} PRIVATE -Wthread-safety)
  endif()
endfunction()

# One internal library per subsystem folder: maplink_<name>, a static library
# that tests link, built from the object library maplink_<name>_objects, whose
# objects libmaplink.so takes whole (so every export is kept).
#   maplink_add_subsystem(<name> SOURCES ... [DEPS ...])
function(maplink_add_subsystem name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  set(objects maplink_${name}_objects)
  add_library(${objects} OBJECT ${ARG_SOURCES})
  target_include_directories(${objects} PUBLIC
    ${PROJECT_SOURCE_DIR}/src
    ${PROJECT_SOURCE_DIR}/include)
  target_link_libraries(${objects} PUBLIC ${ARG_DEPS})
  set_target_properties(${objects} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  maplink_warnings(${objects})

  add_library(maplink_${name} STATIC $<TARGET_OBJECTS:${objects}>)
  target_link_libraries(maplink_${name} INTERFACE ${objects})
endfunction()

# Makes a missing library a link error of the shared library itself. Not with
# clang's sanitizers, whose runtime the executable provides at load time.
function(maplink_no_undefined target)
  if(NOT (CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND MAPLINK_SANITIZER))
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()
