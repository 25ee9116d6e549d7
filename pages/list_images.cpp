#include "pages/list_images.h"

#include "controls/skin_button.h"
#include "res/resource.h"

namespace {
constexpr int kImageWidth = 20;
constexpr int kImageHeight = 24;
} // namespace

HIMAGELIST AttachListImages(CListCtrl& list) {
    const LONG_PTR style = ::GetWindowLongPtrW(list.m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrW(list.m_hWnd, GWL_STYLE, style | LVS_SHAREIMAGELISTS);

    HIMAGELIST images = ::ImageList_Create(kImageWidth, kImageHeight, ILC_COLOR24 | ILC_MASK, 1, 1);
    if (images == nullptr) {
        return nullptr;
    }
    HBITMAP hBitmap = static_cast<HBITMAP>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_LIST_IMAGES), IMAGE_BITMAP, 0, 0, 0));
    if (hBitmap != nullptr) {
        ::ImageList_AddMasked(images, hBitmap, kSkinTransparent);
        ::DeleteObject(hBitmap); // the image list keeps its own copies
    }
    list.SetImageList(images, LVSIL_SMALL);
    return images;
}
