# The simulated instrument: the model as plain logic, and the MIDI backend end to end.
vantrel_add_test(test_simulated_instrument
  SOURCES simulated/SimulatedInstrumentTest.cpp
  LIBS vantrel_simulated)
vantrel_add_test(test_simulated_backend
  SOURCES simulated/SimulatedMidiBackendTest.cpp
  LIBS vantrel_simulated)
