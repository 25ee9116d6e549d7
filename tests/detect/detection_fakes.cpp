#include "tests/detect/detection_fakes.h"

#include "contracts/utf16_field.h"

#include <memory>

namespace hitched::test {

void AnswerPhones(const std::map<int32_t, PhoneAnswer>& answers) {
    auto failures = std::make_shared<std::map<int32_t, int>>();
    FakeKvInquirePhone::hitchedPhoneInfo = [answers, failures](_PHONEDEVICEINFO_T& info) {
        auto found = answers.find(info.nSerialPort);
        if (found == answers.end() ||
            (*failures)[info.nSerialPort]++ < found->second.failuresBeforeSuccess) {
            return uint32_t{2};
        }
        CopyField(info.tszManufacturer, found->second.manufacturer);
        CopyField(info.tszPhoneName, found->second.model);
        CopyField(info.tszIMEI, found->second.imei);
        return uint32_t{0};
    };
}

} // namespace hitched::test

// The inquiry library as the tests script it.
using hitched::test::FakeKvInquirePhone;

CKvInquirePhone::CKvInquirePhone() {
    ++FakeKvInquirePhone::alive;
}

CKvInquirePhone::~CKvInquirePhone() {
    --FakeKvInquirePhone::alive;
}

uint32_t CKvInquirePhone::HitchedPhoneInfo(_PHONEDEVICEINFO_T& info) {
    ++FakeKvInquirePhone::queries;
    return FakeKvInquirePhone::hitchedPhoneInfo ? FakeKvInquirePhone::hitchedPhoneInfo(info) : 1;
}

int CKvInquirePhone::IsDAVDevice(_PHONEDEVICEINFO_T* info) {
    ++FakeKvInquirePhone::davChecks;
    return FakeKvInquirePhone::isDavDevice ? FakeKvInquirePhone::isDavDevice(info) : 0;
}
