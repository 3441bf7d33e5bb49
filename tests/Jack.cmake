vantrel_add_test(test_jack_midi
  SOURCES realmidi/JackMidiTest.cpp realmidi/PrivateJackServer.cpp
  LIBS vantrel_midi_jack
  LABELS jack)

vantrel_add_test(test_jack_event_ring SOURCES realmidi/JackEventRingTest.cpp LIBS vantrel_midi_jack LABELS jack)

# The updater and the standalone instrument as separate processes on a
# private JACK server (skipped where jackd cannot start).
add_test(NAME test_jack_e2e
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/jack_e2e.sh
    $<TARGET_FILE:vantrel-update> $<TARGET_FILE:vantrel-sim-instrument>
    ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/sample-firmware.bin)
set_tests_properties(test_jack_e2e PROPERTIES LABELS jack SKIP_RETURN_CODE 77 TIMEOUT 240)

vantrel_add_test(test_sim_instrument
  SOURCES realmidi/SimInstrumentTest.cpp realmidi/PrivateJackServer.cpp
  LIBS vantrel_sim_instrument
  LABELS jack)

vantrel_add_test(test_midi_backends SOURCES realmidi/MidiBackendsTest.cpp LIBS vantrel_midi_system)

# Private JACK servers started side by side disturb each other through
# libjack's shared registry in /dev/shm, and so do programs probing for a
# server meanwhile: run everything that starts or probes JACK one at a time.
set_tests_properties(test_jack_midi test_jack_e2e test_sim_instrument test_midi_backends
  test_headless_run test_shell_instance
  PROPERTIES RESOURCE_LOCK jackd)
