# The cylinder progress bar and the skinned combo box, with their pure maths.
target_sources(vantrel_controls PRIVATE
  CCylinderProgressCtrlST.cpp
  CMyCombox.cpp
  ComboLayout.cpp
  CylinderGeometry.cpp
  # The Caps Lock query is a platform piece, but only the combo box uses it.
  ${PROJECT_SOURCE_DIR}/platform/KeyboardState.cpp
)
