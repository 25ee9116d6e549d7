#include "tests/detect/fake_kv_inquire_phone.h"

namespace hitched::test {

std::function<uint32_t(_PHONEDEVICEINFO_T&)> FakeKvInquirePhone::hitchedPhoneInfo;
std::function<int(_PHONEDEVICEINFO_T*)> FakeKvInquirePhone::isDavDevice;
int FakeKvInquirePhone::alive = 0;
int FakeKvInquirePhone::queries = 0;
int FakeKvInquirePhone::davChecks = 0;

void FakeKvInquirePhone::Reset() {
    hitchedPhoneInfo = nullptr;
    isDavDevice = nullptr;
    alive = queries = davChecks = 0;
}

} // namespace hitched::test

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
