# Revocation lists of 10, 1,000 and 100,000 entries made by OpenSSL: parse,
# lookups of a present and an absent serial, the signature check and the
# heap a parsed list holds, against OpenSSL and mbedTLS on the same octets.
find_package(OpenSSL REQUIRED)
add_executable(bench_crl ${CMAKE_CURRENT_LIST_DIR}/crl_bench.cc ${CMAKE_CURRENT_LIST_DIR}/heap_count.cc)
target_compile_definitions(bench_crl PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_include_directories(bench_crl PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_crl PRIVATE ${PKIX_BENCH_INPROC} mbedx509 mbedcrypto OpenSSL::Crypto
  benchmark::benchmark)
