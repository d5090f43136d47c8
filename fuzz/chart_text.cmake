verdane_add_fuzzer(chart_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzChartText.cpp LIBS verdane_chart)
