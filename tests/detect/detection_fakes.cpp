#include "tests/detect/detection_fakes.h"

#include "app/trace.h"
#include "tests/detect/fake_kv_inquire_phone.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace hitched::test {

namespace {
std::mutex g_traceLock;
void RecordLine(const std::u16string& line) {
    std::lock_guard<std::mutex> lock(g_traceLock);
    TraceRecorder::Lines().push_back(line);
}
} // namespace

TraceRecorder::TraceRecorder() {
    Lines().clear();
    SetTraceSink(&RecordLine);
}

TraceRecorder::~TraceRecorder() {
    SetTraceSink(nullptr);
}

std::vector<std::u16string>& TraceRecorder::Lines() {
    static std::vector<std::u16string> lines;
    return lines;
}

bool TraceRecorder::Has(std::u16string_view line) const {
    return Count(line) > 0;
}

int TraceRecorder::Count(std::u16string_view line) const {
    std::lock_guard<std::mutex> lock(g_traceLock);
    return static_cast<int>(std::count(Lines().begin(), Lines().end(), line));
}

_PHONEDEVICEINFO_T CablePhone(int32_t port) {
    _PHONEDEVICEINFO_T record{};
    record.dwConnectType = kDeviceUsbCable;
    record.wVendorID = 0x0421;
    record.wProductID = 0x0630;
    record.nSerialPort = port;
    CopyField(record.tszSerialPortName, AsciiToUtf16("COM" + std::to_string(port)));
    return record;
}

void AnswerPhones(const std::map<int32_t, PhoneAnswer>& answers) {
    auto failures = std::make_shared<std::map<int32_t, int>>();
    FakeKvInquirePhone::hitchedPhoneInfo = [answers, failures](_PHONEDEVICEINFO_T& info) {
        auto found = answers.find(info.nSerialPort);
        if (found == answers.end()) {
            return uint32_t{2};
        }
        int& failed = (*failures)[info.nSerialPort];
        if (failed < found->second.failuresBeforeSuccess) {
            ++failed;
            return uint32_t{2};
        }
        CopyField(info.tszManufacturer, found->second.manufacturer);
        CopyField(info.tszPhoneName, found->second.model);
        CopyField(info.tszIMEI, found->second.imei);
        return uint32_t{0};
    };
}

std::string Narrow(std::u16string_view text) {
    return std::string(text.begin(), text.end());
}

} // namespace hitched::test
