find_package(PkgConfig REQUIRED)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
  libavformat libavcodec libavdevice libavfilter libswscale libswresample libavutil)
find_package(Threads REQUIRED)

if(NOT VEXTO_FUZZ)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network Multimedia HttpServer
    SerialPort Test)
  find_package(GTest REQUIRED)
endif()
if(VEXTO_BENCH AND NOT VEXTO_FUZZ)
  find_package(benchmark QUIET)
endif()

# Helper for tests: one GoogleTest executable per area, discovered by CTest.
include(GoogleTest OPTIONAL)
function(vexto_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock vexto_warnings)
  target_compile_definitions(${name} PRIVATE VEXTO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  vexto_link_sanitizer_defaults(${name})
endfunction()
