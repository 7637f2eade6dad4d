// The logging client: the stub of the logging service and the wrapper of
// the message containers it hands out. A message is logged by building an
// aLogContainer for its identifier, adding each variable by number, and
// calling send().
#ifndef PKIX_SUPPORT_CMN_LOGC_H_
#define PKIX_SUPPORT_CMN_LOGC_H_

#include "contract/cmnlog.h"
#include "framework/cmn_stub.h"
#include "framework/id_type.h"
#include "support/result_codes.h"

extern Tuint32ID CMNLOG_ID;  // pkixid::kLogging

// Every operation returns the service's result, or 0 / null when no logging
// service can be bound.
class aCMNLog : public CMN_ServiceStub<TCMNLog> {
 public:
  aCMNLog();
  explicit aCMNLog(TCMNLog* service);
  ~aCMNLog() override;

  int create(unsigned flags);
  TLogContainer* createContainer(LogMsgID id, cmn_resource res, int flags);
  TLogContainer* createContainer(LogMsgID id, const unsigned* res, int flags);
  LogMsgSeverity getMsgSeverity(LogMsgID id);
  LogMsgDetailing getMsgDetailing(LogMsgID id);
  int setMsgDescriptions(const LogMsgDesc* desc, unsigned count);
  LogMsgSeverity getCurrSeverity();
  int setCurrSeverity(LogMsgSeverity s);
  LogMsgSeverity getSectionSeverity(LogMsgSection section);
  int setSectionSeverity(LogMsgSection section, LogMsgSeverity s);
  int printMsg(LogMsgID id, const char* text);
};

extern aCMNLog LocalLogSvrC;

// One message being built. Without a container (no logging service) every
// operation returns 40 and nothing is logged.
class aLogContainer : public CMN_ObjectStub<TLogContainer> {
 public:
  aLogContainer(LogMsgID id, int flags);
  aLogContainer(LogMsgID id, const unsigned* res, int flags);
  aLogContainer(LogMsgID id, cmn_resource res, int flags);
  explicit aLogContainer(TLogContainer* container);
  ~aLogContainer() override;

  LogMsgDetailing getMsgDetailing();
  int setMsgPart(LogMsgDetailing part, const char* text);
  int addVar(unsigned n, int value);
  int addVar(unsigned n, unsigned value);
  int addVar(unsigned n, unsigned long long value);
  int addVar(unsigned n, const char* value);
  int addVar(unsigned n, unsigned char* data, unsigned len);
  int addResVar(unsigned n, cmn_resource res);
  int addIPVar(unsigned n, unsigned addr);
  const char* getMsg();
  int send();

 private:
  template <class F>
  int Code(F f) { return invoke(f, pkixrc::kUnavailable); }
};

#endif  // PKIX_SUPPORT_CMN_LOGC_H_
