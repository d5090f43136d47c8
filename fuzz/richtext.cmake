verdane_add_fuzzer(richtext SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzRichText.cpp LIBS verdane_chart)
