#include "datamanager/records.h"

#include "datamanager/chain.h"
#include "datamanager/files.h"
#include "datamanager/handle.h"
#include "datamanager/layout.h"

#include <algorithm>

void IDMCountRecords(const std::int32_t& file, const std::int32_t& directory, std::int32_t& count) {
    const heldhandle held;
    count = countmarkers(getword(requirefile(file, directory, "IDMCountRecords") + childword));
}

void IDMDeleteRecords(const std::int32_t& file, const std::int32_t& directory,
                      const std::int32_t& first, const std::int32_t& count) {
    const heldhandle held;
    const std::int32_t chain = requirefile(file, directory, "IDMDeleteRecords") + childword;
    cutrecords(recordlink(chain, std::max(first, 1) - 1), count);
}
