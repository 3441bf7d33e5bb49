# Port pair, SysEx protocol, shared reply area and file helpers.
target_sources(vantrel_engine PRIVATE
  CMidiPort.cpp
  FileHelpers.cpp
  MidiReply.cpp
  SysExProtocol.cpp
)
