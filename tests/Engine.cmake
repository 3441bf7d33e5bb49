# Port pair, SysEx protocol, reply hand-over, file and number helpers.
add_library(vantrel_scripted_midi STATIC
  engine/ScriptedMidiBackend.cpp
  engine/ScriptedMidiInput.cpp
  engine/ScriptedMidiOutput.cpp
)
target_include_directories(vantrel_scripted_midi PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/engine)
target_link_libraries(vantrel_scripted_midi PUBLIC vantrel_platform GTest::gtest)

vantrel_add_test(test_midi_port SOURCES engine/CMidiPortTest.cpp LIBS vantrel_engine vantrel_scripted_midi LABELS engine)
vantrel_add_test(test_sysex_protocol SOURCES engine/SysExProtocolTest.cpp LIBS vantrel_engine LABELS engine)
vantrel_add_test(test_parse_value SOURCES engine/ParseValueTest.cpp LIBS vantrel_engine LABELS engine)
vantrel_add_test(test_file_helpers SOURCES engine/FileHelpersTest.cpp LIBS vantrel_engine LABELS engine)
# Runs under ThreadSanitizer in CI: no Qt here.
vantrel_add_test(test_reply_handover SOURCES engine/ReplyHandoverTest.cpp LIBS vantrel_engine LABELS engine)
vantrel_add_test(test_update_trace SOURCES engine/UpdateTraceTest.cpp LIBS vantrel_engine vantrel_scripted_midi LABELS engine)
vantrel_add_test(test_update_trace_simulated SOURCES engine/SimulatedTraceTest.cpp
  LIBS vantrel_engine vantrel_simulated vantrel_scripted_midi LABELS engine)
