# Transforms of the host's crypto service, driven as the module drives them,
# against libcrypto called directly with keys loaded once: SHA-256, RSA 2048
# and ECDSA P-256 signing and verification. The service's
# figures include the transform's creation, where private keys are rebuilt
# from the key object's attributes. The key objects run in process under the
# tests' in-process manager.
find_package(OpenSSL REQUIRED)
add_executable(bench_hostcrypto ${CMAKE_CURRENT_LIST_DIR}/hostcrypto_bench.cc)
target_compile_definitions(bench_hostcrypto PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_hostcrypto PRIVATE ${PKIX_BENCH_INPROC} OpenSSL::Crypto
  benchmark::benchmark)
