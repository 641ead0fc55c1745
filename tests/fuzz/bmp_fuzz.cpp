// The BMP loader on any file, as a picture and as a mask: it must refuse or
// load without reading or writing outside a buffer, and what it loads must
// be freed whole.
#include "fuzz_files.h"

#include "core/process.h"
#include "device.h"
#include "graphics/bmp.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    DeviceReset();
    std::filesystem::path file = FuzzFolder() / "bmp" / "f.bmp";
    if (!FuzzWriteFile(file, data, size)) return 0;
    std::u16string folder = DevicePathFromHost((FuzzFolder() / "bmp").string()) + u"\\";
    if (!SetExeFolder(folder.c_str())) return 0;
    for (int kind : {kLoadPicture, kLoadMask}) {
        ImageRecord record = {};
        memcpy(record.fileName, u"f.bmp", sizeof u"f.bmp");
        LoadBitmapFile(&record, kind);
        FreeImageRecord(&record);
    }
    return 0;
}
