# What a Windows program of this project needs beside it: the resources of
# its .exe (icon, version, manifest), and the DLLs of Qt and of the MinGW
# runtime with the Qt plugins it loads, laid out as Windows looks them up (the
# DLLs beside the .exe, plugins in folders named after their kind).

# Gives `target` the program icon, version and manifest.
function(vantrel_windows_resources target description)
  set(VANTREL_TARGET ${target})
  set(VANTREL_FILE_DESCRIPTION "${description}")
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows/vantrel.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()

set(qt_bin ${VANTREL_QT_PREFIX}/bin)
set(qt_plugins ${VANTREL_QT_PREFIX}/plugins)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
  OUTPUT_VARIABLE libstdcxx_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
  OUTPUT_VARIABLE libgcc_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(winpthread_dll libwinpthread-1.dll PATHS /usr/${VANTREL_MINGW_TRIPLET}/lib NO_DEFAULT_PATH REQUIRED)

set(VANTREL_WINDOWS_RUNTIME_DLLS
  ${libstdcxx_dll} ${libgcc_dll} ${winpthread_dll}
  ${qt_bin}/Qt6Core.dll ${qt_bin}/Qt6Gui.dll ${qt_bin}/Qt6Widgets.dll)
# The windows platform, the native style for message boxes and the file
# dialog, and the icon reader for the program's icon and cursor.
set(VANTREL_WINDOWS_PLUGINS
  platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qico.dll)
# The tests also draw offscreen and use Qt Test.
set(test_dlls ${qt_bin}/Qt6Test.dll)
set(test_plugins platforms/qoffscreen.dll platforms/qminimal.dll)

# Into the build tree's program folder, so the programs and tests run from there.
file(COPY ${VANTREL_WINDOWS_RUNTIME_DLLS} ${test_dlls} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
foreach(plugin IN LISTS VANTREL_WINDOWS_PLUGINS test_plugins)
  get_filename_component(kind ${plugin} DIRECTORY)
  file(COPY ${qt_plugins}/${plugin} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${kind})
endforeach()

# And into the installed program's folder.
install(FILES ${VANTREL_WINDOWS_RUNTIME_DLLS} DESTINATION ${VANTREL_INSTALL_DIR})
foreach(plugin IN LISTS VANTREL_WINDOWS_PLUGINS)
  get_filename_component(kind ${plugin} DIRECTORY)
  install(FILES ${qt_plugins}/${plugin} DESTINATION ${VANTREL_INSTALL_DIR}/${kind})
endforeach()
