# The host's generic ASN.1 type service: every kind and a few composed
# shapes (sequences with optional and explicit elements, sets, choices,
# ANY, a named template) decoding arbitrary octets under DER and BER.
pkix_add_fuzzer(hostasn SOURCE ${CMAKE_CURRENT_LIST_DIR}/hostasn.cc LIBS pkixhost)
