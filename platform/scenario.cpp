#include "platform/scenario.h"

#include <algorithm>
#include <set>

namespace hitched {
namespace {

char16_t Lower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && SameSection(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// The value without an inline comment (a ';' after a blank) and without blanks around it.
std::u16string Clean(std::u16string value) {
    for (std::size_t i = 1; i < value.size(); ++i) {
        if (value[i] == u';' && IsBlank(value[i - 1])) {
            value.erase(i);
            break;
        }
    }
    if (!value.empty() && value[0] == u';') {
        value.clear();
    }
    std::size_t b = 0;
    std::size_t e = value.size();
    while (b < e && IsBlank(value[b])) {
        ++b;
    }
    while (e > b && IsBlank(value[e - 1])) {
        --e;
    }
    return value.substr(b, e - b);
}

// Leading decimal number as the profile functions read integers; `fallback` when none.
long Number(std::u16string_view text, long fallback) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size() || text[i] < u'0' || text[i] > u'9') {
        return fallback;
    }
    long n = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        n = std::min<long>(n * 10 + (text[i] - u'0'), 1000000000L);
    }
    return negative ? -n : n;
}

// Hexadecimal, without 0x (an 0x prefix is tolerated); 0 when not a 16-bit hex number.
uint16_t Hex16(std::u16string_view text) {
    if (text.size() > 2 && text[0] == u'0' && Lower(text[1]) == u'x') {
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 4) {
        return 0;
    }
    uint16_t v = 0;
    for (char16_t c : text) {
        const char16_t l = Lower(c);
        int digit;
        if (l >= u'0' && l <= u'9') {
            digit = l - u'0';
        } else if (l >= u'a' && l <= u'f') {
            digit = l - u'a' + 10;
        } else {
            return 0;
        }
        v = static_cast<uint16_t>(v * 16 + digit);
    }
    return v;
}

std::u16string Numbered(std::u16string_view prefix, int n) {
    std::u16string s(prefix);
    for (char c : std::to_string(n)) {
        s.push_back(static_cast<char16_t>(c));
    }
    return s;
}

// USB allows five hubs between a root hub and a device; deeper chains are a broken file.
constexpr int kMaxHubTiers = 7;
constexpr int kMaxNodeChain = 32;

class Loader {
public:
    explicit Loader(IProfileReader& reader) : m_reader(reader) {}

    Scenario Load() {
        const int controllers = Count(u"Controllers");
        const int ports = Count(u"Ports");
        const int nodes = Count(u"Nodes");
        m_scenario.specialUsbPorts = Value(u"Machine", u"SpecialUsbPorts");
        m_scenario.keepLoops = Flag(u"Machine", u"KeepLoops", false);
        for (int i = 1; i <= controllers; ++i) {
            LoadController(Numbered(u"Controller", i));
        }
        for (int i = 1; i <= ports; ++i) {
            LoadPort(Numbered(u"Port", i));
        }
        for (int i = 1; i <= nodes; ++i) {
            LoadNode(Numbered(u"Node", i), 0);
        }
        return std::move(m_scenario);
    }

private:
    std::u16string Value(std::u16string_view section, std::u16string_view key) {
        return Clean(m_reader.GetString(section, key, u""));
    }

    bool Flag(std::u16string_view section, std::u16string_view key, bool fallback) {
        return Number(Value(section, key), fallback ? 1 : 0) != 0;
    }

    // Whether the comma list `list` holds `name` (any case).
    static bool Lists(std::u16string_view list, std::u16string_view name) {
        while (!list.empty()) {
            const std::size_t comma = std::min(list.find(u','), list.size());
            if (SameSection(Clean(std::u16string(list.substr(0, comma))), name)) {
                return true;
            }
            list.remove_prefix(std::min(comma + 1, list.size()));
        }
        return false;
    }

    int Count(std::u16string_view key) {
        return static_cast<int>(
            std::clamp<long>(Number(Value(u"Machine", key), 0), 0, kMaxScenarioSections));
    }

    void LoadController(const std::u16string& section) {
        ScenarioController c;
        c.section = section;
        c.driverKey = Value(section, u"DriverKey");
        c.nodeDriver = NodeDriver(section, c.driverKey);
        c.description = Value(section, u"Description");
        const std::u16string hub = Value(section, u"RootHub");
        if (KindOfSection(hub) == SectionKind::Hub && LoadHub(hub, 1)) {
            c.rootHub = hub;
        }
        m_scenario.controllers.push_back(std::move(c));
    }

    // False when the hub is already attached somewhere or lies deeper than any USB tree.
    bool LoadHub(const std::u16string& section, int tier) {
        if (tier > kMaxHubTiers || m_scenario.FindHub(section) != nullptr) {
            return false;
        }
        const std::size_t index = m_scenario.hubs.size();
        m_scenario.hubs.push_back({section, 0, {}, {}});
        const uint32_t count = static_cast<uint32_t>(
            std::clamp<long>(Number(Value(section, u"Ports"), 0), 0, kMaxHubPorts));
        std::vector<std::u16string> plugged(count);
        std::vector<PortInfo> info(count, PortInfo::Both);
        for (uint32_t p = 1; p <= count; ++p) {
            const std::u16string port = Numbered(u"Port", static_cast<int>(p));
            const std::u16string answers = Value(section, port + u"Info");
            if (SameSection(answers, u"plain")) {
                info[p - 1] = PortInfo::PlainOnly;
            } else if (SameSection(answers, u"none")) {
                info[p - 1] = PortInfo::None;
            }
            const std::u16string target = Value(section, port);
            switch (KindOfSection(target)) {
            case SectionKind::Hub:
                if (LoadHub(target, tier + 1) ||
                    (m_scenario.keepLoops && m_scenario.FindHub(target) != nullptr)) {
                    plugged[p - 1] = target;
                }
                break;
            case SectionKind::Device:
                if (IsPlugged(target)) {
                    break; // a device sits in one port only
                }
                LoadDevice(target);
                plugged[p - 1] = target;
                m_plugged.insert(Lowered(target));
                break;
            default:
                break;
            }
        }
        m_scenario.hubs[index].ports = count;
        m_scenario.hubs[index].plugged = std::move(plugged);
        m_scenario.hubs[index].info = std::move(info);
        return true;
    }

    bool IsPlugged(std::u16string_view device) const {
        return m_plugged.count(Lowered(device)) != 0;
    }

    void LoadDevice(const std::u16string& section) {
        if (m_scenario.FindDevice(section) != nullptr) {
            return;
        }
        ScenarioDevice d;
        d.section = section;
        d.vendorId = Hex16(Value(section, u"VendorID"));
        d.productId = Hex16(Value(section, u"ProductID"));
        d.driverKey = Value(section, u"DriverKey");
        d.nodeDriver = NodeDriver(section, d.driverKey);
        d.present = Flag(section, u"Present", true);
        m_scenario.devices.push_back(std::move(d));
    }

    void LoadParent(const std::u16string& parent, int depth) {
        switch (KindOfSection(parent)) {
        case SectionKind::Device:
            LoadDevice(parent);
            break;
        case SectionKind::Node:
            LoadNode(parent, depth + 1);
            break;
        default:
            break;
        }
    }

    void LoadPort(const std::u16string& section) {
        ScenarioPort p;
        p.section = section;
        p.className = Value(section, u"Class");
        p.portName = Value(section, u"PortName");
        p.friendlyName = Value(section, u"FriendlyName");
        p.description = Value(section, u"Description");
        p.parent = Value(section, u"Parent");
        p.hardwareKey = Flag(section, u"HardwareKey", true);
        const std::u16string notText = Value(section, u"NotText");
        p.friendlyNameNotText = Lists(notText, u"FriendlyName");
        p.descriptionNotText = Lists(notText, u"Description");
        p.portNameNotText = Lists(notText, u"PortName");
        m_scenario.ports.push_back(p);
        LoadParent(p.parent, 0);
    }

    void LoadNode(const std::u16string& section, int depth) {
        if (depth > kMaxNodeChain || m_scenario.FindNode(section) != nullptr) {
            return; // also ends a chain of nodes that names itself again
        }
        ScenarioNode n;
        n.section = section;
        n.parent = Value(section, u"Parent");
        n.driver = Value(section, u"Driver");
        n.enumKey = Flag(section, u"EnumKey", true);
        m_scenario.nodes.push_back(n);
        LoadParent(n.parent, depth);
    }

    // A node's Driver value may differ from the key the hub reports; by default it is that key.
    std::u16string NodeDriver(std::u16string_view section, const std::u16string& reported) {
        const std::u16string value = Value(section, u"NodeDriver");
        return value.empty() ? reported : value;
    }

    static std::u16string Lowered(std::u16string_view text) {
        std::u16string out(text);
        std::transform(out.begin(), out.end(), out.begin(), Lower);
        return out;
    }

    IProfileReader& m_reader;
    Scenario m_scenario;
    std::set<std::u16string> m_plugged; // devices in a hub port, lower case
};

template <typename T> const T* FindSection(const std::vector<T>& items, std::u16string_view s) {
    for (const T& item : items) {
        if (SameSection(item.section, s)) {
            return &item;
        }
    }
    return nullptr;
}

} // namespace

bool SameSection(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

SectionKind KindOfSection(std::u16string_view section) {
    if (StartsWithNoCase(section, u"Hub") && section.size() > 3) {
        return SectionKind::Hub;
    }
    if (StartsWithNoCase(section, u"Device") && section.size() > 6) {
        return SectionKind::Device;
    }
    if (StartsWithNoCase(section, u"Node") && section.size() > 4) {
        return SectionKind::Node;
    }
    return SectionKind::None;
}

const ScenarioHub* Scenario::FindHub(std::u16string_view section) const {
    return FindSection(hubs, section);
}
const ScenarioDevice* Scenario::FindDevice(std::u16string_view section) const {
    return FindSection(devices, section);
}
const ScenarioNode* Scenario::FindNode(std::u16string_view section) const {
    return FindSection(nodes, section);
}

Scenario LoadScenario(IProfileReader& reader) {
    return Loader(reader).Load();
}

} // namespace hitched
