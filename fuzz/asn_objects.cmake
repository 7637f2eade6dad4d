# The DER readers of the ASN.1 object service: algorithm identifiers,
# attributes and attribute sets, the enrolment structures.
pkix_add_fuzzer(asn_objects SOURCE ${CMAKE_CURRENT_LIST_DIR}/asn_objects.cc LIBS ${PKIX_FUZZ_INPROC})
