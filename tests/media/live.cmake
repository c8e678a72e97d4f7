# Tests of the live source (test_live) and of the monitors (test_monitor, with a QApplication).
vexto_add_test(test_live
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_live_source.cpp
  LIBS vexto_media_live vexto_test_support GTest::gtest_main
  TIMEOUT 120)

vexto_add_test(test_monitor
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_monitor_main.cpp ${CMAKE_CURRENT_LIST_DIR}/test_monitor.cpp
  LIBS vexto_media_monitor vexto_media_live vexto_test_support Qt6::Widgets Qt6::Multimedia
  TIMEOUT 120)
