# Sanitizers for every target of the build.
#   KLINE_SANITIZE=OFF                 none (the default)
#   KLINE_SANITIZE=ON                  the same as address;undefined
#   KLINE_SANITIZE=address;undefined   any list of -fsanitize= names
#   KLINE_SANITIZE=thread (or tsan)    ThreadSanitizer; it excludes address
# ThreadSanitizer decides at run time whether a report stops the program
# (TSAN_OPTIONS halt_on_error); scripts/tsan.supp names Qt's own hand-offs,
# which TSan cannot see through an uninstrumented Qt.
# "undefined" brings float-cast-overflow along where the compiler has it: a
# number read from a file that does not fit the int it becomes is the fault
# the parsers must refuse, and -fsanitize=undefined alone leaves it out.
# Every ASan/UBSan report stops the program (no recovery), so a test cannot
# pass over one.
# A fuzz build (KLINE_BUILD_FUZZ) always has address;undefined and adds
# fuzzer-no-link, so libFuzzer sees the coverage of the libraries under test,
# not only of the harnesses.
include(CheckCXXCompilerFlag)

set(KLINE_SANITIZE OFF CACHE STRING "Sanitizers for every target: OFF, ON (address;undefined) or a list of -fsanitize names")

set(_kline_sanitizers "")
if(KLINE_SANITIZE)
  if(KLINE_SANITIZE MATCHES "^(ON|On|on|TRUE|True|true|YES|Yes|yes|Y|y|1)$")
    set(_kline_sanitizers address undefined)
  else()
    set(_kline_sanitizers ${KLINE_SANITIZE})
    list(TRANSFORM _kline_sanitizers REPLACE "^tsan$" "thread")
    list(TRANSFORM _kline_sanitizers REPLACE "^asan$" "address")
    list(TRANSFORM _kline_sanitizers REPLACE "^ubsan$" "undefined")
  endif()
endif()
if(KLINE_BUILD_FUZZ)
  list(APPEND _kline_sanitizers address undefined)
endif()
list(REMOVE_DUPLICATES _kline_sanitizers)
if("thread" IN_LIST _kline_sanitizers AND ("address" IN_LIST _kline_sanitizers OR "leak" IN_LIST _kline_sanitizers))
  message(FATAL_ERROR "KLINE_SANITIZE: thread cannot be combined with address or leak")
endif()

if(_kline_sanitizers)
  if("undefined" IN_LIST _kline_sanitizers)
    set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=float-cast-overflow)
    check_cxx_compiler_flag(-fsanitize=float-cast-overflow KLINE_HAVE_FLOAT_CAST_OVERFLOW)
    unset(CMAKE_REQUIRED_LINK_OPTIONS)
    if(KLINE_HAVE_FLOAT_CAST_OVERFLOW)
      list(APPEND _kline_sanitizers float-cast-overflow)
    endif()
  endif()
  list(JOIN _kline_sanitizers "," _kline_sanitize_flag)
  message(STATUS "Sanitizers: ${_kline_sanitize_flag}")
  # -O1 keeps every check (the sanitizers' own advice) and, with line tables
  # only (-g1, enough for the reports' file:line), builds in about 60% of the
  # time -O2 -g takes.
  add_compile_options(-fsanitize=${_kline_sanitize_flag} -fno-sanitize-recover=all -fno-omit-frame-pointer
    -O1 -g1)
  add_link_options(-fsanitize=${_kline_sanitize_flag})
endif()

if(KLINE_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KLINE_BUILD_FUZZ needs clang (CXX=clang++)")
  endif()
  # Coverage and comparison tracing in every object; the harnesses add the
  # fuzzer's main at link time.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
