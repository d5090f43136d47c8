verdane_add_fuzzer(text SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzText.cpp LIBS verdane_controls)
