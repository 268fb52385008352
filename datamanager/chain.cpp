#include "datamanager/chain.h"

#include "datamanager/layout.h"

std::int32_t newnode(const std::int32_t& number) {
    std::int32_t node = noblock;
    IDMAlloc(node, nodesize);
    putword(node + linkword, noblock);
    putword(node + sizeword, nodesize);
    putword(node + numberword, number);
    putword(node + childword, noblock);
    return node;
}

std::int32_t lastlink(std::int32_t at) {
    for (std::int32_t block = getword(at); block != noblock; block = nextof(block)) {
        at = block + linkword;
    }
    return at;
}

std::int32_t recordlink(std::int32_t at, std::int32_t records) {
    std::int32_t passed = 0;
    for (std::int32_t field = getword(at); field != noblock && passed < records;
         field = nextof(field)) {
        at = field + linkword;
        passed += ismarker(field) ? 1 : 0;
    }
    return at;
}

void cutrecords(std::int32_t at, std::int32_t count) {
    std::int32_t passed = 0;
    std::int32_t field = getword(at);
    while (field != noblock && passed < count) {
        const std::int32_t next = nextof(field);
        passed += ismarker(field) ? 1 : 0;
        deleteblock(field);
        field = next;
    }
    putword(at, field);
}

void deleteblock(std::int32_t block) {
    putword(block + sizeword, -blocksize(block));
}

void deletechain(std::int32_t first) {
    for (std::int32_t block = first; block != noblock; block = nextof(block)) {
        deleteblock(block);
    }
}

std::int32_t countmarkers(std::int32_t first) {
    std::int32_t count = 0;
    for (std::int32_t field = first; field != noblock; field = nextof(field)) {
        count += ismarker(field) ? 1 : 0;
    }
    return count;
}
