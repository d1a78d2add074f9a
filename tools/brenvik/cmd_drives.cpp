// brenvik drives: the drive letters, their types, labels and sizes.
#include <brenvik/brenvik.h>

#include <CLI/CLI.hpp>

#include <ostream>

#include "common.h"

namespace brenvik {
namespace tool {

namespace {

struct DrivesOptions {
    std::vector<std::string> letters;
    bool all = false;
};

Json DriveJson(int drive)
{
    char letter = 0;
    CDriveEx::Drv_Int2Letter(drive, &letter);
    char root[4] = {letter, ':', '\\', '\0'};
    const unsigned type = CDriveEx::GetDriveType_Ex(root);

    Json j;
    j["letter"] = std::string(1, letter);
    j["root"] = root;
    j["type"] = DriveTypeName(type);
    j["type_code"] = type;

    char label[BRENVIK_MAX_PATH] = "";
    const bool present = CDriveEx::IsDiskPresent(drive, 0) != 0;
    j["present"] = present;
    if (CDriveEx::GetVolName(drive, label))
        j["label"] = label;
    else
        j["label"] = nullptr;

    unsigned long long total = 0, freeTotal = 0, available = 0;
    if (CDriveEx::GetLargeDiskSize2GB_inByte(drive, nullptr, &total, &freeTotal, &available)) {
        j["total_bytes"] = total;
        j["free_bytes"] = freeTotal;
        j["available_bytes"] = available;
    } else {
        j["total_bytes"] = nullptr;
        j["free_bytes"] = nullptr;
        j["available_bytes"] = nullptr;
    }
    j["compressed"] = present && CDriveEx::IsCompressed(drive) != 0;

    Json content = Json::array();
    if (present && type == 5) {  // only a disc in a CD drive has content to tell
        if (CDriveEx::IsVideoCD(drive))
            content.push_back("video");
        if (CDriveEx::IsPhotoCD(drive))
            content.push_back("photo");
        if (CDriveEx::IsAudioCD(drive))
            content.push_back("audio");
    }
    j["content"] = content;
    return j;
}

Json Masks()
{
    Json masks;
    unsigned long mask = 0;
    CDriveEx::GetRemovableDrvLst(&mask);
    masks["removable"] = mask;
    CDriveEx::GetLocalHDDrvLst(&mask);
    masks["fixed"] = mask;
    CDriveEx::GetNetworkDrvLst(&mask);
    masks["remote"] = mask;
    CDriveEx::GetCdDrvLst(&mask);
    masks["cdrom"] = mask;
    CDriveEx::GetRamDrvLst(&mask);
    masks["ramdisk"] = mask;
    return masks;
}

std::string SizeCell(const Json &value)
{
    return value.is_null() ? "-" : HumanSize(value.get<unsigned long long>());
}

void PrintDrives(std::ostream &out, const Json &doc)
{
    if (doc["drives"].empty()) {
        out << "no drives\n";
        return;
    }
    Table table({"DRIVE", "TYPE", "LABEL", "TOTAL", "FREE", "NOTES"});
    for (const Json &d : doc["drives"]) {
        std::string notes;
        auto note = [&notes](const std::string &text) {
            notes += notes.empty() ? text : ", " + text;
        };
        if (!d["present"].get<bool>() && d["type_code"].get<unsigned>() > 1)
            note("no medium");
        if (d["compressed"].get<bool>())
            note("compressed");
        for (const Json &c : d["content"])
            note(c.get<std::string>() + " disc");
        std::string label = d["label"].is_null() ? "-" : d["label"].get<std::string>();
        table.Add({d["letter"].get<std::string>() + ":", d["type"].get<std::string>(),
                   label.empty() ? "\"\"" : label, SizeCell(d["total_bytes"]),
                   SizeCell(d["free_bytes"]), notes});
    }
    table.Print(out);
}

void RunDrives(Context &ctx, const DrivesOptions &options)
{
    std::vector<int> drives;
    for (const std::string &text : options.letters) {
        int drive = -1;
        // "D", "d:" and "D:\" name one drive; anything longer is not a letter.
        const bool shape = !text.empty() && (text.size() == 1 || text[1] == ':') &&
                           text.size() <= 3 && (text.size() < 3 || text[2] == '\\' ||
                                                text[2] == '/');
        if (!shape || !CDriveEx::Drv_Letter2Int(text.c_str(), &drive))
            throw Failure(kExitUsage, Quote(text) + " is not a drive letter (A to Z)");
        drives.push_back(drive);
    }
    const bool named = !drives.empty();
    if (!named)
        for (int drive = 0; drive < 26; ++drive)
            drives.push_back(drive);

    Json doc;
    doc["drives"] = Json::array();
    for (int drive : drives) {
        Json d = DriveJson(drive);
        // A letter without a root is no drive, unless asked for.
        if (!named && !options.all && d["type_code"].get<unsigned>() == 1)
            continue;
        doc["drives"].push_back(d);
    }
    doc["masks"] = Masks();
    Emit(ctx, doc, [&doc](std::ostream &out) { PrintDrives(out, doc); });
}

}  // namespace

void AddDrives(CLI::App &app, Context &ctx)
{
    auto options = std::make_shared<DrivesOptions>();
    CLI::App *sub = app.add_subcommand(
        "drives", "List the drive letters: type, volume label, total size and free space");
    sub->add_option("letters", options->letters, "Only these drives (C, D: ...)");
    sub->add_flag("-a,--all", options->all, "Also list letters that have no drive");
    sub->callback([&ctx, options] { RunDrives(ctx, *options); });
}

}  // namespace tool
}  // namespace brenvik
