#include "tests/detect/fake_detection_platform.h"

#include <algorithm>

namespace hitched::test {
namespace {

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (fold(text[i]) != fold(prefix[i])) {
            return false;
        }
    }
    return true;
}

class Controller : public IUsbController {
public:
    explicit Controller(const FakeMachine::Controller& c) : m_c(c) {}
    bool DriverKeyName(std::u16string& name) override {
        name = m_c.driverKey;
        return !name.empty();
    }
    bool RootHubName(std::u16string& name) override {
        name = m_c.rootHub;
        return !name.empty();
    }

private:
    FakeMachine::Controller m_c;
};

class Hub : public IUsbHub {
public:
    Hub(FakeMachine& m, std::u16string name) : m_m(m), m_name(std::move(name)) {}
    bool PortCount(uint32_t& ports) override {
        ports = hub().ports;
        return !hub().countFails;
    }
    bool ConnectionInformationEx(uint32_t port, UsbConnection& c) override {
        m_m.queriedPorts.emplace_back(m_name, port);
        const FakeMachine::Port* p = Find(port);
        if (p != nullptr && p->extendedFails) {
            return false;
        }
        c = p ? p->connection : UsbConnection();
        return true;
    }
    bool ConnectionInformation(uint32_t port, UsbConnection& c) override {
        const FakeMachine::Port* p = Find(port);
        if (p != nullptr && p->plainFails) {
            return false;
        }
        c = p ? p->connection : UsbConnection();
        return true;
    }
    bool ConnectionDriverKeyName(uint32_t port, std::u16string& name) override {
        const FakeMachine::Port* p = Find(port);
        if (p == nullptr || p->driverKey.empty()) {
            return false;
        }
        name = p->driverKey;
        return true;
    }
    bool ConnectionName(uint32_t port, std::u16string& name) override {
        const FakeMachine::Port* p = Find(port);
        if (p == nullptr || p->hubName.empty()) {
            return false;
        }
        name = p->hubName;
        return true;
    }

private:
    const FakeMachine::Hub& hub() { return m_m.hubs[m_name]; }
    const FakeMachine::Port* Find(uint32_t port) {
        auto it = hub().plugged.find(port);
        return it == hub().plugged.end() ? nullptr : &it->second;
    }
    FakeMachine& m_m;
    std::u16string m_name;
};

class Host : public IUsbHost {
public:
    explicit Host(FakeMachine& m) : m_m(m) {}
    std::unique_ptr<IUsbController> OpenController(const std::u16string& path) override {
        auto it = m_m.controllers.find(path);
        if (it == m_m.controllers.end()) {
            return nullptr;
        }
        m_m.openedControllers.push_back(path);
        return std::make_unique<Controller>(it->second);
    }
    std::vector<std::u16string> HostControllerInterfaces() override { return m_m.interfaces; }
    std::unique_ptr<IUsbHub> OpenHub(const std::u16string& name) override {
        if (m_m.hubs.count(name) == 0) {
            return nullptr;
        }
        m_m.openedHubs.push_back(name);
        return std::make_unique<Hub>(m_m, name);
    }

private:
    FakeMachine& m_m;
};

class Tree : public IDeviceTree {
public:
    explicit Tree(FakeMachine& m) : m_m(m) {}
    bool Root(DevNode& node) override {
        node = m_m.root;
        return true;
    }
    bool FirstChild(DevNode parent, DevNode& child) override {
        const FakeMachine::Node* n = Find(parent);
        if (n == nullptr || n->children.empty()) {
            return false;
        }
        child = n->children.front();
        return true;
    }
    bool NextSibling(DevNode node, DevNode& sibling) override {
        const FakeMachine::Node* n = Find(node);
        const FakeMachine::Node* p = n ? Find(n->parent) : nullptr;
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
        const FakeMachine::Node* n = Find(node);
        if (n == nullptr || n->parent == 0) {
            return false;
        }
        parent = n->parent;
        return true;
    }
    bool DeviceId(DevNode node, std::u16string& id) override {
        const FakeMachine::Node* n = Find(node);
        if (n == nullptr || !n->deviceId) {
            return false;
        }
        id = *n->deviceId;
        return true;
    }
    bool Property(DevNode node, NodeProperty which, std::u16string& value) override {
        const FakeMachine::Node* n = Find(node);
        if (n == nullptr) {
            return false;
        }
        if (which == NodeProperty::Driver) {
            value = n->driver.value_or(u"");
            return n->driver.has_value();
        }
        value = n->description;
        return !value.empty();
    }
    EnumDriver EnumKeyDriver(const std::u16string& deviceId, std::u16string& driver) override {
        for (const auto& [id, n] : m_m.nodes) {
            if (n.deviceId && *n.deviceId == deviceId) {
                if (!n.enumKeyOpens) {
                    return EnumDriver::NoKey;
                }
                if (!n.driver) {
                    return EnumDriver::NoValue;
                }
                driver = *n.driver;
                return EnumDriver::Value;
            }
        }
        return EnumDriver::NoKey;
    }

private:
    const FakeMachine::Node* Find(DevNode id) {
        auto it = m_m.nodes.find(id);
        return it == m_m.nodes.end() ? nullptr : &it->second;
    }
    FakeMachine& m_m;
};

class Classes : public IDeviceClasses {
public:
    explicit Classes(FakeMachine& m) : m_m(m) {}
    std::vector<ClassDevice> PresentDevicesOfClass(std::u16string_view className) override {
        ++m_m.classQueries;
        auto it = m_m.classes.find(std::u16string(className));
        return it == m_m.classes.end() ? std::vector<ClassDevice>() : it->second;
    }
    std::vector<EnumeratedDevice> PresentDevicesOf(std::u16string_view enumerator) override {
        std::vector<EnumeratedDevice> out;
        for (const FakeMachine::Present& p : m_m.present) {
            if (StartsWithNoCase(p.instanceId, enumerator)) {
                EnumeratedDevice d;
                d.node = p.node;
                d.driver = p.driver;
                out.push_back(d);
            }
        }
        return out;
    }

private:
    FakeMachine& m_m;
};

RegistryText Text(std::u16string value) {
    RegistryText t;
    t.exists = t.isText = !value.empty();
    t.text = std::move(value);
    return t;
}

} // namespace

std::unique_ptr<DetectionPlatform> FakeMachine::Platform() {
    auto p = std::make_unique<DetectionPlatform>();
    p->usb = std::make_unique<Host>(*this);
    p->tree = std::make_unique<Tree>(*this);
    p->classes = std::make_unique<Classes>(*this);
    return p;
}

ClassDevice MakeClassDevice(DevNode node, std::u16string friendlyName, std::u16string description,
                            std::u16string portName) {
    ClassDevice d;
    d.node = node;
    d.friendlyName = Text(std::move(friendlyName));
    d.description = Text(std::move(description));
    d.hardwareKeyOpened = true;
    d.portName = Text(std::move(portName));
    return d;
}

} // namespace hitched::test
