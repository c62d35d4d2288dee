// Authenticode signing of the medium's Windows programs with osslsigncode,
// for the release engineer's certificate (a PKCS#12 file and a file that
// holds its password). Runs on the build machine only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace ktr::tools {

struct SigningKey {
  std::filesystem::path pkcs12;
  std::filesystem::path password_file;
  // Empty: no time stamp, and the signature carries kFixedSigningTime, so
  // that the same program signed with the same certificate gives the same
  // bytes. Otherwise the address of an RFC 3161 time-stamping service.
  std::string timestamp_url;
};

// 2000-01-01 00:00:00 UTC. Without a time stamp Windows judges the
// certificate by the time of the check, never by this claim of the signer.
inline constexpr std::int64_t kFixedSigningTime = 946684800;

struct Outcome {
  bool ok = false;
  std::string message;  // why it failed; the tool's report when verifying
};

// Signs PROGRAM in place with SHA-256. The signed program is written beside
// it and moved over it only when signing succeeded: on any failure the
// program is left as it was. A signature already there is replaced.
Outcome SignProgram(const std::filesystem::path& program, const SigningKey& key);

// Checks the signature of PROGRAM against the certificate authorities of
// CA_FILE (PEM); ok only when the signature is intact and chains to one of
// them. A certificate that names a revocation list has it fetched.
Outcome VerifyProgram(const std::filesystem::path& program, const std::filesystem::path& ca_file);

// The disc-image step: signs the staged copy of the launcher in the root of
// STAGED_MEDIUM ("KtrSetup.exe", which must be there) and of the tools'
// program ("ktrmedium.exe") when it is there. Names are matched without
// regard to letter case, as on the medium.
Outcome SignStagedPrograms(const std::filesystem::path& staged_medium, const SigningKey& key);

// Takes the signing option at ARGS[I] ("--pkcs12 FILE", "--password-file
// FILE", "--timestamp URL") into KEY and moves I past it. False when
// ARGS[I] is no signing option; an option without its value sets ERROR.
bool TakeSigningOption(const std::vector<std::string>& args, std::size_t& i, SigningKey& key,
                       std::string& error);

// The arguments of a command that takes the signing options and exactly one
// path (a program, a folder: `what`); empty when they are complete, else
// what is wrong with them.
std::string ParseSigningCommand(const std::vector<std::string>& args, const char* what,
                                SigningKey& key, std::string& path);

// "ktrmedium sign PROGRAM.exe --pkcs12 CERT.p12 --password-file FILE
// [--timestamp URL]", given the arguments after "sign". Returns the exit
// code: 0 signed, 1 signing failed, 2 usage.
int RunSignCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ktr::tools
