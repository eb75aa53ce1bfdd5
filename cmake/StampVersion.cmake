# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the version header: the project's version, plus the git revision
# when the sources are a git checkout. Run at every build; the header is
# rewritten only when its text changes, so a new revision recompiles the two
# files that show the version and nothing else.
#   cmake -DSRC=<source dir> -DOUT=<header> -DVERSION=<x.y.z> -P StampVersion.cmake
set(revision "")
find_program(GIT git)
if(GIT AND EXISTS "${SRC}/.git")
  execute_process(COMMAND ${GIT} -C "${SRC}" rev-parse --short=10 HEAD
    RESULT_VARIABLE rc OUTPUT_VARIABLE rev ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(rc EQUAL 0 AND rev)
    set(revision "${rev}")
    execute_process(COMMAND ${GIT} -C "${SRC}" diff --quiet HEAD -- RESULT_VARIABLE dirty ERROR_QUIET)
    if(NOT dirty EQUAL 0)
      string(APPEND revision "-dirty")
    endif()
  endif()
endif()
if(revision)
  set(full "${VERSION}+git${revision}")
else()
  set(full "${VERSION}")
endif()
file(WRITE "${OUT}.tmp" "// Generated at build time; do not edit.\n#pragma once\n#define VOKAMIA_VERSION_FULL \"${full}\"\n#define VOKAMIA_REVISION \"${revision}\"\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}.tmp" "${OUT}")
file(REMOVE "${OUT}.tmp")
