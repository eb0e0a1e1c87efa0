// Writing an installation's files and values, each step recorded as it is made with what it
// replaced, so that a failure can put everything back as it was.
#pragma once

#include "host/installer/install_plan.h"
#include "host/installer/install_record.h"

#include <string>
#include <utility>
#include <vector>

// An installation under way: what it wrote, and what was there before it, so that a failure can
// put everything back.
struct Journal {
    Written Made;
    std::vector<std::pair<std::wstring, Bytes>> ReplacedFiles;
    std::vector<SavedValue> ReplacedValues; // values there before this run wrote them
};

// The file written, or left as it is when keepExisting and there already.
bool PutFile(const std::wstring& path, const Bytes& bytes, bool keepExisting, Journal* journal,
             std::wstring* said);
bool PutValue(const PlannedValue& planned, Journal* journal, std::wstring* said);
// The planned value as records name it: "ROOT\key<tab>name".
std::wstring ValueWhere(const PlannedValue& planned);
// Puts back everything an installation that failed had done.
void Undo(const Journal& journal);
