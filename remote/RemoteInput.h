// Raw input from the one supported remote-control receiver: registration,
// decoding of its HID reports into button codes, and the repeat filter.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

constexpr std::uint32_t kReceiverVendorId = 0x04BB;
constexpr std::uint32_t kReceiverProductId = 0x0F0E;
constexpr std::uint16_t kConsumerUsagePage = 0x0C;
constexpr std::uint16_t kConsumerControlUsage = 0x01;
// The button code sits at this offset of every report; 0 means no button held.
constexpr std::uint32_t kButtonCodeOffset = 6;

// Decode results besides the button codes 1 to 255.
constexpr std::uint16_t kReportSwallowed = 0xFFFE;  // a release, or a repeat in the initial pause
constexpr std::uint16_t kNotFromReceiver = 0xFFFF;  // foreign device, or unreadable input

// Where a report came from and what it carried, before the repeat filter.
struct ReportSource {
    std::uint32_t vendorId;
    std::uint32_t productId;
    std::uint8_t code;
    std::uint16_t usage;  // of another remote's button; 0 for the receiver's
};

struct RepeatFilter {
    std::uint8_t lastCode;
    std::uint32_t repeatCount;
};

// Asks for consumer-control input even while the window is in the background.
void RegisterRemoteInput(win::HWND hwnd, RepeatFilter& filter);
// True when the raw-input device list, read whole, holds no receiver; false
// when it holds one or cannot be read, so that nothing is claimed unknown.
// Registration does not depend on it: a receiver plugged in later works at once.
bool IsReceiverMissing();

struct OtherDeviceId;

// The code byte of the packet's last report (0 to 255), or kNotFromReceiver.
// Given `source`, fills it for a report from the receiver; given `other`,
// names there the HID device that sent a report when it is not the receiver
// (its handle null when none did, or it could not be read).
std::uint16_t ReadRemoteCode(win::HRAWINPUT rawInput, ReportSource* source = nullptr, OtherDeviceId* other = nullptr);

// The code byte of the last report of a packet that lies in exactly `size`
// bytes at `packet`, or kNotFromReceiver when it is not a HID packet or its
// reports do not lie wholly inside those bytes. The device is not checked.
// Reads nothing outside the `size` bytes, so it can be exercised on buffers
// of exactly the delivered size.
std::uint16_t CodeOfLastReport(const unsigned char* packet, std::uint32_t size);

// A held button fires once, pauses for five reports, then fires on every report.
std::uint16_t FilterRepeat(RepeatFilter& filter, std::uint8_t code);

// The handling of one WM_INPUT: a button code to act on, kReportSwallowed or
// kNotFromReceiver. Foreign or unreadable input leaves the filter untouched.
std::uint16_t DecodeRemoteReport(win::HRAWINPUT rawInput, RepeatFilter& filter, ReportSource* source = nullptr);
