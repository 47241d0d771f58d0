# Project-wide compiler settings: strict warnings everywhere, -Werror when asked
# (CI asks), the sanitizer build used by CI's second pass and the fuzz build.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
if(VEILCRAFT_WERROR)
  add_compile_options(-Werror)
endif()
if(VEILCRAFT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(VEILCRAFT_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VEILCRAFT_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  if(VEILCRAFT_SANITIZE)
    message(FATAL_ERROR "VEILCRAFT_FUZZ brings its own sanitizers; leave VEILCRAFT_SANITIZE off")
  endif()
  # Everything is instrumented for coverage; only the fuzz targets link the
  # fuzzer's main (-fsanitize=fuzzer, see tests/fuzz).
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
