#include "platform/platform.h"
#include "fuzz/settings_fuzz_store.h"
#include "settings/settings_store.h"
#include "tests/support/settings.h"

#include <limits.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

// The twelve stored values as the fuzzer knows them: names, types, places and sizes written here
// on purpose apart from the store's own table (settings/settings_store.cpp), so that the two check
// each other. An oracle, not a copy.
#define STORED_NAME(field, type)                                                                   \
    { L## #field, offsetof(ClockSettingsRecord, field), sizeof(ClockSettingsRecord::field), type }

const StoredName StoredNames[StoredNameCount] = {
    STORED_NAME(FontSel, REG_DWORD),   STORED_NAME(TimeFont, REG_BINARY),
    STORED_NAME(DateFont, REG_BINARY), STORED_NAME(UseColor, REG_DWORD),
    STORED_NAME(TextColor, REG_DWORD), STORED_NAME(CustColors, REG_BINARY),
    STORED_NAME(DispType, REG_DWORD),  STORED_NAME(DispPos, REG_DWORD),
    STORED_NAME(TimeFormat, REG_SZ),   STORED_NAME(DateFormat, REG_SZ),
    STORED_NAME(Layout, REG_DWORD),    STORED_NAME(HiddenIcon, REG_DWORD),
};

uint64_t FuzzRandom::Next() {
    uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint32_t FuzzRandom::Below(uint32_t bound) {
    return bound ? (uint32_t)(Next() % bound) : 0;
}

bool FuzzRandom::Percent(int chance) {
    return (int)Below(100) < chance;
}

namespace {

enum FieldKind { IntegerField, FontField, ColorsField, TextField };

FieldKind KindOf(int index) {
    const StoredName& name = StoredNames[index];
    if (name.Size == sizeof(LOGFONTW))
        return FontField;
    if (name.Type == REG_SZ)
        return TextField;
    if (name.Size > 4)
        return ColorsField;
    return IntegerField;
}

const int32_t Interesting[] = {0,  1,   2,   3,   4,       5,       7,    -1,     -2,     16,
                               32, -16, 400, 700, INT_MIN, INT_MAX, 0x80, 0xFFFF, 0x10000};

int32_t DrawInteger(FuzzRandom& random) {
    if (random.Percent(70))
        return Interesting[random.Below(sizeof Interesting / sizeof Interesting[0])];
    return (int32_t)random.Next();
}

// Scripts whose text Wine lays out with OpenType shaping. Wine 8.0's edit control brings the
// process down on some such text whatever program shows it (an Arabic letter, any other
// character, then a Hebrew point, in the System font: "\u08A5\uFFFD\u05BF" crashes a plain EDIT
// control in gdi32's GPOS code). The item's code treats every unit that is no token alike, so
// leaving these out of the drawn formats hides nothing of it, while keeping that platform fault
// out of the fuzzer's findings.
bool ShapedByWine(WCHAR c) {
    return (c >= 0x0590 && c <= 0x0FFF) || (c >= 0x1000 && c <= 0x109F) ||
           (c >= 0x1780 && c <= 0x17FF) || (c >= 0x1800 && c <= 0x18AF) ||
           (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF);
}

// Units that make up formats: the token letters, separators, names' letters, and the awkward
// ones (lone surrogates, controls, anything else).
WCHAR DrawUnit(FuzzRandom& random) {
    static const WCHAR Tokens[] = L"HhmsStTMdyYwWIN/:-., ()'\"";
    switch (random.Below(6)) {
    case 0:
    case 1:
    case 2: return Tokens[random.Below((uint32_t)wcslen(Tokens))];
    case 3: return (WCHAR)(0xD800 + random.Below(0x800));
    case 4: return (WCHAR)(1 + random.Below(0x7F));
    default: {
        WCHAR c;
        do
            c = (WCHAR)(1 + random.Below(0xFFFF));
        while (ShapedByWine(c));
        return c;
    }
    }
}

void AppendBytes(std::vector<BYTE>& bytes, const void* data, size_t size) {
    bytes.insert(bytes.end(), (const BYTE*)data, (const BYTE*)data + size);
}

std::vector<BYTE> DrawText(FuzzRandom& random, size_t size) {
    std::vector<BYTE> bytes;
    // Mostly no terminator at all; sometimes one somewhere inside.
    size_t zeroAt = random.Percent(30) ? random.Below((uint32_t)size / 2 + 1) : (size_t)-1;
    for (size_t unit = 0; bytes.size() < size; ++unit) {
        WCHAR c = unit == zeroAt ? 0 : DrawUnit(random);
        AppendBytes(bytes, &c, sizeof c);
    }
    bytes.resize(size);
    return bytes;
}

std::vector<BYTE> DrawFont(FuzzRandom& random, size_t size) {
    static const WCHAR* const Faces[] = {L"DejaVu Sans", L"DejaVu Serif", L"VL Gothic",
                                         L"System",      L"@VL Gothic",   L""};
    LOGFONTW font;
    for (size_t i = 0; i < sizeof font; ++i)
        ((BYTE*)&font)[i] = (BYTE)random.Next();
    if (random.Percent(80)) {
        font.lfHeight = DrawInteger(random);
        font.lfWidth = random.Percent(50) ? 0 : DrawInteger(random);
        font.lfEscapement = random.Percent(50) ? 0 : DrawInteger(random);
        font.lfOrientation = random.Percent(50) ? 0 : DrawInteger(random);
        font.lfWeight = DrawInteger(random);
    }
    if (random.Percent(60)) {
        memset(font.lfFaceName, 0, sizeof font.lfFaceName);
        lstrcpynW(font.lfFaceName, Faces[random.Below(sizeof Faces / sizeof Faces[0])],
                  LF_FACESIZE);
    } else if (random.Percent(50)) {
        // A name filling all 32 units, with no terminator.
        for (int i = 0; i < LF_FACESIZE; ++i)
            font.lfFaceName[i] = (WCHAR)(L'A' + random.Below(26));
    }
    std::vector<BYTE> bytes;
    AppendBytes(bytes, &font, sizeof font);
    while (bytes.size() < size)
        bytes.push_back((BYTE)random.Next());
    bytes.resize(size);
    return bytes;
}

// Moves units that Wine shapes to a block it does not, in raw bytes meant for a text field.
void KeepUnshaped(std::vector<BYTE>& bytes) {
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        WCHAR c = (WCHAR)(bytes[i] | bytes[i + 1] << 8);
        if (ShapedByWine(c)) {
            c = (WCHAR)(0x4E00 + (c & 0xFF));
            bytes[i] = (BYTE)c;
            bytes[i + 1] = (BYTE)(c >> 8);
        }
    }
}

std::vector<BYTE> DrawBytes(FuzzRandom& random, int index, size_t size) {
    if (random.Percent(10)) {
        std::vector<BYTE> bytes(size);
        for (BYTE& b : bytes)
            b = (BYTE)random.Next();
        if (KindOf(index) == TextField)
            KeepUnshaped(bytes);
        return bytes;
    }
    switch (KindOf(index)) {
    case TextField: return DrawText(random, size);
    case FontField: return DrawFont(random, size);
    default: {
        std::vector<BYTE> bytes;
        while (bytes.size() < size) {
            int32_t value = DrawInteger(random);
            AppendBytes(bytes, &value, sizeof value);
        }
        bytes.resize(size);
        return bytes;
    }
    }
}

DWORD DrawType(FuzzRandom& random, int index) {
    static const DWORD Types[] = {
        REG_NONE, REG_SZ,       REG_EXPAND_SZ,     REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN,
        REG_LINK, REG_MULTI_SZ, REG_RESOURCE_LIST, REG_QWORD};
    if (random.Percent(50))
        return StoredNames[index].Type;
    if (random.Percent(10))
        return (DWORD)random.Next();
    return Types[random.Below(sizeof Types / sizeof Types[0])];
}

size_t DrawSize(FuzzRandom& random, int index) {
    size_t field = StoredNames[index].Size;
    size_t size;
    switch (random.Below(8)) {
    case 0: size = 0; break;
    case 1:
    case 2: size = field; break;
    case 3: size = field - 1; break;
    case 4: size = field + 1; break;
    case 5: size = random.Below(field + 1); break;
    case 6: size = MaxStoredBytes; break;
    default: size = random.Below(MaxStoredBytes + 1); break;
    }
    return size > (size_t)MaxStoredBytes ? (size_t)MaxStoredBytes : size;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Terminates a text field in its last unit when it holds no terminator.
void TerminateText(BYTE* field, size_t units) {
    WCHAR* text = (WCHAR*)field;
    for (size_t i = 0; i < units; ++i)
        if (text[i] == 0)
            return;
    text[units - 1] = 0;
}

} // namespace

void DrawStoredValues(FuzzRandom& random, StoredValue values[StoredNameCount]) {
    // The read stops at the first value missing or too large, so each batch picks how far it
    // gets: the names before that depth are stored in sizes that fit their fields (of any type),
    // the rest anyhow.
    const int depth = (int)random.Below(StoredNameCount + 1);
    for (int i = 0; i < StoredNameCount; ++i) {
        StoredValue& value = values[i];
        const bool fits = i < depth;
        value.Present = fits || random.Percent(75);
        value.Type = DrawType(random, i);
        size_t size = DrawSize(random, i);
        if (fits && size > StoredNames[i].Size)
            size = random.Percent(50) ? StoredNames[i].Size : random.Below(StoredNames[i].Size + 1);
        value.Bytes = DrawBytes(random, i, size);
    }
}

bool StoreValues(StoredValue values[StoredNameCount]) {
    DeleteSettingsKey();
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    for (int i = 0; i < StoredNameCount; ++i) {
        StoredValue& value = values[i];
        if (!value.Present)
            continue;
        static const BYTE Nothing = 0;
        const BYTE* data = value.Bytes.empty() ? &Nothing : value.Bytes.data();
        // A type the registry refuses leaves the name absent, as it leaves the store.
        if (!WriteSettingsValue(StoredNames[i].Name, value.Type, data, (DWORD)value.Bytes.size())) {
            value.Present = false;
            continue;
        }
        // The model works from what the registry holds, should it have changed anything.
        DWORD type = 0;
        std::vector<BYTE> held;
        if (!ReadSettingsValue(StoredNames[i].Name, &type, &held))
            return false;
        value.Type = type;
        value.Bytes = held;
    }
    return true;
}

ExpectedLoad ExpectLoad(const StoredValue values[StoredNameCount]) {
    ExpectedLoad expected;
    ClockSettingsRecord& record = expected.Record;
    memset(&record, 0, sizeof record);
    CopyFormat(record.TimeFormat, FormatCapacity, TimeFormatPresets[0]);
    CopyFormat(record.DateFormat, FormatCapacity, DateFormatPresets[0]);

    BYTE* base = (BYTE*)&record;
    expected.ValuesRead = 0;
    for (int i = 0; i < StoredNameCount; ++i) {
        const StoredValue& value = values[i];
        const StoredName& name = StoredNames[i];
        if (!value.Present || value.Bytes.size() > name.Size)
            break;
        expected.ValuesRead += 1;
        BYTE* field = base + name.Offset;
        const size_t size = value.Bytes.size();
        if (size)
            memcpy(field, value.Bytes.data(), size);
        // The query ends a short string value with a terminator when the unit before the end is
        // not one and the field has room for it. At an odd size that unit straddles the value's
        // first byte and the byte before the field; a zero first byte is then taken as ending
        // nothing, which matters only where a written terminator would change the field.
        if (IsStringType(value.Type) && size >= 1 && size + sizeof(WCHAR) <= name.Size) {
            BYTE before = size >= 2 ? field[size - 2] : (name.Offset ? field[-1] : 0);
            WCHAR last = (WCHAR)(before | field[size - 1] << 8);
            if (last != 0)
                field[size] = field[size + 1] = 0;
        }
    }
    // A format's last unit always becomes a terminator, whatever comes before it.
    record.TimeFormat[FormatCapacity - 1] = 0;
    record.DateFormat[FormatCapacity - 1] = 0;
    TerminateText((BYTE*)record.TimeFont.lfFaceName, LF_FACESIZE);
    TerminateText((BYTE*)record.DateFont.lfFaceName, LF_FACESIZE);

    expected.ShowSeconds = 0;
    for (int i = 0; i < FormatCapacity && record.TimeFormat[i]; ++i)
        if (record.TimeFormat[i] == L's')
            expected.ShowSeconds = 1;

    if (record.FontSel == FontSelDefault) {
        GetObjectW(GetStockObject(SYSTEM_FONT), sizeof record.TimeFont, &record.TimeFont);
        GetObjectW(GetStockObject(SYSTEM_FONT), sizeof record.DateFont, &record.DateFont);
    } else if (record.FontSel == FontSelSame) {
        record.DateFont = record.TimeFont;
    }
    return expected;
}

std::string DescribeValues(const StoredValue values[StoredNameCount]) {
    std::string text;
    for (int i = 0; i < StoredNameCount; ++i) {
        const StoredValue& value = values[i];
        char head[96];
        std::string name;
        for (const WCHAR* p = StoredNames[i].Name; *p; ++p)
            name += (char)*p;
        if (!value.Present) {
            snprintf(head, sizeof head, "  %-10s absent\n", name.c_str());
            text += head;
            continue;
        }
        snprintf(head, sizeof head, "  %-10s type %lu, %u bytes: ", name.c_str(),
                 (unsigned long)value.Type, (unsigned)value.Bytes.size());
        text += head;
        text += ToHex(value.Bytes.data(), value.Bytes.size());
        text += "\n";
    }
    return text;
}
