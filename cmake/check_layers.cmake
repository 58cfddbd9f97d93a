# cmake -DSOURCE_DIR=... -DSTAMP=... -P check_layers.cmake
# Fails when a file of an engine layer includes a header of a layer above
# it, of a platform or front end, or of a platform or toolkit (see
# ZentrelLayers.cmake). Files in a layer's subfolders are platforms and are
# not checked here.

# Each layer: its folder and the folders its files may include from. A
# folder name ending in "/" admits only that folder's own files, not its
# subfolders.
set(layers protocol image hid sequencer ui)
set(allowed_protocol "protocol/")
set(allowed_image "protocol/;image/")
set(allowed_hid "protocol/;hid/")
set(allowed_sequencer "protocol/;image/;hid/;sequencer/")
set(allowed_ui "protocol/;image/;hid/;sequencer/;ui/")
# System headers that belong to a platform or a toolkit.
set(forbidden_system "^(windows|winbase|commctrl|commdlg|setupapi|hidsdi|unistd|fcntl|libudev)\\.h$|^sys/|^hidapi|^Q[A-Za-z]*$|^Qt")

set(faults "")
foreach(layer IN LISTS layers)
  file(GLOB files ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
    foreach(line IN LISTS lines)
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(header "${CMAKE_MATCH_1}")
        if(header STREQUAL "zentrel_config.h")
          continue()
        endif()
        set(ok FALSE)
        foreach(folder IN LISTS allowed_${layer})
          string(LENGTH "${folder}" length)
          string(SUBSTRING "${header}" 0 ${length} head)
          string(SUBSTRING "${header}" ${length} -1 rest)
          if(head STREQUAL folder AND NOT rest MATCHES "/")
            set(ok TRUE)
          endif()
        endforeach()
        if(NOT ok)
          list(APPEND faults "${name}: \"${header}\" is not below the ${layer} layer")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        if(CMAKE_MATCH_1 MATCHES "${forbidden_system}")
          list(APPEND faults "${name}: <${CMAKE_MATCH_1}> is a platform's or a toolkit's header")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "The engine's layers are crossed:\n  ${text}")
endif()
file(TOUCH ${STAMP})
