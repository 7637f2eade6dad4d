// The conversion service and the exported conversion functions as another
// module meets them: libpkix.so loaded with dlopen, the functions found with
// dlsym, the service bound through the host on first use.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/host.h"

namespace {

using pkixhost::Host;

using Asn2Alg = uint32_t (*)(const unsigned char*, unsigned);
using Alg2Asn = const unsigned char* (*)(uint32_t, unsigned*);
using Alg2Oid = const unsigned* (*)(uint32_t, unsigned*);
using Oid2Alg = uint32_t (*)(const unsigned*, unsigned);

TEST(AlgModuleTest, ExportedFunctionsConvertThroughTheService) {
  Host host;
  pkixhost::LoadedModule* m = host.load(PKIX_MODULE_PATH);
  ASSERT_NE(m, nullptr);
  // The same symbols dlsym finds in the library.
  void* handle = dlopen(PKIX_MODULE_PATH, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  auto asn2alg = reinterpret_cast<Asn2Alg>(dlsym(handle, "asn2alg"));
  auto alg2asn = reinterpret_cast<Alg2Asn>(dlsym(handle, "alg2asn"));
  auto alg2oid = reinterpret_cast<Alg2Oid>(dlsym(handle, "alg2oid"));
  auto oid2alg = reinterpret_cast<Oid2Alg>(dlsym(handle, "oid2alg"));
  ASSERT_NE(asn2alg, nullptr);
  ASSERT_NE(alg2asn, nullptr);
  ASSERT_NE(alg2oid, nullptr);
  ASSERT_NE(oid2alg, nullptr);
  EXPECT_EQ(asn2alg, m->symbol("asn2alg"));

  const unsigned char rsa[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};
  EXPECT_EQ(asn2alg(rsa, sizeof rsa), 1u);
  unsigned len = 0;
  const unsigned char* md5_rsa = alg2asn(0x00040001, &len);
  ASSERT_NE(md5_rsa, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(md5_rsa, md5_rsa + len),
            (std::vector<unsigned char>{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x04}));
  unsigned count = 0;
  const unsigned* arcs = alg2oid(0x0205010D, &count);
  ASSERT_NE(arcs, nullptr);
  EXPECT_EQ(std::vector<unsigned>(arcs, arcs + count), (std::vector<unsigned>{1, 2, 643, 2, 2, 3}));
  EXPECT_EQ(oid2alg(arcs, count), 0x0205010Du);
  // A SHA-2 and an elliptic-curve row of the same table.
  const unsigned char ecdsa_sha384[] = {0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x04, 0x03, 0x03};
  EXPECT_EQ(asn2alg(ecdsa_sha384, sizeof ecdsa_sha384), 0x00090010u);
  const unsigned* sha256_rsa = alg2oid(0x00080001, &count);
  ASSERT_NE(sha256_rsa, nullptr);
  EXPECT_EQ(std::vector<unsigned>(sha256_rsa, sha256_rsa + count),
            (std::vector<unsigned>{1, 2, 840, 113549, 1, 1, 11}));

  // The service the functions went through is the one the host hands out.
  Tuint32ID me(Host::kHostModuleID);
  CMN_GuardedRef* service = host.acquire(Tuint32ID(0x3f000a), me);
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(m->module()->getService(Tuint32ID(0x3f000a)), service);
  host.release(Tuint32ID(0x3f000a), me);
  EXPECT_EQ(host.hostGuard()->callCount(), 0);
  EXPECT_EQ(m->guard()->callCount(), 0);
  dlclose(handle);
}

}  // namespace
