# Build helpers: warning and sanitizer settings for the core, and the platform services libraries.

set(VERDALIN_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 with optimisation warns falsely about memcpy overlap in "text" + std::string (GCC bug 105329).
  list(APPEND VERDALIN_WARNINGS -Wno-restrict)
endif()
set(VERDALIN_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# verdalin_core_library(NAME SANITIZE): the portable core as one static library.
function(verdalin_core_library name sanitize)
  add_library(${name} STATIC ${VERDALIN_CORE_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${VERDALIN_WARNINGS})
  if(sanitize)
    target_compile_options(${name} PUBLIC ${VERDALIN_SANITIZERS})
    target_link_options(${name} PUBLIC ${VERDALIN_SANITIZERS})
  endif()
endfunction()

# The platform services: one file per concern, named alike in linux/ and win32/.
set(VERDALIN_SERVICE_NAMES clock debug_output file_system locale_numbers page_fetch
    known_folders startup_entry home_link priority)

# verdalin_services_library(NAME CORE SANITIZE): the services of this platform's folder.
function(verdalin_services_library name core sanitize)
  set(sources "")
  foreach(service ${VERDALIN_SERVICE_NAMES})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${service}.cpp)
      list(APPEND sources ${CMAKE_CURRENT_SOURCE_DIR}/${service}.cpp)
    endif()
  endforeach()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ${core})
  target_compile_options(${name} PRIVATE ${VERDALIN_WARNINGS})
  if(sanitize)
    target_compile_options(${name} PRIVATE ${VERDALIN_SANITIZERS})
  endif()
endfunction()
