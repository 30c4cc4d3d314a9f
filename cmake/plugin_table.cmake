# The plug-in table (shell/plugin_table.txt) for CMake and C++:
# - KESTRO_PLUGIN_LIBRARIES, KESTRO_PLUGIN_REGISTRARS, KESTRO_PLUGIN_FUNCTIONS:
#   its three columns, in table order;
# - kestro_plugin_libraries: an interface target whose include path has
#   kestro/plugin_libraries.h (the plug-in exports, shared by the host and the
#   stand-in plug-ins) and the generated kestro/plugin_table.h, which lists
#   the rows as KESTRO_PLUGIN_TABLE(X): X(library, "registrar name", function).
set(KESTRO_PLUGIN_TABLE_FILE ${PROJECT_SOURCE_DIR}/shell/plugin_table.txt)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KESTRO_PLUGIN_TABLE_FILE})

set(KESTRO_PLUGIN_LIBRARIES "")
set(KESTRO_PLUGIN_REGISTRARS "")
set(KESTRO_PLUGIN_FUNCTIONS "")
set(kestro_plugin_rows "")
file(STRINGS ${KESTRO_PLUGIN_TABLE_FILE} kestro_plugin_lines REGEX "^[^#]")
foreach(line IN LISTS kestro_plugin_lines)
  if(line MATCHES "^[ \t]*$")
    continue()
  endif()
  if(NOT line MATCHES "^([A-Za-z0-9_]+)[ \t]+([A-Za-z0-9_]+)[ \t]+([A-Za-z0-9_]+)[ \t]*$")
    message(FATAL_ERROR "${KESTRO_PLUGIN_TABLE_FILE}: not a row of three names: ${line}")
  endif()
  list(APPEND KESTRO_PLUGIN_LIBRARIES ${CMAKE_MATCH_1})
  list(APPEND KESTRO_PLUGIN_REGISTRARS ${CMAKE_MATCH_2})
  list(APPEND KESTRO_PLUGIN_FUNCTIONS ${CMAKE_MATCH_3})
  string(APPEND kestro_plugin_rows "  X(${CMAKE_MATCH_1}, \"${CMAKE_MATCH_2}\", ${CMAKE_MATCH_3}) \\\n")
endforeach()

set(kestro_generated_include ${CMAKE_BINARY_DIR}/generated/include)
file(CONFIGURE OUTPUT ${kestro_generated_include}/kestro/plugin_table.h CONTENT
"// Generated from shell/plugin_table.txt by cmake/plugin_table.cmake; edit the table.
#ifndef KESTRO_PLUGIN_TABLE_H_
#define KESTRO_PLUGIN_TABLE_H_

// X(library, registrar name, registration function), in registration order.
#define KESTRO_PLUGIN_TABLE(X) \\
${kestro_plugin_rows}
#endif  // KESTRO_PLUGIN_TABLE_H_
")

add_library(kestro_plugin_libraries INTERFACE)
target_include_directories(kestro_plugin_libraries INTERFACE ${PROJECT_SOURCE_DIR}/client/plugin_interface ${kestro_generated_include})
target_link_libraries(kestro_plugin_libraries INTERFACE kestro_client)
