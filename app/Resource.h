// Resource numbers, shared by the resource script and the program.
#pragma once

#define IDS_APP_TITLE 103
#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_KORVANTA 107
#define IDI_SMALL 108
#define IDC_KORVANTA 109
#define IDM_MODE_HDUS 110
#define IDM_MODE_DIRECT 111
#define IDM_MODE_DIRECT_FG 112
#define IDM_IGNORE_CURSOR 113
#define IDM_LOCKON 114
#define IDI_KORVANTA_256 115
#define IDS_SETTINGS_NOT_SAVED_TITLE 116
#define IDS_SETTINGS_NOT_SAVED 117
#define IDR_MAINFRAME 128
