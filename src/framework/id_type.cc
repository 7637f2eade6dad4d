#include "framework/id_type.h"

#include <cstdlib>
#include <cstring>
#include <new>

TypifiedID::~TypifiedID() = default;

Tuint32ID::~Tuint32ID() = default;

int Tuint32ID::val_comp(const TypifiedID& other) const {
  uint32_t o = static_cast<const Tuint32ID&>(other).value_;
  if (o > value_) return 1;
  if (o < value_) return -1;
  return 0;
}

void Tuint32ID::dump() const {}

static char* CopyText(const char* text) {
  if (text == nullptr) text = "";
  size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(n));
  if (copy == nullptr) throw std::bad_alloc();
  std::memcpy(copy, text, n);
  return copy;
}

TstringID::TstringID(const char* text) : TypifiedID(kIdString), text_(CopyText(text)) {}

TstringID::TstringID(const TstringID& other) : TypifiedID(other), text_(CopyText(other.text_)) {}

TstringID::~TstringID() { std::free(text_); }

int TstringID::val_comp(const TypifiedID& other) const {
  return std::strcmp(static_cast<const TstringID&>(other).text_, text_);
}

void TstringID::dump() const {}
