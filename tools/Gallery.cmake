# gallery: renders every skinned control in its states onto one PNG sheet.
add_executable(gallery gallery.cpp)
target_link_libraries(gallery PRIVATE vantrel_controls vantrel_resources Qt6::Widgets)
