// Splits a path, changes its extension and names the DVD bundle an image
// would be split into: what a disc-image application asks of the library.
#include <brenvik/brenvik.h>

#include <cstdio>
#include <cstring>

int main()
{
    const char *path = "C:\\images\\Holiday.vcd";

    SPLITFPATH_tag split;
    std::memset(&split, 0, sizeof split);
    int isUnc = -1;
    if (!CDriveEx::MySplitPath(path, &split, &isUnc)) {
        std::fprintf(stderr, "cannot split %s\n", path);
        return 1;
    }
    std::printf("drive %s  dir %s  title %s  ext %s  unc %d\n", split.drv.strDrv,
                split.drv.strDir, split.drv.strFileTitle, split.drv.strFileExt, isUnc);

    char changed[BRENVIK_MAX_PATH];
    if (!CDriveEx::ChgPathExt(path, "iso", changed)) {
        std::fprintf(stderr, "cannot change the extension of %s\n", path);
        return 1;
    }
    std::printf("as iso: %s\n", changed);

    char dir[BRENVIK_MAX_PATH], prefix[BRENVIK_MAX_PATH], master[BRENVIK_MAX_PATH];
    if (!CVcdImageEx::Vcd2Dvd_ext(path, dir, prefix, master)) {
        std::fprintf(stderr, "cannot name the bundle of %s\n", path);
        return 1;
    }
    std::printf("bundle master: %s\n", master);
    std::printf("extension class: %d\n", CVcdImageEx::GetPathExtType(master));
    return std::strcmp(master, "C:\\images\\Holiday.DVD\\Holiday.DVD.D00") == 0 ? 0 : 1;
}
