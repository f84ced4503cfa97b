// A libxml2 document with element handlers looked up by upper-cased element name.
#pragma once

#include <libxml/tree.h>

#include <cstddef>
#include <functional>
#include <map>

#include "QVEString.h"

namespace Qva {

class XmlElementWalker {
 public:
  using Handler = std::function<void(xmlNode* element, void* context)>;

  XmlElementWalker() = default;
  ~XmlElementWalker();  // releases the document
  XmlElementWalker(const XmlElementWalker&) = delete;
  XmlElementWalker& operator=(const XmlElementWalker&) = delete;

  // Parses `text` from memory (URL "noname.xml", no encoding, no options: libxml2 reports a
  // malformed text on stderr itself). Returns false when it does not parse; a document parsed
  // before is released first.
  bool Parse(const char* text, size_t length);
  // As Parse, but silent and without network access: on failure `error` receives libxml2's
  // message (without its line feed) and `line` the line it names.
  bool ParseQuietly(const char* text, size_t length, Qve::QVEstring& error, int& line);
  // Registers `handler` under the upper-cased `name`, replacing an earlier one.
  void AddHandler(const Qve::QVEstring& name, Handler handler, void* context);
  // From the root element, depth-first in document order: an element whose upper-cased name
  // has a handler is passed to it (element, context) and its subtree is not walked further;
  // any other element's child elements are walked.
  void Walk();
  void Release();
  xmlDoc* GetDocument() const { return doc_; }

  // Text of an element: the content of its first child node when that is a text or CDATA node;
  // empty otherwise (no children, or a comment or processing instruction first).
  static Qve::QVEstring ElementText(const xmlNode* element);
  // Value of attribute `name` (case-sensitive), empty when absent; `found` (optional) tells
  // whether it exists.
  static Qve::QVEstring Attribute(const xmlNode* element, const char* name, bool* found = nullptr);
  // First element named `name` (case-sensitive) in `element`'s subtree, depth-first in document
  // order, or nullptr.
  static xmlNode* FindElement(xmlNode* element, const char* name);

 private:
  void WalkElement(xmlNode* element);

  xmlDoc* doc_ = nullptr;
  std::map<Qve::QVEstring, std::pair<Handler, void*>> handlers_;
};

}  // namespace Qva
