# Warnings are on for the project's own code only (the vexto_warnings interface target).
add_library(vexto_warnings INTERFACE)
target_compile_options(vexto_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local
  -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wformat=2
  -Wimplicit-fallthrough)
if(VEXTO_WERROR)
  target_compile_options(vexto_warnings INTERFACE -Werror)
endif()
