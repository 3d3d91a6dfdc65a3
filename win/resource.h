// The identifiers of the dialog's resources and controls, shared by the
// resource script and the code. The numbers are those the release tooling
// has always used; IDC_PROGRESS is the bar added below the buttons.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDM_ABOUTBOX 0x0010

#define IDC_ROOT_PATH 1000
#define IDC_BROWSE 1001
#define IDC_IMPORT 1004
#define IDC_GENERATE 1005
#define IDC_LOG 1006
#define IDC_STATUS 1007
#define IDC_PROGRESS 1008
