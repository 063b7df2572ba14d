# The Windows build's unit tests: the suites of the platform layer, the live connection and the
# Korvan stand-in that run on Windows, as .exe files run through Wine by ctest
# (CMAKE_CROSSCOMPILING_EMULATOR). GoogleTest is built from Debian's sources.
#
# Every suite of those folders runs on Windows but platform_privacy, which checks POSIX file
# modes and owners.
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
  liveconnection_directory_test
  liveconnection_lock_test
  liveconnection_notify_test
  liveconnection_processes_test
  liveconnection_sections_test
  liveconnection_send_test
  peer_snapshot_test
  peer_link_test
  peer_render_test
  peer_scene_test
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
  add_unit_test_executable(${name} twinlink_platform twinlink_liveconnection twinlink_peer gtest_main gmock)
  # The tests that call Windows themselves include its headers as the platform layer does.
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32)
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
# The suites and the programs they start, without the plug-in's DLL: ./run windows windows_tests.
add_custom_target(windows_tests DEPENDS ${WINDOWS_UNIT_TESTS})

# The suite that shows message boxes and dialogs holds the plug-in's icon and About picture, as
# the plug-in's DLL does: the platform layer loads them from the module that holds it.
target_link_libraries(platform_services_test PRIVATE korvan_plugin_resources)
