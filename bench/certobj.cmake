# Certificate objects: createTCert through the certificate service with a
# typical set of queries, against mbedTLS's and OpenSSL's parsers on the
# same certificates; heap bytes one object holds (a counting allocator).
# The module's internals run in process under the tests' in-process manager.
find_package(OpenSSL REQUIRED)
add_executable(bench_certobj ${CMAKE_CURRENT_LIST_DIR}/certobj_bench.cc ${CMAKE_CURRENT_LIST_DIR}/heap_count.cc)
target_compile_definitions(bench_certobj PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_certobj PRIVATE ${PKIX_BENCH_INPROC} mbedx509 mbedcrypto OpenSSL::Crypto
  benchmark::benchmark)

# getExtns of certificates with 1k, 10k and 100k extensions: how building
# the extension list grows with the count.
add_executable(bench_certobj_extns ${CMAKE_CURRENT_LIST_DIR}/certobj_extns_bench.cc)
target_compile_definitions(bench_certobj_extns PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_certobj_extns PRIVATE ${PKIX_BENCH_INPROC} OpenSSL::Crypto benchmark::benchmark)

# createTCert with the typical queries from 1 to 4 threads: the throughput
# curve against one thread.
add_executable(bench_certobj_threads ${CMAKE_CURRENT_LIST_DIR}/certobj_threads_bench.cc)
target_compile_definitions(bench_certobj_threads PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_certobj_threads PRIVATE ${PKIX_BENCH_INPROC} benchmark::benchmark)
