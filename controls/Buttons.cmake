# Flat bitmap button, skinned button, group box, slide and transparent edit,
# with their pure geometry and number maths.
target_sources(vantrel_controls PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ButtonLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GroupboxLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PathPainter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SlideStep.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CButtonST.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMyButton.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CMyGroupbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CSlideEdit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CTranEdit.cpp
)
