// The maker libraries are seen only through their declarations; these tests hold the seams
// that later code and its tests rely on: a fake inquiry library links in place of the DLL, and
// a Bluetooth object is deleted only through the library's destroy function.
#include <memory>
#include <type_traits>

#include <gtest/gtest.h>

#include "detect/bluetooth_detect_obj.h"
#include "detect/utf16_field.h"
#include "tests/detect/fake_kv_inquire_phone.h"

using hitched::test::FakeKvInquirePhone;

namespace {

TEST(MakerLibs, InquiryCallsReachTheLinkedImplementationWithTheCallersRecord) {
    FakeKvInquirePhone::Reset();
    FakeKvInquirePhone::hitchedPhoneInfo = [](_PHONEDEVICEINFO_T& d) -> uint32_t {
        if (d.nSerialPort != 5) {
            return 7;
        }
        hitched::CopyField(d.tszManufacturer, u"Ostra");
        return 0;
    };
    _PHONEDEVICEINFO_T d{};
    d.dwConnectType = 1;
    {
        CKvInquirePhone inquire;
        EXPECT_EQ(FakeKvInquirePhone::alive, 1);
        EXPECT_EQ(inquire.HitchedPhoneInfo(d), 7u);
        d.nSerialPort = 5;
        EXPECT_EQ(inquire.HitchedPhoneInfo(d), 0u);
        EXPECT_EQ(inquire.IsDAVDevice(&d), 0);
    }
    EXPECT_EQ(FakeKvInquirePhone::alive, 0);
    EXPECT_EQ(FakeKvInquirePhone::queries, 2);
    EXPECT_EQ(hitched::FieldView(d.tszManufacturer), u"Ostra");
    FakeKvInquirePhone::Reset();
}

TEST(MakerLibs, BluetoothObjectCannotBeDeletedByTheProgram) {
    // A protected destructor: `delete obj` from the program would not compile, so memory is
    // always freed by the library that allocated it.
    EXPECT_FALSE(std::is_destructible<CBluetoothDetectObj>::value);
    EXPECT_TRUE(std::has_virtual_destructor<CBluetoothDetectObj>::value);
    EXPECT_TRUE(std::is_abstract<CBluetoothDetectObj>::value);
}

} // namespace
