# Transforms of the host's crypto service, driven as the module drives them,
# against libcrypto called directly with keys loaded once: SHA-256, RSA 2048
# and ECDSA P-256 signing and verification. The service's
# figures include the transform's creation, where private keys are rebuilt
# from the key object's attributes. The key objects run in process under the
# test manager, built in here since the release build has no test libraries.
find_package(OpenSSL REQUIRED)
add_executable(bench_hostcrypto ${CMAKE_CURRENT_LIST_DIR}/hostcrypto_bench.cc ${CMAKE_SOURCE_DIR}/tests/testing/inproc.cc)
target_include_directories(bench_hostcrypto PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(bench_hostcrypto PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_hostcrypto PRIVATE pkix_internal pkixhost_services OpenSSL::Crypto
  benchmark::benchmark)
