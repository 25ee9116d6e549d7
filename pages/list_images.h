#pragma once
#include "ui/list_ctrl.h"

#include <commctrl.h>

// The small images of the pages' lists, from bitmap 169 at the art scale of a DPI: six images
// (20 x 24 pixels at 100 %: a phone, a handshake, a padlock and their greyed copies) and a
// spare column, magenta masked; an image is as tall as the strip and a sixth of its width.
// Gives them to the list as its small image list, shared: the list never destroys it, so the
// page that owns the returned image list destroys it exactly once. nullptr when it cannot be
// made.
HIMAGELIST AttachListImages(CListCtrl& list, UINT nDpi);

// Gives the list the images of another DPI and destroys the ones it had (owned by the page).
void ReattachListImages(CListCtrl& list, HIMAGELIST& hImages, UINT nDpi);
