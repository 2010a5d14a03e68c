# Third-party libraries, found where they live: Debian's packages for the Linux build; for the
# Windows build, those cross-built once from pinned Debian source packages into a cache folder
# outside the build folder (tools/build-mingw-deps.sh), which `make clean` leaves alone.

if(NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(cache_default "$ENV{XDG_CACHE_HOME}/verdalin")
else()
  set(cache_default "$ENV{HOME}/.cache/verdalin")
endif()
set(VERDALIN_DEPS_CACHE "${cache_default}" CACHE PATH
  "Downloaded source packages and the libraries cross-built from them")

if(WIN32)
  execute_process(COMMAND ${CMAKE_SOURCE_DIR}/tools/build-mingw-deps.sh ${VERDALIN_DEPS_CACHE}
    RESULT_VARIABLE deps_result)
  if(NOT deps_result EQUAL 0)
    message(FATAL_ERROR "Cross-building the libraries for MinGW failed (${deps_result})")
  endif()
  set(VERDALIN_MINGW_DEPS "${VERDALIN_DEPS_CACHE}/mingw")
  list(PREPEND CMAKE_FIND_ROOT_PATH ${VERDALIN_MINGW_DEPS})

  add_library(verdalin_zlib STATIC IMPORTED)
  set_target_properties(verdalin_zlib PROPERTIES
    IMPORTED_LOCATION ${VERDALIN_MINGW_DEPS}/lib/libz.a)
  add_library(verdalin_png STATIC IMPORTED)
  set_target_properties(verdalin_png PROPERTIES
    IMPORTED_LOCATION ${VERDALIN_MINGW_DEPS}/lib/libpng.a
    INTERFACE_INCLUDE_DIRECTORIES ${VERDALIN_MINGW_DEPS}/include
    INTERFACE_LINK_LIBRARIES verdalin_zlib)
endif()

# GoogleTest and GoogleMock: Debian's libgtest-dev and libgmock-dev, or the cross-built ones.
find_package(GTest 1.12 REQUIRED)

# verdalin_found_library(TARGET HEADER NAME...): an interface target over a C library found where
# the toolchain looks (Debian's development package, or the MinGW dependency cache).
function(verdalin_found_library target header)
  find_path(${target}_include ${header} REQUIRED)
  find_library(${target}_library NAMES ${ARGN} REQUIRED)
  add_library(${target} INTERFACE)
  target_include_directories(${target} SYSTEM INTERFACE ${${target}_include})
  target_link_libraries(${target} INTERFACE ${${target}_library})
endfunction()

# GNU libmicrohttpd, the endpoint's HTTP server (net/): Debian's libmicrohttpd-dev, linked
# dynamically, or the cross-built static library.
verdalin_found_library(verdalin_microhttpd microhttpd.h microhttpd)
if(WIN32)
  target_compile_definitions(verdalin_microhttpd INTERFACE MHD_W32LIB)
  target_link_libraries(verdalin_microhttpd INTERFACE ws2_32)
endif()

# libmosquitto, the MQTT client (net/): Debian's libmosquitto-dev, linked dynamically, or the
# cross-built static library (without TLS).
verdalin_found_library(verdalin_mosquitto mosquitto.h mosquitto mosquitto_static)
if(WIN32)
  target_compile_definitions(verdalin_mosquitto INTERFACE LIBMOSQUITTO_STATIC)
  target_link_libraries(verdalin_mosquitto INTERFACE ws2_32)
endif()

# libssh2, the command-line kinds' SSH client (net/): Debian's libssh2-1-dev, linked dynamically,
# or the static library cross-built with the WinCNG back end.
verdalin_found_library(verdalin_ssh2 libssh2.h ssh2 libssh2)
if(WIN32)
  target_link_libraries(verdalin_ssh2 INTERFACE bcrypt crypt32 ws2_32)
endif()
