#pragma once
// The simulated machine's description, as read from the scenario file named by
// HITCHED_SIMULATION (format in the README: [Machine], [ControllerN], [HubN], [DeviceN],
// [PortN], [NodeN]). Loading follows the references from the counted sections, so only
// sections that something names are read. A broken file yields a smaller machine, never an
// endless one: counts are bounded, and a hub is attached at most once (a second reference,
// which could make a cycle, leaves that port empty) unless KeepLoops asks for the loop.
// A few keys make the machine answer as a failing one would (a request that fails, a value
// of another type, a key that does not open), so tests reach every failure path of detection.
#include "platform/profile_reader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hitched {

struct ScenarioController {
    std::u16string section;
    std::u16string driverKey;
    std::u16string nodeDriver;  // its node's Driver value (NodeDriver, default DriverKey)
    std::u16string description; // empty: the walk skips the controller
    std::u16string rootHub;     // section of its root hub; empty when none was loaded
};

// Which connection requests a hub port answers (PortNInfo): both, the plain one only, none.
enum class PortInfo { Both, PlainOnly, None };

struct ScenarioHub {
    std::u16string section;
    uint32_t ports = 0;                  // bNumberOfPorts, at most 255
    std::vector<std::u16string> plugged; // per port (index = port - 1): a section or empty
    std::vector<PortInfo> info;          // per port, like plugged
};

struct ScenarioDevice {
    std::u16string section;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::u16string driverKey;  // as the hub reports it
    std::u16string nodeDriver; // its node's Driver value (NodeDriver, default DriverKey)
    bool present = true;       // false: on its hub, but no device node
};

struct ScenarioPort {
    std::u16string section;
    std::u16string className; // "Ports" or "Modem"
    std::u16string portName;  // as it stands; empty: no PortName value
    std::u16string friendlyName;
    std::u16string description;
    std::u16string parent;   // a device or node section
    bool hardwareKey = true; // false: its hardware key does not open
    // Properties that exist with another type than text (NotText: a comma list of names).
    bool friendlyNameNotText = false;
    bool descriptionNotText = false;
    bool portNameNotText = false;
};

struct ScenarioNode {
    std::u16string section;
    std::u16string parent;
    std::u16string driver; // empty: the node has no Driver value
    bool enumKey = true;   // false: its Enum key does not open (a walk up passes over it)
};

enum class SectionKind { None, Hub, Device, Node };

struct Scenario {
    std::vector<ScenarioController> controllers;
    std::vector<ScenarioHub> hubs;
    std::vector<ScenarioDevice> devices;
    std::vector<ScenarioPort> ports;
    std::vector<ScenarioNode> nodes;
    std::u16string specialUsbPorts;
    bool keepLoops = false; // a hub plugged in twice or a looping node chain stays a loop

    const ScenarioHub* FindHub(std::u16string_view section) const;
    const ScenarioDevice* FindDevice(std::u16string_view section) const;
    const ScenarioNode* FindNode(std::u16string_view section) const;
};

// Limits that keep a broken scenario small.
constexpr int kMaxScenarioSections = 1000; // Controllers, Ports and Nodes each
constexpr uint32_t kMaxHubPorts = 255;

Scenario LoadScenario(IProfileReader& reader);

// What a section name refers to, by its prefix (Hub, Device, Node; any case).
SectionKind KindOfSection(std::u16string_view section);

// Section names compare without regard to case, as the profile functions do.
bool SameSection(std::u16string_view a, std::u16string_view b);

} // namespace hitched
