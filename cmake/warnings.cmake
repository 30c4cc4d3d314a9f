# Shared warning flags: every target of ours compiles clean with them on g++
# and clang; Microsoft's compiler gets its own equivalents.
add_library(kestro_warnings INTERFACE)
if(MSVC)
  target_compile_options(kestro_warnings INTERFACE /W4 /permissive-)
  if(KESTRO_WERROR)
    target_compile_options(kestro_warnings INTERFACE /WX)
  endif()
else()
  target_compile_options(kestro_warnings INTERFACE -Wall -Wextra -Wpedantic)
  if(KESTRO_WERROR)
    target_compile_options(kestro_warnings INTERFACE -Werror)
  endif()
endif()
