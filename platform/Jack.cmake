# The MIDI ports of JACK clients.
add_library(vantrel_midi_jack STATIC
  JackClient.cpp
  JackEventRing.cpp
  JackMidiBackend.cpp
  JackMidiInput.cpp
  JackMidiOutput.cpp
)
target_include_directories(vantrel_midi_jack PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vantrel_midi_jack PUBLIC vantrel_platform PkgConfig::JACK Threads::Threads)

# The machine's real MIDI devices: ALSA hardware first, then JACK.
add_library(vantrel_midi_system STATIC
  MidiBackends.cpp
)
target_include_directories(vantrel_midi_system PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vantrel_midi_system PUBLIC vantrel_midi_alsa vantrel_midi_jack vantrel_platform)
