#include "treestore/conf_schema.h"

#include <array>

#include "treestore/record_format.h"

using treerecord::FieldRef;
using treerecord::ReadFields;
using treerecord::WriteFields;

namespace {

// cp949 bytes of "표준시 서버와 동기한적이 없습니다" (33 bytes).
constexpr char kNeverSyncedCp949[] =
    "\xc7\xa5\xc1\xd8\xbd\xc3\x20\xbc\xad\xb9\xf6\xbf\xcd\x20\xb5\xbf\xb1\xe2\xc7\xd1\xc0\xfb\xc0\xcc"
    "\x20\xbe\xf8\xbd\xc0\xb4\xcf\xb4\xd9";
// cp949 bytes of "0.000 초".
constexpr char kZeroOffsetCp949[] = "0.000 \xc3\xca";
// cp949 bytes of "표준시 서버에 접속할 수 없습니다".
constexpr char kNoServerCp949[] =
    "\xc7\xa5\xc1\xd8\xbd\xc3\x20\xbc\xad\xb9\xf6\xbf\xa1\x20\xc1\xa2\xbc\xd3\xc7\xd2\x20\xbc\xf6\x20"
    "\xbe\xf8\xbd\xc0\xb4\xcf\xb4\xd9";

template <class T>
T* Child(const CLumTreeNode& root, int type) {
    return dynamic_cast<T*>(root.FindChild(type));
}

// Each section's persisted fields in file order: its reader and its writer both walk this table.
// A writer reads through the same pointers, hence the const_cast.
std::array<FieldRef, 6> Fields(const Class_TIKOCONF_SYNCINFO& section) {
    auto& s = const_cast<Class_TIKOCONF_SYNCINFO&>(section);
    return {&s.strLastSync, &s.strLastOffset, &s.strServer, &s.bAutoSync, &s.nSyncPeriod, &s.nTimeOffset};
}

std::array<FieldRef, 14> Fields(const Class_TIKOCONF_ENV& section) {
    auto& s = const_cast<Class_TIKOCONF_ENV&>(section);
    return {&s.bSound,       &s.bBlinkOnSync, &s.bCompareAtStart,
            &s.bScreenSaver, &s.bLog,         &s.bTopMost,
            &s.bClockOnly,   &s.b24Hour,      &s.bWorldClockTransparent,
            &s.crClockBack,  &s.crClockText,  &s.crMsgBack,
            &s.crMsgText,    &s.bMainVisible};
}

std::array<FieldRef, 3> Fields(const Class_TIKOCONF_ALARM& section) {
    auto& s = const_cast<Class_TIKOCONF_ALARM&>(section);
    return {&s.bAlarm, &s.bBuiltinSound, &s.strSoundFile};
}

std::array<FieldRef, 9> Fields(const Class_TIKOCONF_COMM& section) {
    auto& s = const_cast<Class_TIKOCONF_COMM&>(section);
    return {&s.bCom1,     &s.bCom2,     &s.bCom3,         &s.bCom4,    &s.nCompensationMs,
            &s.bAutoMode, &s.nInterval, &s.nIntervalUnit, &s.nBaudRate};
}

std::array<FieldRef, 3> Fields(const Class_TIKOCONF_WDPROP_MAINDLG& section) {
    auto& s = const_cast<Class_TIKOCONF_WDPROP_MAINDLG&>(section);
    return {&s.bSetupOpen, &s.nLeft, &s.nTop};
}

std::array<FieldRef, 2> Fields(const CLumConfWindowPos& section) {
    auto& s = const_cast<CLumConfWindowPos&>(section);
    return {&s.nLeft, &s.nTop};
}

// Only the scale is kept in the file (see the class).
std::array<FieldRef, 1> Fields(const Class_TIKOCONF_WDPROP_WORLDCLOCKS& section) {
    return {&const_cast<Class_TIKOCONF_WDPROP_WORLDCLOCKS&>(section).fScale};
}

std::array<FieldRef, 4> Fields(const Class_TIKOCONF_WDPROP_WORLDCLOCK& section) {
    auto& s = const_cast<Class_TIKOCONF_WDPROP_WORLDCLOCK&>(section);
    return {&s.nLeft, &s.nTop, &s.nZone, &s.strName};
}

}  // namespace

Class_TIKOCONF_TOP::Class_TIKOCONF_TOP() {
    SetType(kConfTop);
    SetTag("TIKOCONF_TOP");
}

Class_TIKOCONF_SYNCINFO* Class_TIKOCONF_TOP::SyncInfo() const {
    return Child<Class_TIKOCONF_SYNCINFO>(*this, kConfSyncInfo);
}
Class_TIKOCONF_ENV* Class_TIKOCONF_TOP::Env() const {
    return Child<Class_TIKOCONF_ENV>(*this, kConfEnv);
}
Class_TIKOCONF_ALARM* Class_TIKOCONF_TOP::Alarm() const {
    return Child<Class_TIKOCONF_ALARM>(*this, kConfAlarm);
}
Class_TIKOCONF_COMM* Class_TIKOCONF_TOP::Comm() const {
    return Child<Class_TIKOCONF_COMM>(*this, kConfComm);
}
Class_TIKOCONF_WDPROP_MAINDLG* Class_TIKOCONF_TOP::MainDlg() const {
    return Child<Class_TIKOCONF_WDPROP_MAINDLG>(*this, kConfMainDlg);
}
Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE* Class_TIKOCONF_TOP::WorldClockTable() const {
    return Child<Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE>(*this, kConfWorldClockTable);
}
Class_TIKOCONF_WDPROP_ALARMDLG* Class_TIKOCONF_TOP::AlarmDlg() const {
    return Child<Class_TIKOCONF_WDPROP_ALARMDLG>(*this, kConfAlarmDlg);
}
Class_TIKOCONF_WDPROP_WORLDCLOCKS* Class_TIKOCONF_TOP::WorldClocks() const {
    return Child<Class_TIKOCONF_WDPROP_WORLDCLOCKS>(*this, kConfWorldClocks);
}

Class_TIKOCONF_SYNCINFO::Class_TIKOCONF_SYNCINFO()
    : strLastSync(kNeverSyncedCp949), strLastOffset(kZeroOffsetCp949), strServer(kNoServerCp949) {
    SetType(kConfSyncInfo);
    SetTag("TIKOCONF_SYNCINFO");
}

bool Class_TIKOCONF_SYNCINFO::ParsePayload(std::string_view payload) {
    ReadFields(payload, Fields(*this));
    return true;
}

std::string Class_TIKOCONF_SYNCINFO::BuildPayload() const {
    return WriteFields(Fields(*this));
}

Class_TIKOCONF_ENV::Class_TIKOCONF_ENV() {
    SetType(kConfEnv);
    SetTag("TIKOCONF_ENV");
}

bool Class_TIKOCONF_ENV::ParsePayload(std::string_view payload) {
    ReadFields(payload, Fields(*this));
    return true;
}

std::string Class_TIKOCONF_ENV::BuildPayload() const {
    return WriteFields(Fields(*this));
}

Class_TIKOCONF_ALARM::Class_TIKOCONF_ALARM() {
    SetType(kConfAlarm);
    SetTag("TIKOCONF_ALARM");
}

bool Class_TIKOCONF_ALARM::ParsePayload(std::string_view payload) {
    ReadFields(payload, Fields(*this));
    return true;
}

std::string Class_TIKOCONF_ALARM::BuildPayload() const {
    return WriteFields(Fields(*this));
}

Class_TIKOCONF_COMM::Class_TIKOCONF_COMM() {
    SetType(kConfComm);
    SetTag("TIKOCONF_COMM");
}

bool Class_TIKOCONF_COMM::ParsePayload(std::string_view payload) {
    ReadFields(payload, Fields(*this));
    return true;
}

std::string Class_TIKOCONF_COMM::BuildPayload() const {
    return WriteFields(Fields(*this));
}

Class_TIKOCONF_WDPROP_MAINDLG::Class_TIKOCONF_WDPROP_MAINDLG() {
    SetType(kConfMainDlg);
    SetTag("TIKOCONF_WDPROP_MAINDLG");
}

bool Class_TIKOCONF_WDPROP_MAINDLG::ParsePayload(std::string_view payload) {
    ReadFields(payload, Fields(*this));
    return true;
}

std::string Class_TIKOCONF_WDPROP_MAINDLG::BuildPayload() const {
    return WriteFields(Fields(*this));
}

bool CLumConfWindowPos::ParsePayload(std::string_view payload) {
    ReadFields(payload, Fields(*this));
    return true;
}

std::string CLumConfWindowPos::BuildPayload() const {
    return WriteFields(Fields(*this));
}

Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE::Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE() {
    SetType(kConfWorldClockTable);
    SetTag("TIKOCONF_WDPROP_WORLDCLOCKTABLE");
}

Class_TIKOCONF_WDPROP_ALARMDLG::Class_TIKOCONF_WDPROP_ALARMDLG() {
    SetType(kConfAlarmDlg);
    SetTag("TIKOCONF_WDPROP_ALARMDLG");
}

Class_TIKOCONF_WDPROP_WORLDCLOCKS::Class_TIKOCONF_WDPROP_WORLDCLOCKS() {
    SetType(kConfWorldClocks);
    SetTag("TIKOCONF_WDPROP_WORLDCLOCKS");
}

bool Class_TIKOCONF_WDPROP_WORLDCLOCKS::ParsePayload(std::string_view payload) {
    ReadFields(payload, Fields(*this));
    return true;
}

std::string Class_TIKOCONF_WDPROP_WORLDCLOCKS::BuildPayload() const {
    return WriteFields(Fields(*this));
}

Class_TIKOCONF_WDPROP_WORLDCLOCK::Class_TIKOCONF_WDPROP_WORLDCLOCK() {
    SetType(kConfWorldClock);
    SetTag("TIKOCONF_WDPROP_WORLDCLOCK");
}

bool Class_TIKOCONF_WDPROP_WORLDCLOCK::ParsePayload(std::string_view payload) {
    ReadFields(payload, Fields(*this));
    return true;
}

std::string Class_TIKOCONF_WDPROP_WORLDCLOCK::BuildPayload() const {
    return WriteFields(Fields(*this));
}

CLumTreeNode* CTIKOConfList_Mgr::CreateNode(int type) {
    switch (type) {
        case kConfTop:
            return new Class_TIKOCONF_TOP;
        case kConfSyncInfo:
            return new Class_TIKOCONF_SYNCINFO;
        case kConfEnv:
            return new Class_TIKOCONF_ENV;
        case kConfAlarm:
            return new Class_TIKOCONF_ALARM;
        case kConfComm:
            return new Class_TIKOCONF_COMM;
        case kConfMainDlg:
            return new Class_TIKOCONF_WDPROP_MAINDLG;
        case kConfWorldClockTable:
            return new Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE;
        case kConfAlarmDlg:
            return new Class_TIKOCONF_WDPROP_ALARMDLG;
        case kConfWorldClocks:
            return new Class_TIKOCONF_WDPROP_WORLDCLOCKS;
        case kConfWorldClock:
            return new Class_TIKOCONF_WDPROP_WORLDCLOCK;
        default:
            return CLumTreeMgr::CreateNode(type);
    }
}

std::unique_ptr<Class_TIKOCONF_TOP> CTIKOConfList_Mgr::BuildDefaultTree() {
    auto root = std::make_unique<Class_TIKOCONF_TOP>();
    for (int type : {kConfSyncInfo, kConfEnv, kConfAlarm, kConfComm, kConfWorldClockTable, kConfMainDlg,
                     kConfAlarmDlg, kConfWorldClocks}) {
        root->AppendChild(CreateNode(type));
    }
    return root;
}
