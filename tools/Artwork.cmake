# make_artwork: draws the bitmaps, icon and cursor and writes them into
# resources/ (the generated files are kept in the repository).
add_library(vantrel_artwork STATIC
  artwork/BitmapFiles.cpp
  artwork/ButtonArt.cpp
  artwork/GlyphArt.cpp
  artwork/IconArt.cpp
  artwork/PictureSet.cpp
  artwork/PreviewSheet.cpp
  artwork/SkinArt.cpp
)
target_include_directories(vantrel_artwork PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/artwork)
target_link_libraries(vantrel_artwork PUBLIC vantrel_platform_qt Qt6::Gui)

add_executable(make_artwork make_artwork.cpp)
target_link_libraries(make_artwork PRIVATE vantrel_artwork)
target_compile_definitions(make_artwork PRIVATE VANTREL_RESOURCES_DIR="${PROJECT_SOURCE_DIR}/resources")
