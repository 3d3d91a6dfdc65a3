// --list-encoding, the same for the commands that write and check the list:
// the choices the core knows by name, this system's default when not given.
#pragma once

#include <CLI/CLI.hpp>
#include <iterator>
#include <string>
#include <vector>

#include "filelist/list_encoding.h"

namespace kelvarin::cli {

// Adds the option to `sub`, its choice kept in `chosen`.
inline void AddListEncodingOption(CLI::App* sub, std::string& chosen) {
    chosen = std::string(ListEncodingName(kDefaultListEncoding));
    const std::vector<std::string> names(std::begin(kListEncodingNames),
                                         std::end(kListEncodingNames));
    sub->add_option("--list-encoding", chosen,
                    "Encoding of the names in the list and in the exclusions: cp936 is code "
                    "page 936, as on Chinese Windows; system is the locale's on Linux, the "
                    "system's ANSI code page on Windows. A name it cannot hold is refused")
        ->check(CLI::IsMember(names))
        ->capture_default_str();
}

// The encoding `chosen` (checked by the option) stands for.
inline TextEncoding ChosenListEncoding(const std::string& chosen) {
    return ResolveListEncoding(ParseListEncoding(chosen).value_or(kDefaultListEncoding));
}

}  // namespace kelvarin::cli
