# Compiler warnings for every target; -Werror only with ZENTREL_WERROR.
add_compile_options(-Wall -Wextra -Wpedantic)
if(ZENTREL_WERROR)
  add_compile_options(-Werror)
endif()

# GCC 12 reports a false -Wrestrict on std::string concatenation when it
# inlines at -O3 (GCC bug 105329); the warning says nothing about our code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()
