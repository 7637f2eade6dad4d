// The logging service (pkixid::kLogging) and the message containers it hands
// out, as the module uses them.
#ifndef PKIX_CONTRACT_CMNLOG_H_
#define PKIX_CONTRACT_CMNLOG_H_

#include <cstdint>

#include "contract/guarded_ref.h"

typedef uint32_t LogMsgID;
typedef uint32_t LogMsgSection;
typedef uint32_t LogMsgSeverity;
typedef uint32_t LogMsgDetailing;
typedef uint32_t cmn_resource;
// One entry of a message catalogue.
struct LogMsgDesc {
  LogMsgID id;
  LogMsgSeverity severity;
  const char* text;
};

// One message being built: created for a message identifier, filled with
// numbered variables, then sent.
class TLogContainer : public CMN_GuardedRef {
 public:
  TLogContainer() : CMN_GuardedRef(0) {}
  virtual LogMsgDetailing getMsgDetailing() = 0;
  virtual int setMsgPart(LogMsgDetailing part, const char* text) = 0;
  virtual int addVar(unsigned n, int value) = 0;
  virtual int addVar(unsigned n, unsigned value) = 0;
  virtual int addVar(unsigned n, unsigned long long value) = 0;
  virtual int addVar(unsigned n, const char* value) = 0;
  virtual int addVar(unsigned n, unsigned char* data, unsigned len) = 0;
  virtual int addResVar(unsigned n, cmn_resource res) = 0;
  virtual int addIPVar(unsigned n, unsigned addr) = 0;
  virtual const char* getMsg() = 0;
  virtual int send() = 0;
};

class TCMNLog : public CMN_GuardedRef {
 public:
  TCMNLog() : CMN_GuardedRef(0) {}
  virtual int create(unsigned flags) = 0;
  // Containers are handed out uncounted: the caller's holder adds the first
  // reference, and the container dies with it.
  virtual TLogContainer* createContainer(LogMsgID id, cmn_resource res, int flags) = 0;
  virtual TLogContainer* createContainer(LogMsgID id, const unsigned* res, int flags) = 0;
  virtual LogMsgSeverity getMsgSeverity(LogMsgID id) = 0;
  virtual LogMsgDetailing getMsgDetailing(LogMsgID id) = 0;
  virtual int setMsgDescriptions(const LogMsgDesc* desc, unsigned count) = 0;
  virtual LogMsgSeverity getCurrSeverity() = 0;
  virtual int setCurrSeverity(LogMsgSeverity s) = 0;
  virtual LogMsgSeverity getSectionSeverity(LogMsgSection section) = 0;
  virtual int setSectionSeverity(LogMsgSection section, LogMsgSeverity s) = 0;
  virtual int printMsg(LogMsgID id, const char* text) = 0;
};

#endif  // PKIX_CONTRACT_CMNLOG_H_
