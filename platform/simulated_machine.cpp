#include "platform/simulated_machine.h"

#include <algorithm>

namespace hitched {
namespace {

constexpr std::u16string_view kHubInterface = u"#{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
constexpr std::u16string_view kHostControllerInterface = u"#{3abf6f2d-71c4-462a-8a92-1e6861e6af27}";
constexpr std::u16string_view kPortsClassKey = u"{4D36E978-E325-11CE-BFC1-08002BE10318}\\";
constexpr std::u16string_view kModemClassKey = u"{4D36E96D-E325-11CE-BFC1-08002BE10318}\\";
// The buffers the Win32 side reads these values into; a longer value does not fit and fails.
constexpr std::size_t kEnumDriverBufferBytes = 260;
constexpr std::size_t kDriverPropertyBufferBytes = 1024;
constexpr int kMaxPlacementDepth = 64;

std::u16string Upper(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - 32);
        }
    }
    return out;
}

std::u16string Lower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + 32);
        }
    }
    return out;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && SameSection(text.substr(0, prefix.size()), prefix);
}

std::u16string Hex4(uint16_t value) {
    static const char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string s;
    for (int shift = 12; shift >= 0; shift -= 4) {
        s.push_back(kDigits[(value >> shift) & 0xF]);
    }
    return s;
}

std::u16string Decimal(std::size_t n, std::size_t width = 0) {
    std::u16string s;
    do {
        s.insert(s.begin(), static_cast<char16_t>(u'0' + n % 10));
        n /= 10;
    } while (n != 0);
    while (s.size() < width) {
        s.insert(s.begin(), u'0');
    }
    return s;
}

bool FitsIn(std::u16string_view text, std::size_t bufferBytes) {
    return (text.size() + 1) * sizeof(char16_t) <= bufferBytes;
}

// A property as read: missing when empty, of another type when the scenario says so.
RegistryText Text(std::u16string_view value, bool notText = false) {
    RegistryText t;
    t.exists = notText || !value.empty();
    t.isText = t.exists && !notText;
    if (t.isText) {
        t.text = std::u16string(value);
    }
    return t;
}

using Machine = std::shared_ptr<const SimulatedMachine>;

class SimUsbController : public IUsbController {
public:
    SimUsbController(Machine machine, std::size_t index) : m_machine(machine), m_index(index) {}
    bool DriverKeyName(std::u16string& name) override {
        name = Controller().driverKey;
        return true;
    }
    bool RootHubName(std::u16string& name) override {
        name = Controller().rootHub.empty() ? u"" : m_machine->HubName(Controller().rootHub);
        return true;
    }

private:
    const ScenarioController& Controller() const {
        return m_machine->GetScenario().controllers[m_index];
    }
    Machine m_machine;
    std::size_t m_index;
};

class SimUsbHub : public IUsbHub {
public:
    SimUsbHub(Machine machine, const ScenarioHub& hub) : m_machine(machine), m_hub(hub) {}

    bool PortCount(uint32_t& ports) override {
        ports = m_hub.ports;
        return true;
    }
    bool ConnectionInformationEx(uint32_t port, UsbConnection& connection) override {
        return Answers(port, PortInfo::Both) && Connection(port, connection);
    }
    bool ConnectionInformation(uint32_t port, UsbConnection& connection) override {
        return !Answers(port, PortInfo::None) && Connection(port, connection);
    }
    bool ConnectionDriverKeyName(uint32_t port, std::u16string& name) override {
        const ScenarioDevice* device = DeviceAt(port);
        if (device == nullptr || device->driverKey.empty()) {
            return false;
        }
        name = device->driverKey;
        return true;
    }
    bool ConnectionName(uint32_t port, std::u16string& name) override {
        const std::u16string* section = SectionAt(port);
        if (section == nullptr || KindOfSection(*section) != SectionKind::Hub) {
            return false;
        }
        name = m_machine->HubName(*section);
        return !name.empty();
    }

private:
    bool Answers(uint32_t port, PortInfo info) const {
        return port < 1 || port > m_hub.ports || m_hub.info[port - 1] == info;
    }
    const std::u16string* SectionAt(uint32_t port) const {
        if (port < 1 || port > m_hub.ports || m_hub.plugged[port - 1].empty()) {
            return nullptr;
        }
        return &m_hub.plugged[port - 1];
    }
    const ScenarioDevice* DeviceAt(uint32_t port) const {
        const std::u16string* section = SectionAt(port);
        return section ? m_machine->GetScenario().FindDevice(*section) : nullptr;
    }
    bool Connection(uint32_t port, UsbConnection& connection) const {
        if (port < 1 || port > m_hub.ports) {
            return false;
        }
        connection = UsbConnection();
        const std::u16string* section = SectionAt(port);
        if (section == nullptr) {
            return true;
        }
        connection.connectionStatus = kUsbDeviceConnected;
        if (KindOfSection(*section) == SectionKind::Hub) {
            connection.deviceIsHub = true;
        } else if (const ScenarioDevice* device = DeviceAt(port)) {
            connection.idVendor = device->vendorId;
            connection.idProduct = device->productId;
        }
        return true;
    }

    Machine m_machine;
    const ScenarioHub& m_hub;
};

class SimUsbHost : public IUsbHost {
public:
    explicit SimUsbHost(Machine machine) : m_machine(machine) {}

    std::unique_ptr<IUsbController> OpenController(const std::u16string& path) override {
        const int index = m_machine->ControllerOfPath(path);
        if (index < 0) {
            return nullptr;
        }
        return std::make_unique<SimUsbController>(m_machine, static_cast<std::size_t>(index));
    }
    std::vector<std::u16string> HostControllerInterfaces() override {
        std::vector<std::u16string> paths;
        for (std::size_t i = 0; i < m_machine->GetScenario().controllers.size(); ++i) {
            paths.push_back(m_machine->ControllerInterfacePath(i));
        }
        return paths;
    }
    std::unique_ptr<IUsbHub> OpenHub(const std::u16string& hubName) override {
        const ScenarioHub* hub = m_machine->HubOfName(hubName);
        if (hub == nullptr) {
            return nullptr;
        }
        return std::make_unique<SimUsbHub>(m_machine, *hub);
    }

private:
    Machine m_machine;
};

class SimDeviceTree : public IDeviceTree {
public:
    explicit SimDeviceTree(Machine machine) : m_machine(machine) {}

    bool Root(DevNode& node) override {
        node = 1;
        return true;
    }
    bool FirstChild(DevNode parent, DevNode& child) override {
        const SimulatedMachine::Node* n = m_machine->FindNode(parent);
        if (n == nullptr || n->children.empty()) {
            return false;
        }
        child = n->children.front();
        return true;
    }
    bool NextSibling(DevNode node, DevNode& sibling) override {
        const SimulatedMachine::Node* n = m_machine->FindNode(node);
        const SimulatedMachine::Node* p = n ? m_machine->FindNode(n->parent) : nullptr;
        if (p == nullptr) {
            return false;
        }
        auto it = std::find(p->children.begin(), p->children.end(), node);
        if (it == p->children.end() || ++it == p->children.end()) {
            return false;
        }
        sibling = *it;
        return true;
    }
    bool Parent(DevNode node, DevNode& parent) override {
        const SimulatedMachine::Node* n = m_machine->FindNode(node);
        if (n == nullptr || n->parent == 0) {
            return false;
        }
        parent = n->parent;
        return true;
    }
    bool DeviceId(DevNode node, std::u16string& id) override {
        const SimulatedMachine::Node* n = m_machine->FindNode(node);
        if (n == nullptr) {
            return false;
        }
        id = n->deviceId;
        return true;
    }
    bool Property(DevNode node, NodeProperty which, std::u16string& value) override {
        const SimulatedMachine::Node* n = m_machine->FindNode(node);
        if (n == nullptr) {
            return false;
        }
        if (which == NodeProperty::Driver) {
            value = n->driver;
            return n->hasDriver;
        }
        value = n->description;
        return !n->description.empty();
    }
    EnumDriver EnumKeyDriver(const std::u16string& deviceId, std::u16string& driver) override {
        const SimulatedMachine::Node* n = m_machine->FindNodeById(deviceId);
        if (n == nullptr || !n->enumKey) {
            return EnumDriver::NoKey;
        }
        if (!n->hasDriver || !FitsIn(n->driver, kEnumDriverBufferBytes)) {
            return EnumDriver::NoValue;
        }
        driver = n->driver;
        return EnumDriver::Value;
    }

private:
    Machine m_machine;
};

class SimDeviceClasses : public IDeviceClasses {
public:
    explicit SimDeviceClasses(Machine machine) : m_machine(machine) {}

    std::vector<ClassDevice> PresentDevicesOfClass(std::u16string_view className) override {
        std::vector<ClassDevice> devices;
        if (!SameSection(className, u"Ports") && !SameSection(className, u"Modem")) {
            return devices; // no such class
        }
        for (const ScenarioPort& port : m_machine->GetScenario().ports) {
            if (!SameSection(port.className, className)) {
                continue;
            }
            ClassDevice d;
            d.node = m_machine->NodeOfSection(port.section);
            d.friendlyName = Text(port.friendlyName, port.friendlyNameNotText);
            d.description = Text(port.description, port.descriptionNotText);
            d.hardwareKeyOpened = port.hardwareKey;
            d.portName = Text(port.portName, port.portNameNotText);
            devices.push_back(std::move(d));
        }
        return devices;
    }

    std::vector<EnumeratedDevice> PresentDevicesOf(std::u16string_view enumerator) override {
        std::vector<EnumeratedDevice> devices;
        for (const SimulatedMachine::Node& n : m_machine->Nodes()) {
            if (enumerator.empty() || !StartsWithNoCase(n.deviceId, enumerator)) {
                continue;
            }
            EnumeratedDevice d;
            d.node = n.id;
            d.driver =
                Text(n.hasDriver && FitsIn(n.driver, kDriverPropertyBufferBytes) ? n.driver : u"");
            devices.push_back(std::move(d));
        }
        return devices;
    }

private:
    Machine m_machine;
};

} // namespace

SimulatedMachine::SimulatedMachine(Scenario scenario) : m_scenario(std::move(scenario)) {
    const DevNode root = AddNode(0, u"HTREE\\ROOT\\0", u"", u"");
    for (const ScenarioController& c : m_scenario.controllers) {
        const DevNode node = AddNode(root, u"PCI\\SIM_HOST_CONTROLLER\\" + Upper(c.section),
                                     c.description, c.nodeDriver);
        m_sectionNodes.emplace_back(Lower(c.section), node);
        if (const ScenarioHub* hub = m_scenario.FindHub(c.rootHub)) {
            AddHub(node, *hub, true);
        }
    }
    std::size_t ports = 0;
    std::size_t modems = 0;
    for (const ScenarioPort& p : m_scenario.ports) {
        DevNode parent = PlaceSection(p.parent, 0);
        std::u16string driver;
        if (SameSection(p.className, u"Ports")) {
            driver = std::u16string(kPortsClassKey) + Decimal(ports++, 4);
        } else if (SameSection(p.className, u"Modem")) {
            driver = std::u16string(kModemClassKey) + Decimal(modems++, 4);
        }
        const DevNode node = AddNode(parent ? parent : root, u"SIM\\PORT\\" + Upper(p.section),
                                     p.description, driver);
        m_sectionNodes.emplace_back(Lower(p.section), node);
    }
    for (const ScenarioNode& n : m_scenario.nodes) {
        PlaceSection(n.section, 0);
    }
    for (const ScenarioNode& n : m_scenario.nodes) {
        const DevNode id = NodeOfSection(n.section);
        const DevNode parent = NodeOfSection(n.parent);
        if (id == 0) {
            continue;
        }
        m_nodes[id - 1].enumKey = n.enumKey;
        // Placing cut a looping chain at the root; a broken machine answers the loop.
        if (m_scenario.keepLoops && parent != 0) {
            m_nodes[id - 1].parent = parent;
        }
    }
}

DevNode SimulatedMachine::AddNode(DevNode parent, std::u16string deviceId,
                                  std::u16string description, const std::u16string& driver) {
    Node n;
    n.id = static_cast<DevNode>(m_nodes.size() + 1);
    n.parent = parent;
    n.deviceId = std::move(deviceId);
    n.description = std::move(description);
    n.hasDriver = !driver.empty();
    n.driver = driver;
    m_nodes.push_back(std::move(n));
    if (parent != 0) {
        m_nodes[parent - 1].children.push_back(m_nodes.back().id);
    }
    return m_nodes.back().id;
}

void SimulatedMachine::AddHub(DevNode parent, const ScenarioHub& hub, bool root) {
    const DevNode node =
        AddNode(parent, (root ? u"USB\\ROOT_HUB\\" : u"USB\\SIM_HUB\\") + Upper(hub.section),
                root ? u"USB Root Hub" : u"Generic USB Hub", u"");
    m_sectionNodes.emplace_back(Lower(hub.section), node);
    for (const std::u16string& section : hub.plugged) {
        if (const ScenarioHub* child = m_scenario.FindHub(section)) {
            if (NodeOfSection(section) == 0) { // a hub plugged in twice has one node
                AddHub(node, *child, false);
            }
        } else if (const ScenarioDevice* device = m_scenario.FindDevice(section)) {
            if (device->present && NodeOfSection(section) == 0) {
                const DevNode d =
                    AddNode(node,
                            u"USB\\VID_" + Hex4(device->vendorId) + u"&PID_" +
                                Hex4(device->productId) + u"\\" + Upper(device->section),
                            u"Simulated USB Device", device->nodeDriver);
                m_sectionNodes.emplace_back(Lower(section), d);
            }
        }
    }
}

// The node of a device or node section, created below its parent (or the root) if need be.
DevNode SimulatedMachine::PlaceSection(std::u16string_view section, int depth) {
    if (section.empty() || depth > kMaxPlacementDepth) {
        return 0;
    }
    const std::u16string key = Lower(section);
    for (const auto& [name, node] : m_sectionNodes) {
        if (name == key) {
            return node; // 0 while a node section is being placed: a loop ends at the root
        }
    }
    if (const ScenarioDevice* device = m_scenario.FindDevice(section)) {
        if (!device->present) {
            return 0;
        }
        const DevNode d = AddNode(1,
                                  u"USB\\VID_" + Hex4(device->vendorId) + u"&PID_" +
                                      Hex4(device->productId) + u"\\" + Upper(device->section),
                                  u"Simulated USB Device", device->nodeDriver);
        m_sectionNodes.emplace_back(key, d);
        return d;
    }
    if (const ScenarioNode* node = m_scenario.FindNode(section)) {
        m_sectionNodes.emplace_back(key, 0);
        const std::size_t slot = m_sectionNodes.size() - 1;
        const DevNode parent = PlaceSection(node->parent, depth + 1);
        const DevNode n = AddNode(parent ? parent : 1, u"SIM\\NODE\\" + Upper(node->section),
                                  u"Simulated Node", node->driver);
        m_sectionNodes[slot].second = n;
        return n;
    }
    return 0;
}

DevNode SimulatedMachine::NodeOfSection(std::u16string_view section) const {
    const std::u16string key = Lower(section);
    for (const auto& [name, node] : m_sectionNodes) {
        if (name == key) {
            return node;
        }
    }
    return 0;
}

const SimulatedMachine::Node* SimulatedMachine::FindNode(DevNode id) const {
    return (id >= 1 && id <= m_nodes.size()) ? &m_nodes[id - 1] : nullptr;
}

const SimulatedMachine::Node* SimulatedMachine::FindNodeById(std::u16string_view deviceId) const {
    for (const Node& n : m_nodes) {
        if (SameSection(n.deviceId, deviceId)) {
            return &n;
        }
    }
    return nullptr;
}

std::u16string SimulatedMachine::ControllerHcdName(std::size_t index) const {
    return u"\\\\.\\HCD" + Decimal(index);
}

std::u16string SimulatedMachine::ControllerInterfacePath(std::size_t index) const {
    return u"\\\\?\\pci#sim_host_controller#" + Lower(m_scenario.controllers[index].section) +
           std::u16string(kHostControllerInterface);
}

int SimulatedMachine::ControllerOfPath(std::u16string_view path) const {
    for (std::size_t i = 0; i < m_scenario.controllers.size(); ++i) {
        if ((i < 10 && SameSection(path, ControllerHcdName(i))) ||
            SameSection(path, ControllerInterfacePath(i))) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::u16string SimulatedMachine::HubName(std::u16string_view hubSection) const {
    const ScenarioHub* hub = m_scenario.FindHub(hubSection);
    if (hub == nullptr) {
        return u"";
    }
    bool root = false;
    for (const ScenarioController& c : m_scenario.controllers) {
        root = root || SameSection(c.rootHub, hub->section);
    }
    return (root ? u"USB#ROOT_HUB#" : u"USB#SIM_HUB#") + Upper(hub->section) +
           std::u16string(kHubInterface);
}

const ScenarioHub* SimulatedMachine::HubOfName(std::u16string_view name) const {
    for (const ScenarioHub& hub : m_scenario.hubs) {
        if (SameSection(HubName(hub.section), name)) {
            return &hub;
        }
    }
    return nullptr;
}

std::unique_ptr<DetectionPlatform> MakeSimulatedPlatform(Scenario scenario) {
    auto machine = std::make_shared<const SimulatedMachine>(std::move(scenario));
    auto platform = std::make_unique<DetectionPlatform>();
    platform->usb = std::make_unique<SimUsbHost>(machine);
    platform->tree = std::make_unique<SimDeviceTree>(machine);
    platform->classes = std::make_unique<SimDeviceClasses>(machine);
    platform->simulated = true;
    platform->specialUsbPorts = machine->GetScenario().specialUsbPorts;
    return platform;
}

} // namespace hitched
