# Certificate objects: createTCert through the certificate service with a
# typical set of queries, against mbedTLS's and OpenSSL's parsers on the
# same certificates; heap bytes one object holds (a counting allocator).
# The module's internals run in process under the test manager, built in
# here since the release build has no test libraries.
find_package(OpenSSL REQUIRED)
add_executable(bench_certobj ${CMAKE_CURRENT_LIST_DIR}/certobj_bench.cc ${CMAKE_SOURCE_DIR}/tests/testing/inproc.cc)
target_include_directories(bench_certobj PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(bench_certobj PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_certobj PRIVATE pkix_internal pkixhost_services mbedx509 mbedcrypto OpenSSL::Crypto
  benchmark::benchmark)
