#pragma once
// Resource ids of the restore's windows (700-799).
#define IDD_RESTORE_START 700
#define IDC_RESTORE_ORIGINAL 701
#define IDC_RESTORE_OTHER 702
#define IDC_RESTORE_FOLDER 703
#define IDC_RESTORE_BROWSE 704
#define IDC_RESTORE_TEXT 705
