verdane_add_fuzzer(parser SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzParser.cpp LIBS verdane_chart)
