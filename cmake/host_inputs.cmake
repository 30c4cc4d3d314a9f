# The three folders kestro.exe is built against:
#   KESTRO_ENGINE_DIR    flutter_windows.dll with an import library
#   KESTRO_PLUGINS_DIR   NAME.dll with an import library for each row of the plug-in table
#   KESTRO_APP_DATA_DIR  the UI's data folder (flutter_assets/, icudtl.dat, app.so, ...)
# An import library is NAME.dll.a (MinGW) or NAME.dll.lib (Microsoft format);
# the first found is taken. A folder left empty takes the stand-in SDK's
# (cmake/standin_sdk.cmake); from here on there is one path, whatever the
# folders hold. Defines the imported targets kestro_engine_library and
# kestro_plugin_<library>, and KESTRO_IMPORTED_PLUGINS, their list.
set(KESTRO_ENGINE_DIR "" CACHE PATH "Folder with flutter_windows.dll and its import library; empty: the stand-in engine")
set(KESTRO_PLUGINS_DIR "" CACHE PATH "Folder with the ten plug-in DLLs and their import libraries; empty: the stand-in plug-ins")
set(KESTRO_APP_DATA_DIR "" CACHE PATH "The UI's data folder; empty: the stand-in's placeholders")

if(NOT KESTRO_ENGINE_DIR OR NOT KESTRO_PLUGINS_DIR OR NOT KESTRO_APP_DATA_DIR)
  include(${CMAKE_CURRENT_LIST_DIR}/standin_sdk.cmake)
endif()

function(kestro_require_folder variable)
  if(NOT IS_DIRECTORY "${${variable}}")
    message(FATAL_ERROR "${variable}: the folder ${${variable}} does not exist")
  endif()
endfunction()

# kestro_import_library(TARGET FOLDER NAME): NAME.dll of FOLDER as an
# imported shared library.
function(kestro_import_library target folder name)
  if(NOT EXISTS "${folder}/${name}.dll")
    message(FATAL_ERROR "${name}.dll is missing from ${folder}")
  endif()
  foreach(import_library IN ITEMS ${name}.dll.a ${name}.dll.lib)
    if(EXISTS "${folder}/${import_library}")
      add_library(${target} SHARED IMPORTED GLOBAL)
      set_target_properties(${target} PROPERTIES
        IMPORTED_LOCATION "${folder}/${name}.dll"
        IMPORTED_IMPLIB "${folder}/${import_library}")
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${folder} has no import library for ${name}.dll: neither ${name}.dll.a nor ${name}.dll.lib")
endfunction()

foreach(variable IN ITEMS KESTRO_ENGINE_DIR KESTRO_PLUGINS_DIR KESTRO_APP_DATA_DIR)
  kestro_require_folder(${variable})
  message(STATUS "${variable}: ${${variable}}")
endforeach()

kestro_import_library(kestro_engine_library "${KESTRO_ENGINE_DIR}" flutter_windows)
set(KESTRO_IMPORTED_PLUGINS "")
foreach(library IN LISTS KESTRO_PLUGIN_LIBRARIES)
  kestro_import_library(kestro_plugin_${library} "${KESTRO_PLUGINS_DIR}" ${library})
  list(APPEND KESTRO_IMPORTED_PLUGINS kestro_plugin_${library})
endforeach()
foreach(required IN ITEMS flutter_assets icudtl.dat app.so)
  if(NOT EXISTS "${KESTRO_APP_DATA_DIR}/${required}")
    message(FATAL_ERROR "${required} is missing from ${KESTRO_APP_DATA_DIR}")
  endif()
endforeach()
