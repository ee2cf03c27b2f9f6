/* The robot program's resource identifiers, shared by korvex.rc and the
   C++ code (plain #defines: the resource compiler reads this file too). */
#ifndef KORVEX_ROBOT_WIN32_RESOURCE_H
#define KORVEX_ROBOT_WIN32_RESOURCE_H

/* Icons, menu, bitmaps. */
#define IDR_MAINFRAME 128       /* the main icon, also the "active" tray icon */
#define IDI_IDLE 137            /* the tray icon while no profile is active */
#define IDR_TRAYMENU 132        /* the tray's and the mascot's menu */
#define IDB_MASCOT_REST 140
#define IDB_MASCOT_BLINK 141
#define IDB_MASCOT_ANSWER 142

/* Dialog templates. */
#define IDD_ABOUT 100            /* the about box, "Acerca de KORVEX" */
#define IDD_INPUT 130            /* CInputDlg */
#define IDD_OPTIONS 131          /* COptionsDlg */
#define IDD_ANSWERS 133          /* CAnswersDlg */
#define IDD_ADD_PROFILE 134      /* CAddProfileDlg */
#define IDD_DELETE_PROFILE 135   /* CDeleteProfileDlg */
#define IDD_SELECT_PROFILE 136   /* CSelectProfileDlg */
#define IDD_MESSAGES_REPORT 137  /* CMessagesReportDlg */
#define IDD_ACTIONS_REPORT 138   /* CActionsReportDlg */
#define IDD_CONFIG 139           /* CConfigDialog */
#define IDD_CONFIRM 142          /* CConfirmDlg */
#define IDD_DYN 143              /* CDynDialog, the replica */
#define IDD_IMP_EXP 145          /* CImpExpDlg */

/* Controls. */
#define IDC_INPUT_VALUE 1002
#define IDC_INPUT_NOTICE 1003
#define IDC_INPUT_PROMPT 1005
#define IDC_OPTIONS_NONE 1006
#define IDC_OPTIONS_LIST 1007
#define IDC_ANSWERS_PROFILE 1008
#define IDC_REPORT_LIST 1009
#define IDC_ANSWERS_LIST 1009
#define IDC_PROFILE_NAME 1010
#define IDC_PROFILE_LIST 1011
#define IDC_ANSWERS_DELETE 1013
#define IDC_PROFILE_CREATE 1014
#define IDC_REPORT_MESSAGE 1015
#define IDC_REPORT_QUESTION 1016
#define IDC_REPORT_ANSWER 1017
#define IDC_REPORT_LOG 1018
#define IDC_CONFIG_LOG_DIR 1021
#define IDC_CONFIG_CHOOSE_DIR 1022
#define IDC_CONFIG_WAV_FILE 1023
#define IDC_CONFIG_USE_ALARM 1024
#define IDC_CONFIG_ALARM_SPIN 1025
#define IDC_CONFIG_ALARM_TIME 1026
#define IDC_CONFIG_MUST_LOOP 1027
#define IDC_CONFIG_LOOP_SPIN 1028
#define IDC_CONFIG_LOOP_TIME 1029
#define IDC_CONFIG_CHOOSE_WAV 1030
#define IDC_CONFIG_MASCOT 1031
#define IDC_IMPEXP_LIST 1037
#define IDC_CONFIG_OWN_SEPARATOR 1038
#define IDC_CONFIG_SEPARATOR 1039
#define IDC_CONFIRM_TEXT 1040
#define IDC_ABOUT_VERSION 1041
#define IDC_ABOUT_LINK 1042      /* also the string of the link's document */
#define IDC_CONFIRM_YES 6
#define IDC_CONFIRM_NO 7
#define IDC_CONFIRM_RETRY 10

/* Menu commands (the same numbers as robot/tray/frame_commands.h). */
#define ID_SELECT_PROFILE 32786
#define ID_CREATE_PROFILE 32779
#define ID_DELETE_PROFILE 32788
#define ID_VIEW_PROFILES 32787
#define ID_EXPORT_PROFILES 32796
#define ID_IMPORT_PROFILES 32797
#define ID_HIDE_MASCOT 32794
#define ID_DISCONNECT 32789
#define ID_CONFIGURE 32793
#define ID_ABOUT 32795
#define ID_CLOSE 57665

/* The program's version, as the version resource and the about box show it:
   KORVEX_VERSION_MAJOR ... KORVEX_VERSION_TEXT, the product's one version. */
#include "platform/version.h"

#endif
