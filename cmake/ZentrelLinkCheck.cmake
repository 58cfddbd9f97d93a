# Link lines point down too: each engine layer's and each platform's target
# links only the targets below it. A platform (hid/emulated, hid/trace,
# hid/hidapi, hid/win32) links only the seam's target, zentrel_hid; so an
# arrow that points up neither links nor hides behind a target that pulls
# the whole engine in. Checked once every target is declared.
set(ZENTREL_LINKS_zentrel_protocol "")
set(ZENTREL_LINKS_zentrel_image "zentrel_protocol;zentrel_image_win32")
set(ZENTREL_LINKS_zentrel_image_win32 "zentrel_protocol")
set(ZENTREL_LINKS_zentrel_hid "zentrel_protocol")
set(ZENTREL_LINKS_zentrel_sequencer "zentrel_protocol;zentrel_image;zentrel_hid")
foreach(platform zentrel_hid_emulated zentrel_hid_trace zentrel_hid_hidapi zentrel_hid_win32)
  set(ZENTREL_LINKS_${platform} "zentrel_hid;zentrel_protocol")
endforeach()
set(ZENTREL_LINK_CHECKED zentrel_protocol zentrel_image zentrel_image_win32 zentrel_hid
    zentrel_sequencer zentrel_hid_emulated zentrel_hid_trace zentrel_hid_hidapi zentrel_hid_win32)

function(zentrel_check_links)
  set(faults "")
  foreach(target IN LISTS ZENTREL_LINK_CHECKED)
    if(NOT TARGET ${target})
      continue()
    endif()
    get_target_property(direct ${target} LINK_LIBRARIES)
    get_target_property(usage ${target} INTERFACE_LINK_LIBRARIES)
    foreach(entry IN LISTS direct usage)
      # Generator expressions ($<LINK_ONLY:...>) wrap a name: find it inside.
      string(REGEX MATCHALL "zentrel_[A-Za-z0-9_]+" linked "${entry}")
      foreach(name IN LISTS linked)
        if(NOT name IN_LIST ZENTREL_LINKS_${target})
          list(APPEND faults "${target} links ${name}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES faults)
  if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "The engine's link lines point up:\n  ${text}")
  endif()
endfunction()

cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL zentrel_check_links)
