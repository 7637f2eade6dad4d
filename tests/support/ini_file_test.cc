// The INI reader: what load makes of a file, what save writes back, the
// operations on sections and variables, and the interface's slot order.
#include "support/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "support/result_codes.h"

using namespace std::string_literals;

namespace {

struct Releaser {
  void operator()(HIniFile* ini) const { ini->release(); }
};
using IniPtr = std::unique_ptr<HIniFile, Releaser>;

IniPtr NewIni() { return IniPtr(createIniFile()); }

// Every section as "[name]" (the nameless one as "[]"), then its variables
// as "name=value", one a line.
std::string Dump(HIniFile* ini) {
  std::string out;
  for (unsigned i = 0; i < ini->getSectionCount(); ++i) {
    out += "["s + ini->getSectionName(i) + "]\n";
    for (unsigned j = 0; j < ini->getVarCount(i); ++j) {
      out += ini->getVarName(i, j) + "="s + ini->getVarValue(i, j) + "\n";
    }
  }
  return out;
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.ok()); }

  // Loads text from a file into ini and returns load's code.
  int LoadText(HIniFile* ini, const std::string& text, const char* name = "in.ini") {
    std::string path = dir_.file(name);
    EXPECT_TRUE(WriteFile(path, text));
    return ini->load(path.c_str());
  }
  // What save writes for ini, or "<code N>" when it fails.
  std::string SavedText(HIniFile* ini) {
    std::string path = dir_.file("out.ini");
    int rc = ini->save(path.c_str());
    return rc == 0 ? ReadFile(path) : "<code " + std::to_string(rc) + ">";
  }

  TempDir dir_;
};

struct LoadCase {
  const char* what;
  std::string text;
  int code;
  std::string model;  // as Dump writes it
  const char* saved;  // what save writes; null: not checked
};

std::vector<LoadCase> LoadCases() {
  std::vector<LoadCase> cases = {
      {"empty file", "", 0, "", ""},
      {"split at the first equals sign", "a = b = c\n", 0, "[]\na=b = c\n", "a=b = c\n"},
      {"trailing equals sign gives an empty value", "  name =\n", 0, "[]\nname=\n", "name=\n"},
      {"leading equals sign gives an empty name", "=x\n", 0, "[]\n=x\n", "=x\n"},
      {"hash sign without equals sign is malformed", "#x\n", pkixrc::kBadLine, "", nullptr},
      {"hash sign with equals sign is a variable", "#x=1\n", 0, "[]\n#x=1\n", "#x=1\n"},
      {"semicolon is no comment", ";x = 1\n", 0, "[]\n;x=1\n", ";x=1\n"},
      {"spaces inside brackets stay in the name", "[  sp  ]\nk=v\n", 0, "[  sp  ]\nk=v\n",
       "[  sp  ]\nk=v\n"},
      {"white space around a header", " \t[s]  \nk=v\n", 0, "[s]\nk=v\n", "[s]\nk=v\n"},
      {"bracket inside a header", "[a]b]\n", 0, "[a]b]\n", "[a]b]\n"},
      {"empty header is the nameless section", "[]\nk=v\n", 0, "[]\nk=v\n", "k=v\n"},
      {"variables before the first header are nameless, saved first without header",
       "a=1\n[s]\nb=2\n", 0, "[]\na=1\n[s]\nb=2\n", "a=1\n\n[s]\nb=2\n"},
      {"nameless section opened late still comes first", "[a]\nx=1\n[]\ny=2\n", 0,
       "[]\ny=2\n[a]\nx=1\n", "y=2\n\n[a]\nx=1\n"},
      {"repeated section collects its variables", "[a]\nx=1\n[b]\ny=2\n[a]\nz=3\n", 0,
       "[a]\nx=1\nz=3\n[b]\ny=2\n", "[a]\nx=1\nz=3\n\n[b]\ny=2\n"},
      {"same variable twice keeps the later value and the first comment",
       "!first\nk=1\n!second\nk=2\n", 0, "[]\nk=2\n", "!first\nk=2\n"},
      {"comments, blank and indented lines kept in place",
       "!top\n\n[s]\n   ! about k\n \t \nk=v\n!tail\n\n", 0, "[s]\nk=v\n",
       "!top\n\n[s]\n   ! about k\n \t \nk=v\n!tail\n\n"},
      {"only comments", "!a\n\n!b", 0, "", "!a\n\n!b\n"},
      {"final line without line feed", "[s]\na=1", 0, "[s]\na=1\n", "[s]\na=1\n"},
      {"CRLF: trimmed from names, values and headers, kept in comments",
       "!c\r\n\r\n[s]\r\n k \r= v \r\n[ t ]\r\n", 0, "[s]\nk=v\n[ t ]\n",
       "!c\r\n\r\n[s]\nk=v\n\n[ t ]\n"},
      {"line without equals sign stops, earlier lines stay", "a=1\nnonsense\nb=2\n", pkixrc::kBadLine,
       "[]\na=1\n", nullptr},
      {"unclosed header", "a=1\n[bad\nb=2\n", pkixrc::kBadLine, "[]\na=1\n", nullptr},
      {"lone bracket", "[\n", pkixrc::kBadLine, "", nullptr},
      {"text after the closing bracket", "[a] x\n", pkixrc::kBadLine, "", nullptr},
      {"line starting with NUL", "a=1\n\0\nb=2\n"s, pkixrc::kBadLine, "[]\na=1\n", nullptr},
      {"NUL inside a line is not cut off silently", "a=b\0c\n"s, pkixrc::kBadLine, "", nullptr},
      {"NUL inside a comment line", "!x\0y\n"s, pkixrc::kBadLine, "", nullptr},
      {"high bytes are no white space", "\xa0k\xa0=\xff\n", 0, "[]\n\xa0k\xa0=\xff\n",
       "\xa0k\xa0=\xff\n"},
  };
  // Lines around the buffer's 1024-byte steps, and one of 5000 characters,
  // as a value and as a comment.
  for (size_t len : {1022u, 1023u, 1024u, 1025u, 2047u, 2048u, 2049u, 5000u}) {
    std::string value(len - 2, 'v');
    cases.push_back({"long variable line", "k=" + value + "\n", 0, "[]\nk=" + value + "\n",
                     nullptr});
    std::string comment = "!" + std::string(len - 1, 'c');
    cases.push_back({"long comment line", comment + "\nk=1\n", 0, "[]\nk=1\n", nullptr});
  }
  return cases;
}

TEST_F(IniFileTest, LoadCases) {
  for (const LoadCase& c : LoadCases()) {
    SCOPED_TRACE(std::string(c.what) + " (" + std::to_string(c.text.size()) + " bytes)");
    IniPtr ini = NewIni();
    ASSERT_NE(ini, nullptr);
    EXPECT_EQ(LoadText(ini.get(), c.text), c.code);
    EXPECT_EQ(Dump(ini.get()), c.model);
    if (c.saved != nullptr) {
      EXPECT_EQ(SavedText(ini.get()), c.saved);
    }
    // Long lines come back whole.
    if (c.code == 0 && c.text.size() > 1000) {
      EXPECT_EQ(SavedText(ini.get()), c.text);
    }
  }
}

TEST_F(IniFileTest, SavedTextReadsBackToTheSameObject) {
  const std::string text = "!head\nn=0\n\n! first\n[a]\nx = 1\n  !on x2\nx2=2\n[b]\n\ny=3\n!end\n";
  IniPtr first = NewIni();
  ASSERT_EQ(LoadText(first.get(), text), 0);
  std::string saved = SavedText(first.get());
  EXPECT_EQ(saved, "!head\nn=0\n\n! first\n[a]\nx=1\n  !on x2\nx2=2\n\n[b]\n\ny=3\n!end\n");

  IniPtr second = NewIni();
  ASSERT_EQ(LoadText(second.get(), saved, "again.ini"), 0);
  EXPECT_EQ(Dump(second.get()), Dump(first.get()));
  EXPECT_EQ(SavedText(second.get()), saved);
}

TEST_F(IniFileTest, SecondFileMerges) {
  IniPtr ini = NewIni();
  ASSERT_EQ(LoadText(ini.get(), "!on a\na=1\n[s]\nb=2\n!trailing\n", "one.ini"), 0);
  ASSERT_EQ(LoadText(ini.get(), "!other\na=10\nc=3\n[t]\nd=4\n[s]\nb=20\ne=5\n", "two.ini"), 0);
  EXPECT_EQ(Dump(ini.get()), "[]\na=10\nc=3\n[s]\nb=20\ne=5\n[t]\nd=4\n");
  // An overwritten variable keeps the comment it was first read with; the
  // first file's trailing comment is replaced by the second's (none).
  EXPECT_EQ(SavedText(ini.get()), "!on a\na=10\nc=3\n\n[s]\nb=20\ne=5\n\n[t]\nd=4\n");
}

TEST_F(IniFileTest, LoadAndSaveErrors) {
  IniPtr ini = NewIni();
  EXPECT_EQ(ini->load(nullptr), pkixrc::kBadArgument);
  EXPECT_EQ(ini->save(nullptr), pkixrc::kBadArgument);
  EXPECT_EQ(ini->load(dir_.file("missing.ini").c_str()), pkixrc::kCannotOpen);
  ASSERT_EQ(ini->setVarValue("s", "k", "v"), 0);
  EXPECT_EQ(ini->save(dir_.file("no/such/dir.ini").c_str()), pkixrc::kFailed);
  ASSERT_EQ(mkdir(dir_.file("a_dir").c_str(), 0700), 0);
  EXPECT_EQ(ini->save(dir_.file("a_dir").c_str()), pkixrc::kFailed);
}

// A write that fails leaves no partial regular file behind, whether it fails
// while writing or only when the buffered rest is flushed at close.
TEST_F(IniFileTest, FailedWriteRemovesPartialFile) {
  for (size_t value_len : {100u, 20000u}) {
    SCOPED_TRACE(value_len);
    IniPtr ini = NewIni();
    ASSERT_EQ(ini->setVarValue(nullptr, "k", std::string(value_len, 'v').c_str()), 0);
    std::string path = dir_.file("limited.ini");
    ASSERT_TRUE(WriteFile(path, "old"));

    rlimit saved_limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved_limit), 0);
    rlimit small = saved_limit;
    small.rlim_cur = 16;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int rc = ini->save(path.c_str());
    setrlimit(RLIMIT_FSIZE, &saved_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_EQ(rc, pkixrc::kFailed);
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "partial file left behind";
  }
}

// Only a regular file is removed after a failed write: a device stays.
TEST_F(IniFileTest, FailedWriteToDeviceKeepsIt) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  IniPtr ini = NewIni();
  ASSERT_EQ(ini->setVarValue(nullptr, "k", "v"), 0);
  EXPECT_EQ(ini->save("/dev/full"), pkixrc::kFailed);
  EXPECT_EQ(access("/dev/full", F_OK), 0);
}

TEST_F(IniFileTest, SectionAndVariableOperations) {
  IniPtr ini = NewIni();
  EXPECT_EQ(ini->getSectionCount(), 0u);
  EXPECT_EQ(ini->getSectionIdx(nullptr), ~0u);
  ASSERT_EQ(LoadText(ini.get(), "[a]\n!on x\nx=1\ny=2\n[b]\nz=3\n"), 0);

  EXPECT_EQ(ini->getSectionIdx("a"), 0u);
  EXPECT_EQ(ini->getSectionIdx("b"), 1u);
  EXPECT_EQ(ini->getSectionIdx("A"), ~0u);   // case-sensitive
  EXPECT_EQ(ini->getSectionIdx("a "), ~0u);  // full length
  EXPECT_EQ(ini->getSectionName(2), nullptr);
  EXPECT_EQ(ini->getVarCount(2), 0u);
  EXPECT_EQ(ini->getVarName(0, 2), nullptr);
  EXPECT_EQ(ini->getVarValue(2u, 0u), nullptr);
  EXPECT_STREQ(ini->getVarValue("a", "y"), "2");
  EXPECT_EQ(ini->getVarValue("a", nullptr), nullptr);
  EXPECT_EQ(ini->getVarValue("a", "z"), nullptr);
  EXPECT_EQ(ini->getVarValue("c", "x"), nullptr);

  // Setting: nulls refused, an existing variable keeps its comment, a new
  // section is appended, a nameless one goes first.
  EXPECT_EQ(ini->setVarValue("a", nullptr, "v"), pkixrc::kBadArgument);
  EXPECT_EQ(ini->setVarValue("a", "v", nullptr), pkixrc::kBadArgument);
  EXPECT_EQ(ini->setVarValue("a", "x", "10"), 0);
  EXPECT_EQ(ini->setVarValue("c", "w", "4"), 0);
  EXPECT_EQ(ini->setVarValue(nullptr, "n", "5"), 0);
  EXPECT_EQ(Dump(ini.get()), "[]\nn=5\n[a]\nx=10\ny=2\n[b]\nz=3\n[c]\nw=4\n");
  EXPECT_EQ(SavedText(ini.get()), "n=5\n\n[a]\n!on x\nx=10\ny=2\n\n[b]\nz=3\n\n[c]\nw=4\n");

  // Removing.
  EXPECT_EQ(ini->removeVar("a", "missing"), pkixrc::kNotFound);
  EXPECT_EQ(ini->removeVar("missing", "x"), pkixrc::kNotFound);
  EXPECT_EQ(ini->removeVar("a", nullptr), pkixrc::kNotFound);
  EXPECT_EQ(ini->removeVar("a", "x"), 0);
  EXPECT_EQ(ini->removeVar(nullptr, "n"), 0);
  EXPECT_EQ(ini->removeVar(4u, 0u), pkixrc::kNotFound);
  EXPECT_EQ(ini->removeVar(2u, 1u), pkixrc::kNotFound);
  EXPECT_EQ(ini->removeVar(2u, 0u), 0);
  EXPECT_EQ(ini->clearSection(4), pkixrc::kNotFound);
  EXPECT_EQ(ini->clearSection(1), 0);
  EXPECT_EQ(Dump(ini.get()), "[]\n[a]\n[b]\n[c]\nw=4\n");
}

TEST_F(IniFileTest, SetVarSectionKeepsAnExistingComment) {
  IniFile ini;
  EXPECT_EQ(ini.setVarSection("s", "!one\n"), 0u);
  EXPECT_EQ(ini.setVarSection("s", "!two\n"), 0u);
  EXPECT_EQ(ini.setVarSection(nullptr, "!nameless\n"), 0u);
  EXPECT_EQ(ini.getSectionIdx("s"), 1u);
  EXPECT_EQ(ini.setVarValue("s", "k", "v", "!on k\n"), 0);
  EXPECT_EQ(ini.setVarValue("s", "k", "w", "!ignored\n"), 0);
  EXPECT_EQ(SavedText(&ini), "!nameless\n!one\n[s]\n!on k\nk=w\n");
}

// Arguments may be texts of the object itself, such as a section's name;
// creating a section moves the sections, which must not leave them dangling
// or pointing at another section's text.
TEST_F(IniFileTest, SetFromOwnTexts) {
  IniPtr ini = NewIni();
  ASSERT_EQ(LoadText(ini.get(), "[a]\nname=value\n"), 0);
  for (int i = 0; i < 20; ++i) {
    std::string sec = "copy" + std::to_string(i);
    ASSERT_EQ(ini->setVarValue(sec.c_str(), ini->getSectionName(0), ini->getVarValue(0u, 0u)), 0);
  }
  EXPECT_STREQ(ini->getVarValue("copy19", "a"), "value");
  // The nameless section is inserted before section 0.
  ASSERT_EQ(ini->setVarValue(nullptr, ini->getSectionName(0), ini->getSectionName(1)), 0);
  EXPECT_STREQ(ini->getVarValue(nullptr, "a"), "copy0");
  EXPECT_EQ(ini->setVarValue("a", "name", ini->getVarValue("a", "name")), 0);
  EXPECT_STREQ(ini->getVarValue("a", "name"), "value");
}

TEST(IniFileTrim, GetWithoutSpaces) {
  EXPECT_EQ(IniFile::getWithoutSpaces(" \t\r\n\v\fa b\t \r"), "a b");
  EXPECT_EQ(IniFile::getWithoutSpaces("   "), "");
  EXPECT_EQ(IniFile::getWithoutSpaces(""), "");
  EXPECT_EQ(IniFile::getWithoutSpaces("\xa0x\xa0"), "\xa0x\xa0");
}

TEST(IniFileExports, EmptyStr) { EXPECT_STREQ(IniFile::pEmptyStr, "Empty string"); }

// Other modules call through the table of virtual operations, so the order
// of its slots is fixed. A pointer to a virtual member holds 1 plus the
// slot's byte offset in the table; slots 0 and 1 are the destructor's.
template <typename Fn>
size_t Slot(Fn fn) {
  struct {
    uintptr_t ptr;
    ptrdiff_t adj;
  } raw;
  static_assert(sizeof fn == sizeof raw, "member pointers are two words");
  std::memcpy(&raw, &fn, sizeof raw);
  return (raw.ptr - 1) / sizeof(void*);
}

TEST(IniFileExports, SlotOrder) {
  using H = HIniFile;
  EXPECT_EQ(Slot(&H::release), 2u);
  EXPECT_EQ(Slot(&H::load), 3u);
  EXPECT_EQ(Slot(&H::save), 4u);
  EXPECT_EQ(Slot(static_cast<const char* (H::*)(const char*, const char*)>(&H::getVarValue)), 5u);
  EXPECT_EQ(Slot(&H::setVarValue), 6u);
  EXPECT_EQ(Slot(static_cast<int (H::*)(const char*, const char*)>(&H::removeVar)), 7u);
  EXPECT_EQ(Slot(&H::getSectionCount), 8u);
  EXPECT_EQ(Slot(&H::getSectionIdx), 9u);
  EXPECT_EQ(Slot(&H::getSectionName), 10u);
  EXPECT_EQ(Slot(&H::getVarCount), 11u);
  EXPECT_EQ(Slot(&H::getVarName), 12u);
  EXPECT_EQ(Slot(static_cast<const char* (H::*)(unsigned, unsigned)>(&H::getVarValue)), 13u);
  EXPECT_EQ(Slot(static_cast<int (H::*)(unsigned, unsigned)>(&H::removeVar)), 14u);
  EXPECT_EQ(Slot(&H::clearSection), 15u);
}

}  // namespace
