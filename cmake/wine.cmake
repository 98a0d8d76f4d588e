# Whether the Windows programs of this build can run here, decided by running
# the Wine loader of the build's bitness (cmake/wine-probe.sh). Where they can,
# they run through cmake/wine-run.sh; where they cannot, the tests that need
# Wine are still listed, as disabled, and INSTALL_WINE_SKIP_REASON says why.
execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine-probe.sh ${INSTALL_WINE_LOADER} ${INSTALL_WINE_BITS}
                OUTPUT_VARIABLE INSTALL_WINE_SKIP_REASON OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE wine_probe_result)
if(wine_probe_result EQUAL 0)
  set(INSTALL_WINE_SKIP_REASON "")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${INSTALL_WINE_LOADER})
else()
  # Said once more, by name, in the test command's summary; a release build needs no Wine.
  message(STATUS "Windows tests of this build: skipped (${INSTALL_WINE_SKIP_REASON})")
endif()
# The test command asks the same loader again, for its summary.
file(WRITE ${CMAKE_BINARY_DIR}/wine-loader.txt "${INSTALL_WINE_LOADER} ${INSTALL_WINE_BITS}\n")
