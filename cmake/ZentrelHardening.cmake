# The Linux programs read firmware files and device reports that anyone may
# hand them: build them as Debian hardens its own packages, with checked
# buffer functions and a read-only GOT bound at start. Not under the
# sanitizers, which replace those functions themselves, and not where
# _FORTIFY_SOURCE cannot work (a build without optimisation).
if(NOT WIN32 AND NOT ZENTREL_SANITIZE AND NOT ZENTREL_BUILD_FUZZ
   AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  set(_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
  add_compile_options("$<${_optimised}:-U_FORTIFY_SOURCE>" "$<${_optimised}:-D_FORTIFY_SOURCE=2>"
                      -fstack-protector-strong)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
