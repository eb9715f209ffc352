#pragma once
// Resource ids of the past-versions window and its day picker (800-899).
#define IDD_PASTVERSIONS 800
#define IDC_PV_TREELABEL 801
#define IDC_PV_TREE 802
#define IDC_PV_LISTLABEL 803
#define IDC_PV_LIST 804
#define IDC_PV_STATUS 805
#define IDC_PV_ORIGINAL 806
#define IDC_PV_FOLDER 807
#define IDC_PV_ASOF 808

#define IDD_PV_DAY 820
#define IDC_PV_DAYTEXT 821
#define IDC_PV_DAYS 822
#define IDC_PV_DATELABEL 823
#define IDC_PV_DATE 824
