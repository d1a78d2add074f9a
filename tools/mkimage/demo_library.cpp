// The demo image library:
//
//   library/Holiday.vcd                       single image, video CD
//   library/Concert.DVD/Concert.DVD.D00       DVD bundle, complete: master
//                                             (format word DVD, 3 slaves) ...
//   library/Concert.DVD/Concert.DVD.D01..D03  ... and its three slaves
//   library/Lecture.DVD/Lecture.DVD.D00       DVD bundle, incomplete: master
//                                             (kind word DVD, 3 slaves) ...
//   library/Lecture.DVD/Lecture.DVD.D01, D03  ... slave D02 is missing
//   library/Album.VCD.D00, Album.VCD.D01      mixed-mode pair
//   library/Single.VCD.D00, Single.VCD.D01    CD-Extra pair
//   library/notes.txt, library/cover.jpg      not images
//   library/Broken.vcd                        100 bytes: too short to be read
//                                             as an image
//
// Masters and the single image are 4096 bytes, slaves 2048.
#include <filesystem>
#include <system_error>

#include "image_writer.h"

namespace brenvik {
namespace mkimage {

namespace {

constexpr std::uint64_t kImageLength = 4096;
constexpr std::uint64_t kSlaveLength = 2048;

DemoFile Image(const std::string &path, std::uint32_t mediaFormat, std::uint32_t discKind,
               const std::string &desc, std::uint32_t descInfo, std::uint32_t slaveCount)
{
    DemoFile file{path, DemoFile::kImage, HeaderFields{}, std::string()};
    file.fields.mediaFormat = mediaFormat;
    file.fields.discKind = discKind;
    file.fields.desc = desc;
    file.fields.descInfo = descInfo;
    file.fields.slaveCount = slaveCount;
    file.fields.totalLength = kImageLength;
    return file;
}

DemoFile Slave(const std::string &path, std::uint8_t fill)
{
    DemoFile file{path, DemoFile::kFiller, HeaderFields{}, std::string()};
    file.fields.totalLength = kSlaveLength;
    file.fields.fill = fill;
    return file;
}

DemoFile Bytes(const std::string &path, const std::string &bytes)
{
    return DemoFile{path, DemoFile::kBytes, HeaderFields{}, bytes};
}

}  // namespace

std::vector<DemoFile> DemoLibraryFiles()
{
    std::vector<DemoFile> files;
    files.push_back(Image("library/Holiday.vcd", 0, kKindVideo, "Holiday by the sea", 1, 0));

    files.push_back(Image("library/Concert.DVD/Concert.DVD.D00", kFormatDvd, kKindDataCd,
                          "Concert, four parts", 2, 3));
    files.push_back(Slave("library/Concert.DVD/Concert.DVD.D01", 0x11));
    files.push_back(Slave("library/Concert.DVD/Concert.DVD.D02", 0x22));
    files.push_back(Slave("library/Concert.DVD/Concert.DVD.D03", 0x33));

    files.push_back(Image("library/Lecture.DVD/Lecture.DVD.D00", 0, kKindDvd,
                          "Lecture, part three lost", 3, 3));
    files.push_back(Slave("library/Lecture.DVD/Lecture.DVD.D01", 0x11));
    files.push_back(Slave("library/Lecture.DVD/Lecture.DVD.D03", 0x33));

    files.push_back(Image("library/Album.VCD.D00", 0, kKindMixedMode, "Album, mixed mode", 4, 1));
    files.push_back(Slave("library/Album.VCD.D01", 0x11));

    files.push_back(Image("library/Single.VCD.D00", 0, kKindCdExtra, "Single, CD-Extra", 5, 1));
    files.push_back(Slave("library/Single.VCD.D01", 0x11));

    files.push_back(Bytes("library/notes.txt", "Demo image library. Nothing here is a real disc.\n"));
    // The start of a JPEG file, enough for a viewer to say what it is not.
    files.push_back(Bytes("library/cover.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11)));
    DemoFile broken = Slave("library/Broken.vcd", 0x42);
    broken.fields.totalLength = 100;
    files.push_back(broken);
    return files;
}

std::vector<std::string> DemoLibraryAbsentFiles()
{
    return {"library/Lecture.DVD/Lecture.DVD.D02"};
}

bool WriteDemoLibrary(const std::string &dir, std::string *error)
{
    namespace fs = std::filesystem;
    auto fail = [error](const std::string &message) {
        if (error)
            *error = message;
        return false;
    };
    const fs::path root(dir);
    std::error_code ec;
    for (const DemoFile &file : DemoLibraryFiles()) {
        const fs::path target = root / fs::path(file.path);
        fs::create_directories(target.parent_path(), ec);
        if (ec)
            return fail("cannot make " + target.parent_path().string() + ": " + ec.message());
        bool ok = false;
        switch (file.content) {
        case DemoFile::kImage: ok = WriteImage(target.string(), file.fields); break;
        case DemoFile::kFiller:
            ok = WriteFiller(target.string(), file.fields.totalLength, file.fields.fill);
            break;
        case DemoFile::kBytes: ok = WriteBytes(target.string(), file.bytes); break;
        }
        if (!ok)
            return fail("cannot write " + target.string());
    }
    for (const std::string &path : DemoLibraryAbsentFiles()) {
        const fs::path target = root / fs::path(path);
        fs::remove(target, ec);
        if (ec)
            return fail("cannot remove " + target.string() + ": " + ec.message());
    }
    return true;
}

}  // namespace mkimage
}  // namespace brenvik
