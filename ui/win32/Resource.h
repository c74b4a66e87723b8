#pragma once
// Resource identifiers of the configuration dialogs.

#define IDD_INPUT_KEY_MAPPER 200
#define IDC_CAPTURED_KEYS 1100
