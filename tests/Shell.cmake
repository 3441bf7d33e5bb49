# The application shell: templates, selection rules, single-instance guard,
# the main window and the update run driven through it.
set(shell_test_dir ${CMAKE_CURRENT_SOURCE_DIR}/shell)

# Each window test runs from a folder of its own, so the product files it lays
# beside itself don't meet another test's.
function(vantrel_shell_test name)
  vantrel_add_test(${name} SOURCES ${shell_test_dir}/${name}.cpp LIBS vantrel_shell vantrel_resources Qt6::Test ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/shell/${name})
  target_include_directories(${name} PRIVATE ${shell_test_dir})
endfunction()

vantrel_shell_test(test_shell_update QT)
vantrel_shell_test(test_shell_window QT)
vantrel_shell_test(test_shell_selection QT)
vantrel_shell_test(test_shell_rules)
target_compile_definitions(test_shell_rules PRIVATE VANTREL_HELP_PAGE="${PROJECT_SOURCE_DIR}/help/HelpEng.htm")
vantrel_shell_test(test_shell_instance QT)
# Starts the real program as processes.
target_compile_definitions(test_shell_instance PRIVATE VANTREL_EXE="$<TARGET_FILE:vantrel>")
add_dependencies(test_shell_instance vantrel)
