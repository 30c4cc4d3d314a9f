# kestro_keep_debug_info_beside(TARGET): after each link, the binary's debug
# information and symbols move to TARGET_FILE.debug beside it, and the binary keeps only
# a debug link to that file. What ships stays lean (under Wine the debug
# sections are loaded with every image), and a debugger, or addr2line on the
# .debug file, still reads a crash address.
function(kestro_keep_debug_info_beside target)
  # Microsoft's linker writes the debug information to NAME.pdb already.
  if(MSVC)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
