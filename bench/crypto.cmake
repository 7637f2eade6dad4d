# The host's crypto service against libcrypto called directly on the same
# keys: digests, RSA and ECDSA signatures, RSA decryption. The service's
# figures include the transform's creation, where private keys are rebuilt
# from the key object's attributes. The key objects run in process under the
# test manager, built in here since the release build has no test libraries.
find_package(OpenSSL REQUIRED)
add_executable(bench_crypto ${CMAKE_CURRENT_LIST_DIR}/crypto_bench.cc ${CMAKE_SOURCE_DIR}/tests/testing/inproc.cc)
target_include_directories(bench_crypto PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(bench_crypto PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_crypto PRIVATE pkix_internal pkixhost_services OpenSSL::Crypto
  benchmark::benchmark benchmark::benchmark_main)
