// Resource identifiers of Webcam.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_ZEVUVARIVID_DIALOG 102
#define IDD_RESTART 103
#define IDR_MAINFRAME 128
#define IDD_OPTION 129
#define IDR_TOOLBAR 134
#define IDB_TOOLBAR_NORMAL 136
#define IDB_TOOLBAR_DISABLED 138

#define IDM_ABOUTBOX 0x0010

#define ID_PREVIEW 32771
#define ID_CAPTURE 32772
#define ID_RECORD 32773
#define ID_STOP 32774
#define ID_OPTION 32775

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
