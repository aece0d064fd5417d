// The notification-area icon of a real window, and the common dialogs
// driven from another thread like a user would.
#include "tests/support/testutil.h"
#include "util/vxutil.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <objbase.h>
#include <shlobj.h>
#include <functional>
#include <string>
#include <vector>

using namespace vxtest;

namespace {

vx::unique_hwnd MakeWindow() {
    return vx::unique_hwnd(CreateWindowExW(0, L"STATIC", L"vx tray test", WS_OVERLAPPED, 0, 0, 100,
                                           100, nullptr, nullptr, GetModuleHandleW(nullptr),
                                           nullptr));
}

// Runs a dialog call on a thread of its own so this thread can answer it.
class DialogThread {
public:
    explicit DialogThread(std::function<int()> call) : m_call(std::move(call)) {
        m_thread.reset(CreateThread(nullptr, 0, Run, this, 0, &m_id));
    }
    ~DialogThread() {
        // A dialog left open would keep the thread, and the test, waiting.
        while (m_thread && WaitForSingleObject(m_thread.get(), 200) == WAIT_TIMEOUT)
            for (HWND dlg : Dialogs())
                PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    }
    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;

    bool started() const { return static_cast<bool>(m_thread); }

    // The visible dialog windows of the thread.
    std::vector<HWND> Dialogs() const {
        std::vector<HWND> found;
        EnumThreadWindows(m_id, CollectDialog, reinterpret_cast<LPARAM>(&found));
        return found;
    }
    // Waits for the dialog owned by owner: the call's own dialog when null,
    // else one it opened, such as a message box.
    HWND WaitDialog(HWND owner = nullptr) const {
        HWND dlg = nullptr;
        WaitFor(
            [&] {
                for (HWND h : Dialogs())
                    if (GetWindow(h, GW_OWNER) == owner)
                        dlg = h;
                return dlg != nullptr;
            },
            20000);
        return dlg;
    }
    // The call's result, once the dialog has closed.
    bool Finish(int& result) {
        if (WaitForSingleObject(m_thread.get(), 20000) != WAIT_OBJECT_0)
            return false;
        result = m_result;
        return true;
    }

private:
    static BOOL CALLBACK CollectDialog(HWND h, LPARAM found) {
        wchar_t cls[16] = {};
        GetClassNameW(h, cls, 16);
        if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(h))
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(h);
        return TRUE;
    }

    static DWORD WINAPI Run(void* p) {
        auto* self = static_cast<DialogThread*>(p);
        HRESULT com = CoInitialize(nullptr);
        self->m_result = self->m_call();
        if (SUCCEEDED(com))
            CoUninitialize();
        return 0;
    }

    std::function<int()> m_call;
    int m_result = -1;
    DWORD m_id = 0;
    vx::unique_handle m_thread;
};

// Types a name into a file dialog and presses its default button.
bool EnterFileName(HWND dlg, const std::wstring& name) {
    HWND box = GetDlgItem(dlg, cmb13);
    if (!box)
        box = GetDlgItem(dlg, edt1);
    if (!box)
        return false;
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
    return true;
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
    wchar_t buf[MAX_PATH] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return buf;
}

// Opens an item and finds the child whose label passes match.
template <typename M> HTREEITEM FindChild(HWND tree, HTREEITEM parent, M match) {
    TreeView_Expand(tree, parent, TVE_EXPAND);
    for (HTREEITEM c = TreeView_GetChild(tree, parent); c; c = TreeView_GetNextSibling(tree, c))
        if (match(ItemText(tree, c)))
            return c;
    return nullptr;
}

// Clicks through the folder tree like a user: the item holding drive C:,
// then one folder after another down to path ("C:\a\b").
bool SelectFolder(HWND tree, const std::wstring& path) {
    HTREEITEM root = TreeView_GetRoot(tree);
    HTREEITEM item = nullptr;
    TreeView_Expand(tree, root, TVE_EXPAND);
    for (HTREEITEM c = TreeView_GetChild(tree, root); c && !item;
         c = TreeView_GetNextSibling(tree, c))
        item = FindChild(tree, c, [](const std::wstring& label) {
            return label.find(L"C:") != std::wstring::npos;
        });
    for (size_t start = 3; item && start < path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring name = path.substr(start, end - start);
        item = FindChild(tree, item, [&](const std::wstring& label) {
            return _wcsicmp(label.c_str(), name.c_str()) == 0;
        });
        start = end + 1;
    }
    return item && TreeView_SelectItem(tree, item);
}

// The file dialogs make the folder they end in the current one; it must not
// stay there, or the scratch folder could not be removed.
class KeepCurrentDirectory {
public:
    KeepCurrentDirectory() { GetCurrentDirectoryW(MAX_PATH, m_saved); }
    ~KeepCurrentDirectory() { SetCurrentDirectoryW(m_saved); }
    KeepCurrentDirectory(const KeepCurrentDirectory&) = delete;
    KeepCurrentDirectory& operator=(const KeepCurrentDirectory&) = delete;

private:
    wchar_t m_saved[MAX_PATH] = {};
};

const wchar_t kFilter[] = L"Text files\0*.txt\0All files\0*.*\0";

} // namespace

TEST(TrayIcon, AddModifyAndDeleteOnARealWindow) {
    vx::unique_hwnd wnd = MakeWindow();
    ASSERT_TRUE(wnd);
    HWND h = wnd.get();
    HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
    HICON other = LoadIconW(nullptr, IDI_INFORMATION);
    ASSERT_TRUE(icon && other);

    EXPECT_EQ(SetIcon(h, icon), 0) << "there is no icon to change yet";
    ASSERT_EQ(ShowTray(h, icon, L"vx tray test", WM_APP + 1), 1)
        << "the notification area refused the icon";
    auto remove = vx::scope_exit([h] { DelTray(h); });
    EXPECT_EQ(SetIcon(h, other), 1);
    // Longer than the tip holds: cut, not overrun.
    EXPECT_EQ(SetTip(h, std::wstring(400, L't').c_str()), 1);
    EXPECT_EQ(
        ShowBalloon(h, std::wstring(100, L'T').c_str(), std::wstring(600, L'x').c_str(), 3000), 1);
    EXPECT_EQ(DelTray(h), 1);
    remove.dismiss();
    EXPECT_EQ(DelTray(h), 0) << "already removed";
    EXPECT_EQ(SetTip(h, L"gone"), 0);
}

TEST(DialogsSaveFile, CancelGivesNothingAndATypedNameIsReturned) {
    ScratchDir dir(L"savedlg");
    KeepCurrentDirectory keep;
    wchar_t out[MAX_PATH] = L"stale";
    {
        DialogThread t([&] { return ShowSaveFileDlg(out, nullptr, L"txt", kFilter); });
        ASSERT_TRUE(t.started());
        HWND dlg = t.WaitDialog();
        ASSERT_TRUE(dlg) << "no save dialog appeared";
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        int result = -1;
        ASSERT_TRUE(t.Finish(result));
        EXPECT_EQ(result, 0);
        EXPECT_STREQ(out, L"");
    }
    {
        wcscpy(out, L"stale");
        DialogThread t([&] { return ShowSaveFileDlg(out, nullptr, L"txt", kFilter); });
        HWND dlg = t.WaitDialog();
        ASSERT_TRUE(dlg);
        ASSERT_TRUE(EnterFileName(dlg, dir / L"report"));
        int result = -1;
        ASSERT_TRUE(t.Finish(result));
        EXPECT_EQ(result, 1);
        // The default extension is added to a name typed without one.
        EXPECT_EQ(_wcsicmp(out, (dir / L"report.txt").c_str()), 0)
            << testing::PrintToString(std::wstring(out));
    }
}

TEST(DialogsOpenFile, ReturnsAnExistingFileOrTheSelectedFiles) {
    ScratchDir dir(L"opendlg");
    KeepCurrentDirectory keep;
    ASSERT_TRUE(MakeFile(dir / L"a.txt"));
    ASSERT_TRUE(MakeFile(dir / L"b.txt"));
    wchar_t out[MAX_PATH] = L"";
    {
        DialogThread t([&] { return ShowOpenFileDlg(out, MAX_PATH, nullptr, kFilter, L"txt", 0); });
        HWND dlg = t.WaitDialog();
        ASSERT_TRUE(dlg) << "no open dialog appeared";
        ASSERT_TRUE(EnterFileName(dlg, dir / L"a.txt"));
        int result = -1;
        ASSERT_TRUE(t.Finish(result));
        EXPECT_EQ(result, 1);
        EXPECT_EQ(_wcsicmp(out, (dir / L"a.txt").c_str()), 0);
    }
    {
        // Several names come back as the folder, then each name, then an empty one.
        wchar_t multi[1024] = L"";
        DialogThread t([&] { return ShowOpenFileDlg(multi, 1024, nullptr, kFilter, L"txt", 1); });
        HWND dlg = t.WaitDialog();
        ASSERT_TRUE(dlg);
        // A folder typed in opens it; then both names, relative to it.
        ASSERT_TRUE(EnterFileName(dlg, dir.path()));
        Sleep(500);
        ASSERT_TRUE(EnterFileName(dlg, L"\"a.txt\" \"b.txt\""));
        int result = -1;
        ASSERT_TRUE(t.Finish(result));
        EXPECT_EQ(result, 1);
        std::wstring folder(multi);
        const wchar_t* first = multi + folder.size() + 1;
        const wchar_t* second = first + wcslen(first) + 1;
        EXPECT_EQ(_wcsicmp(folder.c_str(), dir.path().substr(0, dir.path().size() - 1).c_str()), 0);
        EXPECT_STREQ(first, L"a.txt");
        EXPECT_STREQ(second, L"b.txt");
    }
    {
        // A name that does not exist is refused: the dialog stays until cancelled.
        wcscpy(out, L"");
        DialogThread t([&] { return ShowOpenFileDlg(out, MAX_PATH, nullptr, kFilter, L"txt", 0); });
        HWND dlg = t.WaitDialog();
        ASSERT_TRUE(dlg);
        ASSERT_TRUE(EnterFileName(dlg, dir / L"missing.txt"));
        HWND refusal = t.WaitDialog(dlg);
        ASSERT_TRUE(refusal) << "no message refused the missing file";
        PostMessageW(refusal, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(refusal); }, 10000));
        EXPECT_TRUE(IsWindowVisible(dlg)) << "the dialog must stay open";
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        int result = -1;
        ASSERT_TRUE(t.Finish(result));
        EXPECT_EQ(result, 0);
    }
}

TEST(DialogsSelectFolder, ReturnsTheChosenFolderOrNothing) {
    ScratchDir dir(L"seldir");
    wchar_t out[MAX_PATH] = L"stale";
    {
        DialogThread t([&] { return ShowSelDir(out, nullptr); });
        HWND dlg = t.WaitDialog();
        ASSERT_TRUE(dlg) << "no folder dialog appeared";
        // "Please choose a folder" above the tree.
        EXPECT_TRUE(
            FindWindowExW(dlg, nullptr, L"Static", L"\u8BF7\u9009\u62E9\u6587\u4EF6\u5939"));
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        int result = -1;
        ASSERT_TRUE(t.Finish(result));
        EXPECT_EQ(result, 0);
        EXPECT_STREQ(out, L"");
    }
    {
        std::wstring folder = dir.path().substr(0, dir.path().size() - 1);
        DialogThread t([&] { return ShowSelDir(out, nullptr); });
        HWND dlg = t.WaitDialog();
        ASSERT_TRUE(dlg);
        HWND tree = FindWindowExW(dlg, nullptr, WC_TREEVIEWW, nullptr);
        ASSERT_TRUE(tree);
        ASSERT_TRUE(SelectFolder(tree, folder));
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
        int result = -1;
        ASSERT_TRUE(t.Finish(result));
        EXPECT_EQ(result, 1);
        EXPECT_EQ(_wcsicmp(out, folder.c_str()), 0) << testing::PrintToString(std::wstring(out));
    }
}
