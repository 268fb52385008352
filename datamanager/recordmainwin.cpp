#include "datamanager/recordmainwin.h"

#include "datamanager/directories.h"
#include "datamanager/files.h"
#include "datamanager/put.h"
#include "datamanager/work.h"

namespace {

constexpr std::int16_t extent = 1056;

} // namespace

void recordmainwin(const platform::handle& window) {
    IDMCreateDir(windowdirectory);
    std::int32_t work = 0;
    IDMOpenWork(work);
    IDMCreateFile(0, windowdirectory);
    IDMCreateFile(windowfile, windowdirectory);

    const std::int16_t extents[6] = {extent, extent, 0, extent, extent, 0};
    IDMPutN2(work, extents, 6);
    IDMEndRecord(work);
    IDMEndRecord(work);
    IDMEndRecord(work);
    IDMPut4(work, window);
    IDMEndRecord(work);
    IDMPut2(work, std::int16_t{0});
    IDMEndRecord(work);
    IDMPut4(work, 0.0F);
    IDMEndRecord(work);
    const float origin[3] = {0.0F, 0.0F, 0.0F};
    IDMPutN4(work, origin, 3);
    IDMEndRecord(work);
    IDMPut4(work, static_cast<float>(extent) * 0.0023889153F);
    IDMEndRecord(work);
    const float axis[3] = {1.0F, 0.0F, 0.0F};
    IDMPutN4(work, origin, 3);
    IDMPutN4(work, axis, 3);
    IDMEndRecord(work);

    IDMStoreWork(work, windowfile, windowdirectory);
    IDMCloseWork(work);
}
