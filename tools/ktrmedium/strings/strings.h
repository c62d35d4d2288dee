#pragma once
// `ktrmedium strings export|import`: the medium's MultiLang.ini files as
// translators' files (PO or XLIFF, one per language) and back, changing no
// byte of a file that no translation changed.
#include <string>
#include <vector>

namespace ktr::tools {

// Exit code 0 done, 1 with errors (nothing written), 2 when it cannot run.
int RunStrings(const std::vector<std::string>& args);

}  // namespace ktr::tools
