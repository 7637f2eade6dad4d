// What the module's dynamic symbol table shows: the C entry points unmangled,
// the documented globals and exported function families, and nothing the
// build exported by accident.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> DefinedDynamicSymbols(const std::string& lib) {
  std::string cmd = "readelf --dyn-syms -W " + lib + " 2>/dev/null";
  std::vector<std::string> out;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return out;
  char line[1024];
  while (fgets(line, sizeof line, p) != nullptr) {
    std::istringstream in(line);
    std::string num, value, size, type, bind, vis, ndx, name;
    if (!(in >> num >> value >> size >> type >> bind >> vis >> ndx >> name)) continue;
    if (ndx == "UND" || ndx == "Ndx" || (bind != "GLOBAL" && bind != "WEAK")) continue;
    out.push_back(name.substr(0, name.find('@')));
  }
  pclose(p);
  return out;
}

bool Allowed(const std::string& s) {
  static const std::set<std::string> kExact = {
      "GetInterfaceClass", "InitObjectManager", "GetObjectManager", "x509cmn_init", "x509cmn_fini",
      "createIniFile", "zel_get_product_dir", "zel_get_executable_dir", "ModMgr", "ModuleID", "pModuleID",
      "PKIXModuleLocal", "pPKIXService", "pPKIXKeyService", "pkixlex", "put_rdn", "set_objid",
      "alg2asn", "alg2oid", "asn2alg", "oid2alg", "os_defs_error", "print_keyusage",
      "parse_basic_constraints", "psel_match", "sasel_match", "asn1_der_decode_secret",
      "asn1_der_encode_secret", "pkix_verify_path", "_init", "_fini", "_edata", "_end", "__bss_start"};
  static const char* const kPrefixes[] = {"x509_", "sel_", "pkix_scan_", "GNplusDN", "NplusN"};
  if (kExact.count(s) != 0) return true;
  // AddressSanitizer's own markers of instrumented globals.
  if (s.rfind("__odr_asan", 0) == 0 || s.rfind("__asan", 0) == 0) return true;
  for (const char* p : kPrefixes) {
    if (s.rfind(p, 0) == 0) return true;
  }
  // Exported C++ functions of the documented families (mangled), e.g. the
  // createTBuf and createTName overloads.
  static const char* const kMangled[] = {"_Z10createTBuf", "_Z11createTName", "_ZN7IniFile9pEmptyStrE",
                                         "_Z20getX509CertQuestionsv"};
  for (const char* p : kMangled) {
    if (s.rfind(p, 0) == 0) return true;
  }
  return false;
}

TEST(ExportsTest, OnlyTheDocumentedSymbolsLeaveTheLibrary) {
  std::vector<std::string> syms = DefinedDynamicSymbols(PKIX_MODULE_PATH);
  ASSERT_FALSE(syms.empty()) << "readelf found no symbols";
  std::set<std::string> have(syms.begin(), syms.end());
  for (const char* entry : {"GetInterfaceClass", "InitObjectManager", "GetObjectManager", "x509cmn_init",
                            "x509cmn_fini", "createIniFile", "zel_get_product_dir", "zel_get_executable_dir",
                            "_Z20getX509CertQuestionsv"}) {
    EXPECT_TRUE(have.count(entry) != 0) << entry << " is not exported unmangled";
  }
  for (const std::string& s : syms) EXPECT_TRUE(Allowed(s)) << "exported by accident: " << s;
}

// The library is built for the target the test runs on: ELF 32-bit Intel
// 80386 in the product build, x86-64 in the sanitizer builds.
TEST(ExportsTest, LibraryIsBuiltForThisTarget) {
  FILE* f = std::fopen(PKIX_MODULE_PATH, "rb");
  ASSERT_NE(f, nullptr);
  unsigned char h[20] = {};
  ASSERT_EQ(std::fread(h, 1, sizeof h, f), sizeof h);
  std::fclose(f);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(h + 1), 3), "ELF");
  EXPECT_EQ(h[16], 3);  // ET_DYN: a shared object
#if defined(__i386__)
  EXPECT_EQ(h[4], 1);   // ELFCLASS32
  EXPECT_EQ(h[18], 3);  // EM_386
#else
  EXPECT_EQ(h[4], 2);   // ELFCLASS64
  EXPECT_EQ(h[18], 62);  // EM_X86_64
#endif
}

}  // namespace
