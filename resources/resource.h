// Identifiers of the library's resources, shared by install.rc and the code.
#pragma once

#define IDD_USER_INFO 101
#define IDC_USER_NAME 1001
#define IDC_COMPANY_NAME 1002
