#include "treestore/conf_schema.h"

#include "treestore/record_format.h"

using treerecord::PayloadReader;
using treerecord::PayloadWriter;

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
    PayloadReader reader(payload);
    reader.Text(strLastSync);
    reader.Text(strLastOffset);
    reader.Text(strServer);
    reader.Int(bAutoSync);
    reader.Int(nSyncPeriod);
    reader.Int(nTimeOffset);
    return true;
}

std::string Class_TIKOCONF_SYNCINFO::BuildPayload() const {
    return PayloadWriter()
        .Text(strLastSync)
        .Text(strLastOffset)
        .Text(strServer)
        .Int(bAutoSync)
        .Int(nSyncPeriod)
        .Int(nTimeOffset)
        .Finish();
}

Class_TIKOCONF_ENV::Class_TIKOCONF_ENV() {
    SetType(kConfEnv);
    SetTag("TIKOCONF_ENV");
}

bool Class_TIKOCONF_ENV::ParsePayload(std::string_view payload) {
    PayloadReader reader(payload);
    for (std::atomic<std::int32_t>* field : Fields())
        reader.Int(*field);
    return true;
}

std::string Class_TIKOCONF_ENV::BuildPayload() const {
    PayloadWriter writer;
    for (const std::atomic<std::int32_t>* field : Fields())
        writer.Int(*field);
    return writer.Finish();
}

std::array<std::atomic<std::int32_t>*, 14> Class_TIKOCONF_ENV::Fields() const {
    auto* self = const_cast<Class_TIKOCONF_ENV*>(this);
    return {&self->bSound,       &self->bBlinkOnSync, &self->bCompareAtStart,
            &self->bScreenSaver, &self->bLog,         &self->bTopMost,
            &self->bClockOnly,   &self->b24Hour,      &self->bWorldClockTransparent,
            &self->crClockBack,  &self->crClockText,  &self->crMsgBack,
            &self->crMsgText,    &self->bMainVisible};
}

Class_TIKOCONF_ALARM::Class_TIKOCONF_ALARM() {
    SetType(kConfAlarm);
    SetTag("TIKOCONF_ALARM");
}

bool Class_TIKOCONF_ALARM::ParsePayload(std::string_view payload) {
    PayloadReader reader(payload);
    reader.Int(bAlarm);
    reader.Int(bBuiltinSound);
    reader.Text(strSoundFile);
    return true;
}

std::string Class_TIKOCONF_ALARM::BuildPayload() const {
    return PayloadWriter().Int(bAlarm).Int(bBuiltinSound).Text(strSoundFile).Finish();
}

Class_TIKOCONF_COMM::Class_TIKOCONF_COMM() {
    SetType(kConfComm);
    SetTag("TIKOCONF_COMM");
}

bool Class_TIKOCONF_COMM::ParsePayload(std::string_view payload) {
    PayloadReader reader(payload);
    for (std::atomic<std::int32_t>* field : Fields())
        reader.Int(*field);
    return true;
}

std::string Class_TIKOCONF_COMM::BuildPayload() const {
    PayloadWriter writer;
    for (const std::atomic<std::int32_t>* field : Fields())
        writer.Int(*field);
    return writer.Finish();
}

std::array<std::atomic<std::int32_t>*, 9> Class_TIKOCONF_COMM::Fields() const {
    auto* self = const_cast<Class_TIKOCONF_COMM*>(this);
    return {&self->bCom1,     &self->bCom2,     &self->bCom3,         &self->bCom4,    &self->nCompensationMs,
            &self->bAutoMode, &self->nInterval, &self->nIntervalUnit, &self->nBaudRate};
}

Class_TIKOCONF_WDPROP_MAINDLG::Class_TIKOCONF_WDPROP_MAINDLG() {
    SetType(kConfMainDlg);
    SetTag("TIKOCONF_WDPROP_MAINDLG");
}

bool Class_TIKOCONF_WDPROP_MAINDLG::ParsePayload(std::string_view payload) {
    PayloadReader reader(payload);
    reader.Int(bSetupOpen);
    reader.Int(nLeft);
    reader.Int(nTop);
    return true;
}

std::string Class_TIKOCONF_WDPROP_MAINDLG::BuildPayload() const {
    return PayloadWriter().Int(bSetupOpen).Int(nLeft).Int(nTop).Finish();
}

bool CLumConfWindowPos::ParsePayload(std::string_view payload) {
    PayloadReader reader(payload);
    reader.Int(nLeft);
    reader.Int(nTop);
    return true;
}

std::string CLumConfWindowPos::BuildPayload() const {
    return PayloadWriter().Int(nLeft).Int(nTop).Finish();
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
    PayloadReader(payload).Float(fScale);
    return true;
}

std::string Class_TIKOCONF_WDPROP_WORLDCLOCKS::BuildPayload() const {
    return PayloadWriter().Float(fScale).Finish();
}

Class_TIKOCONF_WDPROP_WORLDCLOCK::Class_TIKOCONF_WDPROP_WORLDCLOCK() {
    SetType(kConfWorldClock);
    SetTag("TIKOCONF_WDPROP_WORLDCLOCK");
}

bool Class_TIKOCONF_WDPROP_WORLDCLOCK::ParsePayload(std::string_view payload) {
    PayloadReader reader(payload);
    reader.Int(nLeft);
    reader.Int(nTop);
    reader.Int(nZone);
    reader.Text(strName);
    return true;
}

std::string Class_TIKOCONF_WDPROP_WORLDCLOCK::BuildPayload() const {
    return PayloadWriter().Int(nLeft).Int(nTop).Int(nZone).Text(strName).Finish();
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
