# Build helpers: warning, sanitizer and fuzzing settings for the core, and the platform services.

set(VERDALIN_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 with optimisation warns falsely about memcpy overlap in "text" + std::string (GCC bug 105329).
  list(APPEND VERDALIN_WARNINGS -Wno-restrict)
endif()
set(VERDALIN_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
include(${CMAKE_CURRENT_LIST_DIR}/JsonHeaders.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../net/xml.cmake)

# verdalin_core_library(NAME PLAIN|SANITIZE|FUZZ): the portable core as one static library;
# SANITIZE adds AddressSanitizer and UndefinedBehaviorSanitizer for the native tests, FUZZ adds
# them with libFuzzer's coverage instrumentation.
function(verdalin_core_library name kind)
  add_library(${name} STATIC ${VERDALIN_CORE_SOURCES})
  add_dependencies(${name} verdalin_layers)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_include_directories(${name} SYSTEM PRIVATE ${VERDALIN_JSON_INCLUDE})
  target_compile_options(${name} PRIVATE ${VERDALIN_WARNINGS})
  find_package(Threads REQUIRED)
  target_link_libraries(${name} PUBLIC Threads::Threads)
  if(kind STREQUAL "SANITIZE" OR kind STREQUAL "FUZZ")
    target_compile_options(${name} PUBLIC ${VERDALIN_SANITIZERS})
    target_link_options(${name} PUBLIC ${VERDALIN_SANITIZERS})
  endif()
  if(kind STREQUAL "FUZZ")
    target_compile_options(${name} PUBLIC -fsanitize=fuzzer-no-link)
  endif()
  # The XML reader the core declares, defined over expat in net/ with the core's own flags.
  verdalin_xml_library(${name}_xml ${kind})
  target_link_libraries(${name} PUBLIC ${name}_xml)
endfunction()

# The platform services: one file per concern, named alike in linux/ and win32/, each realising
# the same contract. A missing file is a configure error, not a silent gap.
set(VERDALIN_SERVICE_NAMES clock debug_output file_system home_link http_transport known_folders
    locale_numbers priority socket_layer startup_entry tcp_stream)

# verdalin_platform_sources(OUT NAME...): the platform folder's files for those names.
function(verdalin_platform_sources out)
  set(sources "")
  foreach(name ${ARGN})
    set(file ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp)
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${file} is missing: every platform realises ${name}")
    endif()
    list(APPEND sources ${file})
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

# verdalin_services_library(NAME CORE SANITIZE): the services of this platform's folder.
function(verdalin_services_library name core sanitize)
  verdalin_platform_sources(sources ${VERDALIN_SERVICE_NAMES})
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ${core})
  target_compile_options(${name} PRIVATE ${VERDALIN_WARNINGS})
  if(sanitize)
    target_compile_options(${name} PRIVATE ${VERDALIN_SANITIZERS})
  endif()
endfunction()

# verdalin_net_library(NAME CORE SANITIZE): net/, the portable adapters over third-party C
# libraries (the endpoint's HTTP server over libmicrohttpd, the MQTT client over libmosquitto, the
# SSH shell over libssh2). An object library: the core calls its factory, so its objects go whole
# into each program and test that links it.
function(verdalin_net_library name core sanitize)
  add_library(${name} OBJECT ${CMAKE_SOURCE_DIR}/net/connection_watch.cpp
    ${CMAKE_SOURCE_DIR}/net/http_server.cpp ${CMAKE_SOURCE_DIR}/net/mqtt_client.cpp
    ${CMAKE_SOURCE_DIR}/net/ssh_shell.cpp)
  target_link_libraries(${name} PUBLIC ${core} verdalin_microhttpd verdalin_mosquitto verdalin_ssh2)
  target_compile_options(${name} PRIVATE ${VERDALIN_WARNINGS})
  if(WIN32)
    target_compile_definitions(${name} PRIVATE WINVER=0x0601 _WIN32_WINNT=0x0601)
  endif()
  if(sanitize)
    target_compile_options(${name} PRIVATE ${VERDALIN_SANITIZERS})
  endif()
endfunction()
