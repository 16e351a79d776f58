// The buttons of other remotes: any consumer-control device but the
// receiver, read through the system's HID parser. Each report says which
// consumer usages are held; a usage that appears is a press, one that
// disappears a release. Such devices send a report when a button changes,
// not while it is held, so nothing repeats.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Platform.h"
#include "remote/ButtonMap.h"

// A consumer-control device that is not the receiver.
struct OtherDeviceId {
    win::HANDLE device;
    std::uint16_t vendorId;
    std::uint16_t productId;
};

struct OtherButtonChange {
    std::uint16_t usage;
    bool pressed;  // false: released
};

// What a device needs, kept from its first report on, so that a report
// allocates nothing: its parsed descriptor, room for its usages and those
// held in each of its reports.
struct OtherRemoteDevice {
    OtherDeviceId id;
    std::vector<unsigned char> preparsed;  // as RIDI_PREPARSEDDATA gives it
    std::uint16_t reportBytes;             // of each input report
    std::vector<win::USAGE> usages;        // room for the most a report can hold
    struct Held {
        std::uint8_t reportId;
        std::uint16_t usage;
    };
    std::vector<Held> held;
    std::vector<unsigned char> packet;  // room for a packet larger than the inline one
};

// Devices seen since start, a few at most: a device beyond kOtherDeviceLimit
// takes the place of the one seen first.
constexpr std::size_t kOtherDeviceLimit = 8;

struct OtherRemotes {
    std::vector<OtherRemoteDevice> devices;
    std::vector<OtherButtonChange> changes;  // of the last packet read
};

// The presses and releases of one packet of another consumer-control device,
// in `remotes.changes`, in order: every report of the packet, each compared
// with the one before it of the same report ID. A report without consumer
// buttons (another report ID, say) changes nothing. False when the packet or
// the device cannot be read; what was held then stays held.
// A device that has gone is dropped, with what it held.
bool ReadOtherRemote(OtherRemotes& remotes, win::HRAWINPUT rawInput, const OtherDeviceId& id);
// Whether the device is still there to be read.
bool OtherDevicePresent(win::HANDLE device);
