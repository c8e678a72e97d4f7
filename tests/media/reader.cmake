# File reader and engine factory tests; clips are generated with the ffmpeg tool at test time.
vexto_add_test(test_reader
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/test_reader_main.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/test_reader_support.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/test_reader_formats.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/test_reader_playback.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/test_reader_robustness.cpp
  LIBS vexto_media_factory vexto_media_reader vexto_test_support
  TIMEOUT 600)
