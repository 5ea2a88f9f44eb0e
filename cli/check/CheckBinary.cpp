// ostrel check on binary data files without an inspector of their own:
// archives (every entry unpacked, the stored checksum compared) and
// binarised configs (decoded).

#include <memory>

#include "Checkers.h"
#include "cli/ConfigText.h"
#include "cli/Interrupt.h"
#include "pbo/Ostrel.h"

namespace cli
{
CheckResult CheckArchive(const std::string& path)
{
    CheckResult result;
    std::unique_ptr<Ostrel> archive(new Ostrel);
    TakeReport();
    if (archive->OpenPbo(path.c_str(), CollectReport) != 0)
    {
        result.failed = true;
        result.diagnostics = path + ": error: " + archive->strError() + "\n";
        result.report = TakeReport();
        return result;
    }
    int unpacked = 0;
    for (pbo_entry* entry = archive->firstEntry; entry && !interrupt::Requested(); entry = entry->next)
    {
        if (archive->GetBinData(entry, false) < 0)
        {
            result.failed = true;
            result.diagnostics += path + ": error: " + entry->name + ": " + archive->strError() + "\n";
        }
        else
            ++unpacked;
        archive->FreeData(entry);
    }
    CollectReport("%d of %d entries unpacked\n", unpacked, archive->GetEntryCount());
    const int checksum = archive->VerifyChecksum();
    if (checksum == 2 || checksum < 0)
    {
        result.failed = true;
        result.diagnostics +=
            path + ": error: " +
            (checksum == 2 ? std::string("the stored checksum does not match the content") : archive->strError()) +
            "\n";
    }
    else
        CollectReport(checksum == 0 ? "checksum matches\n" : "no checksum stored\n");
    result.report = TakeReport();
    archive->ClosePbo();
    return result;
}

CheckResult CheckBinarisedConfig(const std::string& path)
{
    CheckResult result;
    std::string text, message;
    if (!DecodeConfigFile(path, DecodeOptions(), text, message))
    {
        result.failed = true;
        result.diagnostics = path + ": error: " + message + "\n";
    }
    else
        result.report = std::to_string(text.size()) + " bytes of config text\n";
    return result;
}
} // namespace cli
