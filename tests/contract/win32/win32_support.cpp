#include "tests/contract/win32/win32_support.h"

#include "platform/win32/unique_handle.h"

namespace ktr::contract {

using win32::FileHandle;

std::string ContractProgramFolder() {
  char path[MAX_PATH * 4];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string ReadWholeFile(const std::string& path) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char block[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), block, sizeof(block), &got, nullptr) && got > 0) {
    bytes.append(block, got);
  }
  return bytes;
}

bool PlaceStub(const std::string& path, const std::string& settings) {
  std::string stub = ContractProgramFolder() + "\\ktr_stub.exe";
  if (!CopyFileA(stub.c_str(), path.c_str(), FALSE)) return false;
  auto dot = path.find_last_of('.');
  return WriteWholeFile(path.substr(0, dot) + ".ini", settings);
}

}  // namespace ktr::contract
