#pragma once
// Resource and control ids of the main window (100-199) and of the program's own
// resources (icon, version). Shared by MainWindow.rc, Vogratel.rc and the window code.

// The program's icon. The icon library keeps its own at id 5 (kIconLibraryIcon).
#define IDI_VOGRATEL 100
#define IDR_MAINMENU 101
#define IDR_MAINACCEL 102
#define IDR_LISTACCEL 103
#define IDR_LISTMENU 104

// Commands of the menus and accelerators.
#define IDM_NEWITEM 110
#define IDM_EDITITEM 111
#define IDM_RENAME 112
#define IDM_DELETE 113
#define IDM_MOVEUP 114
#define IDM_MOVEDOWN 115
#define IDM_SAVE 116
#define IDM_ABOUT 117
#define IDM_EXIT 118
#define IDM_PASTVERSIONS 119

// Controls.
#define IDC_DESTLABEL 130
#define IDC_DESTEDIT 131
#define IDC_BROWSE 132
#define IDC_LISTLABEL 133
#define IDC_ITEMLIST 134
#define IDC_TIMELABEL 135
#define IDC_BACKUP 136
#define IDC_RESTORE 137
#define IDC_VERSION 138
