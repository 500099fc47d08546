# The camera chart and its curves, on the chart control.
t860_library(t860_scope_chart
    Camchart.cpp
    Camline.cpp
    Ufastnull.cpp
)
target_link_libraries(t860_scope_chart PUBLIC t860_charting t860_lib)
