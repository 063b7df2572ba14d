# The Windows build's unit tests: the suites of the platform layer, the live connection and the
# Korvan stand-in that run on Windows, as .exe files run through Wine by ctest
# (CMAKE_CROSSCOMPILING_EMULATOR). GoogleTest is built from Debian's sources.
#
# The other suites of those folders still run part of a test in a forked child that shares the
# test's memory (platform_sandbox.h: RunChild, Channel, signals): liveconnection_directory,
# _lock, _notify, _sections and _send, peer_render and peer_scene; they come to
# Windows once they start their second process through ChildProcess (tests/support/).
# platform_privacy checks POSIX file modes and owners and has no Windows counterpart.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# GoogleTest's own code is not held to our warnings.
get_directory_property(saved_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${saved_options}")

set(WINDOWS_UNIT_TESTS
  platform_parallel_test
  platform_file_mapping_test
  platform_registry_test
  platform_services_test
  platform_windows_test
  liveconnection_channel_test
  liveconnection_processes_test
  peer_snapshot_test
  peer_link_test
)
add_executable(link-host tools/link_host.cpp)
target_link_libraries(link-host PRIVATE twinlink_liveconnection twinlink_platform)

# Each suite runs in a Wine prefix of its own under the build folder, so that suites can run side
# by side. Wine makes one prefix, with the null display driver so that windows work headless;
# every suite's is a copy of it that shares its files by hard links.
set(WINE_PREFIXES ${CMAKE_BINARY_DIR}/wine-prefixes)
add_test(NAME wine_prefix.made
  COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR} -DPREFIX=${WINE_PREFIXES}/made
          -P ${CMAKE_CURRENT_SOURCE_DIR}/prepare_wine_prefix.cmake)
set_tests_properties(wine_prefix.made PROPERTIES FIXTURES_SETUP wine_made LABELS "windows" TIMEOUT 300)
foreach(name ${WINDOWS_UNIT_TESTS})
  add_executable(${name} unit/${name}.cpp)
  target_link_libraries(${name} PRIVATE twinlink_platform twinlink_liveconnection twinlink_peer twinlink_test_support gtest_main gmock)
  target_compile_definitions(${name} PRIVATE TWINLINK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(name STREQUAL "liveconnection_processes_test")
    target_compile_definitions(${name} PRIVATE LINK_HOST_EXECUTABLE="$<TARGET_FILE:link-host>")
    add_dependencies(${name} link-host)
  endif()
  if(name MATCHES "^peer_")
    target_compile_definitions(${name} PRIVATE KORVAN_PEER_EXECUTABLE="$<TARGET_FILE:korvan-peer>")
    add_dependencies(${name} korvan-peer)
  endif()
  set(prefix ${WINE_PREFIXES}/${name})
  add_test(NAME wine_prefix.${name}
    COMMAND ${CMAKE_COMMAND} -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR} -DPREFIX=${prefix}
            -DMADE=${WINE_PREFIXES}/made -P ${CMAKE_CURRENT_SOURCE_DIR}/prepare_wine_prefix.cmake)
  set_tests_properties(wine_prefix.${name} PROPERTIES FIXTURES_SETUP wine_${name} FIXTURES_REQUIRED wine_made
    LABELS "windows" TIMEOUT 300)
  add_test(NAME unit.${name} COMMAND ${name})
  set_tests_properties(unit.${name} PROPERTIES LABELS "unit;windows" TIMEOUT 300 FIXTURES_REQUIRED wine_${name}
    ENVIRONMENT "WINEPREFIX=${prefix};WINEDEBUG=-all")
endforeach()
# What ./run test builds for its Windows stage: the suites and the programs they start.
add_custom_target(windows_tests DEPENDS ${WINDOWS_UNIT_TESTS})

# The suite that shows message boxes and dialogs holds the plug-in's icon and About picture, as
# the plug-in's DLL does: the platform layer loads them from the module that holds it.
target_link_libraries(platform_services_test PRIVATE korvan_plugin_resources)
