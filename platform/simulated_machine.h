#pragma once
// The simulated machine: everything the Win32 calls would answer, derived from one scenario.
//
// Device tree: a root; under it one node per controller, its root hub below it, and below
// each hub what its ports hold (devices whose Present is 0 have no node); [NodeN] and [PortN]
// sections hang below their Parent (below the root when the parent has no node). Driver
// values: a controller's and a device's NodeDriver (by default its DriverKey), a node's Driver,
// and for a port a key of its class ({4D36E978-...}\nnnn for Ports, {4D36E96D-...}\nnnn for
// Modem); hubs have none.
// Names: controller n (from 1) opens as \\.\HCD<n-1> (n <= 10) and as its interface path;
// hubs are named USB#ROOT_HUB#<section>#{f18a0e88-c30c-11d0-8815-00a0c906bed8} (root hubs)
// or USB#SIM_HUB#<section>#{...} (external hubs).
#include "platform/detection_platform.h"
#include "platform/scenario.h"

#include <memory>
#include <string>
#include <vector>

namespace hitched {

class SimulatedMachine {
public:
    explicit SimulatedMachine(Scenario scenario);

    struct Node {
        DevNode id = 0;
        DevNode parent = 0; // 0 for the root
        std::vector<DevNode> children;
        std::u16string deviceId;
        std::u16string description;
        bool hasDriver = false;
        std::u16string driver;
        bool enumKey = true; // false: its Enum key does not open
    };

    const Scenario& GetScenario() const { return m_scenario; }
    const Node* FindNode(DevNode id) const;
    const Node* FindNodeById(std::u16string_view deviceId) const;
    const std::vector<Node>& Nodes() const { return m_nodes; }
    DevNode NodeOfSection(std::u16string_view section) const; // 0 when it has none

    std::u16string ControllerHcdName(std::size_t index) const;       // "\\.\HCD<index>"
    std::u16string ControllerInterfacePath(std::size_t index) const; // device-interface path
    // The controller a name or path opens; -1 for none.
    int ControllerOfPath(std::u16string_view path) const;
    std::u16string HubName(std::u16string_view hubSection) const; // empty for no such hub
    const ScenarioHub* HubOfName(std::u16string_view name) const;

private:
    DevNode AddNode(DevNode parent, std::u16string deviceId, std::u16string description,
                    const std::u16string& driver);
    void AddHub(DevNode parent, const ScenarioHub& hub, bool root);
    DevNode PlaceSection(std::u16string_view section, int depth);

    Scenario m_scenario;
    std::vector<Node> m_nodes; // m_nodes[i].id == i + 1; the root is 1
    std::vector<std::pair<std::u16string, DevNode>> m_sectionNodes;
};

// A platform whose three parts answer from one simulated machine.
std::unique_ptr<DetectionPlatform> MakeSimulatedPlatform(Scenario scenario);

} // namespace hitched
