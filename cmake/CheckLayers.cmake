# Fails when a source of the portable core includes a layer above its own, a folder outside the
# core, or a header that is not the C++ standard library's (except the few listed per file).
# Usage: cmake -DROOT=<source dir> [-DSTAMP=<file written on success>] -P CheckLayers.cmake
set(layers base monitor report export ui app)

# Third-party headers a core file may include, as "folder/file.cpp=header". Other third-party
# libraries live in net/, linux/ and win32/, behind interfaces the core declares.
set(allowed_third_party "")
# nlohmann-json is header-only and portable: the ubus answers are read with it.
list(APPEND allowed_third_party "monitor/ubus.cpp=nlohmann/json.hpp")
# And the MQTT messages are written with it.
list(APPEND allowed_third_party "export/mqtt_messages.cpp=nlohmann/json.hpp")

set(standard algorithm any array atomic bit bitset cassert cctype cerrno cfloat charconv chrono
    cinttypes climits cmath compare concepts condition_variable cstddef cstdint cstdio cstdlib
    cstring ctime cwchar deque exception filesystem fstream functional future initializer_list
    iomanip ios iosfwd iostream istream iterator limits list map memory mutex new numeric
    optional ostream queue random ratio regex set shared_mutex span sstream stdexcept
    stop_token streambuf string string_view system_error thread tuple type_traits typeinfo
    unordered_map unordered_set utility variant vector version)

set(bad "")
set(count 0)
foreach(layer ${layers})
  list(FIND layers ${layer} rank)
  file(GLOB sources ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp ${ROOT}/${layer}/*.inc)
  foreach(source ${sources})
    math(EXPR count "${count} + 1")
    file(RELATIVE_PATH name ${ROOT} ${source})
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
      if(line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/[^\"]+\"")
        list(FIND layers ${CMAKE_MATCH_1} included)
        if(included EQUAL -1 OR included GREATER rank)
          list(APPEND bad "${name}: ${line} (${layer} may include only ${layer} and below)")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        set(header ${CMAKE_MATCH_1})
        list(FIND standard ${header} known)
        list(FIND allowed_third_party "${name}=${header}" listed)
        if(known EQUAL -1 AND listed EQUAL -1)
          list(APPEND bad "${name}: ${line} (not a standard header)")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(bad)
  list(JOIN bad "\n" text)
  message(FATAL_ERROR "The core's layers are crossed:\n${text}")
endif()
if(STAMP)
  file(WRITE ${STAMP} "${count}\n")
endif()
message(STATUS "Core layers hold (${count} files checked)")
