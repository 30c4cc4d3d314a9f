# Shared warning flags: every target of ours compiles clean with them on g++ and clang.
add_library(kestro_warnings INTERFACE)
target_compile_options(kestro_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(KESTRO_WERROR)
  target_compile_options(kestro_warnings INTERFACE -Werror)
endif()
