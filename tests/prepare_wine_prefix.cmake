# cmake -DWINE=<wine64> -DPREFIX=<folder> -P prepare_wine_prefix.cmake
# Makes the Wine prefix a Windows suite runs in, once: Wine creates it on first use, and the
# null display driver lets windows be created, found and posted to without a display.
if(EXISTS ${PREFIX}/twinlink-prepared)
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
file(WRITE ${PREFIX}/twinlink-prepared "")
