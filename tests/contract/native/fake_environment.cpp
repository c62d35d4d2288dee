// The contract suites' environment over the in-memory host.
#include <string>
#include <vector>

#include "testing/fake_host.h"
#include "tests/contract/contract_env.h"

namespace ktr::contract {
namespace {

class FakeEnvironment : public Environment {
 public:
  FakeEnvironment() {
    host_.files.add_folder(scratch_);
    host_.files.add_file(host_.files.program_path(), "MZ");
    host_.processes.require_program_file = true;
    host_.processes.during_wait = [this](const std::string&) { Record(); };
    host_.processes.on_start = [this](const std::string&) { Record(); };
  }

  Host host() override { return host_.host(); }
  Integrity& integrity() override { return host_.integrity; }
  const std::string& scratch() const override { return scratch_; }
  const std::string& scratch_key() const override { return key_; }

  void make_folder(const std::string& path) override { host_.files.add_folder(path); }
  void make_file(const std::string& path, const std::string& bytes) override {
    host_.files.add_file(path, bytes);
  }
  // The fake keeps DOS times only, so the cut to an even second happens here.
  void set_local_write_time(const std::string& path, int year, int month, int day, int hour,
                            int minute, int second) override {
    const fake::FakeFiles::File* file = host_.files.file(path);
    ASSERT_NE(file, nullptr) << path;
    DosDateTime when;
    when.date = static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
    when.time = static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
    host_.files.add_file(path, file->bytes, file->attributes, when);
  }

  bool read_only_refuses_writing() override { return true; }

  bool keeps_descriptors() override { return true; }

  std::vector<std::string> names_in(const std::string& folder) override {
    return host_.files.names_in(folder);
  }
  // What Windows reports for the protection the fake recorded; a file
  // without one shows the folder's inherited entries.
  std::string security_of(const std::string& path) override {
    const fake::FakeFiles::File* file = host_.files.file(path);
    if (file == nullptr) return {};
    if (file->protection == FileProtection::kAdministrators) {
      return "O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
    }
    return "O:BAD:AI(A;ID;FA;;;BA)(A;ID;0x1301bf;;;AU)";
  }

  void make_key(const std::string& key) override { host_.registry.add_key(key); }
  bool key_exists(const std::string& key) override { return host_.registry.has_key(key); }
  void set_value(const std::string& key, const std::string& value, ValueType type,
                 const std::string& data) override {
    using Type = fake::FakeRegistry::Type;
    Type fake_type = type == ValueType::kExpandString ? Type::kExpandString
                     : type == ValueType::kDword      ? Type::kDword
                                                      : Type::kString;
    host_.registry.set(key, value, data, fake_type);
  }

  void make_program(const std::string& path, int exit_code, int) override {
    host_.files.add_file(path, "MZ stub");
    host_.processes.set_exit_code(path, exit_code);
    programs_.push_back({path, exit_code});
  }

  std::vector<ProgramRun> runs_of(const std::string& path, std::size_t) override {
    return ParseRecord(host_.files.contents(RecordPathOf(path)).value_or(std::string()));
  }

 private:
  struct Program {
    std::string path;
    int exit_code;
  };

  // Writes what the stub would: the fake "runs" nothing else.
  void Record() {
    const fake::FakeProcesses::Run& run = host_.processes.runs.back();
    for (const Program& program : programs_) {
      if (!host_.files.same_path(program.path, run.program)) continue;
      std::string log = RecordPathOf(program.path);
      std::string pid = std::to_string(++pid_);
      std::string text = host_.files.contents(log).value_or(std::string());
      text += "event=started\ttime=0\tpid=" + pid + "\tprogram=" + program.path +
              "\tcwd=" + run.current_directory + "\tshow=" + std::to_string(run.show) +
              "\tcommand_line=" + run.command_line + "\r\n";
      text += "event=ended\ttime=0\tpid=" + pid +
              "\texit_code=" + std::to_string(program.exit_code) + "\r\n";
      host_.files.add_file(log, text);
    }
  }

  fake::FakeHost host_;
  std::string scratch_ = "C:\\users\\tester\\Temp\\ktr-contract";
  std::string key_ = "Software\\KtrContract\\run";
  std::vector<Program> programs_;
  int pid_ = 100;
};

}  // namespace

std::unique_ptr<Environment> MakeEnvironment() { return std::make_unique<FakeEnvironment>(); }

}  // namespace ktr::contract
