#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/message.h"
#include "timeservices/query_server.h"

// Signals 40, 41 and 46 carry a copy of the publisher's TimeNotice as an owned parameter, so a
// receiver never reads a record that its manager is rewriting for the next operation.
namespace notice_format {
// tTime (8 bytes, little-endian), bSetClock (1), bAnswered (1), then four texts, each a
// 4-byte little-endian length and its bytes: message, server, offset, last sync.
constexpr size_t kHeaderSize = 10;
constexpr size_t kLengthSize = 4;
constexpr size_t kTextCount = 4;
constexpr uint32_t kMaxTextSize = 1 << 16;
}  // namespace notice_format

// Puts a copy of notice into parameter `index` of message.
bool PutTimeNotice(CLumAOSM_Message& message, int index, const TimeNotice& notice);
// Reads the copy back; false (and *notice untouched) when the parameter is missing or damaged.
bool GetTimeNotice(const CLumAOSM_Message& message, int index, TimeNotice* notice);

std::string EncodeTimeNotice(const TimeNotice& notice);
bool DecodeTimeNotice(std::string_view bytes, TimeNotice* notice);
