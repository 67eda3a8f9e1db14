/* Resource and control ids shared by the resource script and the launcher code. */
#ifndef DRX_LAUNCHER_RESOURCE_IDS_H
#define DRX_LAUNCHER_RESOURCE_IDS_H

#define IDD_PROGRESS 103
#define IDD_RUNTIME_CHOICE 104
#define IDI_LAUNCHER 1001

/* Progress dialog (103) */
#define IDC_PROGRESS_BAR 1001
#define IDC_STATUS_LINE 1002
#define IDC_MESSAGE 1003

/* Runtime choice dialog (104); 1003 is its explanation text */
#define IDC_DOWNLOAD 1004
#define IDC_LOCATE 1005

#endif
