# Certificate objects: createTCert through the certificate service with a
# typical set of queries, against mbedTLS's and OpenSSL's parsers on the
# same certificates; heap bytes one object holds (a counting allocator).
# The module's internals run in process under the tests' in-process manager.
find_package(OpenSSL REQUIRED)
add_executable(bench_certobj ${CMAKE_CURRENT_LIST_DIR}/certobj_bench.cc)
target_compile_definitions(bench_certobj PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_certobj PRIVATE ${PKIX_BENCH_INPROC} mbedx509 mbedcrypto OpenSSL::Crypto
  benchmark::benchmark)
