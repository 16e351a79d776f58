// Reading the receiver's reports and filtering its auto-repeat.
#include <cstring>

#include "remote/RemoteInput.h"
#include "tests/ProgramTest.h"

using namespace win;

namespace {

// Feeds codes through the filter and returns what fired (0 for swallowed).
std::vector<int> Fired(RepeatFilter& filter, std::initializer_list<int> codes) {
    std::vector<int> out;
    for (int code : codes) {
        const auto r = FilterRepeat(filter, static_cast<std::uint8_t>(code));
        out.push_back(r == kReportSwallowed ? 0 : r);
    }
    return out;
}

}  // namespace

TEST(RepeatFilter, HeldButtonFiresOnceThenPausesForFiveReportsThenRepeats) {
    RepeatFilter filter{};
    EXPECT_EQ(Fired(filter, {5, 5, 5, 5, 5, 5, 5, 5, 5, 5}), (std::vector<int>{5, 0, 0, 0, 0, 0, 5, 5, 5, 5}));
    EXPECT_EQ(filter.repeatCount, 15u);
}

TEST(RepeatFilter, ReleaseLetsTheSameButtonFireAgainAtOnce) {
    RepeatFilter filter{};
    EXPECT_EQ(Fired(filter, {7, 0, 7}), (std::vector<int>{7, 0, 7}));
    EXPECT_EQ(filter.lastCode, 7);
    EXPECT_EQ(filter.repeatCount, 1u);
}

TEST(RepeatFilter, AnotherButtonFiresAtOnceAndRestartsThePause) {
    RepeatFilter filter{};
    EXPECT_EQ(Fired(filter, {7, 7, 9, 9, 9, 9, 9, 9, 9}), (std::vector<int>{7, 0, 9, 0, 0, 0, 0, 0, 9}));
}

TEST(RepeatFilter, ReleaseReportsCountButDoNotReset) {
    RepeatFilter filter{};
    Fired(filter, {3, 3, 0, 0});
    EXPECT_EQ(filter.repeatCount, 5u);
    EXPECT_EQ(filter.lastCode, 0);
}

class DecodeTest : public ProgramTest {
protected:
    RepeatFilter filter{};

    std::uint16_t Decode(HRAWINPUT packet) { return DecodeRemoteReport(packet, filter); }
};

TEST_F(DecodeTest, TakesTheCodeAtOffsetSixOfTheOnlyReport) {
    EXPECT_EQ(Decode(desk.AddHidPacket(receiver, {Report(0x1C)})), 0x1C);
}

TEST_F(DecodeTest, OfSeveralReportsOnlyTheLastCounts) {
    EXPECT_EQ(Decode(desk.AddHidPacket(receiver, {Report(0x01), Report(0x2B)})), 0x2B);
    EXPECT_EQ(filter.lastCode, 0x2B);
}

TEST_F(DecodeTest, ForeignDevicesAreIgnoredAndLeaveTheFilterAlone) {
    Decode(desk.AddHidPacket(receiver, {Report(4)}));
    const RepeatFilter before = filter;
    const HANDLE mediaKeys = desk.AddHidDevice(0x046D, 0xC31C);
    const HANDLE sameVendorOtherProduct = desk.AddHidDevice(0x04BB, 0x0F0F);
    const HANDLE keyboard = desk.AddKeyboardDevice();
    for (HANDLE device : {mediaKeys, sameVendorOtherProduct, keyboard})
        EXPECT_EQ(Decode(desk.AddHidPacket(device, {Report(9)})), kNotFromReceiver);
    EXPECT_EQ(filter.lastCode, before.lastCode);
    EXPECT_EQ(filter.repeatCount, before.repeatCount);
}

TEST_F(DecodeTest, UnknownHandlesAndNonHidPacketsAreNotFromTheReceiver) {
    EXPECT_EQ(Decode(reinterpret_cast<HRAWINPUT>(std::uintptr_t{0x1234})), kNotFromReceiver);
    EXPECT_EQ(Decode(nullptr), kNotFromReceiver);
    const std::vector<BYTE> report = Report(5);
    EXPECT_EQ(Decode(desk.AddPacketWithHid(receiver, 1 /* keyboard */, 8, 1, report)), kNotFromReceiver);
}

TEST_F(DecodeTest, ReportsThatDoNotLieInsideThePacketAreRejected) {
    const std::vector<BYTE> one = Report(5);
    // No report, reports too short for the code, more reports than bytes,
    // a size whose product with the count overflows 32 bits.
    EXPECT_EQ(Decode(desk.AddPacketWithHid(receiver, RIM_TYPEHID, 8, 0, one)), kNotFromReceiver);
    EXPECT_EQ(Decode(desk.AddPacketWithHid(receiver, RIM_TYPEHID, 6, 1, {0, 0, 0, 0, 0, 0})), kNotFromReceiver);
    EXPECT_EQ(Decode(desk.AddPacketWithHid(receiver, RIM_TYPEHID, 8, 2, one)), kNotFromReceiver);
    EXPECT_EQ(Decode(desk.AddPacketWithHid(receiver, RIM_TYPEHID, 9, 1, one)), kNotFromReceiver);
    EXPECT_EQ(Decode(desk.AddPacketWithHid(receiver, RIM_TYPEHID, 0x80000000u, 2, one)), kNotFromReceiver);
    EXPECT_EQ(Decode(desk.AddPacketWithHid(receiver, RIM_TYPEHID, 8, 0x20000001u, one)), kNotFromReceiver);
    // Shorter than the header and the HID counts.
    EXPECT_EQ(Decode(desk.AddRawPacket(std::vector<BYTE>(sizeof(RAWINPUTHEADER) + 4, 0))), kNotFromReceiver);
    EXPECT_EQ(Decode(desk.AddRawPacket({})), kNotFromReceiver);
    EXPECT_EQ(filter.repeatCount, 0u);
}

TEST_F(DecodeTest, APacketWhoseSecondReadDeliversOtherThanAnnouncedIsRejected) {
    const HRAWINPUT packet = desk.AddHidPacket(receiver, {Report(5)});
    desk.MisreportPacketSize(packet, sizeof(RAWINPUTHEADER) + sizeof(RAWHID) + 16);
    EXPECT_EQ(Decode(packet), kNotFromReceiver);
}

TEST_F(DecodeTest, DeviceInfoIsReadIntoAFullRecordWhateverSizeIsAnnounced) {
    desk.MisreportDeviceInfoSize(receiver, 8);
    EXPECT_EQ(Decode(desk.AddHidPacket(receiver, {Report(5)})), 5);
}

TEST_F(DecodeTest, LargePacketsAreReadWhole) {
    std::vector<std::vector<BYTE>> reports(40, std::vector<BYTE>(16, 0));
    reports.back()[6] = 0x33;
    EXPECT_EQ(Decode(desk.AddHidPacket(receiver, reports)), 0x33);
}

TEST_F(DecodeTest, ArbitraryBytesNeverCrash) {
    // Every length up to a few headers, filled with a varying pattern that
    // includes plausible-looking type, size and count fields.
    std::uint32_t seed = 12345;
    for (int length = 0; length < 96; ++length)
        for (int round = 0; round < 20; ++round) {
            std::vector<BYTE> bytes(length);
            for (auto& b : bytes) b = static_cast<BYTE>((seed = seed * 1103515245u + 12345u) >> 24);
            if (length >= static_cast<int>(sizeof(RAWINPUTHEADER))) {
                const DWORD type = RIM_TYPEHID;
                std::memcpy(bytes.data(), &type, sizeof(type));
                HANDLE device = receiver;
                std::memcpy(bytes.data() + offsetof(RAWINPUTHEADER, hDevice), &device, sizeof(device));
            }
            const auto r = Decode(desk.AddRawPacket(bytes));
            EXPECT_TRUE(r <= 0xFF || r == kReportSwallowed || r == kNotFromReceiver);
        }
}

TEST_F(DecodeTest, RegistrationAsksForConsumerControlInputInTheBackground) {
    filter = RepeatFilter{9, 9};
    RegisterRemoteInput(reinterpret_cast<HWND>(std::uintptr_t{0x10001}), filter);
    EXPECT_EQ(filter.lastCode, 0);
    EXPECT_EQ(filter.repeatCount, 0u);
    ASSERT_EQ(desk.calls.size(), 1u);
    EXPECT_EQ(desk.calls[0], "RegisterRawInputDevices(count 1, size " + std::to_string(sizeof(RAWINPUTDEVICE)) +
                                 ", page 0xC usage 0x1 flags 0x100 0x10001)");
}
