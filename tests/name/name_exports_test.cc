// The module exports the scanner's entry points and nothing else of the
// generated scanner or of the name internals.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

TEST(NameExportsTest, OnlyTheListedNamesLeaveTheModule) {
  void* module = dlopen(PKIX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  for (const char* name : {"x509_enc_name", "pkixlex", "pkix_scan_bytes", "pkix_scan_string",
                           "pkix_scan_buffer", "put_rdn", "set_objid", "sel_compile_name"}) {
    EXPECT_NE(dlsym(module, name), nullptr) << name;
  }
  for (const char* name : {"pkixlex_init", "pkixlex_init_extra", "pkixlex_destroy", "pkix_delete_buffer",
                           "pkixalloc", "pkixget_extra", "pkix_name_encode", "yylex"}) {
    EXPECT_EQ(dlsym(module, name), nullptr) << name;
  }
  dlclose(module);
}

}  // namespace
