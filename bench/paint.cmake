# One full paint of the isotherm field; included by the benchmarks' CMakeLists.txt.
if(TARGET korvel_components)
    add_executable(bench_paint ${CMAKE_CURRENT_LIST_DIR}/bench_paint.cpp)
    target_link_libraries(bench_paint korvel_components benchmark::benchmark)
endif()
