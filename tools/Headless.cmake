# vantrel-update: the headless updater. Its parts live in a library of their
# own so the tests reach them without the program's main.
add_library(vantrel_headless STATIC
  headless/DeviceChoice.cpp
  headless/HeadlessOptions.cpp
  headless/HeadlessUpdater.cpp
  headless/ProductFiles.cpp
  headless/ProgressText.cpp
  headless/TerminalProgress.cpp
)
target_include_directories(vantrel_headless PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/headless)
target_link_libraries(vantrel_headless PUBLIC vantrel_engine vantrel_simulated vantrel_midi_system vantrel_flash_image)

add_executable(vantrel-update headless/main.cpp)
target_link_libraries(vantrel-update PRIVATE vantrel_headless)
install(TARGETS vantrel-update RUNTIME DESTINATION ${VANTREL_INSTALL_DIR})
