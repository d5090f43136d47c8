verdane_add_fuzzer(remote SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzRemote.cpp LIBS verdane_remote)
