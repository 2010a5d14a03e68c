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

# GNU libmicrohttpd, the endpoint's HTTP server (net/): Debian's libmicrohttpd-dev, linked
# dynamically, or the cross-built static library.
find_path(VERDALIN_MHD_INCLUDE microhttpd.h REQUIRED)
find_library(VERDALIN_MHD_LIBRARY microhttpd REQUIRED)
add_library(verdalin_microhttpd INTERFACE)
target_include_directories(verdalin_microhttpd SYSTEM INTERFACE ${VERDALIN_MHD_INCLUDE})
target_link_libraries(verdalin_microhttpd INTERFACE ${VERDALIN_MHD_LIBRARY})
if(WIN32)
  target_compile_definitions(verdalin_microhttpd INTERFACE MHD_W32LIB)
  target_link_libraries(verdalin_microhttpd INTERFACE ws2_32)
endif()

# libmosquitto, the MQTT client (net/): Debian's libmosquitto-dev, linked dynamically, or the
# cross-built static library (without TLS).
find_path(VERDALIN_MOSQUITTO_INCLUDE mosquitto.h REQUIRED)
find_library(VERDALIN_MOSQUITTO_LIBRARY NAMES mosquitto mosquitto_static REQUIRED)
add_library(verdalin_mosquitto INTERFACE)
target_include_directories(verdalin_mosquitto SYSTEM INTERFACE ${VERDALIN_MOSQUITTO_INCLUDE})
target_link_libraries(verdalin_mosquitto INTERFACE ${VERDALIN_MOSQUITTO_LIBRARY})
if(WIN32)
  target_compile_definitions(verdalin_mosquitto INTERFACE LIBMOSQUITTO_STATIC)
  target_link_libraries(verdalin_mosquitto INTERFACE ws2_32)
endif()

# libssh2, the command-line kinds' SSH client (net/): Debian's libssh2-1-dev, linked dynamically,
# or the static library cross-built with the WinCNG back end.
find_path(VERDALIN_SSH2_INCLUDE libssh2.h REQUIRED)
find_library(VERDALIN_SSH2_LIBRARY NAMES ssh2 libssh2 REQUIRED)
add_library(verdalin_ssh2 INTERFACE)
target_include_directories(verdalin_ssh2 SYSTEM INTERFACE ${VERDALIN_SSH2_INCLUDE})
target_link_libraries(verdalin_ssh2 INTERFACE ${VERDALIN_SSH2_LIBRARY})
if(WIN32)
  target_link_libraries(verdalin_ssh2 INTERFACE bcrypt crypt32 ws2_32)
endif()
