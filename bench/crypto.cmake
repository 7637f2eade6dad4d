# Certificates through the crypto service: checkSign against X509_verify and
# EVP_DigestVerify, fingerprints against EVP_Digest and X509_digest, on the
# same certificates. The module's internals and the host's crypto service
# run in process under the tests' in-process manager.
find_package(OpenSSL REQUIRED)
add_executable(bench_crypto ${CMAKE_CURRENT_LIST_DIR}/crypto_bench.cc)
target_compile_definitions(bench_crypto PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(bench_crypto PRIVATE ${PKIX_BENCH_INPROC} benchmark::benchmark OpenSSL::Crypto)
