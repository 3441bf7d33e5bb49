# Byte-stream handling shared by the real MIDI backends (standard library only).
target_sources(vantrel_platform PRIVATE SysExAssembler.cpp)

# Hardware MIDI ports through ALSA raw MIDI.
add_library(vantrel_midi_alsa STATIC
  AlsaRawMidiBackend.cpp
  AlsaRawMidiInput.cpp
  AlsaRawMidiOutput.cpp
  AlsaRawMidiPort.cpp
)
target_include_directories(vantrel_midi_alsa PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vantrel_midi_alsa PUBLIC vantrel_platform PkgConfig::ALSA Threads::Threads)
