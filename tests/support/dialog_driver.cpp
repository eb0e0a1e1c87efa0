#include "platform/platform.h"
#include "tests/support/dialog_driver.h"
#include "host/common/dialog_on_top.h"
#include "platform/shell_dialog.h"

#include <colordlg.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A dialog still open this long after the driver started has hung its test.
const UINT WatchdogMilliseconds = 20000;
const UINT RetryMilliseconds = 5;

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? (char)c : '?';
    return out;
}

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(length + 1, L'\0');
    GetWindowTextW(window, &text[0], length + 1);
    text.resize(wcslen(text.c_str()));
    return text;
}

} // namespace

HWND DriveDialog::Control(int id) const {
    HWND control = GetDlgItem(window_, id);
    EXPECT_NE(control, nullptr) << "no control " << id << " in \"" << Narrow(Caption()) << "\"";
    return control;
}

std::wstring DriveDialog::Caption() const {
    return WindowText(window_);
}

std::wstring DriveDialog::Text(int id) const {
    return WindowText(Control(id));
}

bool DriveDialog::Enabled(int id) const {
    return IsWindowEnabled(Control(id)) != FALSE;
}

bool DriveDialog::Checked(int id) const {
    return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::wstring> DriveDialog::Entries(int id) const {
    HWND list = Control(id);
    std::vector<std::wstring> entries;
    int count = (int)SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        int length = (int)SendMessageW(list, CB_GETLBTEXTLEN, i, 0);
        std::wstring text(length + 1, L'\0');
        SendMessageW(list, CB_GETLBTEXT, i, (LPARAM)&text[0]);
        text.resize(length);
        entries.push_back(text);
    }
    return entries;
}

int DriveDialog::Selection(int id) const {
    return (int)SendMessageW(Control(id), CB_GETCURSEL, 0, 0);
}

std::wstring DriveDialog::SelectedText(int id) const {
    int selected = Selection(id);
    std::vector<std::wstring> entries = Entries(id);
    return selected >= 0 && selected < (int)entries.size() ? entries[selected] : std::wstring();
}

DWORD DriveDialog::ShellFlags() const {
    DWORD flags = 0;
    return ShellDialogFlags(window_, &flags) ? flags : 0xFFFFFFFF;
}

void DriveDialog::Pick(int id, int index) {
    HWND list = Control(id);
    ASSERT_TRUE(IsWindowEnabled(list)) << "list " << id << " is disabled";
    PickListEntry(window_, id, index);
}

void DriveDialog::Pick(int id, const std::wstring& entry) {
    std::vector<std::wstring> entries = Entries(id);
    auto found = std::find(entries.begin(), entries.end(), entry);
    ASSERT_NE(found, entries.end()) << "list " << id << " has no entry \"" << Narrow(entry) << "\"";
    Pick(id, (int)(found - entries.begin()));
}

void DriveDialog::Click(int id) {
    HWND button = Control(id);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(IsWindowVisible(button)) << "control " << id << " is hidden";
    ASSERT_TRUE(IsWindowEnabled(button)) << "control " << id << " is disabled";
    SendMessageW(button, BM_CLICK, 0, 0);
}

void DriveDialog::Type(int id, const std::wstring& text) {
    HWND control = Control(id);
    HWND edit = FindWindowExW(control, NULL, L"Edit", NULL);
    if (!edit)
        edit = control;
    ASSERT_TRUE(IsWindowEnabled(edit)) << "field " << id << " is disabled";
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    if (text.empty())
        SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    for (wchar_t c : text)
        SendMessageW(edit, WM_CHAR, c, 0);
}

void DriveDialog::Close() {
    SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

LRESULT DriveDialog::Command(int id, int code) {
    return SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(window_, id));
}

// The red, green and blue fields show only once the chooser is opened out.
static void OpenOutColorChooser(DriveDialog& dialog) {
    if (dialog.Enabled(COLOR_MIX))
        dialog.Click(COLOR_MIX);
}

COLORREF DriveDialog::ColorShown() {
    OpenOutColorChooser(*this);
    int red = _wtoi(Text(COLOR_RED).c_str());
    int green = _wtoi(Text(COLOR_GREEN).c_str());
    int blue = _wtoi(Text(COLOR_BLUE).c_str());
    return RGB(red, green, blue);
}

void DriveDialog::PickColor(COLORREF color, bool addToCustomColors) {
    OpenOutColorChooser(*this);
    Type(COLOR_RED, std::to_wstring(GetRValue(color)));
    Type(COLOR_GREEN, std::to_wstring(GetGValue(color)));
    Type(COLOR_BLUE, std::to_wstring(GetBValue(color)));
    if (addToCustomColors)
        Click(COLOR_ADD);
    Done();
}

std::wstring DriveDialog::MessageText() const {
    const int MessageTextId = 0xFFFF; // the static that holds a message box's text
    return WindowText(GetDlgItem(window_, MessageTextId));
}

DialogDriver* DialogDriver::current_;

DialogDriver::DialogDriver() {
    EXPECT_EQ(current_, nullptr) << "one dialog driver at a time";
    current_ = this;
    hook_ = SetWindowsHookExW(WH_CBT, HookProc, NULL, GetCurrentThreadId());
    EXPECT_NE(hook_, nullptr);
    watchdog_ = SetTimer(NULL, 0, WatchdogMilliseconds, WatchdogProc);
}

DialogDriver::~DialogDriver() {
    KillTimer(NULL, watchdog_);
    for (const Pending& p : pending_)
        KillTimer(NULL, p.Timer);
    if (hook_)
        UnhookWindowsHookEx(hook_);
    current_ = nullptr;
    EXPECT_TRUE(Finished()) << "only " << next_ << " of " << steps_.size() << " dialogs appeared";
}

DialogDriver& DialogDriver::Then(const std::wstring& caption, int marker, Action action) {
    steps_.push_back(Step{caption, marker, std::move(action)});
    return *this;
}

LRESULT CALLBACK DialogDriver::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    DialogDriver* driver = current_;
    if (code == HCBT_ACTIVATE && driver) {
        HWND window = (HWND)wParam;
        WCHAR name[16] = {};
        GetClassNameW(window, name, 16);
        if (wcscmp(name, DialogClassName) == 0)
            driver->Noticed(window);
    }
    return CallNextHookEx(driver ? driver->hook_ : NULL, code, wParam, lParam);
}

// Acting inside the activation would run ahead of the dialog's own start-up; a timer runs the
// action from the dialog's message loop instead. A dialog reactivated after a nested one
// closes is not acted on again.
void DialogDriver::Noticed(HWND window) {
    if (std::find(known_.begin(), known_.end(), window) != known_.end())
        return;
    known_.push_back(window);
    seen_.push_back(WindowText(window));
    UINT_PTR timer = SetTimer(NULL, 0, 0, ActTimerProc);
    pending_.push_back(Pending{timer, window});
}

void CALLBACK DialogDriver::ActTimerProc(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(NULL, timer);
    DialogDriver* driver = current_;
    if (!driver)
        return;
    auto found = std::find_if(driver->pending_.begin(), driver->pending_.end(),
                              [timer](const Pending& p) { return p.Timer == timer; });
    if (found == driver->pending_.end())
        return;
    HWND window = found->Window;
    // The dialog is shown once its start-up messages are through; a person waits for that.
    if (IsWindow(window) && !IsWindowVisible(window)) {
        found->Timer = SetTimer(NULL, 0, RetryMilliseconds, ActTimerProc);
        return;
    }
    driver->pending_.erase(found);
    if (IsWindow(window))
        driver->Act(window);
}

void DialogDriver::Act(HWND window) {
    DriveDialog dialog(window);
    if (next_ >= steps_.size()) {
        ADD_FAILURE() << "unexpected dialog \"" << Narrow(dialog.Caption()) << "\"";
        EndDialog(window, IDCANCEL);
        return;
    }
    Step& step = steps_[next_++];
    if (dialog.Caption() != step.Caption ||
        (step.Marker != 0 && GetDlgItem(window, step.Marker) == NULL)) {
        ADD_FAILURE() << "expected dialog \"" << Narrow(step.Caption) << "\" with control "
                      << step.Marker << ", got \"" << Narrow(dialog.Caption()) << "\"";
        EndDialog(window, IDCANCEL);
        return;
    }
    step.Act(dialog);
}

void DialogDriver::EndOpenDialogs() {
    for (HWND window : known_) {
        if (IsWindow(window)) {
            ADD_FAILURE() << "dialog \"" << Narrow(WindowText(window)) << "\" did not end";
            EndDialog(window, IDCANCEL);
        }
    }
}

void CALLBACK DialogDriver::WatchdogProc(HWND, UINT, UINT_PTR, DWORD) {
    if (current_)
        current_->EndOpenDialogs();
}
