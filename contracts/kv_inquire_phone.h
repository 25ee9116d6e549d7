#pragma once
// KvInquireInfo.dll: the phone-inquiry library, linked at load time. It identifies the phone
// behind a detected device and says whether a USB device is a DAV device.
//
// The class is exported by the DLL (KVINQUIREINFO_EXPORTS while building it). Importers need
// no attribute: MinGW's import library resolves the member functions through its thunks, which
// also lets the portable build and the tests link a fake implementation instead of the DLL.
#include <cstdint>

#include "contracts/phone_device_info.h"

#if defined(_WIN32) && defined(KVINQUIREINFO_EXPORTS)
#define KVINQUIREINFO_API __declspec(dllexport)
#elif defined(_WIN32) && defined(KVINQUIREINFO_IMPORTS)
#define KVINQUIREINFO_API __declspec(dllimport)
#else
#define KVINQUIREINFO_API
#endif

class KVINQUIREINFO_API CKvInquirePhone {
public:
    CKvInquirePhone();
    virtual ~CKvInquirePhone();
    CKvInquirePhone(const CKvInquirePhone&) = delete;
    CKvInquirePhone& operator=(const CKvInquirePhone&) = delete;

    // 0 = identified: tszManufacturer, tszPhoneName and tszIMEI then hold the phone's values.
    // The connection fields of the record are filled in before the call. Other answers below.
    uint32_t HitchedPhoneInfo(_PHONEDEVICEINFO_T& info);

    // Nonzero = a DAV device. Asked only for USB cable records with vendor ID 0x0421.
    int IsDAVDevice(_PHONEDEVICEINFO_T* info);
};

namespace hitched {
constexpr uint16_t kDavVendorId = 0x0421;

// HitchedPhoneInfo's answers. Whether the device answered at all decides whether asking it
// again later can help: a silent phone may still be waking, an answer will not change.
constexpr uint32_t kInquiryIdentified = 0;
constexpr uint32_t kInquiryNoPort = 1;    // the record names no port to ask
constexpr uint32_t kInquiryNotAPhone = 2; // it answered, not as a phone; or it is never opened
constexpr uint32_t kInquiryNoAnswer = 3;  // no port answered, or none could be opened
} // namespace hitched
