#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

#include "tools/ktrmedium/strings/translation_file.h"

namespace ktr::tools::strings {
namespace {

constexpr const char* kNamespace = "urn:oasis:names:tc:xliff:document:1.2";

const xmlChar* X(const char* text) { return reinterpret_cast<const xmlChar*>(text); }

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

bool Is(const xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE &&
         std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0 && node->ns &&
         std::strcmp(reinterpret_cast<const char*>(node->ns->href), kNamespace) == 0;
}

std::string Attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, X(name));
  if (!value) return {};
  std::string text(reinterpret_cast<char*>(value));
  xmlFree(value);
  return text;
}

// The text of an element that holds nothing but text; false when it holds
// markup, which MultiLang.ini cannot carry.
bool PlainText(xmlNode* node, std::string& text) {
  text.clear();
  for (xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
      text += reinterpret_cast<const char*>(child->content);
    } else if (child->type != XML_COMMENT_NODE) {
      return false;
    }
  }
  return true;
}

}  // namespace

void WriteXliff(const std::filesystem::path& path, const TranslationFile& file) {
  std::unique_ptr<xmlDoc, DocFree> doc(xmlNewDoc(X("1.0")));
  xmlNode* root = xmlNewNode(nullptr, X("xliff"));
  xmlNs* ns = xmlNewNs(root, X(kNamespace), nullptr);
  xmlSetNs(root, ns);
  xmlDocSetRootElement(doc.get(), root);
  xmlNewProp(root, X("version"), X("1.2"));
  xmlNode* xfile = xmlNewChild(root, ns, X("file"), nullptr);
  const std::string original = "ImgData/" + file.language + "/MultiLang.ini";
  xmlNewProp(xfile, X("original"), X(original.c_str()));
  xmlNewProp(xfile, X("datatype"), X("plaintext"));
  xmlNewProp(xfile, X("source-language"), X("en"));
  if (!file.is_template) xmlNewProp(xfile, X("target-language"), X(file.tag.c_str()));
  xmlNode* body = xmlNewChild(xfile, ns, X("body"), nullptr);
  for (const Entry& entry : file.entries) {
    xmlNode* unit = xmlNewChild(body, ns, X("trans-unit"), nullptr);
    xmlNewProp(unit, X("id"), X(entry.key.c_str()));
    xmlNodeSetSpacePreserve(unit, 1);
    xmlNode* source = xmlNewTextChild(unit, ns, X("source"), X(entry.source.c_str()));
    if (entry.own_source) xmlNodeSetLang(source, X(file.tag.c_str()));
    if (!file.is_template) {
      xmlNode* target = xmlNewTextChild(unit, ns, X("target"), X(entry.text.c_str()));
      xmlNewProp(target, X("state"), X(entry.text.empty() ? "needs-translation" : "translated"));
    }
    xmlNewTextChild(unit, ns, X("note"), X(entry.note.c_str()));
  }
  std::filesystem::path temporary = path;
  temporary += ".part";
  if (xmlSaveFormatFileEnc(temporary.c_str(), doc.get(), "UTF-8", 1) < 0) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("cannot write " + path.string());
  }
  std::filesystem::rename(temporary, path);
}

void ReadXliff(const std::filesystem::path& path, TranslationFile& file,
               std::vector<FileProblem>& problems) {
  // No network and no external entities: a translation file names nothing
  // that the import should fetch.
  std::unique_ptr<xmlDoc, DocFree> doc(xmlReadFile(
      path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc) {
    const xmlError* error = xmlGetLastError();
    std::string message = error && error->message ? error->message : "not XML";
    while (!message.empty() && message.back() == '\n') message.pop_back();
    problems.push_back(
        {error ? static_cast<std::size_t>(error->line) : 0, "", "not an XML file: " + message});
    return;
  }
  xmlNode* root = xmlDocGetRootElement(doc.get());
  if (!root || !Is(root, "xliff") || Attribute(root, "version") != "1.2") {
    problems.push_back({0, "", "not an XLIFF 1.2 file"});
    return;
  }
  for (xmlNode* xfile = root->children; xfile; xfile = xfile->next) {
    if (!Is(xfile, "file")) continue;
    for (xmlNode* body = xfile->children; body; body = body->next) {
      if (!Is(body, "body")) continue;
      for (xmlNode* unit = body->children; unit; unit = unit->next) {
        if (unit->type != XML_ELEMENT_NODE) continue;
        Entry entry;
        entry.line = static_cast<std::size_t>(xmlGetLineNo(unit));
        if (!Is(unit, "trans-unit")) {
          problems.push_back({entry.line, "",
                              "a group or other element in the body: only "
                              "trans-unit elements are read"});
          continue;
        }
        entry.key = Attribute(unit, "id");
        bool has_target = false;
        bool markup = false;
        for (xmlNode* part = unit->children; part; part = part->next) {
          if (Is(part, "source")) {
            markup = markup || !PlainText(part, entry.source);
          } else if (Is(part, "target")) {
            has_target = true;
            markup = markup || !PlainText(part, entry.text);
            const std::string state = Attribute(part, "state");
            entry.untranslated = state == "new" || state == "needs-translation";
            entry.fuzzy = state.starts_with("needs-") && !entry.untranslated;
          }
        }
        if (markup) {
          problems.push_back({entry.line, entry.key,
                              "inline markup in a source or target: MultiLang.ini holds "
                              "plain text only"});
          continue;
        }
        if (file.is_template) {
          entry.text = entry.source;
          entry.untranslated = entry.text.empty();
        } else {
          entry.untranslated = entry.untranslated || !has_target || entry.text.empty();
        }
        file.entries.push_back(std::move(entry));
      }
    }
  }
}

}  // namespace ktr::tools::strings
