# Encoding and signing revocation lists of 1,000 and 100,000 entries:
# our encoder over the generic ASN.1 service against OpenSSL, the
# signature timed apart.
find_package(OpenSSL REQUIRED)
add_executable(bench_crl_enc ${CMAKE_CURRENT_LIST_DIR}/crl_enc_bench.cc)
target_compile_definitions(bench_crl_enc PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_include_directories(bench_crl_enc PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_crl_enc PRIVATE ${PKIX_BENCH_INPROC} OpenSSL::Crypto benchmark::benchmark)
