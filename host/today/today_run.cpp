#include "platform/platform.h"
#include "platform/screen_resolution.h"
#include "host/today/today_run.h"
#include "host/common/console_text.h"
#include "platform/scaling.h"

TodayRun Today;

enum { ErrorTextCapacity = 512 };

std::wstring SystemMessage(DWORD error) {
    WCHAR text[ErrorTextCapacity] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, text,
                   ErrorTextCapacity, NULL);
    std::wstring message = text;
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    if (message.empty())
        message = L"system error";
    return message + L" (error " + std::to_wstring(error) + L")";
}

void Report(const std::wstring& text) {
    Say(L"today: " + text, STD_OUTPUT_HANDLE);
}

void Complain(const std::wstring& text) {
    Say(L"today: " + text, STD_ERROR_HANDLE);
}

int ScaledToScreen(int pixels, int axis) {
    return ScaleRound(pixels, ScreenResolution(axis, ReferenceDpi), ReferenceDpi);
}

void EndRun(int status) {
    if (Today.Ending)
        return;
    Today.Ending = true;
    Today.ExitStatus = status;
    KillTimer(Today.Window, PollTimerId);
    KillTimer(Today.Window, ExitTimerId);
    KillTimer(Today.Window, StepTimerId);
    // A menu's loop would swallow the quit message: it is closed first. Nested dialogs' loops give
    // the quit message back, so every level ends.
    EndMenu();
    PostQuitMessage(status);
}
