# One sanitizer per build folder: ThreadSanitizer, or AddressSanitizer with UndefinedBehaviorSanitizer.
if(VEXTO_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=thread)
  add_compile_definitions(VEXTO_TSAN=1)
elseif(VEXTO_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
  add_compile_definitions(VEXTO_ASAN=1)
elseif(NOT VEXTO_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VEXTO_SANITIZE must be empty, thread or address")
endif()

# The sanitizer options and leak suppressions live in the executables themselves (see
# sanitizer_defaults.cpp); every executable of a sanitizer build links this object library.
if(NOT VEXTO_SANITIZE STREQUAL "")
  add_library(vexto_sanitizer_defaults OBJECT ${CMAKE_CURRENT_LIST_DIR}/sanitizer_defaults.cpp)
endif()
function(vexto_link_sanitizer_defaults target)
  if(TARGET vexto_sanitizer_defaults)
    target_link_libraries(${target} PRIVATE vexto_sanitizer_defaults)
  endif()
endfunction()
