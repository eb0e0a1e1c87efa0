// Fuzzes the stand-in installer's readers on what a cabinet may hold. The input is read both as a
// whole cabinet (compressed folders through libmspack) and as the installation data of a cabinet
// that also holds a file 1; whatever it is, the readers must stay within the bytes and within the
// bound on what a cabinet unpacks to, and a plan they accept must hold only files the cabinet
// has, at device paths under a standard folder with plain names.
#include "host/installer/cabinet_archive.h"
#include "host/installer/install_plan.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

void Check(bool ok, const char* what) {
    if (ok)
        return;
    fprintf(stderr, "cabinet_fuzz: %s\n", what);
    abort();
}

void CheckPlan(const std::vector<CabinetFile>& files) {
    InstallPlan plan;
    std::string problem;
    if (!PlanInstall(files, &plan, &problem)) {
        Check(!problem.empty(), "a refusal that says nothing");
        return;
    }
    for (const PlannedFile& file : plan.Files) {
        Check(file.Path.size() > 1 && file.Path[0] == '\\', "a file outside the device's root");
        Check(file.Path.find("\\..") == std::string::npos, "a file path that climbs");
        bool ours = false;
        for (const CabinetFile& held : files)
            ours = ours || &held.Data == file.Data;
        Check(ours, "a file the cabinet does not hold");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes bytes(data, data + size);
    std::vector<CabinetFile> files;
    std::string problem;
    if (ReadCabinet(bytes, &files, &problem)) {
        size_t total = 0;
        for (const CabinetFile& file : files)
            total += file.Data.size();
        Check(total <= CabinetUnpackedLimit, "a cabinet read into more bytes than the bound");
        CheckPlan(files);
    } else {
        Check(!problem.empty(), "a refused cabinet that says nothing");
    }
    std::vector<CabinetFile> held = {{"00000000.000", bytes}, {"0morvane.001", Bytes(16, 0x5A)}};
    CheckPlan(held);
    return 0;
}
