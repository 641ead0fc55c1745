// The compiled resources the program loads, by the numbers of resource.h: on
// Windows the executable's own, on the device the embedded copy.
#include "platform.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

static std::string ResourceText(int id, int type) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    const char *bytes = found ? (const char *)LockResource(LoadResource(nullptr, found)) : nullptr;
    return bytes ? std::string(bytes, SizeofResource(nullptr, found)) : "";
}

static std::vector<int> wantedControls;
static std::string missingControls;

// Notes each wanted control the dialog lacks, then closes it.
static INT_PTR CALLBACK CheckControls(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return 0;
    for (int id : wantedControls)
        if (GetDlgItem(dialog, id) == NULL) missingControls += std::to_string(id) + " ";
    EndDialog(dialog, 1);
    return 1;
}

// Every control a dialog procedure of the program addresses is in its template.
TEST(Resources, DialogsHoldTheControlsTheProgramAddresses) {
    const std::pair<int, std::vector<int>> rows[] = {
        {IDD_PANEL,
         {IDC_UP, IDC_DOWN, IDC_LEFT, IDC_RIGHT, IDC_UP_TEN, IDC_DOWN_TEN, IDC_LEFT_TEN, IDC_RIGHT_TEN, IDC_BLEND_LIST,
          IDC_HIDE, IDC_ABOUT_BUTTON, IDC_QUIT}},
        {IDD_ABOUT, {IDOK}},
        {IDD_SELECT, {IDC_SKIN_LIST}},
    };
    for (const auto &[dialog, controls] : rows) {
        std::string bytes = ResourceText(dialog, 5);
        ASSERT_FALSE(bytes.empty()) << "dialog " << dialog;
        wantedControls = controls;
        missingControls.clear();
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), (LPCDLGTEMPLATEW)bytes.data(), NULL, CheckControls, 0);
        EXPECT_EQ("", missingControls) << "dialog " << dialog;
    }
}

TEST(Resources, TrayIconLoads) {
    EXPECT_NE(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PONDLET), IMAGE_ICON, 16, 16, 0), nullptr);
}

// The manifest the loader reads (resource 1 of type 24): per-monitor DPI
// awareness for every system generation, the invoking user's rights, and the
// systems it was made for.
TEST(Resources, ApplicationManifest) {
    std::string text = ResourceText(1, 24);
    const char *const parts[] = {
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, "
        "PerMonitor</dpiAwareness>",
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
        "</assembly>",
    };
    for (const char *part : parts) EXPECT_NE(text.find(part), std::string::npos) << part;
}
