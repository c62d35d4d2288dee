#pragma once
// Small file helpers for the Wine-side tests, apart from the ports under test.
#include <string>

namespace ktr::contract {

// The folder of the running test program, where the stub program lies too.
std::string ContractProgramFolder();
bool WriteWholeFile(const std::string& path, const std::string& bytes);
// Empty when the file cannot be read; shares it with writers.
std::string ReadWholeFile(const std::string& path);
// Copies the stub program to `path` and writes its settings next to it.
bool PlaceStub(const std::string& path, const std::string& settings);

}  // namespace ktr::contract
