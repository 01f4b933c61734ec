# Version record: the project version above feeds one generated header.
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${CMAKE_CURRENT_BINARY_DIR}/generated/Version.h @ONLY)
add_library(petalwright_version INTERFACE)
target_include_directories(petalwright_version INTERFACE ${CMAKE_CURRENT_BINARY_DIR}/generated)

# The core's number conversions: Debian's header-only fmt and fast_float (libfmt-dev,
# libfast-float-dev). PETALWRIGHT_NUMBERS_INCLUDE names a folder holding only those two, for a
# compiler whose own headers must not meet the rest of /usr/include (the browser build).
set(PETALWRIGHT_NUMBERS_INCLUDE "" CACHE PATH "Folder holding fmt/ and fast_float/, when not on the default path")
add_library(petalwright_fmt INTERFACE)
target_compile_definitions(petalwright_fmt INTERFACE FMT_HEADER_ONLY)
add_library(petalwright_fast_float INTERFACE)
if(PETALWRIGHT_NUMBERS_INCLUDE)
    target_include_directories(petalwright_fmt SYSTEM INTERFACE ${PETALWRIGHT_NUMBERS_INCLUDE})
    target_include_directories(petalwright_fast_float SYSTEM INTERFACE ${PETALWRIGHT_NUMBERS_INCLUDE})
endif()
