# The camera chart, its curves and the baseline drawn behind them, on the
# chart control.
t860_library(t860_scope_chart
    Camchart.cpp
    Camline.cpp
    ScopeReference.cpp
    Ufastnull.cpp
)
target_link_libraries(t860_scope_chart PUBLIC t860_charting t860_lib t860_checks)
