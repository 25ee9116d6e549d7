#pragma once
#include "ui/list_ctrl.h"

#include <commctrl.h>

// The small images of the pages' lists, from bitmap 169: six images of 20 x 24 pixels (a phone,
// a handshake, a padlock and their greyed copies), magenta masked. Gives them to the list as its
// small image list, shared: the list never destroys it, so the page that owns the returned image
// list destroys it exactly once. nullptr when it cannot be made.
HIMAGELIST AttachListImages(CListCtrl& list);
