// Keep in step with install.rc: same ids, texts, positions and tab order.
#include "posix_resources.h"

#include "resource.h"

namespace install::resources {
namespace {

using platform::DialogItemKind;
using platform::DialogItemTemplate;
using platform::DialogTemplate;

constexpr DialogItemTemplate kUserInfoItems[] = {
    {IDC_STATIC, DialogItemKind::kLabel, "User Name:", 7, 37, 95, 8},
    {IDC_USER_NAME, DialogItemKind::kEdit, "", 106, 34, 133, 14},
    {IDC_STATIC, DialogItemKind::kLabel, "Company Name:", 7, 59, 95, 8},
    {IDC_COMPANY_NAME, DialogItemKind::kEdit, "", 106, 57, 133, 14},
    {platform::kDialogOk, DialogItemKind::kDefaultButton, "&Accept", 106, 80, 50, 14},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_USER_INFO, "Required Installation Information", 246, 101, kUserInfoItems,
     sizeof kUserInfoItems / sizeof kUserInfoItems[0]},
};

}  // namespace

const platform::ResourceTable kLibraryResources = {kDialogs, sizeof kDialogs / sizeof kDialogs[0]};

}  // namespace install::resources
