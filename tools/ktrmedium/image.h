#pragma once
// `ktrmedium image`: the disc that is shipped, made by xorriso from a medium
// folder that the check finds fit.
#include <cstdint>
#include <string>
#include <vector>

namespace ktr::tools {

// What the disc's root gets beside the medium: the launcher started and its
// icon shown when the disc is inserted.
std::string AutorunText();

// The volume label a disc can carry: 1 to 16 letters, digits, '_', '-' or
// blanks (Joliet keeps 16 characters).
bool IsVolumeLabel(const std::string& label);

// A file that the disc gets in place of the medium's own (a signed copy of
// a program): its path on this machine and its path in the image.
struct ImageReplacement {
  std::string source;
  std::string in_image;
};

// xorriso's arguments for writing `iso` from `folder`, every date set to
// `epoch` so that the same folder gives the same bytes.
std::vector<std::string> XorrisoArguments(const std::string& folder, const std::string& autorun,
                                          const std::string& iso, const std::string& label,
                                          std::int64_t epoch,
                                          const std::vector<ImageReplacement>& replacements = {});

int RunImage(const std::vector<std::string>& args);

}  // namespace ktr::tools
