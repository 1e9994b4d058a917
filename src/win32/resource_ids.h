// Identifiers of the dialog templates, their controls and the program's other resources; the
// resource script and the code both take them from here.
#pragma once

#define IDD_CONVERTER 102
#define IDC_STATIC_TOP 1011
#define IDC_STATIC_FILE 1012
#define IDC_PATH_EDIT 1013
#define IDC_BROWSE 1014
#define IDC_CONVERT 1015
#define IDC_CLOSE 1016

#define IDD_RESULT 1017
#define IDC_RESULT_PATH_LABEL 1021
#define IDC_RESULT_MESSAGE 1022
#define IDC_RESULT_PATH_EDIT 1023
#define IDC_COPY_PATH 1024

#define IDI_TQCONVERTER 1
