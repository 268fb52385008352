#include "tools/cell/arguments.h"

#include "tools/cell/fat.h"

#include <cstdio>
#include <exception>

namespace cell {

arguments::arguments(int argc, char** argv) : items_(argv + (argc > 0 ? 1 : 0), argv + argc) {}

bool arguments::flag(std::string_view name) {
    const auto before = items_.size();
    std::erase(items_, std::string(name));
    return items_.size() != before;
}

std::vector<std::string> arguments::values(std::string_view name) {
    std::vector<std::string> found, rest;
    const std::string prefix = std::string(name) + "=";
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i] == name) {
            if (i + 1 == items_.size())
                throw usageerror(std::string(name) + " needs a value");
            found.push_back(items_[++i]);
        } else if (items_[i].starts_with(prefix)) {
            found.push_back(items_[i].substr(prefix.size()));
        } else {
            rest.push_back(items_[i]);
        }
    }
    items_ = std::move(rest);
    return found;
}

std::optional<std::string> arguments::value(std::string_view name) {
    auto found = values(name);
    if (found.size() > 1)
        throw usageerror(std::string(name) + " given more than once");
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::vector<std::string> arguments::positional(std::size_t count) {
    for (const auto& item : items_)
        if (item.size() > 1 && item.starts_with("-"))
            throw usageerror("unknown option " + item);
    if (items_.size() != count)
        throw usageerror("expected " + std::to_string(count) +
                         (count == 1 ? " argument, got " : " arguments, got ") +
                         std::to_string(items_.size()));
    return items_;
}

int runcommand(const char* name, const char* usage, int argc, char** argv,
               int (*body)(arguments& args)) {
    try {
        arguments args(argc, argv);
        if (args.flag("--help")) {
            std::fputs(usage, stdout);
            return 0;
        }
        return body(args);
    } catch (const usageerror& e) {
        std::fprintf(stderr, "cell %s: %s\n%s", name, e.what(), usage);
        return 2;
    } catch (const fat::damaged& e) {
        std::fprintf(stderr, "cell %s: %s\n", name, e.what());
        return 4;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cell %s: %s\n", name, e.what());
        return 1;
    }
}

} // namespace cell
