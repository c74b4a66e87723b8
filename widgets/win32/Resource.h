#pragma once
// Resource identifiers of the dialog toolkit (shared by the .rc files and the code).

#define IDI_QUILLON 1

#define IDD_INPUT_DIALOG 100
#define IDC_INPUT_DESCRIPTION 1000
