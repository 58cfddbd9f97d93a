# Checks at every build that the engine's includes point down only: protocol
# below image and hid, those below sequencer, and the window controller above
# them all; none of them reaches a platform (hid's and image's subfolders),
# a front end, or a platform's or a toolkit's header.
file(GLOB_RECURSE ZENTREL_LAYER_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/protocol/*.h ${CMAKE_SOURCE_DIR}/protocol/*.cpp
     ${CMAKE_SOURCE_DIR}/image/*.h ${CMAKE_SOURCE_DIR}/image/*.cpp
     ${CMAKE_SOURCE_DIR}/hid/*.h ${CMAKE_SOURCE_DIR}/hid/*.cpp
     ${CMAKE_SOURCE_DIR}/sequencer/*.h ${CMAKE_SOURCE_DIR}/sequencer/*.cpp
     ${CMAKE_SOURCE_DIR}/ui/*.h ${CMAKE_SOURCE_DIR}/ui/*.cpp)
set(ZENTREL_LAYER_STAMP ${CMAKE_BINARY_DIR}/zentrel_layers.stamp)
add_custom_command(
  OUTPUT ${ZENTREL_LAYER_STAMP}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DSTAMP=${ZENTREL_LAYER_STAMP}
          -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
  DEPENDS ${ZENTREL_LAYER_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
  COMMENT "Checking the engine's layers"
  VERBATIM)
add_custom_target(zentrel_layer_check DEPENDS ${ZENTREL_LAYER_STAMP})

include(${CMAKE_CURRENT_LIST_DIR}/ZentrelLinkCheck.cmake)
