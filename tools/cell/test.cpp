// cell test: decodes a distribution through the decoder ring and checks it.
#include "tools/cell/arguments.h"
#include "tools/cell/commands.h"
#include "tools/cell/names.h"
#include "tools/cell/reading.h"

#include <cctype>
#include <cstdio>
#include <set>
#include <string>

namespace cell {

namespace {

constexpr const char* usage =
    "usage: cell test DIST\n"
    "\n"
    "Decodes every volume of the distribution in DIST (a directory of volumes or\n"
    "of floppy images, or one image) as the installer does, checks the\n"
    "descriptor, reads the entries up to the total and checks every name. Prints\n"
    "one line; the status is 0 when the distribution is sound, 1 when it is not,\n"
    "4 when an image is damaged.\n";

// The names met so far, as Windows compares them: a name may not come twice,
// nor be a file and a directory at once.
class namebook {
  public:
    std::string add(const std::string& name) {
        std::string folded;
        for (const char c : name)
            folded.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (files_.contains(folded))
            return "comes twice";
        if (dirs_.contains(folded))
            return "is also a directory";
        for (auto slash = folded.find('\\', 1); slash != std::string::npos;
             slash = folded.find('\\', slash + 1)) {
            const auto dir = folded.substr(0, slash);
            if (files_.contains(dir))
                return "lies below a file";
            dirs_.insert(dir);
        }
        files_.insert(folded);
        return {};
    }

  private:
    std::set<std::string> files_, dirs_;
};

int test(arguments& args) {
    const auto paths = args.positional(1);
    try {
        distreader reader(paths[0]);
        namebook names;
        std::uint64_t count = 0;
        for (entryinfo entry; reader.next(entry); ++count) {
            auto fault = namefault(entry.name);
            if (fault.empty())
                fault = names.add(entry.name);
            if (!fault.empty())
                throw unsound("entry " + std::to_string(count + 1) + " (" + entry.name +
                              "): " + fault);
        }
        reader.finish();
        std::printf("%s: sound: %llu entries, %llu bytes in %u volume%s\n", paths[0].c_str(),
                    static_cast<unsigned long long>(count),
                    static_cast<unsigned long long>(reader.descriptor().total), reader.volumes(),
                    reader.volumes() == 1 ? "" : "s");
        return 0;
    } catch (const unsound& e) {
        std::fprintf(stderr, "%s: unsound: %s\n", paths[0].c_str(), e.what());
        return 1;
    }
}

} // namespace

int testcommand(int argc, char** argv) {
    return runcommand("test", usage, argc, argv, test);
}

} // namespace cell
