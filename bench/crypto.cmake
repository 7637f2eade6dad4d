# Certificates through the crypto service: checkSign against X509_verify and
# EVP_DigestVerify, fingerprints against EVP_Digest and X509_digest, on the
# same certificates. The module's internals and the host's crypto service
# run in process under the test manager, built in here since the release
# build has no test libraries.
find_package(OpenSSL REQUIRED)
add_executable(bench_crypto ${CMAKE_CURRENT_LIST_DIR}/crypto_bench.cc ${CMAKE_SOURCE_DIR}/tests/testing/inproc.cc)
target_include_directories(bench_crypto PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(bench_crypto PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_crypto PRIVATE pkix_internal pkixhost_services benchmark::benchmark OpenSSL::Crypto)
