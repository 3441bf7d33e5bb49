# What the web build (Emscripten) takes from this Debian machine: the
# header-only CLI11 and nlohmann-json, and GoogleTest built from Debian's
# source for the engine's tests, which run in Node.
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaderOnly.cmake)

# Where the page's static files go: the engine's module and the page itself.
set(VANTREL_WEB_SITE_DIR ${CMAKE_BINARY_DIR}/site CACHE PATH "Folder of the page's static files")

# C++ exceptions carry the engine's error texts; without this Emscripten ends
# the program at the first throw.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

if(BUILD_TESTING)
  # The tests run in Node (the machine's: ctest runs each through it), which
  # from version 18 on has a fetch that Emscripten's loader would take for
  # the browser's and fail with.
  find_program(VANTREL_NODE node REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${VANTREL_NODE};--no-experimental-fetch" CACHE STRING "" FORCE)
  # No threads in the web build: GoogleTest without its pthread parts.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  vantrel_googletest_from_source()
endif()

# JS functions the C++ code calls (Emscripten's --js-library files), linked
# into every wasm program of the project.
function(vantrel_web_js_library file)
  set_property(GLOBAL APPEND PROPERTY VANTREL_WEB_JS_LIBRARIES ${file})
endfunction()

# What every wasm program of the project links with: the JS functions, the
# waits that give the browser's event loop the thread (Asyncify, with the JS
# functions that sleep), memory that grows with the image, and the runtime
# calls the worker and the tests use (`extra` adds exported functions, each
# quoted and after a comma).
function(vantrel_web_module target)
  get_property(libraries GLOBAL PROPERTY VANTREL_WEB_JS_LIBRARIES)
  foreach(library IN LISTS libraries)
    target_link_options(${target} PRIVATE "SHELL:--js-library ${library}")
  endforeach()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${libraries})
  # CLI11 and nlohmann-json call nothing that waits, so Asyncify leaves them
  # as they are (a sixth of the module's size). The standard library calls
  # our code (std::function) and stays instrumented.
  target_link_options(${target} PRIVATE
    -sASYNCIFY "-sASYNCIFY_IMPORTS=['vantrel_sleep','vantrel_wait_word','vantrel_webmidi_open']" -sASYNCIFY_STACK_SIZE=65536
    "-sASYNCIFY_REMOVE=['CLI::*','nlohmann::*']"
    -sALLOW_MEMORY_GROWTH -sEXIT_RUNTIME=0
    "-sEXPORTED_RUNTIME_METHODS=['ccall','FS','UTF8ToString']" "-sEXPORTED_FUNCTIONS=['_malloc','_free'${ARGN}]")
endfunction()

# A test of the engine in WebAssembly: run by Node, with the machine's files
# (its scratch folders, its report).
function(vantrel_web_test target)
  vantrel_web_module(${target} ",'_main'")
  target_link_options(${target} PRIVATE -sENVIRONMENT=node -sNODERAWFS)
endfunction()
