# The window-independent steps of an update run.
target_sources(vantrel_engine PRIVATE
  FirmwareUpdate.cpp
)
