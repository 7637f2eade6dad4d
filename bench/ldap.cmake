# The sample CRL fetched from a private slapd through the directory client
# service (warm connection) against a direct ldap_search_ext_s of the same
# entry and attribute. The server is started by the tests' fixture, built
# in here since the release preset has no tests.
add_executable(bench_ldap ${CMAKE_CURRENT_LIST_DIR}/ldap_bench.cc ${CMAKE_SOURCE_DIR}/tests/testing/slapd_fixture.cc)
target_compile_definitions(bench_ldap PRIVATE PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_include_directories(bench_ldap PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_ldap PRIVATE ${PKIX_BENCH_INPROC} pkixhost_ldap_libs benchmark::benchmark)
