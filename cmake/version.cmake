# TAMSEL_VERSION: the project's version, and "+g<commit>" when HEAD is not the
# release tag v<version> (no suffix without git or outside a checkout).
set(TAMSEL_VERSION ${PROJECT_VERSION})
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/.git)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=10 HEAD
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE _sha
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE _rc)
  execute_process(COMMAND ${GIT_EXECUTABLE} describe --exact-match --tags HEAD
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE _tag
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_rc EQUAL 0 AND NOT _tag STREQUAL "v${PROJECT_VERSION}")
    set(TAMSEL_VERSION "${PROJECT_VERSION}+g${_sha}")
  endif()
  # A new commit or tag configures again, so the number follows HEAD.
  foreach(_ref HEAD packed-refs refs/tags)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path ${_ref}
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE _p
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    get_filename_component(_p "${_p}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(EXISTS "${_p}" AND NOT IS_DIRECTORY "${_p}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_p}")
    endif()
  endforeach()
  execute_process(COMMAND ${GIT_EXECUTABLE} symbolic-ref -q HEAD
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE _branch
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_branch)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path ${_branch}
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} OUTPUT_VARIABLE _p
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    get_filename_component(_p "${_p}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    if(EXISTS "${_p}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_p}")
    endif()
  endif()
endif()
message(STATUS "tamsel version ${TAMSEL_VERSION}")
configure_file(src/version/version.cpp.in ${CMAKE_BINARY_DIR}/version.cpp @ONLY)
add_library(tamsel_version STATIC ${CMAKE_BINARY_DIR}/version.cpp)
target_include_directories(tamsel_version PUBLIC src/version)
