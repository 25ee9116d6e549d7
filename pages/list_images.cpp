#include "pages/list_images.h"

#include "controls/skin_button.h"
#include "res/resource.h"
#include "ui/dpi.h"

namespace {
constexpr int kImages = 6;
} // namespace

HIMAGELIST AttachListImages(CListCtrl& list, UINT nDpi) {
    const LONG_PTR style = ::GetWindowLongPtrW(list.m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrW(list.m_hWnd, GWL_STYLE, style | LVS_SHAREIMAGELISTS);

    HBITMAP hBitmap = LoadArtBitmap(IDB_LIST_IMAGES, nDpi);
    BITMAP info{};
    if (hBitmap == nullptr || ::GetObjectW(hBitmap, sizeof info, &info) == 0 ||
        info.bmWidth < kImages) {
        if (hBitmap != nullptr) {
            ::DeleteObject(hBitmap);
        }
        return nullptr;
    }
    HIMAGELIST images =
        ::ImageList_Create(info.bmWidth / kImages, info.bmHeight, ILC_COLOR24 | ILC_MASK, 1, 1);
    if (images != nullptr) {
        ::ImageList_AddMasked(images, hBitmap, kSkinTransparent);
        list.SetImageList(images, LVSIL_SMALL);
    }
    ::DeleteObject(hBitmap); // the image list keeps its own copies
    return images;
}

void ReattachListImages(CListCtrl& list, HIMAGELIST& hImages, UINT nDpi) {
    HIMAGELIST hOld = hImages;
    hImages = AttachListImages(list, nDpi);
    if (hOld != nullptr) {
        ::ImageList_Destroy(hOld);
    }
}
