#pragma once
// The INI reading rules of GetPrivateProfileStringA over a file's text, for
// every reader that holds the text itself: the in-memory host of the tests
// and the medium checker, which must read MultiLang.ini as the launcher does.
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ktr::platform {

// The value of `key` in `section`, with the empty default, cut to fit a
// buffer of `buffer_size` characters with its terminator.
std::string ProfileValue(const std::string& text, const std::string& section,
                         const std::string& key, std::size_t buffer_size);

// Every key line of the section that ProfileValue reads, in file order, each
// with its whole value; nullopt when the text has no such section.
using ProfileLines = std::vector<std::pair<std::string, std::string>>;
std::optional<ProfileLines> ProfileSection(const std::string& text, const std::string& section);

}  // namespace ktr::platform
