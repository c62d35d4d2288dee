#pragma once
// `ktrmedium check`: the whole medium read the way the launcher reads it, in
// each of its four languages.
#include <string>
#include <vector>

#include "tools/ktrmedium/findings.h"

namespace ktr::tools {

class MediumTree;

CheckResult CheckMedium(MediumTree& tree);

// The command: exit code 0 clean, 1 with errors, 2 when the check could not
// run.
int RunCheck(const std::vector<std::string>& args);

}  // namespace ktr::tools
