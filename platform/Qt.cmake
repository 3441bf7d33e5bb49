# Message boxes and the event pump of the Qt user interface.
target_sources(vantrel_platform_qt PRIVATE
  QtEventPump.cpp
  QtMessageBox.cpp
)
