// Configuration files of sections and "name = value" lines, read and written
// back with their comment lines in place.
//
// The format, line by line after leading white space:
//   (nothing) or "!..."   a comment line, kept verbatim with the item after it
//   "[name]"              a section header; white space inside the brackets
//                         belongs to the name
//   "name = value"        a variable of the current section, split at the
//                         first '='; name and value are trimmed
// Variables before the first header belong to the nameless section (name ""),
// which is always the first section. Names compare byte for byte.
#ifndef PKIX_SUPPORT_INI_FILE_H_
#define PKIX_SUPPORT_INI_FILE_H_

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "framework/cmn_export.h"

// The reader as other modules see it. The order of the virtual operations is
// part of the module's binary interface: do not reorder or insert.
class HIniFile {
 public:
  virtual ~HIniFile() {}
  // Destroys the object.
  virtual void release() = 0;
  // Merges the file at path into the object. 0 on success, 4 for a null path,
  // 50 when the file cannot be opened, 1 when memory is short, 59 on a line
  // that cannot be read or parsed, 9 when a variable cannot be stored. What
  // was read before a failure stays in the object.
  virtual int load(const char* path) = 0;
  // Writes the object to path. 0 on success, 4 for a null path, 9 when the
  // file cannot be created, written or closed (a partly written regular file
  // is removed), 1 when memory is short.
  virtual int save(const char* path) = 0;
  // The value of the variable, or null when name is null or the section
  // (null: the nameless one) or the variable does not exist.
  virtual const char* getVarValue(const char* section, const char* name) = 0;
  // Sets a variable with an empty comment; see IniFile::setVarValue.
  virtual int setVarValue(const char* section, const char* name, const char* value) = 0;
  // Removes a variable: 0, or 36 when the section or the variable is absent.
  virtual int removeVar(const char* section, const char* name) = 0;
  // The number of sections.
  virtual unsigned getSectionCount() = 0;
  // The index of the section (null: the nameless one), or all ones when none.
  virtual unsigned getSectionIdx(const char* name) = 0;
  // The name of section i, or null when i is out of range.
  virtual const char* getSectionName(unsigned i) = 0;
  // The number of variables of section i, 0 when i is out of range.
  virtual unsigned getVarCount(unsigned i) = 0;
  // Name of variable j of section i, or null when an index is out of range.
  virtual const char* getVarName(unsigned section, unsigned var) = 0;
  // Value of variable j of section i, or null when an index is out of range.
  virtual const char* getVarValue(unsigned section, unsigned var) = 0;
  // Removes variable j of section i: 0, or 36 when an index is out of range.
  virtual int removeVar(unsigned section, unsigned var) = 0;
  // Removes every variable of section i, keeping its name and comment: 0, or
  // 36 when i is out of range.
  virtual int clearSection(unsigned i) = 0;
};

// The module's reader. Returned texts stay valid until the object is changed
// or destroyed. No operation throws.
class IniFile : public HIniFile {
 public:
  struct VarItem {
    std::string name;
    std::string value;
    std::string comment;  // comment lines before the variable, each ending in '\n'
  };
  struct SecItem {
    std::string comment;  // comment lines before the header, each ending in '\n'
    std::string name;     // "" is the nameless section
    std::vector<VarItem> vars;
  };

  // Points at "Empty string"; kept for other modules, unused here.
  CMN_EXPORT static const char* pEmptyStr;

  IniFile() = default;
  ~IniFile() override = default;

  void release() override;
  int load(const char* path) override;
  int save(const char* path) override;
  const char* getVarValue(const char* section, const char* name) override;
  int setVarValue(const char* section, const char* name, const char* value) override;
  int removeVar(const char* section, const char* name) override;
  unsigned getSectionCount() override;
  unsigned getSectionIdx(const char* name) override;
  const char* getSectionName(unsigned i) override;
  unsigned getVarCount(unsigned i) override;
  const char* getVarName(unsigned section, unsigned var) override;
  const char* getVarValue(unsigned section, unsigned var) override;
  int removeVar(unsigned section, unsigned var) override;
  int clearSection(unsigned i) override;

  // Sets a variable of the section (null: nameless), creating the section
  // with an empty comment when missing. An existing variable gets the new
  // value and keeps its comment; a new one is appended with comment. 0 on
  // success, 4 when name or value is null, 9 when the section or the variable
  // cannot be stored.
  int setVarValue(const char* section, const char* name, const char* value, const char* comment);
  // The index of the section (null: nameless); a missing one is created with
  // comment, the nameless one first and any other last. An existing section
  // keeps its comment. All ones when it cannot be created.
  unsigned setVarSection(const char* section, const char* comment);
  // The part of text without leading and trailing white space (C isspace).
  static std::string_view getWithoutSpaces(std::string_view text) noexcept;

 private:
  SecItem* findSection(const char* name);
  VarItem* findVar(SecItem* sec, const char* name);
  int loadLines(FILE* f);
  int parseLine(std::string_view line, std::string* current_section);
  int writeAll(FILE* f) const;

  std::string pending_comment_;  // read after the last section or variable
  std::vector<SecItem> sections_;
};

// A new empty reader, or null when memory is short. Dispose of it with
// release().
extern "C" CMN_EXPORT HIniFile* createIniFile();

#endif  // PKIX_SUPPORT_INI_FILE_H_
