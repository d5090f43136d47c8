verdane_add_fuzzer(sequence SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzSequence.cpp LIBS verdane_sequence)
