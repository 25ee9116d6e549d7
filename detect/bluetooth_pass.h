#pragma once
// The Bluetooth half of a detection pass: checks that the Bluetooth phones counted as
// connected still answer, then lists every entry of the Bluetooth device table that counts as
// connected as a Bluetooth record. Runs inside the detection lock, on whichever thread runs
// the pass.
#include "contracts/bluetooth_detect_obj.h"
#include "detect/device_change.h"
#include "contracts/device_list.h"
#include "detect/device_map.h"
#include "detect/phone_lock.h"
#include "platform/profile_reader.h"

namespace hitched {

// The main dialog's members the Bluetooth pass reads and updates.
struct BluetoothState {
    CBluetoothDetectObj*& object;           // null: no library, the pass lists nothing
    PFN_KVBTIsDeviceConnected& isConnected; // null: no connection check
    CBtDeviceMap& devices;                  // the Bluetooth device table
    CDeviceMap& phones;                     // the connected-phone table
    int& devicesListed;                     // the search page holds a finished search's list
    int& failures; // connection failures, counted over passes; process-wide in the program
};

class CBluetoothPass {
public:
    // detector: its phone lock is the one released between polls; phoneLock: the same lock,
    // used directly for the idle test, which holds it only for an instant.
    CBluetoothPass(BluetoothState state, CDeviceChangeDetector& detector, IPhoneLock& phoneLock,
                   IProfileReader& supportList)
        : m_state(state), m_detector(detector), m_phoneLock(phoneLock), m_supportList(supportList) {
    }

    // Appends one Bluetooth record per connected entry, unless the check reports a loss or
    // there is no library. A radio that is not usable clears every entry's connected flag.
    void Run(CDeviceList& devices);

    // 1 when a connected Bluetooth phone is gone: at once on a DISCONNECTED answer, after
    // three UNKNOWN answers per polled phone over successive passes; a CONNECTED answer
    // clears the count. A pass that polls nobody reports nothing. On a loss the entries that
    // answered UNKNOWN or DISCONNECTED lose their connected flag and the count starts again
    // at 0. 0 otherwise.
    int CheckBluetoothService();

    // 1 when the connected phone over this entry is free to be polled: it is in the
    // connected-phone table, supported, and no program holds its lock.
    int IsPhoneIdle(const _BTDEVICEENTRY_T& entry);

private:
    // The connected phone over this address that may be polled; applies the support list's
    // display name on the way. Null when there is none.
    _PHONEDEVICEINFO_T* SupportedPhoneAt(uint64_t address);

    BluetoothState m_state;
    CDeviceChangeDetector& m_detector;
    IPhoneLock& m_phoneLock;
    IProfileReader& m_supportList;
};

} // namespace hitched
