/* Numeric ids of wKivari's resources and controls, shared by the code and wkivari.rc. */
#ifndef WKIVARI_RESOURCE_H
#define WKIVARI_RESOURCE_H

/* Plain #defines only: windres reads this file too. */

/* Strings */
#define IDS_APP_NAME 1 /* window class name and window title */

/* Icons */
#define IDI_WKIVARI 108

/* Menu and its commands */
#define IDM_MAIN 102
#define IDM_HELP_CONTENTS 40001
#define IDM_HELP_SEARCH 40002
#define IDM_HOMEPAGE 40003
#define IDM_ABOUT 40004
#define IDM_NEW_GAME 40005
#define IDM_OPTIONS 40006
#define IDM_EXIT 40007
#define IDM_HISTORY 40008
#define IDM_UNDO 40009 /* Game */
#define IDM_REDO 40010
#define IDM_HINT 40011
#define IDM_PACE_NORMAL 40012 /* the animation's pace: these three in this order */
#define IDM_PACE_FAST 40013
#define IDM_PACE_INSTANT 40014
#define IDM_OPEN_GAME 40015 /* game records */
#define IDM_SAVE_GAME 40016
#define IDM_COPY_GAME 40017
#define IDM_PASTE_GAME 40018
#define IDM_MOVE_VALUES 40019
#define IDM_REVIEW 40020

/* Dialogs */
#define IDD_HISTORY 101
#define IDD_OPTIONS 104
#define IDD_ABOUT 106

/* Controls. Statics that are never addressed share IDC_STATIC. */
#define IDC_STATIC (-1)
#define IDC_STATUS_BAR 1000 /* main window */
#define IDC_NUM_STONES 1018 /* Options */
#define IDC_FIRST_TURN 1019
#define IDC_DIFFICULTY 1020
#define IDC_EMPTY_CAPS 1021
#define IDC_PLAYERS_0 1022 /* 0 players: the computer plays itself */
#define IDC_PLAYERS_1 1023
#define IDC_PLAYERS_2 1024
#define IDC_RANDOM_MOVES 1025
#define IDC_SOUNDS 1026
#define IDC_TOOLTIPS 1027
#define IDC_ABOUT_TEXT 1029   /* About */
#define IDC_RANDOM_SEED 1031  /* Options */
#define IDC_HISTORY_LIST 1032 /* History */

/* Bitmaps: the board, then the stones (the stone colour order is blue,
   green, red, white, yellow, which is not the order of these ids) */
#define IDB_BOARD_TOP 110
#define IDB_BOARD_BOTTOM 111
#define IDB_BOARD_STORE 112
#define IDB_STONE_BLUE 125
#define IDB_STONE_GREEN 127
#define IDB_STONE_YELLOW 128
#define IDB_STONE_WHITE 129
#define IDB_STONE_RED 130
/* The same eight drawn for 150 % and for 200 % displays, in the order
   board top, bottom, store, then stones blue, green, red, white, yellow */
#define IDB_BOARD_TOP_150 132
#define IDB_BOARD_BOTTOM_150 133
#define IDB_BOARD_STORE_150 134
#define IDB_STONE_BLUE_150 135
#define IDB_STONE_GREEN_150 136
#define IDB_STONE_RED_150 137
#define IDB_STONE_WHITE_150 138
#define IDB_STONE_YELLOW_150 139
#define IDB_BOARD_TOP_200 140
#define IDB_BOARD_BOTTOM_200 141
#define IDB_BOARD_STORE_200 142
#define IDB_STONE_BLUE_200 143
#define IDB_STONE_GREEN_200 144
#define IDB_STONE_RED_200 145
#define IDB_STONE_WHITE_200 146
#define IDB_STONE_YELLOW_200 147

/* Sounds (resource type "WAVE") */
#define IDW_MOVE 131

#endif
