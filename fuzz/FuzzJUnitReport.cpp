// The JUnit report of arbitrary texts: whatever bytes the import printed, the report is
// well-formed XML 1.0, as libxml2 reads it.
//
// Input: fields separated by byte 0x1F, taken four at a time as an object's name, type, error
// message and comment; the objects' statuses cycle through Failed, Warning, Ok and none.
#include <libxml/parser.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "reports/JUnitReport.h"

namespace {

constexpr char kSeparator = '\x1F';
constexpr const char* kStatuses[] = {"Failed", "Warning", "Ok", nullptr};

std::vector<std::string_view> Fields(std::string_view input) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (size_t at = input.find(kSeparator); at != std::string_view::npos;
       at = input.find(kSeparator, start)) {
    fields.push_back(input.substr(start, at - start));
    start = at + 1;
  }
  fields.push_back(input.substr(start));
  while (fields.size() % 4 != 0) fields.emplace_back();
  return fields;
}

rapidjson::Document Report(std::string_view input) {
  rapidjson::Document report(rapidjson::kObjectType);
  auto& alloc = report.GetAllocator();
  // An empty view may have no data, which the library refuses.
  auto text = [&alloc](std::string_view value) {
    return value.empty() ? rapidjson::Value("", alloc)
                         : rapidjson::Value(value.data(),
                                            static_cast<rapidjson::SizeType>(value.size()), alloc);
  };
  rapidjson::Value objects(rapidjson::kArrayType);
  const std::vector<std::string_view> fields = Fields(input);
  for (size_t i = 0; i < fields.size(); i += 4) {
    rapidjson::Value entry(rapidjson::kObjectType);
    entry.AddMember("object_name", text(fields[i]), alloc);
    entry.AddMember("object_type", text(fields[i + 1]), alloc);
    if (const char* status = kStatuses[(i / 4) % 4])
      entry.AddMember("import_status", text(status), alloc);
    entry.AddMember("error_message", text(fields[i + 2]), alloc);
    entry.AddMember("error_link", text("import_log.html#7"), alloc);
    entry.AddMember("comments", text(fields[i + 3]), alloc);
    objects.PushBack(entry, alloc);
  }
  report.AddMember("objects", objects, alloc);
  return report;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string xml = Qva::FormatJUnitReport(Report(input), "reports/Import/import_log.html");
  xmlDocPtr document = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "junit.xml", nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (document == nullptr) std::abort();  // not well-formed
  xmlFreeDoc(document);
  return 0;
}
