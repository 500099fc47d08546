# Every window of the program shown, fed by the caller: for the fuzzing
# harnesses and the benchmarks.
include_guard(GLOBAL)
add_library(t860_every_window STATIC ${CMAKE_CURRENT_LIST_DIR}/EveryWindow.cpp)
target_link_libraries(t860_every_window PUBLIC t860_ui)
