// Resource and control ids of SyncServer.exe, shared by the resource script
// and the code.
#pragma once

#define IDD_MAIN 101
#define IDI_APP 102
#define IDR_TRAYMENU 103

#define IDC_LOG 1003
#define IDC_STARTSTOP 1004
#define IDC_BACKUP_DIR 1005
#define IDC_SYNC_DIR 1006
#define IDC_BROWSE_BACKUP 1007
#define IDC_BROWSE_SYNC 1008

#define IDM_QUIT 40001
