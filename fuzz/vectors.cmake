verdane_add_fuzzer(vectors SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzVectors.cpp LIBS verdane_chart)
