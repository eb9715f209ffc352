#pragma once
// Resource ids of the run windows (progress, result, free space, error list): 400-599.

// Dialog templates.
#define IDD_RESULT 400
#define IDD_FREESPACE 401
#define IDD_ERRORLIST 402
#define IDD_FILETREE 403

// Context menus.
#define IDM_RESULT_TREE 420
#define IDM_RESULT_ERRORTREE 421

// Menu commands.
#define IDC_MENU_OPENFOLDER 430
#define IDC_MENU_EXPANDALL 431
#define IDC_MENU_COLLAPSEALL 432
#define IDC_MENU_REGISTERTARGET 433
#define IDC_MENU_REGISTEREXCLUDED 434
#define IDC_MENU_COPYNAME 435
#define IDC_MENU_SHOWERROR 436

// The result window.
#define IDC_RESULT_COPYLABEL 450
#define IDC_RESULT_SUCCESSSIZE 451
#define IDC_RESULT_TREE 452
#define IDC_RESULT_MIRRORBUTTON 453
#define IDC_RESULT_MIRRORSIZE 454
#define IDC_RESULT_ERRORLABEL 455
#define IDC_RESULT_ERRORSIZE 456
#define IDC_RESULT_ERRORTREE 457
#define IDC_RESULT_PROBLEMLABEL 458
#define IDC_RESULT_PROBLEMS 459
#define IDC_RESULT_FONTNAME 460
#define IDC_RESULT_FONTSIZE 461

// The free-space dialog.
#define IDC_FREESPACE_LABEL 470
#define IDC_FREESPACE_LIST 471

// The error-list dialog.
#define IDC_ERRORLIST_LIST 480

// The plain file tree (the mirroring viewer).
#define IDC_FILETREE_TREE 490

// The progress window (made in code).
#define IDC_PROGRESS_ANIMATION 500
#define IDC_PROGRESS_MARQUEE 501
#define IDC_PROGRESS_STATE 502
#define IDC_PROGRESS_DETAIL 503
#define IDC_PROGRESS_BAR 504
#define IDC_PROGRESS_STOP 505
#define IDC_PROGRESS_PAUSE 506
