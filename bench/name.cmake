# Names against OpenSSL: the cached name comparison against X509_NAME_cmp,
# the text encoder, and normalisation of the Mozilla root names.
find_package(OpenSSL REQUIRED)
add_executable(bench_name ${CMAKE_CURRENT_LIST_DIR}/name_bench.cc)
# Name objects need a host manager with the buffer service.
target_link_libraries(bench_name PRIVATE ${PKIX_BENCH_INPROC} OpenSSL::Crypto
  benchmark::benchmark benchmark::benchmark_main)
target_compile_definitions(bench_name PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# How comparison and text encoding grow with the number of RDNs and values.
add_executable(bench_name_scale ${CMAKE_CURRENT_LIST_DIR}/name_scale_bench.cc)
target_link_libraries(bench_name_scale PRIVATE ${PKIX_BENCH_INPROC}
  benchmark::benchmark benchmark::benchmark_main)
