// store_settings.exe: stores the item's twelve settings values under the current user's key, the
// defaults changed by NAME=VALUE arguments, through the same store the settings page uses. The
// gallery and demonstrations set up each picture with it before they start today.exe.
#include "platform/platform.h"
#include "platform/scaling.h"
#include "platform/screen_resolution.h"
#include "host/common/console_text.h"
#include "options/font_size.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"
#include "tests/support/settings.h"

#include <shellapi.h>

#include <string>

namespace {

enum { ExitOk = 0, ExitBadArguments = 2, ExitNotStored = 3 };
enum { PointsMax = 999, WeightNormal = 400, WeightBold = 700 };

const WCHAR Usage[] =
    L"usage: store_settings.exe [NAME=VALUE]...\n"
    L"  Stores all twelve settings values: the defaults, changed by the arguments in order.\n"
    L"  FontSel, UseColor, HiddenIcon   a whole number\n"
    L"  Layout, DispType, DispPos       a whole number or its list entry (Stack, Time Date, "
    L"Center)\n"
    L"  TextColor                       #RRGGBB\n"
    L"  TimeFont, DateFont              FACE,POINTS[,bold][,italic] (stored with FontSel 2)\n"
    L"  TimeFormat, DateFormat          the format text, cut to 63 characters\n";

// A whole decimal number, optionally negative, that fits 32 bits.
bool ParseNumber(const std::wstring& text, long long max, int* value) {
    size_t start = !text.empty() && text[0] == L'-' ? 1 : 0;
    if (text.size() <= start || text.size() > start + 10)
        return false;
    long long number = 0;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        number = number * 10 + (text[i] - L'0');
    }
    if (start)
        number = -number;
    if (number < -2147483648LL || number > max)
        return false;
    *value = (int)number;
    return true;
}

// A number, or the index of the entry of names that the text spells (letter case ignored).
bool ParseChoice(const std::wstring& text, const WCHAR* const* names, int count, int* value) {
    for (int i = 0; i < count; ++i)
        if (lstrcmpiW(text.c_str(), names[i]) == 0) {
            *value = i;
            return true;
        }
    return ParseNumber(text, 2147483647LL, value);
}

int HexDigit(WCHAR c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

bool ParseColor(const std::wstring& text, COLORREF* color) {
    if (text.size() != 7 || text[0] != L'#')
        return false;
    int channel[3];
    for (int i = 0; i < 3; ++i) {
        int high = HexDigit(text[1 + 2 * i]), low = HexDigit(text[2 + 2 * i]);
        if (high < 0 || low < 0)
            return false;
        channel[i] = high * 16 + low;
    }
    *color = RGB(channel[0], channel[1], channel[2]);
    return true;
}

// FACE,POINTS[,bold][,italic]: the system font's description with that face, the pixel height of
// the point size on this screen (negated, as the Select Font dialog stores it), weight and slant.
bool ParseFont(const std::wstring& text, LOGFONTW* font) {
    size_t comma = text.find(L',');
    if (comma == 0 || comma == std::wstring::npos || comma >= LF_FACESIZE)
        return false;
    std::wstring face = text.substr(0, comma), rest = text.substr(comma + 1);
    size_t next = rest.find(L',');
    int points = 0;
    if (!ParseNumber(rest.substr(0, next), PointsMax, &points) || points < 1)
        return false;
    LONG weight = WeightNormal;
    BYTE italic = 0;
    while (next != std::wstring::npos) {
        rest = rest.substr(next + 1);
        next = rest.find(L',');
        std::wstring style = rest.substr(0, next);
        if (style == L"bold")
            weight = WeightBold;
        else if (style == L"italic")
            italic = 1;
        else
            return false;
    }
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof *font, font);
    font->lfHeight = HeightOfPointSize(points, ScreenResolution(LOGPIXELSY, ReferenceDpi));
    font->lfWidth = 0;
    font->lfWeight = weight;
    font->lfItalic = italic;
    ZeroMemory(font->lfFaceName, sizeof font->lfFaceName);
    lstrcpynW(font->lfFaceName, face.c_str(), LF_FACESIZE);
    return true;
}

// Applies one NAME=VALUE to the record; returns what is wrong with it, or an empty text.
std::wstring Apply(const std::wstring& argument) {
    size_t equals = argument.find(L'=');
    if (equals == std::wstring::npos)
        return L"'" + argument + L"' is not NAME=VALUE";
    std::wstring name = argument.substr(0, equals), value = argument.substr(equals + 1);
    ClockSettingsRecord& s = ClockSettings;
    bool ok;
    if (name == L"FontSel")
        ok = ParseChoice(value, FontSelNames, FontSelCount, &s.FontSel);
    else if (name == L"UseColor")
        ok = ParseNumber(value, 2147483647LL, &s.UseColor);
    else if (name == L"HiddenIcon")
        ok = ParseNumber(value, 2147483647LL, &s.HiddenIcon);
    else if (name == L"Layout")
        ok = ParseChoice(value, LayoutNames, LayoutCount, &s.Layout);
    else if (name == L"DispType")
        ok = ParseChoice(value, DispTypeNames, DispTypeCount, &s.DispType);
    else if (name == L"DispPos")
        ok = ParseChoice(value, DispPosNames, DispPosCount, &s.DispPos);
    else if (name == L"TextColor")
        ok = ParseColor(value, &s.TextColor);
    else if (name == L"TimeFont")
        ok = ParseFont(value, &s.TimeFont);
    else if (name == L"DateFont")
        ok = ParseFont(value, &s.DateFont);
    else if (name == L"TimeFormat" || name == L"DateFormat") {
        CopyFormat(name == L"TimeFormat" ? s.TimeFormat : s.DateFormat, FormatCapacity,
                   value.c_str());
        ok = true;
    } else
        return L"unknown value name '" + name + L"'";
    return ok ? std::wstring() : L"'" + value + L"' is not a value for " + name;
}

} // namespace

int main() {
    int count = 0;
    WCHAR** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) {
        Say(L"store_settings: cannot read the command line");
        return ExitBadArguments;
    }
    for (int i = 1; i < count; ++i)
        if (lstrcmpW(args[i], L"--help") == 0) {
            Say(Usage, STD_OUTPUT_HANDLE);
            LocalFree(args);
            return ExitOk;
        }

    // A first pass only checks the arguments, so a mistake leaves the stored values alone.
    EnsureSettingsLoaded();
    std::wstring problem;
    for (int i = 1; i < count && problem.empty(); ++i)
        problem = Apply(args[i]);
    if (!problem.empty()) {
        LocalFree(args);
        Say(L"store_settings: " + problem + L"; nothing stored");
        return ExitBadArguments;
    }
    // Then the defaults, as a first run with nothing stored loads them, and the changes.
    DeleteSettingsKey();
    SettingsLoaded = 0;
    EnsureSettingsLoaded();
    for (int i = 1; i < count; ++i)
        Apply(args[i]);
    LocalFree(args);
    ApplyFontSel();
    if (!SaveSettings()) {
        Say(L"store_settings: the settings key could not be written");
        return ExitNotStored;
    }
    Say(L"store_settings: stored the twelve values", STD_OUTPUT_HANDLE);
    return ExitOk;
}
