# Cylinder progress bar and skinned combo box.
vantrel_add_test(test_progress_geometry SOURCES controls/test_progress_geometry.cpp
  LIBS vantrel_controls LABELS controls)
vantrel_add_test(test_progress_ctrl SOURCES controls/test_progress_ctrl.cpp
  LIBS vantrel_controls Qt6::Test LABELS controls QT)
vantrel_add_test(test_combo_layout SOURCES controls/test_combo_layout.cpp
  LIBS vantrel_controls LABELS controls)
vantrel_add_test(test_combo_box SOURCES controls/test_combo_box.cpp
  LIBS vantrel_controls vantrel_resources Qt6::Test LABELS controls QT)
