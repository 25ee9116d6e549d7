#pragma once
// A dialog of the framework tests, with ids far from the program's own resources.
#define IDD_UI_TEST 31000
#define IDC_UI_ACTION 31001
#define IDC_UI_OWNERDRAW 31002
#define IDC_UI_EDIT 31003
#define IDD_UI_MISSING 31999
