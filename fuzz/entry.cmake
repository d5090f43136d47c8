verdane_add_fuzzer(entry SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzEntry.cpp LIBS verdane_controls)
