#pragma once
// Command-line arguments of one subcommand: options are taken out by name
// ("--name VALUE" or "--name=VALUE"), whatever is left must be positional.
// Mistakes throw usageerror.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace cell {

struct usageerror : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class arguments {
  public:
    arguments(int argc, char** argv); // argv[0] is the subcommand's name
    bool flag(std::string_view name); // --name present (taken out)
    std::optional<std::string> value(std::string_view name);
    std::vector<std::string> values(std::string_view name); // every occurrence
    // The positional arguments, exactly count of them; any option left is unknown.
    std::vector<std::string> positional(std::size_t count);

  private:
    std::vector<std::string> items_;
};

// Runs a subcommand's body: --help prints the usage text and succeeds; a
// usageerror prints the message and the usage on standard error (status 2);
// a damaged floppy image prints "cell NAME: message" there (status 4, as
// for damaged data), any other exception the same with status 1.
int runcommand(const char* name, const char* usage, int argc, char** argv,
               int (*body)(arguments& args));

} // namespace cell
