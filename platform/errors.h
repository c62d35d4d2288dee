#pragma once
// Errors that the windows raise and the application frame reports.
// Helpers that answer by result (empty text, -1, false) never throw these.
#include <stdexcept>
#include <string>

namespace ktr {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
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
  explicit FileOpenError(const std::string& path) : Error("Cannot open file " + path) {}
};

class FileCreateError : public Error {
 public:
  explicit FileCreateError(const std::string& path) : Error("Cannot create file " + path) {}
};

class RegistryError : public Error {
 public:
  using Error::Error;
  static RegistryError SetDataFailed(const std::string& value) {
    return RegistryError("Failed to set data for '" + value + "'");
  }
  static RegistryError InvalidDataType(const std::string& value) {
    return RegistryError("Invalid data type for '" + value + "'");
  }
};

// Input/output error carrying the system's error code.
class InOutError : public Error {
 public:
  explicit InOutError(unsigned long code) : Error(TextFor(code)), code_(code) {}
  unsigned long code() const { return code_; }
  static std::string TextFor(unsigned long code);

 private:
  unsigned long code_;
};

}  // namespace ktr
