// Arbitrary datagrams through the SNTP reply decoder, the reply checks and the arithmetic a
// reply's times go through. Aborts when decoding loses a byte or a refused field passes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "calendar/civil_time.h"
#include "sntp/sntp_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const NtpPacket reply = DecodeNtpPacket(data, size);

    // The header survives decoding whole: missing bytes come back zero, extra ones are ignored.
    NtpWire expected{};
    if (size > 0)
        std::memcpy(expected.data(), data, std::min(size, expected.size()));
    const NtpWire wire = EncodeNtpPacket(reply);
    if (wire != expected || !(DecodeNtpPacket(wire.data(), wire.size()) == reply))
        std::abort();

    // A reply echoing our request passes only with every field a server may send.
    if (CheckReply(reply, reply.originate) == SntpFailure::None &&
        (reply.mode != sntp::kModeServer || reply.version == 0 || reply.stratum == 0 ||
         reply.stratum > sntp::kMaxStratum || reply.leapIndicator == sntp::kLeapUnsynchronised)) {
        std::abort();
    }
    (void)HasCredibleTimes(reply);

    // The client's offset and the corrected time, with the reference time as T4.
    const double offset = (NtpTimestamp::Difference(reply.receive, reply.originate) +
                           NtpTimestamp::Difference(reply.transmit, reply.reference)) *
                          0.5;
    const NtpTimestamp corrected = reply.reference.AddSeconds(offset);
    const calendar::CivilTime civil = corrected.ToCivil();
    if (civil.month < 1 || civil.month > 12 || civil.millisecond < 0 || civil.millisecond > 999)
        std::abort();
    const calendar::WallTime wall = corrected.ToWallTime();
    if (wall.nanoseconds < 0 || wall.nanoseconds > 999'999'999)
        std::abort();
    return 0;
}
