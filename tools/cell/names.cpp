#include "tools/cell/names.h"

namespace cell {

std::string namefault(std::string_view name) {
    if (name.size() > namelimit)
        return "the name has more than 200 characters";
    return ::namefault(name);
}

} // namespace cell
