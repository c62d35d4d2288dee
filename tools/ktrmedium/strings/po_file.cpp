#include <gettext-po.h>

#include <csetjmp>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <type_traits>

#include "tools/ktrmedium/strings/translation_file.h"

namespace ktr::tools::strings {
namespace {

// libgettextpo reports through a C callback that must not return on a fatal
// error; the read is the only thing on the stack between here and there.
thread_local std::vector<FileProblem>* g_problems = nullptr;
thread_local std::jmp_buf* g_fatal = nullptr;

void Report(int severity, po_message_t, const char*, std::size_t line, std::size_t, int,
            const char* text) {
  if (severity != PO_SEVERITY_WARNING && g_problems) {
    std::string message = text ? text : "unreadable";
    while (!message.empty() && message.back() == '\n') message.pop_back();
    g_problems->push_back({line == static_cast<std::size_t>(-1) ? 0 : line, "", message});
  }
  if (severity == PO_SEVERITY_FATAL_ERROR && g_fatal) std::longjmp(*g_fatal, 1);
}

void Report2(int severity, po_message_t m1, const char* f1, std::size_t l1, std::size_t c1, int ml1,
             const char* t1, po_message_t, const char*, std::size_t, std::size_t, int,
             const char* t2) {
  const std::string text = std::string(t1 ? t1 : "") + " " + (t2 ? t2 : "");
  Report(severity, m1, f1, l1, c1, ml1, text.c_str());
}

const po_xerror_handler kHandler = {Report, Report2};

struct PoFree {
  void operator()(std::remove_pointer_t<po_file_t>* file) const { po_file_free(file); }
};
struct IteratorFree {
  void operator()(std::remove_pointer_t<po_message_iterator_t>* iterator) const {
    po_message_iterator_free(iterator);
  }
};

std::string LanguageTeam(const TranslationFile& file) { return file.is_template ? "" : file.tag; }

po_file_t ReadGuarded(const char* name, std::vector<FileProblem>& problems) {
  std::jmp_buf fatal;
  g_problems = &problems;
  g_fatal = &fatal;
  po_file_t file = nullptr;
  if (setjmp(fatal) == 0) file = po_file_read(name, &kHandler);
  g_problems = nullptr;
  g_fatal = nullptr;
  return file;
}

}  // namespace

void WritePo(const std::filesystem::path& path, const TranslationFile& file) {
  std::unique_ptr<std::remove_pointer_t<po_file_t>, PoFree> po(po_file_create());
  std::unique_ptr<std::remove_pointer_t<po_message_iterator_t>, IteratorFree> iterator(
      po_message_iterator(po.get(), nullptr));
  po_message_t header = po_message_create();
  std::string fields =
      "Project-Id-Version: KTR installation medium\n"
      "Language: " +
      LanguageTeam(file) +
      "\n"
      "MIME-Version: 1.0\n"
      "Content-Type: text/plain; charset=UTF-8\n"
      "Content-Transfer-Encoding: 8bit\n";
  po_message_set_msgid(header, "");
  po_message_set_msgstr(header, fields.c_str());
  po_message_set_comments(
      header,
      ("MultiLang.ini of " + file.language + ": msgctxt is the key, msgstr the text").c_str());
  po_message_insert(iterator.get(), header);
  for (const Entry& entry : file.entries) {
    po_message_t message = po_message_create();
    po_message_set_msgctxt(message, entry.key.c_str());
    po_message_set_msgid(message, entry.source.c_str());
    po_message_set_msgstr(message, file.is_template ? "" : entry.text.c_str());
    po_message_set_extracted_comments(message, entry.note.c_str());
    po_message_insert(iterator.get(), message);
  }
  iterator.reset();
  std::filesystem::path temporary = path;
  temporary += ".part";
  std::vector<FileProblem> problems;
  g_problems = &problems;
  const po_file_t written = po_file_write(po.get(), temporary.c_str(), &kHandler);
  g_problems = nullptr;
  if (!written || !problems.empty()) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("cannot write " + path.string() +
                             (problems.empty() ? "" : ": " + problems.front().message));
  }
  std::filesystem::rename(temporary, path);
}

void ReadPo(const std::filesystem::path& path, TranslationFile& file,
            std::vector<FileProblem>& problems) {
  std::unique_ptr<std::remove_pointer_t<po_file_t>, PoFree> po(ReadGuarded(path.c_str(), problems));
  if (!po) {
    if (problems.empty()) problems.push_back({0, "", "cannot be read"});
    return;
  }
  if (!problems.empty()) return;
  const char* header = po_file_domain_header(po.get(), nullptr);
  std::string charset;
  if (header) {
    if (char* type = po_header_field(header, "Content-Type")) {
      const std::string value = type;
      std::free(type);
      const std::size_t at = value.find("charset=");
      if (at != std::string::npos) charset = value.substr(at + 8);
      while (!charset.empty() && (charset.back() == ' ' || charset.back() == ';'))
        charset.pop_back();
    }
  }
  std::string folded;
  for (char c : charset) folded += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  if (folded != "UTF-8") {
    problems.push_back({0, "",
                        charset.empty()
                            ? "the PO file names no charset; only UTF-8 is read"
                            : "the PO file's charset is " + charset + "; only UTF-8 is read"});
    return;
  }
  std::unique_ptr<std::remove_pointer_t<po_message_iterator_t>, IteratorFree> iterator(
      po_message_iterator(po.get(), nullptr));
  while (po_message_t message = po_next_message(iterator.get())) {
    if (po_message_is_obsolete(message)) continue;
    const char* context = po_message_msgctxt(message);
    const char* id = po_message_msgid(message);
    if (!context && id && *id == '\0') continue;  // the header
    Entry entry;
    entry.key = context ? context : "";
    entry.source = id ? id : "";
    const char* text = po_message_msgstr(message);
    entry.text = file.is_template ? entry.source : (text ? text : "");
    // An empty English text in the template would empty the value too.
    entry.untranslated = entry.text.empty();
    entry.fuzzy = po_message_is_fuzzy(message) != 0;
    // libgettextpo keeps no line of an entry in the PO file itself (its
    // positions are the source references): the key names the entry.
    if (po_message_msgid_plural(message)) {
      problems.push_back({entry.line, entry.key, "a plural entry: MultiLang.ini has no plurals"});
      continue;
    }
    if (!context) {
      problems.push_back({entry.line, "", "an entry without msgctxt, which names the key"});
      continue;
    }
    file.entries.push_back(std::move(entry));
  }
}

}  // namespace ktr::tools::strings
