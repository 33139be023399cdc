#include "treestore/conf_schema.h"

#include <gtest/gtest.h>

#include "encoding/cp949.h"

namespace {

const char kEnvGolden[] =
    "00000096001:002[000000010000000011000000011000000010000000010000000011000000010000000011000000010000"
    "00001000000005652800000000784215040000000565535000000011]\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start + 1));
    }
    return lines;
}

TEST(ConfSchema, FreshDefaultTreeWritesNineRecordsInTheProgramsOrder) {
    std::unique_ptr<Class_TIKOCONF_TOP> root = CTIKOConfList_Mgr().BuildDefaultTree();
    std::string text;
    root->WriteToString(text, 0);
    std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "0000001e000:000[0000000cTIKO_VER_3_5]\n");
    const char* types[] = {"001", "002", "003", "004", "006", "005", "007", "008"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(lines[i + 1].substr(8, 7), std::string("001:") + types[i]);
    EXPECT_EQ(lines[2], kEnvGolden);
    EXPECT_EQ(lines[8], "0000001a001:008[000000081.000000]\n");
}

TEST(ConfSchema, DefaultKoreanTextsAreTheCp949BytesOfTheProgram) {
    Class_TIKOCONF_SYNCINFO sync;
    const std::string payload = sync.BuildPayload();
    // 15 Hangul syllables of two bytes and three spaces.
    EXPECT_EQ(payload.substr(0, 9), "[00000021");
    EXPECT_EQ(encoding::Cp949ToUtf8(sync.strLastSync.Get()), "표준시 서버와 동기한적이 없습니다");
    EXPECT_EQ(encoding::Cp949ToUtf8(sync.strLastOffset.Get()), "0.000 초");
    EXPECT_EQ(encoding::Cp949ToUtf8(sync.strServer.Get()), "표준시 서버에 접속할 수 없습니다");
    EXPECT_EQ(sync.nSyncPeriod, 60);
}

TEST(ConfSchema, EnvironmentRecordOfAnOlderBuildLoadsWithMainVisible) {
    // Thirteen fields: bMainVisible is missing and keeps its default of 1.
    Class_TIKOCONF_ENV env;
    env.bSound = 1;
    env.bMainVisible = 0;
    std::string payload = env.BuildPayload();
    payload = payload.substr(1, payload.size() - 2);                   // without brackets
    payload.resize(payload.size() - std::string("000000011").size());  // drop the last field
    Class_TIKOCONF_ENV loaded;
    loaded.ParsePayload(payload);
    EXPECT_EQ(loaded.bSound, 1);
    EXPECT_EQ(loaded.crMsgText, 0x00FFFF);
    EXPECT_EQ(loaded.bMainVisible, 1);
}

TEST(ConfSchema, EmptyPayloadLoadsEveryFieldAtItsDefault) {
    Class_TIKOCONF_COMM comm;
    comm.ParsePayload("");
    EXPECT_EQ(comm.nCompensationMs, 500);
    EXPECT_EQ(comm.nBaudRate, 4800);
    EXPECT_EQ(comm.nIntervalUnit, 1);
}

TEST(ConfSchema, WorldClocksPersistOnlyTheScale) {
    Class_TIKOCONF_WDPROP_WORLDCLOCKS clocks;
    clocks.fScale = 0.3f;
    clocks.nNextLeft = 250;
    const std::string payload = clocks.BuildPayload();
    EXPECT_EQ(payload, "[000000080.300000]");
    Class_TIKOCONF_WDPROP_WORLDCLOCKS loaded;
    loaded.ParsePayload(payload.substr(1, payload.size() - 2));
    EXPECT_EQ(loaded.fScale, 0.3f);  // exact: the slider table compares exactly
    EXPECT_EQ(loaded.nNextLeft, 100);
    EXPECT_EQ(loaded.nNextTop, 100);
    EXPECT_EQ(loaded.nWidth, 190);
    EXPECT_EQ(loaded.nHeight, 38);
}

}  // namespace
