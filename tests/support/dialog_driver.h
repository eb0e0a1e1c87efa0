// Drives modal dialogs the way a person does. A CBT hook notices each dialog as it first becomes
// active; the next queued action then runs on it from the dialog's own message loop, so an action
// that opens a nested dialog simply waits while the nested one is driven by the action after it.
#pragma once

#include "platform/platform.h"

#include <functional>
#include <string>
#include <vector>

// One open dialog, as an action sees it. Failed checks are reported as test failures.
class DriveDialog {
  public:
    explicit DriveDialog(HWND window) : window_(window) {}

    HWND Window() const { return window_; }
    HWND Control(int id) const;
    bool IsOpen() const { return IsWindow(window_) != FALSE; }
    std::wstring Caption() const;
    std::wstring Text(int id) const;
    bool Enabled(int id) const;
    bool Checked(int id) const;
    // The entries of a combo box, its selected index (-1 for none) and the selected entry's text.
    std::vector<std::wstring> Entries(int id) const;
    int Selection(int id) const;
    std::wstring SelectedText(int id) const;
    // The flags the shell stand-in was given for this dialog; 0xFFFFFFFF when it never was.
    DWORD ShellFlags() const;

    // Selects an entry and tells the dialog, as a click in the drop-down list does.
    void Pick(int id, int index);
    void Pick(int id, const std::wstring& entry);
    // Clicks a button or check box with the mouse; a disabled control cannot be clicked.
    void Click(int id);
    // Replaces the text of an edit field, or of a combo box's edit field, key by key. A field
    // without automatic scrolling takes only what fits in its width, as it does for a person.
    void Type(int id, const std::wstring& text);
    // The Done control, and the Cancel button.
    void Done() { Click(IDOK); }
    void Cancel() { Click(IDCANCEL); }
    // The title bar's close request.
    void Close();
    // A command as a control sends it, for notifications a person cannot easily cause.
    LRESULT Command(int id, int code);

    // In the platform's colour chooser: the colour it shows, and choosing one by its red, green
    // and blue fields, optionally adding it to the custom colours, then OK.
    COLORREF ColorShown();
    void PickColor(COLORREF color, bool addToCustomColors = false);
    // In a message box: its text.
    std::wstring MessageText() const;

  private:
    HWND window_;
};

class DialogDriver {
  public:
    using Action = std::function<void(DriveDialog&)>;

    DialogDriver();
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Queues the action for the next dialog to appear, which must have this caption and, when
    // marker is non-zero, a control with that id.
    DialogDriver& Then(const std::wstring& caption, Action action) {
        return Then(caption, 0, std::move(action));
    }
    DialogDriver& Then(const std::wstring& caption, int marker, Action action);

    // Whether every queued action has run.
    bool Finished() const { return next_ == steps_.size(); }
    // The captions of the dialogs seen, in the order they appeared.
    const std::vector<std::wstring>& Seen() const { return seen_; }

  private:
    struct Step {
        std::wstring Caption;
        int Marker;
        Action Act;
    };
    struct Pending {
        UINT_PTR Timer;
        HWND Window;
    };

    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK ActTimerProc(HWND, UINT, UINT_PTR timer, DWORD);
    static void CALLBACK WatchdogProc(HWND, UINT, UINT_PTR timer, DWORD);
    void Noticed(HWND window);
    void Act(HWND window);
    void EndOpenDialogs();

    static DialogDriver* current_;
    HHOOK hook_;
    UINT_PTR watchdog_;
    std::vector<Step> steps_;
    size_t next_ = 0;
    std::vector<HWND> known_;
    std::vector<Pending> pending_;
    std::vector<std::wstring> seen_;
};
