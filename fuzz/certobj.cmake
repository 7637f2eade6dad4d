# Certificate objects from arbitrary octets through the certificate service
# (every query on those that parse), and PKCS #7 certificate sets. Both run
# the module's internals in process under the in-process manager.
pkix_add_fuzzer(certobj_cert SOURCE ${CMAKE_CURRENT_LIST_DIR}/certobj_cert.cc LIBS ${PKIX_FUZZ_INPROC})
pkix_add_fuzzer(certobj_pkcs7 SOURCE ${CMAKE_CURRENT_LIST_DIR}/certobj_pkcs7.cc LIBS ${PKIX_FUZZ_INPROC})
