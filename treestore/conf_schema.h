#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "treestore/store_root.h"
#include "treestore/tree_mgr.h"
#include "treestore/tree_node.h"

// The configuration tree ("TIKo.conf"). Settings are reached by type id with
// FindChild on the root (or the typed getters of Class_TIKOCONF_TOP) and read
// and written in place from any thread: scalars are atomic, texts CLumText
// (cp949 bytes).

enum : int {
    kConfTop = 0,
    kConfSyncInfo = 1,
    kConfEnv = 2,
    kConfAlarm = 3,
    kConfComm = 4,
    kConfMainDlg = 5,
    kConfWorldClockTable = 6,
    kConfAlarmDlg = 7,
    kConfWorldClocks = 8,
    kConfWorldClock = 9,
};

class Class_TIKOCONF_SYNCINFO;
class Class_TIKOCONF_ENV;
class Class_TIKOCONF_ALARM;
class Class_TIKOCONF_COMM;
class Class_TIKOCONF_WDPROP_MAINDLG;
class Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE;
class Class_TIKOCONF_WDPROP_ALARMDLG;
class Class_TIKOCONF_WDPROP_WORLDCLOCKS;

// Its ListMutex guards the list structure (the world-clock list is the only
// one that changes after loading).
class Class_TIKOCONF_TOP : public CLumStoreRoot {
public:
    Class_TIKOCONF_TOP();

    // The settings children; null only when the node is missing (a loaded tree
    // always has them, see LoadConfiguration).
    Class_TIKOCONF_SYNCINFO* SyncInfo() const;
    Class_TIKOCONF_ENV* Env() const;
    Class_TIKOCONF_ALARM* Alarm() const;
    Class_TIKOCONF_COMM* Comm() const;
    Class_TIKOCONF_WDPROP_MAINDLG* MainDlg() const;
    Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE* WorldClockTable() const;
    Class_TIKOCONF_WDPROP_ALARMDLG* AlarmDlg() const;
    Class_TIKOCONF_WDPROP_WORLDCLOCKS* WorldClocks() const;
};

class Class_TIKOCONF_SYNCINFO : public CLumTreeNode {
public:
    Class_TIKOCONF_SYNCINFO();
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;

    CLumText strLastSync;
    CLumText strLastOffset;
    CLumText strServer;
    std::atomic<std::int32_t> bAutoSync{0};
    std::atomic<std::int32_t> nSyncPeriod{60};
    std::atomic<std::int32_t> nTimeOffset{0};
};

class Class_TIKOCONF_ENV : public CLumTreeNode {
public:
    Class_TIKOCONF_ENV();
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;

    std::atomic<std::int32_t> bSound{0};
    std::atomic<std::int32_t> bBlinkOnSync{1};
    std::atomic<std::int32_t> bCompareAtStart{1};
    std::atomic<std::int32_t> bScreenSaver{0};
    std::atomic<std::int32_t> bLog{0};
    std::atomic<std::int32_t> bTopMost{1};
    std::atomic<std::int32_t> bClockOnly{0};
    std::atomic<std::int32_t> b24Hour{1};
    std::atomic<std::int32_t> bWorldClockTransparent{0};
    std::atomic<std::int32_t> crClockBack{0x000000};
    std::atomic<std::int32_t> crClockText{0x00FF00};
    std::atomic<std::int32_t> crMsgBack{0x808080};
    std::atomic<std::int32_t> crMsgText{0x00FFFF};
    std::atomic<std::int32_t> bMainVisible{1};
};

class Class_TIKOCONF_ALARM : public CLumTreeNode {
public:
    Class_TIKOCONF_ALARM();
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;

    std::atomic<std::int32_t> bAlarm{0};
    std::atomic<std::int32_t> bBuiltinSound{1};
    CLumText strSoundFile;
};

class Class_TIKOCONF_COMM : public CLumTreeNode {
public:
    Class_TIKOCONF_COMM();
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;

    std::atomic<std::int32_t> bCom1{0};
    std::atomic<std::int32_t> bCom2{0};
    std::atomic<std::int32_t> bCom3{0};
    std::atomic<std::int32_t> bCom4{0};
    std::atomic<std::int32_t> nCompensationMs{500};
    std::atomic<std::int32_t> bAutoMode{0};
    std::atomic<std::int32_t> nInterval{10};
    std::atomic<std::int32_t> nIntervalUnit{1};
    std::atomic<std::int32_t> nBaudRate{4800};
};

class Class_TIKOCONF_WDPROP_MAINDLG : public CLumTreeNode {
public:
    Class_TIKOCONF_WDPROP_MAINDLG();
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;

    std::atomic<std::int32_t> bSetupOpen{0};
    std::atomic<std::int32_t> nLeft{300};
    std::atomic<std::int32_t> nTop{300};
};

// A remembered window position (left, top), the base of types 6 and 7.
class CLumConfWindowPos : public CLumTreeNode {
public:
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;

    std::atomic<std::int32_t> nLeft{200};
    std::atomic<std::int32_t> nTop{200};
};

class Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE : public CLumConfWindowPos {
public:
    Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE();
};

class Class_TIKOCONF_WDPROP_ALARMDLG : public CLumConfWindowPos {
public:
    Class_TIKOCONF_WDPROP_ALARMDLG();
};

class Class_TIKOCONF_WDPROP_WORLDCLOCKS : public CLumTreeNode {
public:
    Class_TIKOCONF_WDPROP_WORLDCLOCKS();
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;

    // Not persisted.
    std::atomic<std::int32_t> nNextLeft{100};
    std::atomic<std::int32_t> nNextTop{100};
    std::atomic<std::int32_t> nWidth{190};
    std::atomic<std::int32_t> nHeight{38};
    // Persisted.
    std::atomic<float> fScale{1.0f};
};

class Class_TIKOCONF_WDPROP_WORLDCLOCK : public CLumTreeNode {
public:
    Class_TIKOCONF_WDPROP_WORLDCLOCK();
    bool ParsePayload(std::string_view payload) override;
    std::string BuildPayload() const override;

    std::atomic<std::int32_t> nLeft{100};
    std::atomic<std::int32_t> nTop{100};
    std::atomic<std::int32_t> nZone{-2};  // -1 Korean standard time, -2 no clock
    CLumText strName;
};

class CTIKOConfList_Mgr : public CLumTreeMgr {
public:
    // Type ids 0-9 make the configuration classes, others a plain node.
    CLumTreeNode* CreateNode(int type) override;
    // The root with its children 1, 2, 3, 4, 6, 5, 7, 8 at their defaults.
    std::unique_ptr<Class_TIKOCONF_TOP> BuildDefaultTree();
};
