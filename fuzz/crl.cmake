# Revocation lists from arbitrary octets: the list parse with every query on
# those that parse, PKCS #7 list sets, and the values of the issuing
# distribution point, certificate issuer and distribution points
# extensions. All run the module's internals in process (certobj_env.h).
foreach(t crl_parse crl_pkcs7 crl_values)
  pkix_add_fuzzer(${t} SOURCE ${CMAKE_CURRENT_LIST_DIR}/${t}.cc LIBS ${PKIX_FUZZ_INPROC})
endforeach()
