# cmake -DWINE=<wine64> -DPREFIX=<folder> [-DMADE=<prefix to copy>] -P prepare_wine_prefix.cmake
# Makes the Wine prefix a Windows suite runs in, once. Without MADE, Wine creates it on first use
# and the null display driver is set, which lets windows be created, found and posted to without
# a display; Wine's server is waited for, so that the registry is on disk. With MADE, the prefix
# is a copy of that one: its files hard links, its registry files copies of their own, since Wine
# writes them.
if(EXISTS ${PREFIX}/twinlink-prepared)
  return()
endif()
if(MADE)
  file(REMOVE_RECURSE ${PREFIX})
  execute_process(COMMAND cp -al ${MADE} ${PREFIX} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "copying the Wine prefix ${MADE} to ${PREFIX} failed: ${result}")
  endif()
  file(GLOB registry_files ${MADE}/*.reg)
  foreach(registry_file ${registry_files})
    get_filename_component(name ${registry_file} NAME)
    file(REMOVE ${PREFIX}/${name})
    file(COPY ${registry_file} DESTINATION ${PREFIX})
  endforeach()
  return()
endif()
file(MAKE_DIRECTORY ${PREFIX})
set(ENV{WINEPREFIX} ${PREFIX})
set(ENV{WINEDEBUG} -all)
execute_process(COMMAND ${WINE} reg add "HKCU\\Software\\Wine\\Drivers" /v Graphics /d null /f
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "wine reg add in ${PREFIX} failed: ${result}")
endif()
get_filename_component(wine_folder ${WINE} DIRECTORY)
execute_process(COMMAND ${wine_folder}/wineserver -w)
file(WRITE ${PREFIX}/twinlink-prepared "")
