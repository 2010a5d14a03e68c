# The XML reader over expat (net/xml_reader.cpp): Debian's libexpat natively, for Windows the
# static library that tools/build-mingw-deps.sh cross-builds into the MinGW dependency cache.
if(WIN32)
  add_library(verdalin_expat STATIC IMPORTED GLOBAL)
  # The cache folder is named by win32/, read once the whole tree is configured.
  function(verdalin_locate_expat)
    set_target_properties(verdalin_expat PROPERTIES
      IMPORTED_LOCATION ${VERDALIN_MINGW_DEPS}/lib/libexpat.a
      INTERFACE_INCLUDE_DIRECTORIES ${VERDALIN_MINGW_DEPS}/include
      INTERFACE_COMPILE_DEFINITIONS XML_STATIC)
  endfunction()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL verdalin_locate_expat)
  set(VERDALIN_EXPAT verdalin_expat)
else()
  find_package(EXPAT REQUIRED)
  set(VERDALIN_EXPAT EXPAT::EXPAT)
endif()

# verdalin_xml_library(NAME PLAIN|SANITIZE|FUZZ): the reader, built as its core library is.
function(verdalin_xml_library name kind)
  add_library(${name} STATIC ${CMAKE_SOURCE_DIR}/net/xml_reader.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${VERDALIN_EXPAT})
  target_compile_options(${name} PRIVATE ${VERDALIN_WARNINGS})
  if(kind STREQUAL "SANITIZE" OR kind STREQUAL "FUZZ")
    target_compile_options(${name} PRIVATE ${VERDALIN_SANITIZERS})
  endif()
  if(kind STREQUAL "FUZZ")
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
