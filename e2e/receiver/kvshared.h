/* Values shared by the virtual receiver driver (kvhid.sys) and the programs
 * that install and feed it (kvreceiver.exe, rawprobe.exe). */
#ifndef KVSHARED_H
#define KVSHARED_H

/* Bytes the device itself produces per input report. The descriptor declares
 * no report id, so the HID stack prepends a 0 byte: applications see
 * KV_REPORT_LEN + 1 bytes in RAWHID.bRawData, and the button code that sits at
 * KV_CODE_INDEX here arrives at offset KV_CODE_INDEX + 1 = 6. */
#define KV_REPORT_LEN   8
#define KV_CODE_INDEX   5
#define KV_DELIVERED_LEN (KV_REPORT_LEN + 1)
#define KV_DELIVERED_CODE_OFFSET (KV_CODE_INDEX + 1)

/* The other remote is a plain consumer-control device: its report is an
 * array of KV_OTHER_USAGES 16-bit usages (little-endian, 0 = slot empty),
 * KV_OTHER_REPORT_LEN bytes, also without a report id; applications see
 * KV_OTHER_REPORT_LEN + 1 bytes. */
#define KV_OTHER_USAGES      2
#define KV_OTHER_REPORT_LEN  (KV_OTHER_USAGES * 2)

/* Sent by the feeder to the opened HID device; the input buffer holds one
 * report of up to that device's report length (KV_REPORT_LEN, or
 * KV_OTHER_REPORT_LEN for the other remote) without the report id byte. It
 * completes the read that hidclass keeps outstanding, or queues the report
 * until hidclass asks again, so back-to-back pushes are not lost. */
#define KV_IOCTL_PUSH_REPORT CTL_CODE(FILE_DEVICE_UNKNOWN, 0xB01, METHOD_BUFFERED, FILE_ANY_ACCESS)

/* All virtual devices share this hardware id, so one INF section installs
 * them; each instance id carries the vendor/product the driver reports. */
#define KV_HARDWARE_ID_W L"KVRECEIVER\\VHID"
#define KV_SERVICE_W     L"kvhid"

#define KV_RECEIVER_VID 0x04BB
#define KV_RECEIVER_PID 0x0F0E
#define KV_FOREIGN_VID  0x046D
#define KV_FOREIGN_PID  0xC31C
#define KV_OTHER_VID    0x045E
#define KV_OTHER_PID    0x0800

#endif
