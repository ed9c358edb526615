// Resource and control ids of brelo. Plain #defines: the resource compiler reads this file too.
// The numbers are fixed; never renumber.
#pragma once

// Resources
#define IDI_APP 7
#define IDD_MAIN 105
#define IDD_CONVERTERS 111
#define IDB_FILE 112
#define IDB_FOLDER 113
#define IDR_ACCELERATORS 115
// The tree glyphs at 24 and 32 pixels, for screens of higher DPI.
#define IDB_FILE_24 116
#define IDB_FOLDER_24 117
#define IDB_FILE_32 118
#define IDB_FOLDER_32 119
// The log box's context menu.
#define IDR_LOG_MENU 125
// The output tree's marks, a strip of state images at 16, 24 and 32 pixels.
#define IDB_MARKS 140
#define IDB_MARKS_24 141
#define IDB_MARKS_32 142

// Commands
#define IDM_REFRESH_FOCUSED 40001
// The log box's context menu (Save Log As... also by Ctrl+S).
#define IDM_SAVE_LOG 40010
#define IDM_COPY_LOG 40011
#define IDM_RUN_FAILED_AGAIN 40012

// Main window (dialog 105)
#define IDC_MAIN_OUTPUT_PATTERN 12
#define IDC_MAIN_INPUT_DIR 1001
#define IDC_MAIN_INPUT_BROWSE 1002
#define IDC_MAIN_LOG 1003
#define IDC_MAIN_INPUT_REFRESH 1004
#define IDC_MAIN_OUTPUT_REFRESH 1005
#define IDC_MAIN_CONFIGURE 1006
#define IDC_MAIN_INPUT_PATTERNS 1007
#define IDC_MAIN_SUBFOLDERS 1015
#define IDC_MAIN_CONVERTER 1016
#define IDC_MAIN_OUTPUT_DIR 1017
#define IDC_MAIN_OUTPUT_BROWSE 1018
#define IDC_MAIN_OUTPUT_TREE 1019
#define IDC_MAIN_INPUT_TREE 1020
#define IDC_MAIN_INPUT_AUTO 1021
#define IDC_MAIN_RUN 1022
#define IDC_MAIN_OUTPUT_AUTO 1023
#define IDC_MAIN_INPUT_FRAME 1025
#define IDC_MAIN_OUTPUT_FRAME 1026
#define IDC_MAIN_SKIP_UP_TO_DATE 1028
#define IDC_MAIN_KEEP_TIMES 1050
// Tree controls made at run time: those being filled while hidden, and those replaced, hidden
// while they are emptied.
#define IDC_MAIN_INPUT_TREE_COMING 1040
#define IDC_MAIN_OUTPUT_TREE_COMING 1041
#define IDC_MAIN_INPUT_TREE_RETIRED 1042
#define IDC_MAIN_OUTPUT_TREE_RETIRED 1043

// The edit field inside every combo box with an edit field carries this id, whatever its box.
#define IDC_COMBO_EDIT 1001

// Converters dialog (dialog 111). Its buttons 3-8 share their values with IDABORT ... IDCLOSE.
#define IDC_CONV_OK 1
#define IDC_CONV_CANCEL 2
#define IDC_CONV_NEW 3
#define IDC_CONV_COPY 4
#define IDC_CONV_UP 5
#define IDC_CONV_DOWN 6
#define IDC_CONV_DELETE 8
#define IDC_CONV_LIST 1020
#define IDC_CONV_TITLE 1022
#define IDC_CONV_EXE_BROWSE 1023
#define IDC_CONV_EXE 1024
#define IDC_CONV_ARGUMENTS 1025
#define IDC_CONV_WORKDIR 1026
#define IDC_CONV_WORKDIR_BROWSE 1027
#define IDC_CONV_PARALLEL 1029
#define IDC_CONV_PARALLEL_SPIN 1030
#define IDC_CONV_TIME_LIMIT 1031
#define IDC_CONV_TIME_LIMIT_SPIN 1032
