# The sample firmware image, made at build time and laid beside the program.
add_executable(make_sample_image ${CMAKE_CURRENT_LIST_DIR}/make_sample_image.cpp)
set_target_properties(make_sample_image PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(VANTREL_SAMPLE_IMAGE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/sample-firmware.bin)
add_custom_command(
  OUTPUT ${VANTREL_SAMPLE_IMAGE}
  COMMAND make_sample_image ${VANTREL_SAMPLE_IMAGE}
  DEPENDS make_sample_image
  COMMENT "Making the sample firmware image"
  VERBATIM)
add_custom_target(vantrel_sample_image ALL DEPENDS ${VANTREL_SAMPLE_IMAGE})
install(FILES ${VANTREL_SAMPLE_IMAGE} DESTINATION ${VANTREL_INSTALL_DIR})
