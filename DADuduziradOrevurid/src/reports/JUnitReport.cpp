#include "reports/JUnitReport.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "QVEException.h"
#include "QVEFile.h"
#include "records/ImportStatistics.h"
#include "records/ValidUtf8.h"
#include "reports/JsonImportReport.h"

namespace Qva {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Text for an XML attribute or element: markup characters escaped, every character that XML 1.0
// cannot carry replaced by U+FFFD.
std::string Escape(std::string_view raw) {
  const std::string text = ValidUtf8(raw);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\n':
        out += "&#10;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r') {
          out += kReplacement;
        } else if (c == '\xEF' && text.compare(i, 2, "\xEF\xBF") == 0 && i + 2 < text.size() &&
                   (text[i + 2] == '\xBE' || text[i + 2] == '\xBF')) {
          out += kReplacement;  // U+FFFE and U+FFFF are no characters of XML (U+FFFD stays)
          i += 2;
        } else {
          out += c;
        }
    }
  }
  return out;
}

std::string Member(const rapidjson::Value& entry, const char* name) {
  const auto found = entry.FindMember(name);
  if (found == entry.MemberEnd() || !found->value.IsString()) return {};
  return std::string(found->value.GetString(), found->value.GetStringLength());
}

double Seconds(const rapidjson::Value& entry) {
  const auto found = entry.FindMember("time_import");
  return found != entry.MemberEnd() && found->value.IsNumber() ? found->value.GetDouble() : 0.0;
}

struct Suite {
  std::string name;
  std::string cases;
  int tests = 0, failures = 0, skipped = 0;
  double time = 0;
};

std::string Case(const rapidjson::Value& entry, const std::string& type, const std::string& log,
                 Suite& suite) {
  const std::string status = Member(entry, "import_status");
  const double time = Seconds(entry);
  suite.time += time;
  ++suite.tests;
  std::string out = "    <testcase name=\"" + Escape(Member(entry, "object_name")) +
                    "\" classname=\"" + Escape(type) + "\" time=\"" + std::to_string(time) + "\"";
  if (status == "Failed") {
    ++suite.failures;
    const std::string message = Member(entry, "error_message");
    std::string link = Member(entry, "error_link");
    const size_t hash = link.find('#');
    if (hash != std::string::npos) link = log + link.substr(hash);
    std::string text = message;
    if (!link.empty()) text.append("\n").append(link);
    return out + ">\n      <failure message=\"" + Escape(message) + "\" type=\"Import\">" +
           Escape(text) + "</failure>\n    </testcase>\n";
  }
  if (status == "Warning") {
    return out + ">\n      <system-out>" + Escape(Member(entry, "comments")) +
           "</system-out>\n    </testcase>\n";
  }
  if (status.empty()) {
    ++suite.skipped;
    return out + ">\n      <skipped message=\"not imported\"/>\n    </testcase>\n";
  }
  return out + "/>\n";
}

}  // namespace

std::string FormatJUnitReport(const rapidjson::Value& report, const std::string& log_path) {
  std::vector<Suite> suites;
  const auto objects = report.IsObject() ? report.FindMember("objects") : report.MemberEnd();
  if (report.IsObject() && objects != report.MemberEnd() && objects->value.IsArray()) {
    for (const rapidjson::Value& entry : objects->value.GetArray()) {
      if (!entry.IsObject() || Member(entry, "object_name").empty()) continue;
      std::string type = Member(entry, "object_type");
      if (type.empty()) type = "Object";
      auto suite = std::find_if(suites.begin(), suites.end(),
                                [&type](const Suite& s) { return s.name == type; });
      if (suite == suites.end()) suite = suites.insert(suites.end(), Suite{type, {}});
      suite->cases += Case(entry, type, log_path, *suite);
    }
  }
  Suite total{"Import", {}};
  std::string body;
  for (const Suite& suite : suites) {
    total.tests += suite.tests;
    total.failures += suite.failures;
    total.skipped += suite.skipped;
    total.time += suite.time;
    body += "  <testsuite name=\"" + Escape(suite.name) + "\" tests=\"" +
            std::to_string(suite.tests) + "\" failures=\"" + std::to_string(suite.failures) +
            "\" errors=\"0\" skipped=\"" + std::to_string(suite.skipped) + "\" time=\"" +
            std::to_string(suite.time) + "\">\n" + suite.cases + "  </testsuite>\n";
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"Import\" tests=\"" +
         std::to_string(total.tests) + "\" failures=\"" + std::to_string(total.failures) +
         "\" errors=\"0\" skipped=\"" + std::to_string(total.skipped) + "\" time=\"" +
         std::to_string(total.time) + "\">\n" + body + "</testsuites>\n";
}

rapidjson::Document DescribeRunObjects(const ImportStatistics& records,
                                       const JsonImportReport& report) {
  rapidjson::Document document(rapidjson::kObjectType);
  auto& alloc = document.GetAllocator();
  rapidjson::Value objects(rapidjson::kArrayType);
  auto text = [&alloc](const std::string& value) {
    return rapidjson::Value(value.data(), static_cast<rapidjson::SizeType>(value.size()), alloc);
  };
  for (const ImportObject& object : records.GetObjects()) {
    rapidjson::Value entry(rapidjson::kObjectType);
    entry.AddMember("object_name", text(object.name), alloc);
    entry.AddMember("object_type", text(ImportObjectTypeName(object.type)), alloc);
    if (object.stats.empty()) {
      entry.AddMember("import_status", "Ok", alloc);
    } else if (const StatMember& last = *object.stats.back(); last.GetType() == kStatKindError) {
      entry.AddMember("import_status", "Failed", alloc);
      if (const Qve::QVEstring* message = report.FindError(last.GetLineId())) {
        entry.AddMember("error_message", text(*message), alloc);
      }
    } else {
      entry.AddMember("import_status", "Warning", alloc);
      if (const Qve::QVEstring* comment = report.FindWarning(last.GetLineId())) {
        entry.AddMember("comments", text(*comment), alloc);
      }
    }
    const double elapsed = object.startTime.ElapsedSeconds(object.endTime);
    entry.AddMember("time_import", elapsed > 0 ? static_cast<int64_t>(elapsed) : 0, alloc);
    objects.PushBack(entry, alloc);
  }
  document.AddMember("objects", objects, alloc);
  return document;
}

void WriteJUnitFile(const std::string& path, const std::string& text) {
  Qve::QVFile file;
  bool created = false;
  try {
    file.Open(path);
  } catch (Qve::QVException* error) {
    std::error_code missing;
    if (std::filesystem::exists(path, missing)) throw;
    delete error;
    file.Create(path);  // a new file: nothing to keep, but still no foreign link
    created = true;
  }
  try {
    file.ReplaceContents(text.data(), text.size());
  } catch (Qve::QVException*) {
    file.Close();
    std::error_code ignored;
    if (created) std::filesystem::remove(path, ignored);  // no empty report left behind
    throw;
  }
}

}  // namespace Qva
