verdane_add_test(test_controls_text LABEL controls
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/GvStringFunctionsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/GvDateTimeTest.cpp
  LIBS verdane_controls)
