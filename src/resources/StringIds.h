#pragma once
// String ids of the page and prompt texts. A page control's text is the string whose
// id is the control id; a page heading's is the string of the page's template id.

// Message-box button captions (the string id is the button's command id).
#define IDS_BUTTON_OK 1
#define IDS_BUTTON_CANCEL 2
#define IDS_BUTTON_ABORT 3
#define IDS_BUTTON_RETRY 4
#define IDS_BUTTON_IGNORE 5
#define IDS_BUTTON_YES 6
#define IDS_BUTTON_NO 7
#define IDS_BUTTON_CLOSE 8
#define IDS_BUTTON_HELP 9
#define IDS_BUTTON_TRY_AGAIN 10
#define IDS_BUTTON_CONTINUE 11
#define IDS_BUTTON_FINISH 12

// Page texts.
#define IDS_WELCOME_HEADING 101
#define IDS_LICENSE_HEADING 102
#define IDS_PROGRESS_HEADING 104
#define IDS_BUTTON_BACK 1000
#define IDS_BUTTON_NEXT 1001
#define IDS_BUTTON_AGREE 1002
#define IDS_FINISHED_TITLE 1011
#define IDS_FINISHED_BODY 1012
#define IDS_FINISHED_LAUNCH 1013
#define IDS_BUTTON_ACCEPT_INSTALL 1026
#define IDS_BUTTON_DECLINE 1016

// Backup offer page (template 527).
#define IDS_BACKUP_HEADING 1075
#define IDS_BACKUP_TITLE 1084
#define IDS_BACKUP_DESCRIPTION 1082
#define IDS_BACKUP_HINT 1081
#define IDS_BACKUP_CHECK 1074
#define IDS_BACKUP_CONSENT 1083
// Replaces the consent text of 1083 while the check box is cleared.
#define IDS_BACKUP_DECLINED 3036

// Cleaner offer page (template 108).
#define IDS_TWP_HEADING 1038
#define IDS_TWP_SENTENCE 1086
#define IDS_TWP_DESCRIPTION 1087
#define IDS_TWP_CONSENT 1088

// Main-product offer page (template 528).
#define IDS_VANTRELL_HEADING 1089
#define IDS_VANTRELL_SENTENCE 1090
#define IDS_VANTRELL_BONUS 1093
#define IDS_VANTRELL_DESCRIPTION 1091
#define IDS_VANTRELL_CONSENT 1092

// About box.
#define IDS_ABOUT_TITLE 1022
#define IDS_ABOUT_COPYRIGHT 1023
#define IDS_ABOUT_POWERED_BY 1024
#define IDS_ABOUT_BUILT_ON 1034

// Cancel, interruption and validity.
#define IDS_CANCEL_QUESTION 3015
#define IDS_INTERRUPTED_TITLE 3016
#define IDS_INTERRUPTED_BODY 3018
#define IDS_FAILED_TITLE 3021
#define IDS_FAILED_BODY 3022
#define IDS_INSTALLER_INVALID 3040
