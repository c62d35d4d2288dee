// Values under HKEY_LOCAL_MACHINE. Keys are opened, never created: the
// launcher changes only what an installer has already set up.
#include "platform/errors.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_ports.h"

namespace ktr::win32 {
namespace {

// A leading backslash marks a path from the root; RegOpenKeyExA wants none.
std::string SubKey(const std::string& key) {
  std::size_t begin = key.find_first_not_of('\\');
  return begin == std::string::npos ? std::string() : key.substr(begin);
}

RegKey OpenKey(const std::string& key, REGSAM access, LONG& status) {
  RegKey opened;
  status = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, SubKey(key).c_str(), 0, access, opened.put());
  if (status != ERROR_SUCCESS) opened.release();
  return opened;
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

// Read access only: an ordinary user is refused more under this root, and a
// refusal would read as an empty value.
std::optional<std::string> Win32Registry::read_string(const std::string& key,
                                                      const std::string& value) {
  LONG status;
  RegKey opened = OpenKey(key, KEY_READ, status);
  if (!opened) return std::nullopt;
  for (;;) {
    DWORD type = 0;
    DWORD size = 0;
    status = ::RegQueryValueExA(opened.get(), value.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) return std::nullopt;
    if (!IsText(type)) throw RegistryError::InvalidDataType(value);
    std::string data(size, '\0');
    status = ::RegQueryValueExA(opened.get(), value.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &size);
    if (status == ERROR_MORE_DATA) continue;  // it grew between the two calls
    if (status != ERROR_SUCCESS) return std::nullopt;
    if (!IsText(type)) throw RegistryError::InvalidDataType(value);
    data.resize(size);
    // The stored text may or may not carry its terminating zero.
    if (auto zero = data.find('\0'); zero != std::string::npos) data.resize(zero);
    return data;
  }
}

void Win32Registry::write_string(const std::string& key, const std::string& value,
                                 const std::string& data) {
  LONG status;
  RegKey opened = OpenKey(key, KEY_SET_VALUE, status);
  if (!opened) throw RegistryError::SetDataFailed(value, static_cast<unsigned long>(status));
  status = ::RegSetValueExA(opened.get(), value.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>(data.size() + 1));
  if (status != ERROR_SUCCESS) {
    throw RegistryError::SetDataFailed(value, static_cast<unsigned long>(status));
  }
}

RegDeleteResult Win32Registry::delete_value(const std::string& key, const std::string& value) {
  LONG status;
  RegKey opened = OpenKey(key, KEY_SET_VALUE, status);
  if (!opened) {
    return status == ERROR_FILE_NOT_FOUND ? RegDeleteResult::kKeyMissing
                                          : RegDeleteResult::kRefused;
  }
  status = ::RegDeleteValueA(opened.get(), value.c_str());
  if (status == ERROR_SUCCESS) return RegDeleteResult::kDeleted;
  if (status == ERROR_FILE_NOT_FOUND) return RegDeleteResult::kValueMissing;
  return RegDeleteResult::kRefused;
}

}  // namespace ktr::win32
