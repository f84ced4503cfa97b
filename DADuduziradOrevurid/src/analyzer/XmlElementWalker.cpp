#include "analyzer/XmlElementWalker.h"

#include <libxml/parser.h>

#include <climits>
#include <cstring>

namespace Qva {
namespace {

Qve::QVEstring Upper(const char* text) {
  Qve::QVEstring result = text != nullptr ? text : "";
  Qve::ToUpper(result);
  return result;
}

const char* Name(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

}  // namespace

XmlElementWalker::~XmlElementWalker() { Release(); }

bool XmlElementWalker::Parse(const char* text, size_t length) {
  Release();
  if (text == nullptr || length > static_cast<size_t>(INT_MAX)) return false;
  doc_ = xmlReadMemory(text, static_cast<int>(length), "noname.xml", nullptr, 0);
  return doc_ != nullptr;
}

bool XmlElementWalker::ParseQuietly(const char* text, size_t length, Qve::QVEstring& error,
                                    int& line) {
  Release();
  error.clear();
  line = 0;
  if (text == nullptr || length > static_cast<size_t>(INT_MAX)) {
    error = "text too large";
    return false;
  }
  xmlParserCtxtPtr context = xmlNewParserCtxt();
  if (context == nullptr) {
    error = "out of memory";
    return false;
  }
  doc_ = xmlCtxtReadMemory(context, text, static_cast<int>(length), "noname.xml", nullptr,
                           XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NONET);
  if (doc_ == nullptr) {
    const xmlError* last = xmlCtxtGetLastError(context);
    error = last != nullptr && last->message != nullptr ? last->message : "not well-formed";
    while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
    line = last != nullptr ? last->line : 0;
  }
  xmlFreeParserCtxt(context);
  return doc_ != nullptr;
}

void XmlElementWalker::AddHandler(const Qve::QVEstring& name, Handler handler, void* context) {
  handlers_[Upper(name.c_str())] = {std::move(handler), context};
}

void XmlElementWalker::Walk() {
  if (doc_ == nullptr) return;
  xmlNode* root = xmlDocGetRootElement(doc_);
  if (root != nullptr) WalkElement(root);
}

void XmlElementWalker::WalkElement(xmlNode* element) {
  auto found = handlers_.find(Upper(Name(element)));
  if (found != handlers_.end()) {
    found->second.first(element, found->second.second);
    return;
  }
  for (xmlNode* child = element->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) WalkElement(child);
  }
}

void XmlElementWalker::Release() {
  if (doc_ != nullptr) xmlFreeDoc(doc_);
  doc_ = nullptr;
}

Qve::QVEstring XmlElementWalker::ElementText(const xmlNode* element) {
  // Only character data counts: a comment or processing instruction in front of the text
  // leaves the element without one.
  const xmlNode* child = element->children;
  if (child == nullptr || child->content == nullptr) return {};
  if (child->type != XML_TEXT_NODE && child->type != XML_CDATA_SECTION_NODE) return {};
  return reinterpret_cast<const char*>(child->content);
}

Qve::QVEstring XmlElementWalker::Attribute(const xmlNode* element, const char* name, bool* found) {
  xmlChar* value = xmlGetNoNsProp(element, reinterpret_cast<const xmlChar*>(name));
  if (found != nullptr) *found = value != nullptr;
  if (value == nullptr) return {};
  Qve::QVEstring result = reinterpret_cast<const char*>(value);
  xmlFree(value);
  return result;
}

xmlNode* XmlElementWalker::FindElement(xmlNode* element, const char* name) {
  for (xmlNode* child = element->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE) continue;
    if (std::strcmp(Name(child), name) == 0) return child;
    if (xmlNode* found = FindElement(child, name)) return found;
  }
  return nullptr;
}

}  // namespace Qva
