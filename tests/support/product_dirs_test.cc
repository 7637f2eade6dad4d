// The product directories: reading the product root from a configuration
// file, deriving the program directory from an executable's path, and the
// once-per-process caches of both.
#include "support/global.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "temp_dir.h"
#include "support/result_codes.h"

namespace {

using pkix_support::ExecutableDirFrom;
using pkix_support::ProductDirFrom;

// The directory's path without symbolic links, as the answers give it.
std::string RealPath(const std::string& path) {
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) == nullptr ? "" : buf;
}

class ProductDirsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    pkix_support::ResetDirCachesForTest();
    root_ = RealPath(dir_.file(""));
  }
  void TearDown() override { pkix_support::ResetDirCachesForTest(); }

  void MakeDir(const std::string& rel) {
    std::filesystem::create_directories(root_ + "/" + rel);
  }

  TempDir dir_;
  std::string root_;  // the temporary directory, resolved
};

const char kUntouched[] = "untouched";

TEST_F(ProductDirsTest, ConfigurationCases) {
  struct Case {
    const char* what;
    bool file;
    std::string text;
    int code;
    std::string dir;
  };
  const std::string longest(4096, 'p');
  const Case cases[] = {
      {"missing file", false, "", 50, ""},
      {"no AgentRoot", true, "Other=/x/\n", 9, ""},
      {"AgentRoot only inside a section", true, "[s]\nAgentRoot=/x/\n", 9, ""},
      {"malformed configuration", true, "AgentRoot=/x/\nbroken\n", 59, ""},
      {"value used as written", true, "!product\nAgentRoot = /opt/product/ \n[s]\nAgentRoot=/y/\n",
       0, "/opt/product/"},
      {"no slash added", true, "AgentRoot=/opt/product\n", 0, "/opt/product"},
      {"4096 characters fit", true, "AgentRoot=" + longest + "\n", 0, longest},
      {"4097 characters do not", true, "AgentRoot=" + longest + "p\n", 9, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    pkix_support::ResetDirCachesForTest();
    std::string path = dir_.file("zelnet.cfg");
    std::remove(path.c_str());
    if (c.file) {
      ASSERT_TRUE(WriteFile(path, c.text));
    }

    const char* out = kUntouched;
    EXPECT_EQ(ProductDirFrom(path.c_str(), &out), c.code);
    if (c.code == 0) {
      EXPECT_EQ(out, c.dir);
    } else {
      EXPECT_EQ(out, kUntouched) << "out written on failure";
    }
  }
}

TEST_F(ProductDirsTest, FailureIsRetriedUntilTheFileIsFixed) {
  std::string path = dir_.file("zelnet.cfg");
  ASSERT_TRUE(WriteFile(path, "Other=/x/\n"));
  const char* out = nullptr;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ProductDirFrom(path.c_str(), &out), pkixrc::kFailed);
  ASSERT_TRUE(WriteFile(path, "AgentRoot=/fixed/\n"));
  ASSERT_EQ(ProductDirFrom(path.c_str(), &out), 0);
  EXPECT_STREQ(out, "/fixed/");
  EXPECT_EQ(ProductDirFrom(path.c_str(), nullptr), pkixrc::kFailed);
}

TEST_F(ProductDirsTest, ProductDirIsCachedOnce) {
  std::string path = dir_.file("zelnet.cfg");
  ASSERT_TRUE(WriteFile(path, "AgentRoot=/first/\n"));
  const char* first = nullptr;
  ASSERT_EQ(ProductDirFrom(path.c_str(), &first), 0);

  // Neither a changed file nor a missing one is read again.
  ASSERT_TRUE(WriteFile(path, "AgentRoot=/second/\n"));
  const char* again = nullptr;
  ASSERT_EQ(ProductDirFrom(path.c_str(), &again), 0);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  const char* third = nullptr;
  ASSERT_EQ(ProductDirFrom(path.c_str(), &third), 0);
  EXPECT_EQ(again, first);
  EXPECT_EQ(third, first);
  EXPECT_STREQ(first, "/first/");
}

TEST_F(ProductDirsTest, ExecutableDirCases) {
  MakeDir("a/b");
  MakeDir("a/bin");
  MakeDir("nobin/b");
  MakeDir("elsewhere/tools");
  MakeDir("linked/b");
  ASSERT_EQ(symlink((root_ + "/elsewhere/tools").c_str(), (root_ + "/linked/bin").c_str()), 0);
  for (const char* exe : {"a/b/c", "nobin/b/c", "linked/b/c", "a/c"}) {
    ASSERT_TRUE(WriteFile(root_ + "/" + exe, "#"));
  }
  ASSERT_EQ(symlink((root_ + "/a/b/c").c_str(), (root_ + "/link_to_c").c_str()), 0);

  struct Case {
    const char* exe;
    int code;
    std::string dir;  // below root_
  };
  const Case cases[] = {
      {"a/b/c", 0, "/a/bin/"},
      {"link_to_c", 0, "/a/bin/"},             // the executable's link is resolved first
      {"linked/b/c", 0, "/elsewhere/tools/"},  // and so is the bin directory
      {"nobin/b/c", 9, ""},
      {"a/c", 9, ""},  // no root_/bin
      {"missing", 9, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exe);
    pkix_support::ResetDirCachesForTest();
    const char* out = kUntouched;
    EXPECT_EQ(ExecutableDirFrom((root_ + "/" + c.exe).c_str(), &out), c.code);
    if (c.code == 0) {
      EXPECT_EQ(out, root_ + c.dir);
    } else {
      EXPECT_EQ(out, kUntouched);
    }
  }
}

TEST_F(ProductDirsTest, ExecutableDirIsCachedOnce) {
  MakeDir("a/b");
  MakeDir("a/bin");
  MakeDir("z/b");
  MakeDir("z/bin");
  ASSERT_TRUE(WriteFile(root_ + "/a/b/c", "#"));
  ASSERT_TRUE(WriteFile(root_ + "/z/b/c", "#"));
  const char* first = nullptr;
  EXPECT_EQ(ExecutableDirFrom((root_ + "/missing").c_str(), &first), pkixrc::kFailed);
  ASSERT_EQ(ExecutableDirFrom((root_ + "/a/b/c").c_str(), &first), 0);
  const char* again = nullptr;
  ASSERT_EQ(ExecutableDirFrom((root_ + "/z/b/c").c_str(), &again), 0);
  EXPECT_EQ(again, first);
  EXPECT_EQ(first, root_ + "/a/bin/");
}

// The resolved executable path may be at most 4089 characters long, so that
// "../bin" still fits behind its directory.
TEST_F(ProductDirsTest, LongestExecutablePath) {
  std::string deep = root_;
  while (deep.size() + 101 < 4000) deep += "/" + std::string(100, 'd');
  MakeDir(deep.substr(root_.size() + 1) + "/x");
  MakeDir(deep.substr(root_.size() + 1) + "/bin");
  for (size_t len : {4089u, 4090u}) {
    SCOPED_TRACE(len);
    std::string exe = deep + "/x/";
    exe += std::string(len - exe.size(), 'e');
    ASSERT_EQ(exe.size(), len);
    ASSERT_TRUE(WriteFile(exe, "#"));
    pkix_support::ResetDirCachesForTest();
    const char* out = kUntouched;
    EXPECT_EQ(ExecutableDirFrom(exe.c_str(), &out), len < 4090 ? 0 : 9);
    if (len < 4090) {
      EXPECT_EQ(out, deep + "/bin/");
    }
  }
}

// The exported function, from the running program itself: a copy of a small
// program in a/b answers a/bin/ when that exists and 9 when it does not. On
// the 32-bit target the copy runs under the same emulator as this test, which
// presents the emulated program, not itself, as /proc/self/exe.
TEST_F(ProductDirsTest, RunningProgramFindsBinBesideItsDirectory) {
  MakeDir("a/b");
  std::string copy = root_ + "/a/b/probe";
  std::filesystem::copy_file(PKIX_EXE_DIR_PROBE, copy);
  ASSERT_EQ(chmod(copy.c_str(), 0755), 0);

  auto run = [&]() {
    std::string command = std::string(PKIX_EMULATOR) + " '" + copy + "' 2>&1";
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return std::string("<popen failed>");
    std::string output;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) output += buf;
    pclose(p);
    return output;
  };
  EXPECT_EQ(run(), "9 \n");
  MakeDir("a/bin");
  EXPECT_EQ(run(), "0 " + root_ + "/a/bin/\n");
}

}  // namespace
