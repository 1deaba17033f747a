# The libraries a cross-build needs, where Debian has no build of them for the
# target: pugixml from its Debian source (the same release the native build
# links), nlohmann_json's headers from the host (header-only; only its folder,
# never the host's whole include tree), GoogleTest from Debian's sources.
include(FetchContent)

FetchContent_Declare(keywright_pugixml
  URL http://deb.debian.org/debian/pool/main/p/pugixml/pugixml_1.13.orig.tar.gz
  URL_HASH SHA256=5c5ad5d7caeb791420408042a7d88c2c6180781bf218feca259fd9d840a888e1
  DOWNLOAD_EXTRACT_TIMESTAMP ON)
FetchContent_GetProperties(keywright_pugixml)
if(NOT keywright_pugixml_POPULATED)
  FetchContent_Populate(keywright_pugixml)
endif()
add_library(keywright_cross_pugixml STATIC ${keywright_pugixml_SOURCE_DIR}/src/pugixml.cpp)
target_include_directories(keywright_cross_pugixml SYSTEM PUBLIC ${keywright_pugixml_SOURCE_DIR}/src)
add_library(pugixml::pugixml ALIAS keywright_cross_pugixml)

set(KEYWRIGHT_HOST_JSON /usr/include/nlohmann/json.hpp)
if(NOT EXISTS ${KEYWRIGHT_HOST_JSON})
  message(FATAL_ERROR "cross-build: ${KEYWRIGHT_HOST_JSON} is missing (Debian: nlohmann-json3-dev)")
endif()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host-include)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/host-include/nlohmann SYMBOLIC)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE
                           ${CMAKE_BINARY_DIR}/host-include)

if(KEYWRIGHT_BUILD_TESTS)
  set(KEYWRIGHT_GTEST_SOURCE /usr/src/googletest)
  if(NOT EXISTS ${KEYWRIGHT_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "cross-build: ${KEYWRIGHT_GTEST_SOURCE} is missing (Debian: googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KEYWRIGHT_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Discovery runs each test program under wine when CTest starts, not at
  # build time, so a build needs no wine.
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()
