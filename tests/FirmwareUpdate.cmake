# The update run's window-independent steps against the simulated instrument.
add_library(vantrel_update_test_support STATIC update/UpdateTestSupport.cpp)
target_include_directories(vantrel_update_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/update)
target_link_libraries(vantrel_update_test_support PUBLIC vantrel_engine vantrel_simulated)

vantrel_add_test(test_firmware_update_write
  SOURCES update/FirmwareUpdateWriteTest.cpp
  LIBS vantrel_update_test_support)

vantrel_add_test(test_firmware_update_verify
  SOURCES update/FirmwareUpdateVerifyTest.cpp
  LIBS vantrel_update_test_support)

vantrel_add_test(test_flash_block_list
  SOURCES update/FlashBlockListTest.cpp
  LIBS vantrel_update_test_support)

# The headless updater: its parts, then the built program run as a script runs it.
vantrel_add_test(test_headless_parts
  SOURCES update/HeadlessPartsTest.cpp
  LIBS vantrel_headless vantrel_update_test_support)

vantrel_add_test(test_headless_run
  SOURCES update/HeadlessRunTest.cpp
  LIBS vantrel_update_test_support)
target_compile_definitions(test_headless_run PRIVATE VANTREL_UPDATE_EXE="$<TARGET_FILE:vantrel-update>")
add_dependencies(test_headless_run vantrel-update)
