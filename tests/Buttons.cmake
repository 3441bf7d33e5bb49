# Flat bitmap button, skinned button, group box, slide and transparent edit.
vantrel_add_test(test_button_layout SOURCES controls/test_button_layout.cpp LIBS vantrel_controls LABELS controls)
vantrel_add_test(test_button SOURCES controls/test_button.cpp LIBS vantrel_controls Qt6::Test LABELS controls QT)
vantrel_add_test(test_groupbox SOURCES controls/test_groupbox.cpp LIBS vantrel_controls Qt6::Test LABELS controls QT)
vantrel_add_test(test_slide_step SOURCES controls/test_slide_step.cpp LIBS vantrel_controls LABELS controls)
vantrel_add_test(test_slide_edit SOURCES controls/test_slide_edit.cpp LIBS vantrel_controls Qt6::Test LABELS controls QT)
