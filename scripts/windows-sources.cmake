# Lists the sources that the build on Windows compiles from src/ and
# service/, by reading their CMake files as a Windows configuration reads them: run with
# cmake -DROOT=<tree> -DOUT=<file> -P. Each line of OUT is a tab-separated
# record: "source<TAB>target<TAB>path" for a source of a target,
# "define<TAB>target<TAB>definition" for a definition of a target's sources,
# "source-define<TAB>path<TAB>definition" for one of a single source.
# Only what the targets compile is read; finding and linking packages,
# installing, resources and generated files are left out.
cmake_minimum_required(VERSION 3.22)

set(WIN32 1)
set(UNIX "")
set(APPLE "")
set(MSVC "")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SOURCE_DIR "${ROOT}")
set(ORVANTA_WITH_BROWSER ON)
set(ORVANTA_SANITIZE OFF)
set(CMAKE_INSTALL_FULL_BINDIR /orvanta/bin)
set(CMAKE_INSTALL_FULL_LIBEXECDIR /orvanta/libexec)
# Read by GNUInstallDirs, which the service includes; set, it asks no compiler.
set(CMAKE_INSTALL_LIBDIR lib)
file(WRITE "${OUT}" "")

function(orvanta_record_sources target)
  foreach(item IN LISTS ARGN)
    if(item MATCHES "^(STATIC|SHARED|OBJECT|MODULE|INTERFACE|PRIVATE|PUBLIC|WIN32|EXCLUDE_FROM_ALL)$"
       OR item MATCHES "^\\$<" OR NOT item MATCHES "\\.(cpp|cc|cxx|c)$")
      continue()
    endif()
    get_filename_component(path "${item}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    file(APPEND "${OUT}" "source\t${target}\t${path}\n")
  endforeach()
endfunction()

function(add_library target)
  orvanta_record_sources(${target} ${ARGN})
endfunction()
function(add_executable target)
  orvanta_record_sources(${target} ${ARGN})
endfunction()
function(target_sources target)
  orvanta_record_sources(${target} ${ARGN})
endfunction()
function(target_compile_definitions target)
  foreach(item IN LISTS ARGN)
    if(NOT item MATCHES "^(PRIVATE|PUBLIC|INTERFACE)$")
      file(APPEND "${OUT}" "define\t${target}\t${item}\n")
    endif()
  endforeach()
endfunction()
# Only the form set_property(SOURCE file APPEND PROPERTY COMPILE_DEFINITIONS ...).
function(set_property kind file)
  if(NOT kind STREQUAL "SOURCE" OR NOT ARGN MATCHES "COMPILE_DEFINITIONS")
    return()
  endif()
  get_filename_component(path "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set(definitions ${ARGN})
  list(FIND definitions COMPILE_DEFINITIONS at)
  math(EXPR at "${at} + 1")
  list(SUBLIST definitions ${at} -1 definitions)
  foreach(item IN LISTS definitions)
    file(APPEND "${OUT}" "source-define\t${path}\t${item}\n")
  endforeach()
endfunction()
foreach(command find_package find_library pkg_check_modules target_link_libraries target_link_options
    target_include_directories target_compile_options qt_add_resources add_dependencies install
    configure_file)
  cmake_language(EVAL CODE "function(${command})\nendfunction()")
endforeach()

# The folders of src/ and the service in the order the top-level CMake file
# adds them.
file(STRINGS "${ROOT}/CMakeLists.txt" subdirectories REGEX "^add_subdirectory\\((src/|service\\))")
foreach(line IN LISTS subdirectories)
  string(REGEX REPLACE "^add_subdirectory\\(((src/)?[^) ]+)\\).*" "\\1" folder "${line}")
  set(CMAKE_CURRENT_SOURCE_DIR "${ROOT}/${folder}")
  include("${ROOT}/${folder}/CMakeLists.txt")
endforeach()
