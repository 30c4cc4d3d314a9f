# The stand-in SDK: the stand-in engine and plug-ins, built in a tree of
# their own (build/windows/standin-build, KESTRO_STANDIN_SDK=ON) and
# installed as the host's three input folders under build/windows/standin-sdk/.
# Each input variable left empty takes its stand-in folder, so that the host
# is built the one way it is built against anyone's libraries and never
# names a stand-in target.
#
# The SDK is built and installed here, at configure time, so that the
# configure checks the folders as it checks any others; after that, every
# build of the host tree brings it up to date first (kestro_standin_sdk).
set(KESTRO_STANDIN_BUILD_DIR ${CMAKE_BINARY_DIR}/standin-build)
set(KESTRO_STANDIN_SDK_DIR ${CMAKE_BINARY_DIR}/standin-sdk)

message(STATUS "Building the stand-in SDK into ${KESTRO_STANDIN_SDK_DIR}")
# Runs one step of the SDK's set-up; its output goes to
# ${CMAKE_BINARY_DIR}/standin-sdk-<step>.log, and a failure stops the configure.
function(kestro_standin_sdk_step step)
  set(log ${CMAKE_BINARY_DIR}/standin-sdk-${step}.log)
  execute_process(COMMAND ${ARGN} OUTPUT_FILE ${log} ERROR_FILE ${log} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "The stand-in SDK's ${step} step failed; see ${log}")
  endif()
endfunction()

# The stand-in engine's Windows tests run under Wine; with Microsoft's
# compiler (Windows CI) the stand-ins are built without them.
if(MSVC)
  set(kestro_standin_tests OFF)
  set(kestro_import_suffix .dll.lib)
  set(kestro_standin_compilers -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER} -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER})
else()
  set(kestro_standin_tests ${KESTRO_BUILD_TESTS})
  set(kestro_import_suffix .dll.a)
  set(kestro_standin_compilers "")
endif()
kestro_standin_sdk_step(configure
  ${CMAKE_COMMAND} -S ${PROJECT_SOURCE_DIR} -B ${KESTRO_STANDIN_BUILD_DIR} -G ${CMAKE_GENERATOR}
  -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
  ${kestro_standin_compilers}
  -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
  -DCMAKE_INSTALL_PREFIX=${KESTRO_STANDIN_SDK_DIR}
  -DCMAKE_INSTALL_MESSAGE=LAZY
  -DKESTRO_STANDIN_SDK=ON
  -DKESTRO_BUILD_TESTS=${kestro_standin_tests}
  -DKESTRO_WERROR=${KESTRO_WERROR})
kestro_standin_sdk_step(build ${CMAKE_COMMAND} --build ${KESTRO_STANDIN_BUILD_DIR} --target install)

set(standin_sdk_files
  ${KESTRO_STANDIN_SDK_DIR}/engine/flutter_windows.dll ${KESTRO_STANDIN_SDK_DIR}/engine/flutter_windows${kestro_import_suffix})
foreach(library IN LISTS KESTRO_PLUGIN_LIBRARIES)
  list(APPEND standin_sdk_files ${KESTRO_STANDIN_SDK_DIR}/plugins/${library}.dll ${KESTRO_STANDIN_SDK_DIR}/plugins/${library}${kestro_import_suffix})
endforeach()
# Runs on every build; the install copies only what changed, so the host
# relinks only when a stand-in library did.
add_custom_target(kestro_standin_sdk ALL
  COMMAND ${CMAKE_COMMAND} --build ${KESTRO_STANDIN_BUILD_DIR} --target install
  BYPRODUCTS ${standin_sdk_files}
  COMMENT "Bringing the stand-in SDK up to date"
  USES_TERMINAL
  VERBATIM)

foreach(input IN ITEMS ENGINE:engine PLUGINS:plugins APP_DATA:data)
  string(REPLACE ":" ";" input "${input}")
  list(GET input 0 name)
  list(GET input 1 folder)
  if(NOT KESTRO_${name}_DIR)
    set(KESTRO_${name}_DIR ${KESTRO_STANDIN_SDK_DIR}/${folder})
  endif()
endforeach()

# The stand-in engine's Windows tests, built in the SDK tree beside
# flutter_windows.dll and run with the host tree's tests.
function(kestro_add_standin_windows_tests)
  add_test(NAME standin_windows_tests
           COMMAND ${KESTRO_WINE_EMULATOR} ${KESTRO_STANDIN_BUILD_DIR}/bin/standin_windows_tests.exe)
endfunction()
