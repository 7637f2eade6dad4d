# Certificate parsing: x509_parse_cert against mbedTLS's
# mbedtls_x509_crt_parse_der_nocopy (which also keeps views into the input)
# and OpenSSL's d2i_X509, on the same corpus in one run, with the ratios.
find_package(OpenSSL REQUIRED)
add_executable(bench_cert_parse ${CMAKE_CURRENT_LIST_DIR}/cert_parse_bench.cc)
target_link_libraries(bench_cert_parse PRIVATE pkix_internal benchmark::benchmark OpenSSL::Crypto mbedx509 mbedcrypto)
target_compile_definitions(bench_cert_parse PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}" _FILE_OFFSET_BITS=64)
