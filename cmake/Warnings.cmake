# Project-wide compiler settings: strict warnings everywhere, -Werror when asked
# (CI asks), and the sanitizer build used by CI's second pass.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
if(VEILCRAFT_WERROR)
  add_compile_options(-Werror)
endif()
if(VEILCRAFT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
