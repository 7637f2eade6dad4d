# Path validation of a three-certificate chain with one CRL per level,
# against OpenSSL's X509_verify_cert on the same inputs.
find_package(OpenSSL REQUIRED)
add_executable(bench_path ${CMAKE_CURRENT_LIST_DIR}/path_bench.cc)
target_compile_definitions(bench_path PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_include_directories(bench_path PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_path PRIVATE ${PKIX_BENCH_INPROC} OpenSSL::Crypto benchmark::benchmark)
