# Names against OpenSSL: the cached name comparison against X509_NAME_cmp,
# the text encoder, and normalisation of the Mozilla root names.
find_package(OpenSSL REQUIRED)
add_executable(bench_name ${CMAKE_CURRENT_LIST_DIR}/name_bench.cc)
# Name objects need a host manager with the buffer service: the in-process
# one of the unit tests (fuzz/name.cmake builds it when the tests are off).
if(TARGET pkix_testing)
  set(_bench_name_host pkix_testing)
else()
  set(_bench_name_host pkix_name_inproc)
endif()
target_link_libraries(bench_name PRIVATE ${_bench_name_host} OpenSSL::Crypto
  benchmark::benchmark benchmark::benchmark_main)
target_compile_definitions(bench_name PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
