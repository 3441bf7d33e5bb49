# Our platform layer: file classes, the MIDI input buffer base and device numbering.
vantrel_add_test(test_cfile SOURCES platform/CFileTest.cpp LIBS vantrel_platform LABELS platform)
vantrel_add_test(test_midi_input SOURCES platform/MidiInputTest.cpp LIBS vantrel_platform LABELS platform)
vantrel_add_test(test_midi_system SOURCES platform/MidiSystemTest.cpp LIBS vantrel_platform LABELS platform)
