# Standard-library stand-ins for the framework's file classes.
target_sources(vantrel_platform PRIVATE
  CFile.cpp
  CFileException.cpp
  CStdioFile.cpp
)
