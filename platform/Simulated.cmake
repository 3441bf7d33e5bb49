# The simulated instrument: the updater model and the MIDI backend that lists
# it as a device pair. Standard library only.
add_library(vantrel_simulated STATIC
  SimulatedInstrument.cpp
  SimulatedLink.cpp
  SimulatedMidiBackend.cpp
  SimulatedMidiInput.cpp
  SimulatedMidiOutput.cpp
)
target_include_directories(vantrel_simulated PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vantrel_simulated PUBLIC vantrel_platform)
