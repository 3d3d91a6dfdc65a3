# CLI11 and nlohmann-json are header-only. A cross build takes Debian's
# headers through copies of their folders: putting /usr/include itself on
# the target's include path would let glibc's headers shadow the target's.
set(_host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(COPY /usr/include/CLI /usr/include/nlohmann DESTINATION ${_host_headers})
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${_host_headers})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${_host_headers})
