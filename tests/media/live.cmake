# Tests of the live source (test_live) and of the monitors (test_monitor, with a QApplication).
vexto_add_test(test_live
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_live_source.cpp
  LIBS vexto_media_live vexto_test_support GTest::gtest_main
  TIMEOUT 120)
