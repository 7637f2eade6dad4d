# Certificate objects from arbitrary octets through the certificate service
# (every query on those that parse), and PKCS #7 certificate sets.
pkix_add_fuzzer(certobj_cert SOURCE ${CMAKE_CURRENT_LIST_DIR}/certobj_cert.cc LIBS pkix_testing)
pkix_add_fuzzer(certobj_pkcs7 SOURCE ${CMAKE_CURRENT_LIST_DIR}/certobj_pkcs7.cc LIBS pkix_testing)
