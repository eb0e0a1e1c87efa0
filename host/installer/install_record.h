// The record of an installation under HKLM\\Software\\Apps\\<program>: what it wrote, from where
// its removal takes it away again, and the values it overwrote, which removal puts back.
#pragma once

#include "host/installer/device_store.h"

#include <string>
#include <vector>

#define INSTALLED_APPS_KEY L"Software\\Apps"

// What an installation wrote, in the order written: device paths for files and folders,
// "ROOT\key" for the keys it made and "ROOT\key<tab>name" for its values; and the values it
// overwrote, to be put back when it goes.
struct Written {
    std::vector<std::wstring> Files, Folders, Keys, Values;
    std::vector<SavedValue> Saved;
};

std::wstring AppKey(const std::wstring& program);
// Writes the record anew; false when any of it could not be written.
bool SaveRecord(const std::wstring& program, const Written& written);

// A record that names anything this installer could not have written (a path outside the
// device's %CEn% folders, a key of its own records, Wine's or the start-up keys) is refused
// whole, so that a forged or planted record deletes nothing.
enum RecordState { NoRecord, RecordRead, RecordRefused };
RecordState LoadRecord(const std::wstring& program, Written* written, std::wstring* said);
