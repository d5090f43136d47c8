verdane_add_test(test_controls_widgets LABEL controls
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/GvIntegerEditTest.cpp ${CMAKE_CURRENT_LIST_DIR}/GvFloatEditTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/GvPropertyLinkTest.cpp ${CMAKE_CURRENT_LIST_DIR}/WidgetTestSupport.h
  LIBS verdane_controls)
