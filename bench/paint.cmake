# One full paint of the isotherm field; included by the benchmarks' CMakeLists.txt.
if(TARGET korvel_components)
    add_executable(bench_paint ${CMAKE_CURRENT_LIST_DIR}/bench_paint.cpp)
    target_link_libraries(bench_paint korvel_components benchmark::benchmark)
endif()
# One display of the slice on the cross-section window.
if(TARGET korvel_ui)
    add_executable(bench_slice ${CMAKE_CURRENT_LIST_DIR}/bench_slice.cpp)
    target_link_libraries(bench_slice korvel_ui benchmark::benchmark)
endif()
# The program's run from the click to the final picture, and one full hand-over to the windows.
if(TARGET korvel_ui)
    add_executable(bench_run ${CMAKE_CURRENT_LIST_DIR}/bench_run.cpp)
    target_link_libraries(bench_run korvel_ui benchmark::benchmark)
endif()
