# What the Windows cross build takes from this Debian machine besides Qt for
# Windows (VANTREL_QT_PREFIX, made by scripts/windows/qt.sh):
# - GoogleTest, built for Windows from Debian's own source in /usr/src/googletest
#   (only when the tests are built, BUILD_TESTING);
# - the header-only CLI11 and nlohmann-json from /usr/include. Only their own
#   folders are offered to the compiler: /usr/include as a whole would put
#   the host's C library in front of MinGW's.

set(VANTREL_QT_PREFIX "" CACHE PATH "Qt for Windows, as scripts/windows/qt.sh made it")
if(NOT VANTREL_QT_PREFIX)
  message(FATAL_ERROR "The Windows build needs Qt for Windows: -DVANTREL_QT_PREFIX=<prefix> (scripts/windows/qt.sh)")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${VANTREL_QT_PREFIX})
list(APPEND CMAKE_PREFIX_PATH ${VANTREL_QT_PREFIX})
# Qt's tools (moc, rcc) run on this machine: Debian's own, of the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
execute_process(COMMAND dpkg-architecture -qDEB_HOST_MULTIARCH OUTPUT_VARIABLE host_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${host_multiarch}/cmake CACHE PATH "")

set(header_only ${CMAKE_BINARY_DIR}/header-only)
foreach(folder CLI nlohmann)
  file(MAKE_DIRECTORY ${header_only})
  file(CREATE_LINK /usr/include/${folder} ${header_only}/${folder} SYMBOLIC)
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${header_only})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${header_only})

if(NOT BUILD_TESTING)
  return()
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
# Its own CMake project names the targets as find_package(GTest) would (GTest::gtest, ...).
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
