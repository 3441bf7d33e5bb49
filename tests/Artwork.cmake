# The picture and string resources, and the writers that produce them.
vantrel_add_test(test_resources
  SOURCES resources/ResourcesTest.cpp
  LIBS vantrel_platform_qt vantrel_resources Qt6::Gui
  LABELS artwork
  QT)
vantrel_add_test(test_bitmap_files
  SOURCES resources/BitmapFilesTest.cpp
  LIBS vantrel_artwork vantrel_resources
  LABELS artwork
  QT)
