// Identifiers of the library's resources, shared by install.rc and the code.
#pragma once

// Labels that the code never addresses.
#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

#define IDD_USER_INFO 101
#define IDC_USER_NAME 1001
#define IDC_COMPANY_NAME 1002

// The message shown when Accept is pressed without a user name.
#define IDS_MISSING_USER_NAME 1
#define IDS_MISSING_USER_NAME_CAPTION 2
