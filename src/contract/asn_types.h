// The host's generic ASN.1 type service (pkixid::kGenericAsn, 66) and the
// objects it hands out, as the module uses them: byte buffers with a read
// cursor, and typed values (INTEGER, strings, SEQUENCE, SET, CHOICE, ...)
// that encode and decode themselves.
//
// Ownership. Every object here is a guarded reference. Every operation that
// returns an object pointer (create, clone, encode, getValue, getObject,
// getFirst, getNext, getType, getNumber) returns a NEW reference that the
// caller owns and lets go with remReference(); null means failure (the
// object's err() then says why) or, for the element getters, "no such
// element". Operations that take an object pointer never consume the
// caller's reference: setters copy the octets of a buffer they are given;
// the container operations (addObject, setTypeForEncode, registry) take a
// reference of their own to the value object they are given, so the caller
// and the container then share it.
//
// Buffers. A buffer holds octets from base() to base() + len() and a read
// cursor, datap(), somewhere in [base(), base() + len()]; len_of_datap() is
// the number of octets from the cursor to the end (the "unread octets").
// Whenever an operation takes octets FROM a buffer (setValue, set through
// insert, decode, operator==, save) it takes its unread octets. A buffer
// made by the service (create, encode, getValue, clone) has its cursor at
// base(). Decoding reads forward from the cursor; encoding builds DER
// backwards: putLen, putTag and insert prepend in front of base().
//
// Identifiers. Tag numbers 0 to 30 are written and read as one identifier
// octet; the high tag-number form is refused (kAsnBadArgument when writing,
// kAsnBadTag when reading). A "flag" is the identifier octet's upper three
// bits: the class (kAsnClassUniversal, ...) or'ed with kAsnConstructed for a
// constructed encoding. An "identifier" (realId) is the whole identifier
// octet: flag | number, e.g. 0x30 for SEQUENCE, 0xA0 for [0] constructed,
// 0x13 for PrintableString.
//
// Encoding and decoding. encode() always writes DER: definite minimal
// lengths, primitive strings, BOOLEAN TRUE as FF, minimal INTEGERs, unused
// bits of a BIT STRING cleared, SET elements ordered by their encodings
// (unless sortByValue(0)). decode() under ASN_DER (every object's default)
// accepts DER only and answers kAsnNotDer for valid BER that is not DER
// (indefinite length, constructed string, BOOLEAN true other than FF, unused
// bits not zero); under ASN_BER it also accepts those forms: indefinite
// lengths on constructed elements, constructed OCTET, BIT and character
// strings (their segments are joined), any non-zero BOOLEAN octet. Length
// octets must be minimal (at most four) under both. A constructed object
// hands its own setting to each element before decoding it.
//
// decode(in) reads ONE element at in's cursor. On success it returns 0,
// advances the cursor past the element (end-of-contents octets of an
// indefinite length included) and getDecLen() gives the number of octets
// read; on failure it returns a code, the cursor is where it was, and the
// object keeps no half-decoded value it did not have before except as
// stated for the containers below. Nothing is ever read outside the unread
// octets, and nesting is bounded (kAsnMaxDepth levels of objects decoding
// or encoding inside one another, cycles included).
//
// Every value object keeps its last result: err() is the code returned by
// its most recent encode, decode or setter (0 when that succeeded).
#ifndef PKIX_CONTRACT_ASN_TYPES_H_
#define PKIX_CONTRACT_ASN_TYPES_H_

#include <cstdint>

#include "contract/guarded_ref.h"

namespace pkixasn {

// Kind codes: what create(unsigned) makes. The typed identifier of each
// object (getType() of its guarded reference) is its kind code.
constexpr uint32_t kKindBuffer = 0x420001;           // CMN_ASN_Buf_Interface
constexpr uint32_t kKindGeneric = 0x420002;          // any one element, kept as its octets
constexpr uint32_t kKindBool = 0x420003;             // BOOLEAN
constexpr uint32_t kKindInteger = 0x420004;          // INTEGER
constexpr uint32_t kKindOctetString = 0x420005;      // OCTET STRING
constexpr uint32_t kKindPrintableString = 0x420006;  // PrintableString
constexpr uint32_t kKindBitString = 0x420007;        // BIT STRING
constexpr uint32_t kKindNull = 0x420008;             // NULL
constexpr uint32_t kKindSequence = 0x420009;         // SEQUENCE
constexpr uint32_t kKindSet = 0x42000A;              // SET / SET OF
constexpr uint32_t kKindObjectId = 0x42000B;         // OBJECT IDENTIFIER
constexpr uint32_t kKindExplicit = 0x42000C;         // explicit tagging
constexpr uint32_t kKindOptional = 0x42000D;         // optional element
constexpr uint32_t kKindUtcTime = 0x42000E;          // UTCTime
constexpr uint32_t kKindGeneralTime = 0x42000F;      // GeneralizedTime
constexpr uint32_t kKindAny = 0x420010;              // ANY
constexpr uint32_t kKindTemplate = 0x420011;         // one element of a chosen identifier
constexpr uint32_t kKindChoice = 0x420012;           // CHOICE
// 0x420013 is not a kind.
constexpr uint32_t kKindConstructed = 0x420014;      // constructed value
constexpr uint32_t kKindBMPString = 0x420015;        // BMPString
constexpr uint32_t kKindIA5String = 0x420016;        // IA5String
constexpr uint32_t kKindUniversalString = 0x420017;  // UniversalString
// The kind code the module uses for its own (PKIX) objects, which it never
// asks the service for.
constexpr uint32_t kKindModuleOwn = 0xFFFFFFFF;

// Flag bits of an identifier octet.
constexpr unsigned char kAsnClassUniversal = 0x00;
constexpr unsigned char kAsnClassApplication = 0x40;
constexpr unsigned char kAsnClassContext = 0x80;
constexpr unsigned char kAsnClassPrivate = 0xC0;
constexpr unsigned char kAsnClassMask = 0xC0;
constexpr unsigned char kAsnConstructed = 0x20;
constexpr unsigned char kAsnFlagMask = 0xE0;
// The largest tag number written or read (one identifier octet).
constexpr unsigned kAsnMaxTagNumber = 30;
// getLen's value for the indefinite form.
constexpr unsigned kAsnIndefiniteLength = 0xFFFFFFFF;
// getMinId's value when no alternative is chosen.
constexpr unsigned kAsnNoIndex = 0xFFFFFFFF;
// How deep objects may decode or encode inside one another.
constexpr unsigned kAsnMaxDepth = 64;

// Result codes. The first group has the module's numbers for the same
// meaning, so they read the same on both sides; the second group is the
// service's own (0x42 in the upper octet), returned by decode and reading
// buffer operations.
enum AsnCode : int {
  kAsnOk = 0,
  kAsnNoMemory = 1,       // memory exhausted
  kAsnBadArgument = 4,    // null or out-of-range argument, value not allowed for the kind
  kAsnWrongType = 5,      // the object given is not of a kind the operation takes
  kAsnFailed = 9,         // file could not be read or written; anything else that failed
  kAsnAlreadyPresent = 33,  // an element is already held where only one fits
  kAsnNotFound = 36,      // no registered type of that name
  kAsnNotSet = 40,        // encode of a value never set (INTEGER, OBJECT IDENTIFIER,
                          // time, template, empty ANY or CHOICE with none chosen)

  kAsnTruncated = 0x4201,  // the unread octets end inside the element (or are empty)
  kAsnBadTag = 0x4202,     // another identifier than expected; a high tag-number form
  kAsnBadLength = 0x4203,  // length octets malformed: non-minimal, more than four,
                           // indefinite on a primitive element, unterminated indefinite
  kAsnBadValue = 0x4204,   // content not valid for the kind (INTEGER empty, BOOLEAN not one
                           // octet, time text, OBJECT IDENTIFIER octets, characters)
  kAsnNotDer = 0x4205,     // valid BER refused under ASN_DER
  kAsnTooDeep = 0x4206,    // nesting beyond kAsnMaxDepth
  kAsnTrailing = 0x4207,   // octets left inside a constructed element after its elements
  kAsnNoAlternative = 0x4208,  // no alternative of a CHOICE accepts the element
};

}  // namespace pkixasn

// What decode accepts; encode writes DER under both.
enum asn_encoding_t : int {
  ASN_BER = 0,  // DER and the BER forms listed at the top
  ASN_DER = 1,  // DER only (the default)
};

// A byte buffer with a read cursor (kind 0x420001). Codes: kAsnOk, or the
// code named; a failing operation changes nothing.
class CMN_ASN_Buf_Interface : public CMN_GuardedRef {
 public:
  explicit CMN_ASN_Buf_Interface(unsigned code = pkixasn::kKindBuffer) : CMN_GuardedRef(code) {}
  using CMN_GuardedRef::init;

  // Replaces the contents by the octets of file; cursor at base().
  // kAsnBadArgument (null name), kAsnFailed (cannot read), kAsnNoMemory.
  virtual int load(const char* file) = 0;
  // Writes the unread octets to file (created or truncated).
  // kAsnBadArgument, kAsnFailed.
  virtual int save(const char* file) = 0;
  // Replaces the contents by size zero octets; cursor at base(). kAsnNoMemory.
  virtual int init(unsigned size) = 0;
  // Replaces the contents by a copy of len octets at p; cursor at base().
  // kAsnBadArgument (null p with len > 0), kAsnNoMemory.
  virtual int set(const unsigned char* p, unsigned len) = 0;
  // True when both buffers' unread octets are the same.
  virtual bool operator==(CMN_ASN_Buf_Interface& other) = 0;
  // A new buffer with a copy of all the octets and the same cursor offset
  // (new reference); null when memory is short.
  virtual CMN_ASN_Buf_Interface* clone() = 0;
  // The number of octets from base() to the end.
  virtual unsigned len() = 0;
  // The octet at the cursor (any pointer when len_of_datap() is 0). Valid
  // until the next operation that changes the buffer.
  virtual unsigned char* datap() = 0;
  // The first octet (any pointer when len() is 0); valid as datap().
  virtual unsigned char* base() = 0;
  // The number of unread octets (from the cursor to the end).
  virtual unsigned len_of_datap() = 0;
  // The unread octet at offset i from the cursor; 0 beyond the end.
  virtual unsigned char operator[](unsigned i) = 0;
  // Moves the cursor forward over n octets. kAsnTruncated when fewer remain.
  virtual int operator>>(unsigned n) = 0;
  // Moves the cursor back by n octets. kAsnBadArgument when the cursor is
  // fewer than n octets from base().
  virtual int operator<<(unsigned n) = 0;
  // Puts the cursor back at base(); kAsnOk.
  virtual int reset() = 0;
  // The same move as operator<<(n) (the support library's name for it).
  virtual int retreat(unsigned n) = 0;
  // The same move as operator>>(n) (the support library's name for it).
  virtual int shift(unsigned n) = 0;
  // Prepends a copy of other's unread octets in front of base(); the cursor
  // goes to the new base(). other may be this buffer. kAsnBadArgument (null),
  // kAsnNoMemory.
  virtual int insert(CMN_ASN_Buf_Interface* other) = 0;
  // Reads the identifier octet at the cursor and steps over it: number gets
  // the tag number (0..30), flag the class and constructed bits, octets the
  // number of identifier octets read (1). kAsnTruncated (nothing unread),
  // kAsnBadTag (high tag-number form); outputs unchanged on failure.
  virtual int getTag(unsigned& number, unsigned char& flag, unsigned& octets) = 0;
  // Prepends the identifier octet flag | number. kAsnBadArgument for a
  // number above 30 or a flag with any of its low five bits set;
  // kAsnNoMemory.
  virtual int putTag(unsigned number, unsigned char flag) = 0;
  // Compares the identifier octet at the cursor with flag | number without
  // reading it: kAsnOk when equal, kAsnBadTag when not (or high form),
  // kAsnTruncated when nothing is unread.
  virtual int chkTag(unsigned number, unsigned char flag) = 0;
  // Prepends the DER length octets of len. kAsnBadArgument for
  // kAsnIndefiniteLength; kAsnNoMemory.
  virtual int putLen(unsigned len) = 0;
  // Reads length octets at the cursor and steps over them: len gets the
  // value, or kAsnIndefiniteLength for the indefinite form (0x80). A
  // definite length must not exceed the octets unread after the length
  // octets (kAsnTruncated); one above 2^31-1 is kAsnBadLength, as are
  // non-minimal length octets and more than four. Cursor and len unchanged
  // on failure.
  virtual int getLen(unsigned& len) = 0;
};

// The base of every value object. The identifier an object writes and
// expects is flag | objId: each kind starts with its universal identifier
// (INTEGER 0x02, SEQUENCE 0x30 ...); setFlag/setObjId change it, which is
// implicit tagging ([1] IMPLICIT INTEGER is setFlag(0x80), setObjId(1)). For
// a constructed kind the constructed bit stays set whatever flag is given;
// for the others a flag with the constructed bit is refused
// (kAsnBadArgument). CHOICE, ANY, OPTIONAL, the generic kind and a template
// with no identifier fixed take the identifier of what they hold, and their
// setFlag/setObjId answer kAsnBadArgument.
class CMN_ASN_Type_Interface : public CMN_GuardedRef {
 public:
  explicit CMN_ASN_Type_Interface(unsigned code = pkixasn::kKindGeneric) : CMN_GuardedRef(code) {}

  // A new buffer holding the whole DER element (new reference, cursor at
  // base()); null on failure (err(): kAsnNotSet, kAsnNoMemory, kAsnTooDeep,
  // or the code of an element that failed). An OPTIONAL that is absent
  // encodes as an empty buffer.
  virtual CMN_ASN_Buf_Interface* encode() = 0;
  // Decodes one element at in's cursor (see the top of this file). Codes:
  // kAsnBadArgument (null in), kAsnTruncated, kAsnBadTag, kAsnBadLength,
  // kAsnBadValue, kAsnNotDer, kAsnTooDeep, kAsnTrailing, kAsnNoAlternative,
  // kAsnNoMemory.
  virtual int decode(CMN_ASN_Buf_Interface* in) = 0;
  // The code of the most recent encode, decode or setter.
  virtual int err() = 0;
  // The number of octets the last successful decode read (whole element,
  // header and end-of-contents included); 0 before any, and 0 for an absent
  // OPTIONAL.
  virtual unsigned getDecLen() = 0;
  // The length of the element encode() would write now; 0 when it would fail.
  virtual unsigned getRawLen() = 0;
  // The length of the element written by the last successful encode(), or
  // the value set by setEncLen since; 0 before either.
  virtual unsigned getEncLen() = 0;
  // Records len as the encoded length getEncLen() reports; kAsnOk.
  virtual int setEncLen(unsigned len) = 0;
  // What decode accepts (ASN_DER by default).
  virtual asn_encoding_t getEnc() = 0;
  // kAsnOk; kAsnBadArgument for a value not of asn_encoding_t.
  virtual int setEnc(asn_encoding_t enc) = 0;
  // The flag bits of the identifier (see above); for the kinds that take
  // their holder's identifier, those of what they hold now (0 when nothing).
  virtual unsigned char getFlag() = 0;
  // Sets the class (and, for constructed kinds, keeps the constructed bit).
  virtual int setFlag(unsigned char flag) = 0;
  // The tag number of the identifier, as getFlag.
  virtual unsigned getObjId() = 0;
  // Sets the tag number; kAsnBadArgument above 30.
  virtual int setObjId(unsigned number) = 0;
  // A deep copy (elements cloned too, settings and values copied) as a new
  // reference; null when memory is short or an element cannot be cloned.
  virtual CMN_ASN_Type_Interface* clone() = 0;
  // 1 when the element is written constructed, else 0.
  virtual int isConstructed() = 0;
};

// INTEGER (0x420004). Two views of one value: setValue/getValue work on the
// DER content octets (two's complement, big-endian); setNumber/getNumber and
// signum on sign and magnitude (the magnitude an unsigned big-endian number,
// as a key parameter or a serial number is kept; a machine integer must be
// put in big-endian order first).
class CMN_ASN_Integer_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_Integer_Interface(unsigned code = pkixasn::kKindInteger)
      : CMN_ASN_Type_Interface(code) {}
  // Sets the value from two's complement octets (redundant leading sign
  // octets are dropped). kAsnBadArgument for null or no octets.
  virtual int setValue(CMN_ASN_Buf_Interface* value) = 0;
  // The minimal two's complement octets (new buffer); null when unset.
  virtual CMN_ASN_Buf_Interface* getValue() = 0;
  virtual int setValue(const unsigned char* p, unsigned len) = 0;
  // Sets a non-negative value from an unsigned big-endian magnitude (leading
  // zero octets allowed; no octets is zero). kAsnBadArgument for null.
  virtual int setNumber(CMN_ASN_Buf_Interface* magnitude) = 0;
  virtual int setNumber(const unsigned char* p, unsigned len) = 0;
  // The magnitude |value| as minimal unsigned big-endian octets (one 00
  // octet for zero; new buffer); null when unset.
  virtual CMN_ASN_Buf_Interface* getNumber() = 0;
  // -1, 0 or 1 as the value is negative, zero or positive (0 when unset).
  virtual int signum() = 0;
  // Keeps the magnitude and sets the sign: negative for sign < 0,
  // non-negative otherwise (zero stays zero). kAsnNotSet when unset.
  virtual int signum(int sign) = 0;
};

// OCTET STRING and the character strings: the content octets as they are.
// setValue checks the characters: PrintableString A-Z a-z 0-9 space
// ' ( ) + , - . / : = ?; IA5String octets below 0x80; BMPString an even
// number of octets; UniversalString a multiple of four (kAsnBadArgument
// otherwise). decode applies the same rules (kAsnBadValue), except the
// PrintableString characters, which widely issued certificates break. An
// unset string encodes as empty.
class CMN_ASN_String_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_String_Interface(unsigned code) : CMN_ASN_Type_Interface(code) {}
  // Sets the octets (copied). kAsnBadArgument for null or characters refused.
  virtual int setValue(CMN_ASN_Buf_Interface* value) = 0;
  // The octets (new buffer, possibly empty).
  virtual CMN_ASN_Buf_Interface* getValue() = 0;
};

class CMN_ASN_OctetString_Interface : public CMN_ASN_String_Interface {
 public:
  explicit CMN_ASN_OctetString_Interface(unsigned code = pkixasn::kKindOctetString)
      : CMN_ASN_String_Interface(code) {}
  virtual int setValue(const unsigned char* p, unsigned len) = 0;
  using CMN_ASN_String_Interface::setValue;
};

class CMN_ASN_PrintableString_Interface : public CMN_ASN_String_Interface {
 public:
  explicit CMN_ASN_PrintableString_Interface(unsigned code = pkixasn::kKindPrintableString)
      : CMN_ASN_String_Interface(code) {}
};

class CMN_ASN_IA5String_Interface : public CMN_ASN_String_Interface {
 public:
  explicit CMN_ASN_IA5String_Interface(unsigned code = pkixasn::kKindIA5String)
      : CMN_ASN_String_Interface(code) {}
};

class CMN_ASN_BMPString_Interface : public CMN_ASN_String_Interface {
 public:
  explicit CMN_ASN_BMPString_Interface(unsigned code = pkixasn::kKindBMPString)
      : CMN_ASN_String_Interface(code) {}
};

class CMN_ASN_UniversalString_Interface : public CMN_ASN_String_Interface {
 public:
  explicit CMN_ASN_UniversalString_Interface(unsigned code = pkixasn::kKindUniversalString)
      : CMN_ASN_String_Interface(code) {}
};

// BIT STRING: the bit octets (without the unused-bits octet) and the number
// of unused bits in the last octet (0..7). encode clears the unused bits.
class CMN_ASN_BitString_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_BitString_Interface(unsigned code = pkixasn::kKindBitString)
      : CMN_ASN_Type_Interface(code) {}
  // Sets the octets; the unused count becomes 0. kAsnBadArgument for null.
  virtual int setValue(CMN_ASN_Buf_Interface* value) = 0;
  // The octets (new buffer, possibly empty).
  virtual CMN_ASN_Buf_Interface* getValue() = 0;
  virtual int setValue(const unsigned char* p, unsigned len) = 0;
  // The unused bits of the last octet.
  virtual unsigned unused() = 0;
  // Sets them: kAsnBadArgument above 7, or non-zero with no octets.
  virtual int unused(unsigned char bits) = 0;
};

// OBJECT IDENTIFIER: the DER content octets, or the arcs.
class CMN_ASN_ObjectId_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_ObjectId_Interface(unsigned code = pkixasn::kKindObjectId)
      : CMN_ASN_Type_Interface(code) {}
  // Sets the content octets (checked). kAsnBadArgument for null,
  // kAsnBadValue for malformed octets.
  virtual int setValue(CMN_ASN_Buf_Interface* content) = 0;
  // The content octets (new buffer); null when unset.
  virtual CMN_ASN_Buf_Interface* getValue() = 0;
  // Sets count arcs: at least 2, the first 0..2, the second 0..39 under a
  // first of 0 or 1 (kAsnBadArgument otherwise).
  virtual int setValue(const unsigned* arcs, unsigned count) = 0;
};

// BOOLEAN (FALSE until set).
class CMN_ASN_Bool_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_Bool_Interface(unsigned code = pkixasn::kKindBool)
      : CMN_ASN_Type_Interface(code) {}
  // 1 for TRUE, 0 for FALSE.
  virtual int value() = 0;
  // Any non-zero v is TRUE; kAsnOk.
  virtual int value(int v) = 0;
};

// UTCTime and GeneralizedTime, as seconds since 1970-01-01T00:00:00Z.
// encode writes YYMMDDHHMMSSZ (UTCTime: years 1950 to 2049 only, else
// kAsnBadArgument on setTime) or YYYYMMDDHHMMSSZ. decode accepts the forms
// with or without seconds and with a Z or a +hhmm/-hhmm offset (converted
// to UTC) and, for GeneralizedTime, a fraction (dropped); under ASN_DER only
// the Z forms with seconds and no fraction. A time beyond what long holds
// is kAsnBadValue. encode writes the time held in the DER form, whatever
// form it was read from.
class CMN_ASN_Time_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_Time_Interface(unsigned code) : CMN_ASN_Type_Interface(code) {}
  virtual int setTime(long seconds) = 0;
  // The time held; 0 when unset.
  virtual long getTime() = 0;
};

class CMN_ASN_UtcTime_Interface : public CMN_ASN_Time_Interface {
 public:
  explicit CMN_ASN_UtcTime_Interface(unsigned code = pkixasn::kKindUtcTime)
      : CMN_ASN_Time_Interface(code) {}
};

class CMN_ASN_GeneralTime_Interface : public CMN_ASN_Time_Interface {
 public:
  explicit CMN_ASN_GeneralTime_Interface(unsigned code = pkixasn::kKindGeneralTime)
      : CMN_ASN_Time_Interface(code) {}
};

// The generic kind (0x420002) has no interface of its own: it is a
// CMN_ASN_Type_Interface holding one whole element of any identifier as the
// octets it was decoded from (BER stays as read); encode writes them back
// (kAsnNotSet before any decode).

// NULL: no operations of its own.
class CMN_ASN_Null_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_Null_Interface(unsigned code = pkixasn::kKindNull)
      : CMN_ASN_Type_Interface(code) {}
};

// The constructed kinds: SEQUENCE (identifier 0x30), explicit tagging
// (0xA0: [0] EXPLICIT, change it with setFlag/setObjId) and the constructed
// value (0x30 until changed). Their content is their elements' encodings in
// order. decode decodes the elements in order from the content; an OPTIONAL
// element that is absent is skipped, and octets left over are kAsnTrailing.
// An object with no elements decodes every element it finds into a new
// generic object appended to it (SEQUENCE OF any); with elements, the
// elements keep what they decoded even when a later one fails.
class CMN_ASN_Constructed_Base_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_Constructed_Base_Interface(unsigned code) : CMN_ASN_Type_Interface(code) {}
  // Appends element (the container takes its own reference).
  // kAsnBadArgument for null or the container itself.
  virtual int addObject(CMN_ASN_Type_Interface* element) = 0;
  // Element i (new reference); null beyond the last.
  virtual CMN_ASN_Type_Interface* getObject(unsigned i) = 0;
};

class CMN_ASN_Sequence_Interface : public CMN_ASN_Constructed_Base_Interface {
 public:
  explicit CMN_ASN_Sequence_Interface(unsigned code = pkixasn::kKindSequence)
      : CMN_ASN_Constructed_Base_Interface(code) {}
  // Drops the last element; kAsnNotFound when there is none.
  virtual int removeLastObject() = 0;
};

class CMN_ASN_Explicit_Interface : public CMN_ASN_Constructed_Base_Interface {
 public:
  explicit CMN_ASN_Explicit_Interface(unsigned code = pkixasn::kKindExplicit)
      : CMN_ASN_Constructed_Base_Interface(code) {}
};

class CMN_ASN_Type_Constructed_Interface : public CMN_ASN_Constructed_Base_Interface {
 public:
  explicit CMN_ASN_Type_Constructed_Interface(unsigned code = pkixasn::kKindConstructed)
      : CMN_ASN_Constructed_Base_Interface(code) {}
};

// SET (identifier 0x31). encode writes the elements' encodings in ascending
// octet order (the DER order of SET OF, and of a SET, whose distinct tags
// order the same way) unless sortByValue(0) asked for insertion order; the
// elements themselves keep their insertion order for getObject. decode with
// elements matches each element found to the first element not yet decoded
// that accepts it, in any order (absent OPTIONAL elements allowed); without
// elements it appends a new generic object per element found (SET OF any).
// The order of a SET OF is not checked on decode.
class CMN_ASN_Set_Interface : public CMN_ASN_Constructed_Base_Interface {
 public:
  explicit CMN_ASN_Set_Interface(unsigned code = pkixasn::kKindSet)
      : CMN_ASN_Constructed_Base_Interface(code) {}
  // Element 0 (new reference), and the cursor on it; null when empty.
  virtual CMN_ASN_Type_Interface* getFirst() = 0;
  // The element after the cursor (new reference), the cursor on it; null
  // at the end.
  virtual CMN_ASN_Type_Interface* getNext() = 0;
  // on != 0: encode in ascending order of the encodings (the default);
  // 0: in insertion order. kAsnOk.
  virtual int sortByValue(int on) = 0;
  // Drops the last element; kAsnNotFound when there is none.
  virtual int removeLastObject() = 0;
};

// CHOICE: alternatives, of which one is chosen, by decode (the first
// alternative, in order, that decodes the element) or by setTypeForEncode.
// getRealId() is the identifier octet of the chosen alternative
// (0 when none); getMinId() its position among the alternatives
// (kAsnNoIndex when none).
class CMN_ASN_Choice_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_Choice_Interface(unsigned code = pkixasn::kKindChoice)
      : CMN_ASN_Type_Interface(code) {}
  // Adds an alternative (own reference). kAsnBadArgument for null or itself.
  virtual int addObject(CMN_ASN_Type_Interface* alternative) = 0;
  virtual CMN_ASN_Type_Interface* getObject(unsigned i) = 0;
  // Chooses alternative (which must be one added; kAsnBadArgument else).
  virtual int setTypeForEncode(CMN_ASN_Type_Interface* alternative) = 0;
  // The chosen alternative (new reference); null when none.
  virtual CMN_ASN_Type_Interface* getType() = 0;
  virtual unsigned getRealId() = 0;
  virtual unsigned getMinId() = 0;
};

// ANY: holds the objects added, and encodes their encodings one after the
// other. decode reads one element of any identifier: the first object held
// that decodes it takes it; when none does (or none is held), a new generic
// object holding the element is appended. After a decode, encode writes
// the object that took the element (until the next addObject), so that
// candidates that did not match are not written. getRealId() is the identifier
// octet of the element last decoded, else of the first object held's
// encoding (0 when none).
class CMN_ASN_Any_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_Any_Interface(unsigned code = pkixasn::kKindAny)
      : CMN_ASN_Type_Interface(code) {}
  virtual int addObject(CMN_ASN_Type_Interface* element) = 0;
  virtual CMN_ASN_Type_Interface* getObject(unsigned i) = 0;
  virtual CMN_ASN_Type_Interface* getFirst() = 0;
  virtual CMN_ASN_Type_Interface* getNext() = 0;
  virtual unsigned getRealId() = 0;
};

// OPTIONAL: one element that may be absent. addObject sets the element and
// makes it present (kAsnAlreadyPresent when one is held). decode: when
// nothing is unread, or the element answers kAsnBadTag or kAsnNoAlternative
// (another identifier), the OPTIONAL is absent, decode returns kAsnOk and
// reads nothing; other failures of the element are returned. An element
// of a kind with a fixed identifier counts as absent only when the
// identifier octet at the cursor is not its own: when it is, a wrong
// identifier further inside is returned as the fault it is. The same rule
// tells CHOICE and SET which failures let them try the next element. An absent OPTIONAL
// encodes as nothing. getRealId() is the identifier octet of the element
// when present, 0 when absent.
class CMN_ASN_Optional_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_Optional_Interface(unsigned code = pkixasn::kKindOptional)
      : CMN_ASN_Type_Interface(code) {}
  virtual int addObject(CMN_ASN_Type_Interface* element) = 0;
  virtual CMN_ASN_Type_Interface* getObject(unsigned i) = 0;
  virtual unsigned getRealId() = 0;
};

// Template: one element whose identifier is chosen at run time, kept as its
// content octets. setRealId(id) fixes the identifier octet written and
// accepted (0: not fixed; decode then takes any identifier, and encode needs
// one: kAsnNotSet). After decode getRealId() is the identifier seen.
// Named templates (CMN_ASN_Interface::registry) are prototypes of any kind.
class CMN_ASN_Template_Interface : public CMN_ASN_Type_Interface {
 public:
  explicit CMN_ASN_Template_Interface(unsigned code = pkixasn::kKindTemplate)
      : CMN_ASN_Type_Interface(code) {}
  // Sets the content octets. kAsnBadArgument for null.
  virtual int setValue(CMN_ASN_Buf_Interface* content) = 0;
  // The content octets (new buffer, possibly empty).
  virtual CMN_ASN_Buf_Interface* getValue() = 0;
  virtual unsigned getRealId() = 0;
  // kAsnBadArgument for a value above 0xFF or a high tag-number form.
  virtual int setRealId(unsigned id) = 0;
};

// The service (pkixid::kGenericAsn).
class CMN_ASN_Interface : public CMN_GuardedRef {
 public:
  CMN_ASN_Interface() : CMN_GuardedRef(0) {}
  // A new object of the kind code (new reference): a CMN_ASN_Buf_Interface
  // for kKindBuffer, else the CMN_ASN_Type_Interface of that kind. Null for
  // an unknown code or when memory is short.
  virtual CMN_GuardedRef* create(unsigned code) = 0;
  // A clone of the prototype registered under name (new reference); null
  // for an unknown name.
  virtual CMN_ASN_Type_Interface* create(const char* name) = 0;
  // Registers a clone of prototype under name, replacing an earlier one.
  // kAsnBadArgument for a null or empty name or a null prototype,
  // kAsnFailed when the prototype cannot be cloned, kAsnNoMemory.
  virtual int registry(const char* name, CMN_ASN_Type_Interface* prototype) = 0;
};

#endif  // PKIX_CONTRACT_ASN_TYPES_H_
