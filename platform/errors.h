#pragma once
// Errors that the windows raise and the application frame reports.
// Helpers that answer by result (empty text, -1, false) never throw these.
#include <stdexcept>
#include <string>

namespace ktr {

// The message is what the user sees; the system's error code behind the
// failure travels beside it for tests and the debugger, never in the text.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message, unsigned long system_error = 0)
      : std::runtime_error(message), system_error_(system_error) {}
  // GetLastError or the status the system gave, 0 when it gave none.
  unsigned long system_error() const { return system_error_; }

 private:
  unsigned long system_error_;
};

// A file that exists but is not a picture the decoder accepts.
class InvalidGraphic : public Error {
 public:
  InvalidGraphic() : Error("Bitmap image is not valid") {}
  explicit InvalidGraphic(const std::string& why) : Error(why) {}
};

// A file that cannot be opened for reading; the message names the full path.
class FileOpenError : public Error {
 public:
  explicit FileOpenError(const std::string& path, unsigned long system_error = 0)
      : Error("Cannot open file " + path, system_error) {}
};

class FileCreateError : public Error {
 public:
  explicit FileCreateError(const std::string& path, unsigned long system_error = 0)
      : Error("Cannot create file " + path, system_error) {}
};

class RegistryError : public Error {
 public:
  using Error::Error;
  static RegistryError SetDataFailed(const std::string& value, unsigned long system_error = 0) {
    return RegistryError("Failed to set data for '" + value + "'", system_error);
  }
  static RegistryError InvalidDataType(const std::string& value) {
    return RegistryError("Invalid data type for '" + value + "'");
  }
};

// Input/output error carrying the system's error code.
class InOutError : public Error {
 public:
  explicit InOutError(unsigned long code) : Error(TextFor(code), code), code_(code) {}
  unsigned long code() const { return code_; }
  static std::string TextFor(unsigned long code);

 private:
  unsigned long code_;
};

}  // namespace ktr
