# The header-only CLI11 and nlohmann-json of this Debian machine, for builds
# whose compiler must not see /usr/include as a whole (it would put the host's
# C library in front of the target's): only their own folders are offered.
set(header_only ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${header_only})
foreach(folder CLI nlohmann)
  file(CREATE_LINK /usr/include/${folder} ${header_only}/${folder} SYMBOLIC)
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${header_only})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${header_only})

# GoogleTest built for the target from Debian's own source in /usr/src/googletest;
# its own CMake project names the targets as find_package(GTest) would
# (GTest::gtest, ...).
macro(vantrel_googletest_from_source)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endmacro()
