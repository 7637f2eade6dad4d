#include "support/cmn_logC.h"

#include "contract/service_ids.h"

Tuint32ID CMNLOG_ID CMN_ID_INIT(pkixid::kLogging);

// Built at library load with no service; binds on first use.
aCMNLog LocalLogSvrC(nullptr);

aCMNLog::aCMNLog() : CMN_ServiceStub(&CMNLOG_ID) {}
aCMNLog::aCMNLog(TCMNLog* service) : CMN_ServiceStub(&CMNLOG_ID, service) {}
aCMNLog::~aCMNLog() = default;

int aCMNLog::create(unsigned flags) {
  return call([&](TCMNLog* s) { return s->create(flags); });
}
TLogContainer* aCMNLog::createContainer(LogMsgID id, cmn_resource res, int flags) {
  return call([&](TCMNLog* s) { return s->createContainer(id, res, flags); });
}
TLogContainer* aCMNLog::createContainer(LogMsgID id, const unsigned* res, int flags) {
  return call([&](TCMNLog* s) { return s->createContainer(id, res, flags); });
}
LogMsgSeverity aCMNLog::getMsgSeverity(LogMsgID id) {
  return call([&](TCMNLog* s) { return s->getMsgSeverity(id); });
}
LogMsgDetailing aCMNLog::getMsgDetailing(LogMsgID id) {
  return call([&](TCMNLog* s) { return s->getMsgDetailing(id); });
}
int aCMNLog::setMsgDescriptions(const LogMsgDesc* desc, unsigned count) {
  return call([&](TCMNLog* s) { return s->setMsgDescriptions(desc, count); });
}
LogMsgSeverity aCMNLog::getCurrSeverity() {
  return call([](TCMNLog* s) { return s->getCurrSeverity(); });
}
int aCMNLog::setCurrSeverity(LogMsgSeverity sev) {
  return call([&](TCMNLog* s) { return s->setCurrSeverity(sev); });
}
LogMsgSeverity aCMNLog::getSectionSeverity(LogMsgSection section) {
  return call([&](TCMNLog* s) { return s->getSectionSeverity(section); });
}
int aCMNLog::setSectionSeverity(LogMsgSection section, LogMsgSeverity sev) {
  return call([&](TCMNLog* s) { return s->setSectionSeverity(section, sev); });
}
int aCMNLog::printMsg(LogMsgID id, const char* text) {
  return call([&](TCMNLog* s) { return s->printMsg(id, text); });
}

// The container is created through the logging stub and taken by the
// holder; the service hands containers out uncounted, so the holder's
// reference is the only one.
aLogContainer::aLogContainer(LogMsgID id, int flags) : CMN_ObjectStub(nullptr, &LocalLogSvrC) {
  take(LocalLogSvrC.createContainer(id, static_cast<cmn_resource>(0), flags));
}
aLogContainer::aLogContainer(LogMsgID id, const unsigned* res, int flags)
    : CMN_ObjectStub(nullptr, &LocalLogSvrC) {
  take(LocalLogSvrC.createContainer(id, res, flags));
}
aLogContainer::aLogContainer(LogMsgID id, cmn_resource res, int flags)
    : CMN_ObjectStub(nullptr, &LocalLogSvrC) {
  take(LocalLogSvrC.createContainer(id, res, flags));
}
aLogContainer::aLogContainer(TLogContainer* container) : CMN_ObjectStub(container, &LocalLogSvrC) {}
aLogContainer::~aLogContainer() = default;

LogMsgDetailing aLogContainer::getMsgDetailing() {
  return invoke([](TLogContainer* c) { return c->getMsgDetailing(); }, static_cast<LogMsgDetailing>(pkixrc::kUnavailable));
}
int aLogContainer::setMsgPart(LogMsgDetailing part, const char* text) {
  return Code([&](TLogContainer* c) { return c->setMsgPart(part, text); });
}
int aLogContainer::addVar(unsigned n, int value) {
  return Code([&](TLogContainer* c) { return c->addVar(n, value); });
}
int aLogContainer::addVar(unsigned n, unsigned value) {
  return Code([&](TLogContainer* c) { return c->addVar(n, value); });
}
int aLogContainer::addVar(unsigned n, unsigned long long value) {
  return Code([&](TLogContainer* c) { return c->addVar(n, value); });
}
int aLogContainer::addVar(unsigned n, const char* value) {
  return Code([&](TLogContainer* c) { return c->addVar(n, value); });
}
int aLogContainer::addVar(unsigned n, unsigned char* data, unsigned len) {
  return Code([&](TLogContainer* c) { return c->addVar(n, data, len); });
}
int aLogContainer::addResVar(unsigned n, cmn_resource res) {
  return Code([&](TLogContainer* c) { return c->addResVar(n, res); });
}
int aLogContainer::addIPVar(unsigned n, unsigned addr) {
  return Code([&](TLogContainer* c) { return c->addIPVar(n, addr); });
}
const char* aLogContainer::getMsg() {
  return invoke([](TLogContainer* c) { return c->getMsg(); });
}
int aLogContainer::send() {
  return Code([](TLogContainer* c) { return c->send(); });
}
