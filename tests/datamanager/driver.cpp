#include "tests/datamanager/driver.h"

#include "datamanager/directories.h"
#include "datamanager/files.h"
#include "datamanager/get.h"
#include "datamanager/handle.h"
#include "datamanager/layout.h"
#include "datamanager/memory.h"
#include "datamanager/put.h"
#include "datamanager/read.h"
#include "datamanager/records.h"
#include "datamanager/replacefield.h"
#include "datamanager/work.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace idmtest {

std::int32_t steering::below(std::int32_t n) {
    if (n <= 1) {
        return 0;
    }
    if (data == nullptr) {
        return std::uniform_int_distribution<std::int32_t>(0, n - 1)(generator);
    }
    std::uint32_t value = 0;
    for (int i = 0; i < (n > 256 ? 2 : 1) && left > 0; ++i, --left) {
        value = value << 8 | *data++;
    }
    return static_cast<std::int32_t>(value % static_cast<std::uint32_t>(n));
}

std::int32_t steering::between(std::int32_t low, std::int32_t high) {
    return low + below(high - low + 1);
}

namespace {

using bytes = std::vector<std::uint8_t>;

// ---- The model: the same tree in standard containers --------------------

struct mfield {
    bytes data;
    std::vector<bool> known; // reserved bytes hold whatever the pool held
    bool marker() const { return data.empty(); }
};
using mchain = std::vector<mfield>;

struct mfile {
    int id;
    std::int32_t number;
    mchain chain;
};

struct mdir {
    std::int32_t number;
    std::vector<mfile> files;
    mchain work; // the fields of a work directory
};

// The read handle, as indices into its file's chain (chain size: the end).
struct mread {
    std::int32_t handle = 0; // 0: no read handle open
    int fileid = -1;
    int position = -1; // the marker before the record; -1: the file's own link
    std::size_t first = 0;
    std::size_t current = 0;
    std::int32_t step = 0;
};

template <class T> mfield fieldof(const T* values, std::int32_t n) {
    mfield field;
    field.data.resize(static_cast<std::size_t>(n) * sizeof(T));
    if (!field.data.empty()) {
        std::memcpy(field.data.data(), values, field.data.size());
    }
    field.known.assign(field.data.size(), true);
    return field;
}

std::size_t recordindex(const mchain& chain, std::int32_t records) {
    std::size_t at = 0;
    for (std::int32_t passed = 0; at < chain.size() && passed < records; ++at) {
        passed += chain[at].marker() ? 1 : 0;
    }
    return at;
}

void cutrecords(mchain& chain, std::size_t start, std::int32_t count) {
    std::size_t end = start;
    for (std::int32_t passed = 0; end < chain.size() && passed < count; ++end) {
        passed += chain[end].marker() ? 1 : 0;
    }
    chain.erase(chain.begin() + static_cast<std::ptrdiff_t>(start),
                chain.begin() + static_cast<std::ptrdiff_t>(end));
}

std::int32_t countmarkers(const mchain& chain) {
    return static_cast<std::int32_t>(
        std::count_if(chain.begin(), chain.end(), [](const mfield& f) { return f.marker(); }));
}

struct model {
    std::vector<mdir> dirs;
    std::array<bool, handlecount + 1> inuse{};
    std::int32_t cursor = 0;
    std::vector<std::int32_t> works;
    mread read;
    int nextid = 0;

    std::int32_t takehandle() {
        std::int32_t h = cursor % handlecount + 1;
        while (inuse[static_cast<std::size_t>(h)]) {
            h = h % handlecount + 1;
        }
        inuse[static_cast<std::size_t>(h)] = true;
        cursor = h;
        return h;
    }
    void freehandle(std::int32_t h) { inuse[static_cast<std::size_t>(h)] = false; }
    void temphandle() { freehandle(takehandle()); }
    std::int32_t handlesinuse() const {
        return static_cast<std::int32_t>(std::count(inuse.begin(), inuse.end(), true));
    }

    mdir* dirof(std::int32_t number) {
        for (auto& dir : dirs) {
            if (dir.number == number) {
                return &dir;
            }
        }
        return nullptr;
    }
    mfile* fileof(std::int32_t file, std::int32_t directory) {
        mdir* dir = directory < 0 ? nullptr : dirof(directory);
        if (dir != nullptr) {
            for (auto& f : dir->files) {
                if (f.number == file) {
                    return &f;
                }
            }
        }
        return nullptr;
    }
    mfile* filebyid(int id) {
        for (auto& dir : dirs) {
            for (auto& f : dir.files) {
                if (f.id == id) {
                    return &f;
                }
            }
        }
        return nullptr;
    }
    mchain& workof(std::int32_t handle) { return dirof(-handle)->work; }

    std::int32_t livebytes() const {
        std::int64_t live = 4;
        auto chainbytes = [](const mchain& chain) {
            std::int64_t sum = 0;
            for (const auto& f : chain) {
                sum += fieldheader + static_cast<std::int64_t>(f.data.size());
            }
            return sum;
        };
        for (const auto& dir : dirs) {
            live += nodesize + chainbytes(dir.work);
            for (const auto& f : dir.files) {
                live += nodesize + chainbytes(f.chain);
            }
        }
        return static_cast<std::int32_t>(live);
    }
};

// ---- The pool as the manager holds it -----------------------------------

struct dfield {
    std::int32_t address;
    bytes data;
};
struct dfile {
    std::int32_t address;
    std::int32_t number;
    std::vector<dfield> chain;
};
struct ddir {
    std::int32_t address;
    std::int32_t number;
    std::vector<dfile> files;
    std::vector<dfield> work;
};

struct pooldump {
    std::vector<ddir> dirs;
    std::int32_t live = 4; // bytes of live blocks, the list head included
    std::int32_t liveblocks = 0;
    std::int32_t deleted = 0; // bytes of deleted blocks
    std::int32_t runs = 0;    // runs of adjacent deleted blocks
    std::string fault;
};

class dumper {
  public:
    // The blocks alone, walked in address order: no copies of their data.
    pooldump blocks() {
        walkblocks();
        return d;
    }
    pooldump take() {
        walkblocks();
        if (d.fault.empty()) {
            walktree();
        }
        if (d.fault.empty() && (reached != d.liveblocks || reachedbytes != d.live - 4)) {
            d.fault = "live blocks that no link reaches";
        }
        return d;
    }

  private:
    pooldump d;
    std::int32_t limit = 0;
    std::int32_t reached = 0;
    std::int32_t reachedbytes = 0;

    void walkblocks() {
        MemGetVector(limit, nextfree);
        bool indeleted = false;
        std::int32_t at = 4;
        while (at < limit && d.fault.empty()) {
            const std::int32_t size = blocksize(at);
            if (size > -fieldheader && size < fieldheader) {
                d.fault = "damaged block size at " + std::to_string(at);
                return;
            }
            if (size < 0) {
                d.runs += indeleted ? 0 : 1;
                d.deleted -= size;
            } else {
                d.live += size;
                d.liveblocks += 1;
            }
            indeleted = size < 0;
            at += std::abs(size);
        }
        if (at != limit) {
            d.fault = "blocks overrun the next free address";
        }
    }

    // A reachable block must be live and inside the used part of the pool;
    // the budget stops a walk round a cycle.
    bool reach(std::int32_t block) {
        if (block < 4 || block >= limit || blocksize(block) <= 0 || reached >= d.liveblocks) {
            d.fault = "a link reaches no live block: " + std::to_string(block);
            return false;
        }
        reached += 1;
        reachedbytes += blocksize(block);
        return true;
    }

    std::vector<dfield> chain(std::int32_t first) {
        std::vector<dfield> fields;
        for (std::int32_t f = first; f != noblock && reach(f); f = nextof(f)) {
            dfield field{f, bytes(static_cast<std::size_t>(datalength(f)))};
            MemGet(field.data.data(), f + fieldheader, datalength(f));
            fields.push_back(std::move(field));
        }
        return fields;
    }

    void walktree() {
        for (std::int32_t dir = getword(listhead); dir != noblock && reach(dir);
             dir = nextof(dir)) {
            ddir node{dir, numberof(dir), {}, {}};
            if (node.number < 0) {
                node.work = chain(getword(dir + childword));
            } else {
                for (std::int32_t file = getword(dir + childword); file != noblock && reach(file);
                     file = nextof(file)) {
                    node.files.push_back(
                        dfile{file, numberof(file), chain(getword(file + childword))});
                }
            }
            d.dirs.push_back(std::move(node));
        }
    }
};

bool samechain(const mchain& expected, const std::vector<dfield>& actual) {
    if (expected.size() != actual.size()) {
        return false;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const mfield& e = expected[i];
        if (e.data.size() != actual[i].data.size()) {
            return false;
        }
        for (std::size_t b = 0; b < e.data.size(); ++b) {
            if (e.known[b] && e.data[b] != actual[i].data[b]) {
                return false;
            }
        }
    }
    return true;
}

// ---- The sequence --------------------------------------------------------

// Bytes that tell whether a getter left its variable alone.
constexpr std::uint8_t untouched = 0xA5;

class session {
  public:
    session(steering& steer, std::int32_t size, sequencestats& s)
        : choices(steer), stats(s), requested(size) {}

    std::string run(int steps, int treeevery);

  private:
    steering& choices;
    sequencestats& stats;
    std::int32_t requested;
    std::int32_t poolbytes = 0;
    model m;
    std::string fault;
    const char* operation = "start";

    // what: the text, or what makes it, called only for a failure: a step
    // checks thousands of things, and making their texts would cost more than
    // checking them.
    template <class Text> void expect(bool condition, const Text& what) {
        if (!condition && fault.empty()) {
            if constexpr (std::is_invocable_v<Text>) {
                fault = std::string(operation) + ": " + what();
            } else {
                fault = std::string(operation) + ": " + what;
            }
        }
    }

    bool room(std::int64_t size) { return m.livebytes() + size <= poolbytes; }

    // ---- choosing --------------------------------------------------------
    std::int32_t dirnumber() { return choices.between(0, 4); }
    std::int32_t count(std::int32_t elementsize) {
        const std::int32_t kind = choices.below(16);
        if (kind < 10) {
            return choices.between(0, 6);
        }
        return kind < 15 ? choices.between(7, 60) : choices.between(61, 1200) / elementsize;
    }
    template <class T> T value() {
        if constexpr (std::is_floating_point_v<T>) {
            return static_cast<T>(choices.between(-4000, 4000)) / T{8};
        } else {
            return static_cast<T>(std::int64_t{choices.between(-32768, 32767)} * 65537);
        }
    }
    template <class T> std::vector<T> values(std::int32_t n) {
        std::vector<T> v(static_cast<std::size_t>(std::max(n, 1)));
        for (auto& x : v) {
            x = value<T>();
        }
        return v;
    }

    // A visible file (the first of its number in the first directory of its
    // number), as directory and file numbers; false when there is none.
    bool pickfile(std::int32_t& file, std::int32_t& directory) {
        std::vector<std::pair<std::int32_t, std::int32_t>> visible;
        for (const auto& dir : m.dirs) {
            if (dir.number >= 0 && m.dirof(dir.number) == &dir) {
                for (const auto& f : dir.files) {
                    if (m.fileof(f.number, dir.number)->id == f.id) {
                        visible.emplace_back(f.number, dir.number);
                    }
                }
            }
        }
        if (visible.empty()) {
            return false;
        }
        const auto& chosen = visible[static_cast<std::size_t>(
            choices.below(static_cast<std::int32_t>(visible.size())))];
        file = chosen.first;
        directory = chosen.second;
        return true;
    }
    bool pickwork(std::int32_t& handle) {
        if (m.works.empty()) {
            return false;
        }
        handle = m.works[static_cast<std::size_t>(
            choices.below(static_cast<std::int32_t>(m.works.size())))];
        return true;
    }

    // Returns the read handle before its file changes under it.
    void releaseread(const mfile* file) {
        if (m.read.handle != 0 && (file == nullptr || file->id == m.read.fileid)) {
            IDMFreeHandle(m.read.handle);
            m.freehandle(m.read.handle);
            m.read = mread{};
        }
    }
    void releasereadin(const mdir& dir) {
        for (const auto& f : dir.files) {
            releaseread(&f);
        }
    }
    mchain* readchain() {
        mfile* file = m.filebyid(m.read.fileid);
        return file == nullptr ? nullptr : &file->chain;
    }

    // ---- directories and files ------------------------------------------
    void createdir() {
        operation = "IDMCreateDir";
        if (!room(nodesize)) {
            return relieve();
        }
        const std::int32_t number = dirnumber();
        m.temphandle();
        IDMCreateDir(number);
        m.dirs.push_back(mdir{number, {}, {}});
    }

    void deletedir() {
        operation = "IDMDeleteDir";
        const std::int32_t number = dirnumber();
        mdir* dir = m.dirof(number);
        if (dir == nullptr) {
            return;
        }
        releasereadin(*dir);
        IDMDeleteDir(number);
        m.dirs.erase(m.dirs.begin() + (dir - m.dirs.data()));
    }

    void createfile() {
        operation = "IDMCreateFile";
        const std::int32_t directory = dirnumber();
        mdir* dir = m.dirof(directory);
        if (dir == nullptr || !room(nodesize)) {
            return;
        }
        const std::int32_t number = choices.between(-1, 2);
        m.temphandle();
        IDMCreateFile(number, directory);
        dir->files.push_back(mfile{m.nextid++, number, {}});
    }

    void deletefile() {
        operation = "IDMDeleteFile";
        std::int32_t file = 0;
        std::int32_t directory = 0;
        if (!pickfile(file, directory)) {
            return;
        }
        mfile* f = m.fileof(file, directory);
        releaseread(f);
        m.temphandle();
        IDMDeleteFile(file, directory);
        auto& files = m.dirof(directory)->files;
        files.erase(files.begin() + (f - files.data()));
    }

    void deleterecords() {
        operation = "IDMDeleteRecords";
        std::int32_t file = 0;
        std::int32_t directory = 0;
        if (!pickfile(file, directory)) {
            return;
        }
        mfile* f = m.fileof(file, directory);
        const std::int32_t first = choices.between(0, countmarkers(f->chain) + 1);
        const std::int32_t n = choices.between(-1, 3);
        releaseread(f);
        m.temphandle();
        IDMDeleteRecords(file, directory, first, n);
        cutrecords(f->chain, recordindex(f->chain, std::max(first, 1) - 1), n);
    }

    // Out of room: make some.
    void relieve() {
        switch (choices.below(3)) {
        case 0:
            return deleterecords();
        case 1:
            return deletefile();
        default:
            return deletedir();
        }
    }

    // ---- work handles ----------------------------------------------------
    void openwork() {
        operation = "IDMOpenWork";
        if (m.works.size() >= 4 || !room(nodesize)) {
            return;
        }
        const std::int32_t expected = m.takehandle();
        std::int32_t handle = 0;
        IDMOpenWork(handle);
        expect(handle == expected, [&] {
            return "handle " + std::to_string(handle) + ", expected " + std::to_string(expected);
        });
        m.dirs.push_back(mdir{-expected, {}, {}});
        m.works.push_back(expected);
    }

    void closework() {
        operation = "IDMCloseWork";
        std::int32_t handle = 0;
        if (!pickwork(handle)) {
            return;
        }
        IDMCloseWork(handle);
        m.dirs.erase(m.dirs.begin() + (m.dirof(-handle) - m.dirs.data()));
        m.freehandle(handle);
        m.works.erase(std::find(m.works.begin(), m.works.end(), handle));
    }

    void discardwork() {
        operation = "IDMDiscardWork";
        std::int32_t handle = 0;
        if (pickwork(handle)) {
            IDMDiscardWork(handle);
            m.workof(handle).clear();
        }
    }

    // Store, insert or replace records with the fields of a work handle.
    void handon() {
        std::int32_t handle = 0;
        std::int32_t file = 0;
        std::int32_t directory = 0;
        if (!pickwork(handle) || !pickfile(file, directory)) {
            return;
        }
        mfile* f = m.fileof(file, directory);
        mchain& work = m.workof(handle);
        releaseread(f);
        const std::int32_t records = countmarkers(f->chain);
        std::size_t at = f->chain.size();
        switch (choices.below(3)) {
        case 0:
            operation = "IDMStoreWork";
            IDMStoreWork(handle, file, directory);
            break;
        case 1: {
            operation = "IDMInsertWork";
            const std::int32_t record = choices.between(0, records + 1);
            IDMInsertWork(handle, file, directory, record);
            at = recordindex(f->chain, record);
            break;
        }
        default: {
            operation = "IDMReplaceRecords";
            const std::int32_t first = choices.between(0, records + 1);
            const std::int32_t n = choices.between(0, 3);
            m.temphandle();
            IDMReplaceRecords(handle, file, directory, first, n);
            const std::size_t start = recordindex(f->chain, std::max(first, 1) - 1);
            cutrecords(f->chain, start, n);
            at = start;
        }
        }
        f->chain.insert(f->chain.begin() + static_cast<std::ptrdiff_t>(at), work.begin(),
                        work.end());
        work.clear();
    }

    template <class T, class Put> void putarray(std::int32_t handle, std::int32_t n, Put put) {
        const auto v = values<T>(n);
        if (room(fieldheader + std::int64_t{n} * std::int64_t{sizeof(T)})) {
            put(handle, v.data(), n);
            m.workof(handle).push_back(fieldof(v.data(), n));
        }
    }
    template <class T, class Fill> void fill(std::int32_t handle, std::int32_t n, Fill put) {
        const T one = value<T>();
        const std::vector<T> v(static_cast<std::size_t>(n), one);
        if (room(fieldheader + std::int64_t{n} * std::int64_t{sizeof(T)})) {
            put(handle, one, n);
            m.workof(handle).push_back(fieldof(v.data(), n));
        }
    }
    template <class T, class Put> void putone(std::int32_t handle, Put put) {
        const T one = value<T>();
        if (room(fieldheader + std::int64_t{sizeof(T)})) {
            put(handle, one);
            m.workof(handle).push_back(fieldof(&one, 1));
        }
    }

    void put() {
        operation = "IDMPut";
        std::int32_t h = 0;
        if (!pickwork(h)) {
            return;
        }
        if (m.livebytes() > poolbytes * 3 / 4) {
            relieve();
        }
        using i8 = std::int8_t;
        using i16 = std::int16_t;
        using i32 = std::int32_t;
        switch (choices.below(18)) {
        case 0:
            return putone<i8>(h, [](auto a, auto b) { IDMPut1(a, b); });
        case 1:
            return putone<i16>(h, [](auto a, auto b) { IDMPut2(a, b); });
        case 2:
            return putone<i32>(h, [](auto a, auto b) { IDMPut4(a, b); });
        case 3:
            return putone<float>(h, [](auto a, auto b) { IDMPut4(a, b); });
        case 4:
            return putone<double>(h, [](auto a, auto b) { IDMPut8(a, b); });
        case 5:
            return putarray<i8>(h, count(1), [](auto a, auto b, auto c) { IDMPutN1(a, b, c); });
        case 6:
            return putarray<i16>(h, count(2), [](auto a, auto b, auto c) { IDMPutN2(a, b, c); });
        case 7:
            return putarray<i32>(h, count(4), [](auto a, auto b, auto c) { IDMPutN4(a, b, c); });
        case 8:
            return putarray<float>(h, count(4), [](auto a, auto b, auto c) { IDMPutN4(a, b, c); });
        case 9:
            return putarray<double>(h, count(8), [](auto a, auto b, auto c) { IDMPutN8(a, b, c); });
        case 10:
            return puttext(h);
        case 11:
            return reserve(h);
        case 12:
            return fill<i8>(h, count(1), [](auto a, auto b, auto c) { IDMFillN1(a, b, c); });
        case 13:
            return fill<i16>(h, count(2), [](auto a, auto b, auto c) { IDMFillN2(a, b, c); });
        case 14:
            return fill<i32>(h, count(4), [](auto a, auto b, auto c) { IDMFillN4(a, b, c); });
        case 15:
            return fill<float>(h, count(4), [](auto a, auto b, auto c) { IDMFillN4(a, b, c); });
        case 16:
            return fill<double>(h, count(8), [](auto a, auto b, auto c) { IDMFillN8(a, b, c); });
        default:
            return endrecord(h);
        }
    }

    void puttext(std::int32_t handle) {
        const std::int32_t n = count(1);
        std::vector<char> text(static_cast<std::size_t>(n) + 1, 0);
        for (std::int32_t i = 0; i < n; ++i) {
            text[static_cast<std::size_t>(i)] = static_cast<char>(choices.between(32, 126));
        }
        if (room(fieldheader + n)) {
            IDMPutText(handle, text.data(), n);
            m.workof(handle).push_back(fieldof(text.data(), n));
        }
    }

    void reserve(std::int32_t handle) {
        const std::int32_t n = count(1);
        if (room(fieldheader + n)) {
            IDMReserve(handle, n);
            mfield field;
            field.data.assign(static_cast<std::size_t>(n), 0);
            field.known.assign(static_cast<std::size_t>(n), false);
            m.workof(handle).push_back(field);
        }
    }

    void endrecord(std::int32_t handle) {
        if (room(fieldheader)) {
            IDMEndRecord(handle);
            m.workof(handle).push_back(mfield{});
        }
    }

    // ---- read handles ----------------------------------------------------
    void passrecords(const mchain& chain, std::int32_t records) {
        mread& r = m.read;
        for (std::int32_t passed = 0; r.current < chain.size() && passed < records; ++r.current) {
            if (chain[r.current].marker()) {
                r.position = static_cast<int>(r.current);
                passed += 1;
            }
        }
        r.first = r.current;
    }

    void openread() {
        std::int32_t file = 0;
        std::int32_t directory = 0;
        if (!pickfile(file, directory)) {
            return;
        }
        releaseread(nullptr);
        mfile* f = m.fileof(file, directory);
        const std::int32_t step = choices.between(0, 2);
        const std::int32_t record = choices.between(0, countmarkers(f->chain) + 2);
        const std::int32_t field = choices.between(0, 3);
        const std::int32_t expected = m.takehandle();
        std::int32_t handle = 0;
        m.read = mread{expected, f->id, -1, 0, 0, step};
        switch (choices.below(3)) {
        case 0:
            operation = "IDMOpenFile";
            IDMOpenFile(handle, file, directory, step);
            passrecords(f->chain, 0);
            break;
        case 1:
            operation = "IDMOpenRecord";
            IDMOpenRecord(handle, record, file, directory, step);
            passrecords(f->chain, std::max(record, 1) - 1);
            break;
        default:
            operation = "IDMOpenField";
            IDMOpenField(handle, field, record, file, directory, step);
            passrecords(f->chain, std::max(record, 1) - 1);
            m.read.current = std::min(
                f->chain.size(), m.read.current + static_cast<std::size_t>(std::max(field - 1, 0)));
        }
        expect(handle == expected, [&] {
            return "read handle " + std::to_string(handle) + ", expected " +
                   std::to_string(expected);
        });
    }

    // The current field's data, or null at the end of the file.
    const mfield* currentfield() {
        const mchain* chain = readchain();
        return m.read.current < chain->size() ? &(*chain)[m.read.current] : nullptr;
    }

    // Compares what a getter or element read delivered with the model.
    void expectdelivered(bool got, const bytes& out, std::size_t wanted) {
        const mfield* field = currentfield();
        if (field == nullptr) {
            expect(!got, "delivered a field at the end");
            expect(std::all_of(out.begin(), out.end(), [](auto b) { return b == untouched; }),
                   "changed the variable at the end");
            return;
        }
        expect(got, "found no field");
        for (std::size_t b = 0; b < out.size(); ++b) {
            const bool copied = b < wanted;
            if (copied && field->known[b]) {
                expect(out[b] == field->data[b],
                       [&] { return "byte " + std::to_string(b) + " differs"; });
            } else if (!copied) {
                expect(out[b] == untouched, "copied beyond the count");
            }
        }
    }

    // A getter copies no more than the field holds, however much it asks for.
    template <class T, class Get> void get(std::int32_t n, Get call) {
        std::vector<T> v(static_cast<std::size_t>(std::max(n, 1)));
        std::memset(v.data(), untouched, v.size() * sizeof(T));
        const bool got = call(m.read.handle, v.data(), n);
        bytes out(v.size() * sizeof(T));
        std::memcpy(out.data(), v.data(), out.size());
        const mfield* field = currentfield();
        const std::size_t held = field == nullptr ? 0 : field->data.size();
        expectdelivered(got, out, std::min(static_cast<std::size_t>(n) * sizeof(T), held));
        if (got) {
            m.read.current += 1;
        }
    }

    // Counts up to a little beyond the current field, which the getters bound.
    void getfield() {
        operation = "IDMGet";
        const mfield* field = currentfield();
        const std::int32_t length =
            (field == nullptr ? 64 : static_cast<std::int32_t>(field->data.size())) + 9;
        using i8 = std::int8_t;
        using i16 = std::int16_t;
        using i32 = std::int32_t;
        const auto scalar = [](auto getter) {
            return [getter](std::int32_t h, auto* v, std::int32_t) { return getter(h, *v); };
        };
        switch (choices.below(11)) {
        case 0:
            return get<i8>(1, scalar([](i32 h, i8& v) { return IDMGet1(h, v); }));
        case 1:
            return get<i16>(1, scalar([](i32 h, i16& v) { return IDMGet2(h, v); }));
        case 2:
            return get<i32>(1, scalar([](i32 h, i32& v) { return IDMGet4(h, v); }));
        case 3:
            return get<float>(1, scalar([](i32 h, float& v) { return IDMGet4(h, v); }));
        case 4:
            return get<double>(1, scalar([](i32 h, double& v) { return IDMGet8(h, v); }));
        case 5:
            return get<i16>(choices.between(0, length / 2),
                            [](auto h, auto* v, auto n) { return IDMGetN2(h, v, n); });
        case 6:
            return get<i32>(choices.between(0, length / 4),
                            [](auto h, auto* v, auto n) { return IDMGetN4(h, v, n); });
        case 7:
            return get<float>(choices.between(0, length / 4),
                              [](auto h, auto* v, auto n) { return IDMGetN4(h, v, n); });
        case 8:
            return get<double>(choices.between(0, length / 8),
                               [](auto h, auto* v, auto n) { return IDMGetN8(h, v, n); });
        case 9:
            return get<char>(choices.between(0, length),
                             [](auto h, auto* v, auto n) { return IDMGetText(h, v, n); });
        default:
            return get<i8>(choices.between(0, length),
                           [](auto h, auto* v, auto n) { return IDMGetN1(h, v, n); });
        }
    }

    template <class T, class Element> void element(Element call) {
        const mfield* field = currentfield();
        const std::int32_t elements =
            field == nullptr ? 2 : static_cast<std::int32_t>(field->data.size() / sizeof(T));
        const std::int32_t k = choices.between(0, elements + 1);
        static constexpr std::array<const char*, 5> modes = {"W", "w", "R", "r", "x"};
        const char* mode = modes[static_cast<std::size_t>(choices.below(5))];
        const bool inside = field != nullptr && k >= 1 && k <= elements;
        const bool writing = mode[0] == 'W' || mode[0] == 'w';
        T variable{};
        std::memset(&variable, untouched, sizeof(T));
        if (writing) {
            variable = value<T>();
        }
        const T before = variable;
        const bool got = call(m.read.handle, variable, k, mode);
        expect(got == inside, [&] {
            return "element " + std::to_string(k) + " of " + std::to_string(elements) +
                   " answered " + std::to_string(got);
        });
        if (!inside || writing) {
            expect(std::memcmp(&before, &variable, sizeof(T)) == 0, "changed the variable");
        }
        if (!inside) {
            return;
        }
        const auto at = static_cast<std::size_t>(k - 1) * sizeof(T);
        if (writing) {
            mfield& target = (*readchain())[m.read.current];
            std::memcpy(target.data.data() + at, &variable, sizeof(T));
            std::fill_n(target.known.begin() + static_cast<std::ptrdiff_t>(at), sizeof(T), true);
            return;
        }
        bytes out(sizeof(T));
        std::memcpy(out.data(), &variable, sizeof(T));
        for (std::size_t b = 0; b < sizeof(T); ++b) {
            if (field->known[at + b]) {
                expect(out[b] == field->data[at + b], "element byte differs");
            }
        }
    }

    void elementaccess() {
        operation = "IDMElement";
        switch (choices.below(5)) {
        case 0:
            return element<std::int8_t>(
                [](auto h, auto& v, auto k, auto mode) { return IDMElement1(h, v, k, mode); });
        case 1:
            return element<std::int16_t>(
                [](auto h, auto& v, auto k, auto mode) { return IDMElement2(h, v, k, mode); });
        case 2:
            return element<std::int32_t>(
                [](auto h, auto& v, auto k, auto mode) { return IDMElement4(h, v, k, mode); });
        case 3:
            return element<float>(
                [](auto h, auto& v, auto k, auto mode) { return IDMElement4(h, v, k, mode); });
        default:
            return element<double>(
                [](auto h, auto& v, auto k, auto mode) { return IDMElement8(h, v, k, mode); });
        }
    }

    void move() {
        mchain& chain = *readchain();
        mread& r = m.read;
        switch (choices.below(3)) {
        case 0:
            operation = "IDMSkipField";
            IDMSkipField(r.handle);
            r.current = std::min(r.current + 1, chain.size());
            break;
        case 1:
            operation = "IDMSkipRecords";
            IDMSkipRecords(r.handle);
            if (r.step > 0) {
                passrecords(chain, r.step);
            }
            break;
        default:
            operation = "IDMDeleteRecord";
            IDMDeleteRecord(r.handle);
            if (r.first < chain.size()) {
                cutrecords(chain, r.first, 1);
                r.current = r.first;
                if (r.step > 1) {
                    passrecords(chain, r.step - 1);
                }
            }
        }
    }

    void reading() {
        if (m.read.handle == 0) {
            return openread();
        }
        switch (choices.below(6)) {
        case 0:
        case 1:
            return getfield();
        case 2:
            return elementaccess();
        case 3:
            return move();
        case 4:
            return openread();
        default:
            operation = "IDMFreeHandle";
            return releaseread(nullptr);
        }
    }

    // ---- overwriting in place --------------------------------------------
    template <class T>
    void replace(std::int32_t field, std::int32_t record, std::int32_t file, std::int32_t directory,
                 bool array) {
        mfile* f = m.fileof(file, directory);
        const std::size_t start = recordindex(f->chain, record - 1);
        const std::size_t at = start + static_cast<std::size_t>(field - 1);
        if (record < 1 || start >= f->chain.size() || at >= f->chain.size()) {
            return;
        }
        mfield& target = f->chain[at];
        const std::int32_t n = array ? choices.between(0, 4) : 1;
        const auto v = values<T>(n);
        if (static_cast<std::size_t>(n) * sizeof(T) > target.data.size()) {
            return;
        }
        m.temphandle();
        if (array) {
            IDMReplaceField(field, record, file, directory, v.data(), n);
        } else {
            IDMReplaceField(field, record, file, directory, v[0]);
        }
        if (n > 0) {
            std::memcpy(target.data.data(), v.data(), static_cast<std::size_t>(n) * sizeof(T));
            std::fill_n(target.known.begin(), static_cast<std::size_t>(n) * sizeof(T), true);
        }
    }

    void replacefield() {
        operation = "IDMReplaceField";
        std::int32_t file = 0;
        std::int32_t directory = 0;
        if (!pickfile(file, directory)) {
            return;
        }
        const std::int32_t record =
            choices.between(1, countmarkers(m.fileof(file, directory)->chain) + 1);
        const std::int32_t field = choices.between(1, 3);
        const bool array = choices.below(2) == 0;
        switch (choices.below(5)) {
        case 0:
            return replace<std::int8_t>(field, record, file, directory, array);
        case 1:
            return replace<std::int16_t>(field, record, file, directory, array);
        case 2:
            return replace<std::int32_t>(field, record, file, directory, array);
        case 3:
            return replace<float>(field, record, file, directory, array);
        default:
            return replace<double>(field, record, file, directory, array);
        }
    }

    // ---- questions ---------------------------------------------------------
    void ask() {
        operation = "counts";
        std::int32_t answer = -7;
        m.temphandle();
        IDMCountDirs(answer);
        expect(answer == std::count_if(m.dirs.begin(), m.dirs.end(),
                                       [](const mdir& d) { return d.number > 0; }),
               "IDMCountDirs");
        const std::int32_t directory = choices.between(-5, 5);
        m.temphandle();
        IDMDirExists(directory, answer);
        expect(answer == (m.dirof(directory) != nullptr ? 1 : 0), "IDMDirExists");
        const mdir* dir = directory < 0 ? nullptr : m.dirof(directory);
        m.temphandle();
        IDMCountFiles(answer, directory);
        expect(answer == (dir == nullptr ? 0 : static_cast<std::int32_t>(dir->files.size())),
               "IDMCountFiles");
        const std::int32_t file = choices.between(-2, 3);
        m.temphandle();
        IDMFileExists(file, directory, answer);
        expect(answer == (m.fileof(file, directory) != nullptr ? 1 : 0), "IDMFileExists");
        const std::int32_t handle = choices.between(-2, 8) + (choices.below(8) == 0 ? 100 : 0);
        IDMWorkExists(handle, answer);
        const bool working = std::find(m.works.begin(), m.works.end(), handle) != m.works.end();
        expect(answer == (working ? 1 : 0), "IDMWorkExists");
        std::int32_t visiblefile = 0;
        std::int32_t visibledir = 0;
        if (pickfile(visiblefile, visibledir)) {
            m.temphandle();
            IDMCountRecords(visiblefile, visibledir, answer);
            expect(answer == countmarkers(m.fileof(visiblefile, visibledir)->chain),
                   "IDMCountRecords");
        }
    }

    // A block smaller than its header is refused: no address, nothing changed
    // (the dump after the step compares the rest of the pool).
    void allocaterefused() {
        operation = "IDMAlloc";
        std::int32_t address = 0;
        IDMAlloc(address, choices.between(-20, fieldheader - 1));
        expect(address == noblock, [&] { return "gave address " + std::to_string(address); });
    }

    // ---- agreement after every step ----------------------------------------
    // The blocks and the handle count, which any damage to the pool's layout
    // or a lost handle shows at once.
    void compareblocks(const pooldump& d) {
        operation = "after the step";
        expect(d.fault.empty(), d.fault);
        expect(d.live == m.livebytes(), [&] {
            return "live bytes " + std::to_string(d.live) + ", model " +
                   std::to_string(m.livebytes());
        });
        std::int32_t inuse = 0;
        IDMHandleCount(inuse);
        expect(inuse == m.handlesinuse(), "handles in use");
    }

    // The whole tree, every field's data and every handle's place.
    void compare(const pooldump& d) {
        compareblocks(d);
        expect(d.dirs.size() == m.dirs.size(), "directory count");
        for (std::size_t i = 0; fault.empty() && i < d.dirs.size(); ++i) {
            const ddir& dd = d.dirs[i];
            const mdir& md = m.dirs[i];
            expect(dd.number == md.number, "directory number");
            expect(samechain(md.work, dd.work),
                   [&] { return "work fields of directory " + std::to_string(md.number); });
            expect(dd.files.size() == md.files.size(), "file count");
            for (std::size_t j = 0; fault.empty() && j < dd.files.size(); ++j) {
                expect(dd.files[j].number == md.files[j].number, "file number");
                expect(samechain(md.files[j].chain, dd.files[j].chain), [&] {
                    return "fields of file " + std::to_string(md.files[j].number) +
                           " in directory " + std::to_string(md.number);
                });
            }
        }
        if (fault.empty()) {
            comparehandles(d);
        }
    }

    void comparehandles(const pooldump& d) {
        for (std::size_t i = 0; i < d.dirs.size(); ++i) {
            const ddir& dir = d.dirs[i];
            if (dir.number >= 0) {
                comparereadhandle(dir, m.dirs[i]);
                continue;
            }
            const handlefields& h = handleof(-dir.number);
            expect(h.inuse == -dir.number && h.tag == dir.number, "work handle in use");
            expect(h.position ==
                       (dir.work.empty() ? dir.address + childword : dir.work.back().address),
                   "work handle position");
            expect(h.first == (dir.work.empty() ? noblock : dir.work.front().address),
                   "work handle first");
        }
    }

    void comparereadhandle(const ddir& dir, const mdir& model) {
        const mread& r = m.read;
        for (std::size_t j = 0; r.handle != 0 && j < dir.files.size(); ++j) {
            if (model.files[j].id != r.fileid) {
                continue;
            }
            const auto& chain = dir.files[j].chain;
            auto addressof = [&chain](std::size_t index) {
                return index < chain.size() ? chain[index].address : noblock;
            };
            const handlefields& h = handleof(r.handle);
            expect(h.inuse == r.handle && h.tag == r.step, "read handle in use");
            expect(h.position == (r.position < 0 ? dir.files[j].address + childword
                                                 : addressof(static_cast<std::size_t>(r.position))),
                   "read handle position");
            expect(h.first == addressof(r.first), "read handle first");
            expect(h.current == addressof(r.current), "read handle current");
        }
    }

    void step() {
        switch (choices.below(20)) {
        case 0:
            return createdir();
        case 1:
            return deletedir();
        case 2:
        case 3:
            return createfile();
        case 4:
            return deletefile();
        case 5:
            return deleterecords();
        case 6:
            return openwork();
        case 7:
            return closework();
        case 8:
            return discardwork();
        case 9:
        case 10:
            return handon();
        case 11:
        case 12:
        case 13:
            return reading();
        case 14:
            return replacefield();
        case 15:
            return choices.below(4) == 0 ? allocaterefused() : ask();
        default:
            return put();
        }
    }

    void finish() {
        releaseread(nullptr);
        for (const std::int32_t handle : m.works) {
            IDMCloseWork(handle);
        }
        std::int32_t status = 0;
        IDMExit(status);
        expect(status == 1, "IDMExit failed");
    }
};

std::string session::run(int steps, int treeevery) {
    std::int32_t status = 0;
    IDMInit(requested, status);
    if (status != 1) {
        return "IDMInit failed";
    }
    MemGetVector(poolbytes, poolsize);
    std::int32_t inuse = 0;
    IDMHandleCount(inuse);
    expect(inuse == 0, "handles left in use before the sequence");
    IDMGetHandle(m.cursor);
    IDMFreeHandle(m.cursor);
    pooldump before = dumper().blocks();
    for (int i = 0; i < steps && fault.empty() && !choices.exhausted(); ++i) {
        step();
        stats.steps += 1;
        const bool last = i + 1 == steps || choices.exhausted();
        const bool whole = last || (i + 1) % treeevery == 0;
        pooldump after = whole ? dumper().take() : dumper().blocks();
        if (after.deleted < before.deleted) { // only an allocation that compacted reclaims
            stats.compactions += 1;
            stats.mostruns = std::max(stats.mostruns, before.runs);
            stats.multipass += before.runs > 10 ? 1 : 0;
        }
        if (whole) {
            compare(after);
        } else {
            compareblocks(after);
        }
        if (!fault.empty()) {
            fault = "step " + std::to_string(i) + ", " + fault;
        }
        before = std::move(after);
    }
    finish();
    return fault;
}

} // namespace

std::string runsequence(steering& choices, int steps, std::int32_t poolbytes, sequencestats& stats,
                        int treeevery) {
    return session(choices, poolbytes, stats).run(steps, std::max(treeevery, 1));
}

} // namespace idmtest
