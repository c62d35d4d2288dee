#pragma once
// Changes the values of one section of an INI text and nothing else: the
// lines found are the ones GetPrivateProfileStringA reads (the first section
// of the name, the first line of each key), and only the bytes of a changed
// value are replaced. Comments, key order, blanks around "=", blank lines,
// other sections, line ends and a missing final line end stay as they were.
#include <map>
#include <string>

namespace ktr::tools::strings {

// `values`: key (as the catalogue spells it) -> the value's new bytes, as
// the launcher is to read it. A key the section lacks is added at the end of
// the section, a missing section at the end of the text. A value that the
// reading rules would change (blanks at its ends, matching quotes around it)
// is written in quotes.
std::string WithValues(const std::string& text, const std::string& section,
                       const std::map<std::string, std::string>& values);

}  // namespace ktr::tools::strings
