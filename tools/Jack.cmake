# Flash images as files (low byte first), shared by the simulated instrument
# and the headless updater's simulated device.
add_library(vantrel_flash_image STATIC
  sim_instrument/FlashImageFile.cpp
)
target_include_directories(vantrel_flash_image PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/sim_instrument)
target_link_libraries(vantrel_flash_image PUBLIC vantrel_simulated)

# vantrel-sim-instrument: the simulated instrument as a JACK client. Its
# parts live in a library so the tests reach them without main.
add_library(vantrel_sim_instrument STATIC
  sim_instrument/JackInstrumentClient.cpp
  sim_instrument/SimInstrumentOptions.cpp
)
target_include_directories(vantrel_sim_instrument PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/sim_instrument)
target_link_libraries(vantrel_sim_instrument PUBLIC vantrel_flash_image vantrel_simulated vantrel_midi_jack)

add_executable(vantrel-sim-instrument sim_instrument/main.cpp)
target_link_libraries(vantrel-sim-instrument PRIVATE vantrel_sim_instrument)
