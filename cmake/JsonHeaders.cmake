# nlohmann-json's headers (Debian's nlohmann-json3-dev) copied into a folder that holds only them,
# so that the MinGW build can reach them without the host's /usr/include.
find_path(VERDALIN_JSON_SYSTEM_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT VERDALIN_JSON_SYSTEM_INCLUDE)
  message(FATAL_ERROR "nlohmann/json.hpp is missing: install nlohmann-json3-dev")
endif()
set(VERDALIN_JSON_INCLUDE ${CMAKE_BINARY_DIR}/third-party/json)
file(COPY ${VERDALIN_JSON_SYSTEM_INCLUDE}/nlohmann DESTINATION ${VERDALIN_JSON_INCLUDE})
