#pragma once
// Resource identifiers of the configuration dialogs.

#define IDD_QUILLON_DIALOG 102
#define IDD_INPUT_KEY_MAPPER 200
#define IDD_ABOUTBOX 201
#define IDC_CAPTURED_KEYS 1100
#define IDC_CONFIG_TREE 1101
#define IDC_ABOUT_TEXT 1102
#define IDC_ABOUT_ICON 1103
// The system menu's entry that opens the about box.
#define IDM_ABOUTBOX 0x0010
