verdane_add_fuzzer(chart_stream SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzChartStream.cpp LIBS verdane_chart)
