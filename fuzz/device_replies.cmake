verdane_add_fuzzer(device_replies SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzDeviceReplies.cpp
                   LIBS verdane_devices)
