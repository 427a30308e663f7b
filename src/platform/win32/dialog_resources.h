#pragma once
// The identifiers of the dialog resources in kqcsp.dll (resources/kqcsp.rc): the confirmation
// wait, the PIN-tries warning, the token chooser, the key chooser and the animated picture. The
// tests of the Windows build find the dialogs' controls by these numbers.

// The confirmation wait with its countdown.
#define KQ_IDD_CONFIRMATION_WAIT 101
#define KQ_IDC_WAIT_PROMPT 1000
#define KQ_IDC_WAIT_SECONDS 1002
#define KQ_IDC_WAIT_SECONDS_LABEL 1003
#define KQ_IDC_WAIT_PICTURE 1004

// The PIN-tries warning.
#define KQ_IDD_PIN_TRIES_WARNING 107
#define KQ_IDC_WARNING_FRAME 2014
#define KQ_IDC_WARNING_PICTURE 2015
#define KQ_IDC_WARNING_TEXT 2016

// The choosers; OK and Cancel are IDOK and IDCANCEL.
#define KQ_IDD_TOKEN_CHOOSER 102
#define KQ_IDD_KEY_CHOOSER 106
#define KQ_IDC_CHOOSER_PROMPT 1000
#define KQ_IDC_CHOOSER_LIST 1001

// The animation of a finger pressing the key's "OK" button, of resource type "GIF".
#define KQ_IDR_CONFIRMATION_PICTURE 105
