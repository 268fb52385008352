#include "tools/cell/scan.h"

#include "tools/cell/names.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <stdexcept>

namespace cell {

namespace {

namespace fs = std::filesystem;

struct filestamp {
    std::uint64_t lastaccess = 0, lastwrite = 0;
};

filestamp stamps(const fs::path& path) {
#ifdef _WIN32
    struct _stat64 st {};
    if (_stat64(path.string().c_str(), &st) != 0)
        throw std::runtime_error(path.string() + ": cannot read its times");
    return {filetimefromunix(st.st_atime, 0), filetimefromunix(st.st_mtime, 0)};
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw std::runtime_error(path.string() + ": cannot read its times");
    return {filetimefromunix(st.st_atim.tv_sec, static_cast<std::uint32_t>(st.st_atim.tv_nsec)),
            filetimefromunix(st.st_mtim.tv_sec, static_cast<std::uint32_t>(st.st_mtim.tv_nsec))};
#endif
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// "docs/old\" and "\docs\old" both become "docs\old"; the root becomes "".
std::string cleankey(std::string dir) {
    std::replace(dir.begin(), dir.end(), '/', '\\');
    const auto first = dir.find_first_not_of('\\');
    if (first == std::string::npos)
        return {};
    return dir.substr(first, dir.find_last_not_of('\\') - first + 1);
}

class walker {
  public:
    walker(const fs::path& root, const scanoptions& options) : root_(root), options_(options) {
        for (const auto& dir : options.clean)
            clean_.insert(cleankey(dir));
    }

    scanresult run() {
        if (!fs::is_directory(root_))
            throw std::runtime_error(root_.string() + ": not a directory");
        walk(root_, "");
        if (!clean_.empty())
            throw std::runtime_error("--clean " + *clean_.begin() + ": no such directory in " +
                                     root_.string());
        return std::move(result_);
    }

  private:
    void walk(const fs::path& dir, const std::string& key);
    void refuseclashes(const fs::path& dir, const std::vector<std::string>& names) const;
    entryinfo info(const fs::path& path, const std::string& name, std::uint64_t size) const;
    static std::string join(const std::string& key, const std::string& name) {
        return key.empty() ? name : key + "\\" + name;
    }

    fs::path root_;
    const scanoptions& options_;
    std::set<std::string> clean_; // requested and not yet met
    scanresult result_;
};

entryinfo walker::info(const fs::path& path, const std::string& name, std::uint64_t size) const {
    if (auto fault = namefault(name); !fault.empty())
        throw std::runtime_error(path.string() + ": cannot go into a distribution: " + fault);
    entryinfo entry;
    entry.name = name;
    entry.size = size;
    const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((fs::status(path).permissions() & writable) == fs::perms::none)
        entry.attributes |= attrreadonly;
    if (options_.time) {
        const auto t = filetimefromunix(*options_.time, 0);
        entry.creation = entry.lastaccess = entry.lastwrite = t;
    } else {
        const auto s = stamps(path);
        entry.creation = entry.lastwrite = s.lastwrite;
        entry.lastaccess = s.lastaccess;
    }
    return entry;
}

// Windows does not tell upper from lower case: two such names would land on
// one file.
void walker::refuseclashes(const fs::path& dir, const std::vector<std::string>& names) const {
    std::vector<std::pair<std::string, std::string>> folded;
    for (const auto& name : names)
        folded.emplace_back(upper(name), name);
    std::sort(folded.begin(), folded.end());
    for (std::size_t i = 1; i < folded.size(); ++i)
        if (folded[i].first == folded[i - 1].first)
            throw std::runtime_error((dir / folded[i].second).string() + ": cannot go into a " +
                                     "distribution beside " + folded[i - 1].second +
                                     ": Windows takes both for one name");
}

void walker::walk(const fs::path& dir, const std::string& key) {
    std::vector<std::string> files, dirs;
    for (const auto& item : fs::directory_iterator(dir)) {
        const auto name = item.path().filename().string();
        const auto type = item.symlink_status().type();
        if (type == fs::file_type::regular)
            files.push_back(name);
        else if (type == fs::file_type::directory)
            dirs.push_back(name);
        else
            result_.warnings.push_back(
                item.path().string() + ": skipped (" +
                (type == fs::file_type::symlink ? "a symbolic link" : "not a regular file") + ")");
    }
    for (const auto& name : files)
        if (name == cleanname)
            throw std::runtime_error((dir / name).string() +
                                     ": a file of this name makes the installer clear its "
                                     "directory; use --clean instead");
    for (const auto* names : {&files, &dirs})
        for (const auto& name : *names)
            if (auto fault = componentfault(name); !fault.empty())
                throw std::runtime_error((dir / name).string() +
                                         ": cannot go into a distribution: " + fault);
    std::vector<std::string> all(files);
    all.insert(all.end(), dirs.begin(), dirs.end());
    refuseclashes(dir, all);
    std::sort(files.begin(), files.end());
    std::sort(dirs.begin(), dirs.end());

    const std::string prefix = key.empty() ? "\\" : "\\" + key + "\\";
    if (clean_.erase(key) > 0)
        result_.items.push_back({info(dir, prefix + std::string(cleanname), 0), {}});
    else if (all.empty())
        result_.warnings.push_back(dir.string() + ": skipped (an empty directory)");
    for (const auto& name : files)
        result_.items.push_back(
            {info(dir / name, prefix + name, fs::file_size(dir / name)), dir / name});
    for (const auto& name : dirs)
        walk(dir / name, join(key, name));
}

} // namespace

scanresult scantree(const fs::path& root, const scanoptions& options) {
    return walker(root, options).run();
}

} // namespace cell
