# cmake -DSOURCE_DIR=... -DSTAMP=... -P check_layers.cmake
# Fails when a file of an engine layer, or of one of its subfolders (the
# platforms behind a layer, the toolkits' windows under ui/), includes a
# header of a layer above it, of a front end, or of another platform; or
# when a file that must stay free of them includes a platform's or a
# toolkit's header (see ZentrelLayers.cmake).

cmake_minimum_required(VERSION 3.25)

# Each layer: its folder and the folders its files may include from. A
# folder name ending in "/" admits only that folder's own files, not its
# subfolders.
set(layers protocol image hid sequencer ui)
set(allowed_protocol "protocol/")
set(allowed_image "protocol/;image/")
set(allowed_hid "protocol/;hid/")
set(allowed_sequencer "protocol/;image/;hid/;sequencer/")
set(allowed_ui "protocol/;image/;hid/;sequencer/;ui/")
# A subfolder may include what its layer may, and its own folder; the
# toolkits' windows also the platforms that their programs run on.
set(also_ui "hid/emulated/;hid/hidapi/;hid/win32/")
# Subfolders that are platforms of their own and may include the platform's
# headers; every other folder is checked for them.
set(platform_folders image/posix image/win32 sequencer/posix sequencer/win32 hid/hidapi hid/win32
    ui/qt ui/win32)
# System headers that belong to a platform or a toolkit.
set(forbidden_system "^(windows|winbase|commctrl|commdlg|setupapi|hidsdi|unistd|fcntl|libudev|io)\\.h$|^sys/|^hidapi|^Q[A-Za-z]*$|^Qt")

set(faults "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
    get_filename_component(folder ${name} DIRECTORY)
    set(allowed ${allowed_${layer}})
    if(NOT folder STREQUAL layer)
      list(APPEND allowed "${folder}/" ${also_${layer}})
    endif()
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(header "${CMAKE_MATCH_1}")
        if(header STREQUAL "zentrel_config.h" OR header MATCHES "\\.moc$")
          continue()
        endif()
        set(ok FALSE)
        foreach(allowed_folder IN LISTS allowed)
          string(LENGTH "${allowed_folder}" length)
          string(SUBSTRING "${header}" 0 ${length} head)
          string(SUBSTRING "${header}" ${length} -1 rest)
          if(head STREQUAL allowed_folder AND NOT rest MATCHES "/")
            set(ok TRUE)
          endif()
        endforeach()
        if(NOT ok)
          list(APPEND faults "${name}: \"${header}\" is not below ${folder}")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        set(header "${CMAKE_MATCH_1}")
        if(header MATCHES "${forbidden_system}" AND NOT folder IN_LIST platform_folders)
          list(APPEND faults "${name}: <${header}> is a platform's or a toolkit's header")
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
