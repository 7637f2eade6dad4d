# Selector matchers: nanoseconds per call of the per-packet and
# per-association matchers, the pattern matchers, and the exact matcher as
# the number of pattern alternatives grows.
add_executable(bench_sel ${CMAKE_CURRENT_LIST_DIR}/sel_match.cc)
target_link_libraries(bench_sel PRIVATE pkix_internal benchmark::benchmark benchmark::benchmark_main)
