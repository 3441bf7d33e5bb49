# What the Windows cross build takes from this Debian machine besides Qt for
# Windows (VANTREL_QT_PREFIX, made by scripts/windows/qt.sh):
# - GoogleTest, built for Windows from Debian's own source (only when the
#   tests are built, BUILD_TESTING);
# - the header-only CLI11 and nlohmann-json (HostHeaderOnly.cmake).

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

include(${CMAKE_CURRENT_LIST_DIR}/HostHeaderOnly.cmake)

if(NOT BUILD_TESTING)
  return()
endif()
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
vantrel_googletest_from_source()
