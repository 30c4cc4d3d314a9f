# `cmake --build --preset windows --target package` writes
# kestro-VERSION-win64.zip into the build folder: one top folder kestro/ with
# kestro.exe, the engine library, the ten plug-in libraries and data/, and
# nothing else. Unzipped anywhere it runs as it is.
install(TARGETS kestro RUNTIME DESTINATION kestro)
install(IMPORTED_RUNTIME_ARTIFACTS kestro_engine_library ${KESTRO_IMPORTED_PLUGINS} RUNTIME DESTINATION kestro)
install(DIRECTORY ${KESTRO_APP_DATA_DIR}/ DESTINATION kestro/data)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kestro)
set(CPACK_PACKAGE_FILE_NAME kestro-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackConfig.cmake)
set(CPACK_SOURCE_OUTPUT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
include(CPack)
