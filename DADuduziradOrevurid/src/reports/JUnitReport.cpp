#include "reports/JUnitReport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "reports/JsonImportReport.h"

namespace Qva {
namespace {

// Text for an XML attribute or element: markup characters escaped, control characters that
// XML 1.0 cannot carry dropped.
std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
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
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\r') out += c;
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
    return out + ">\n      <failure message=\"" + Escape(message) + "\" type=\"Import\">" +
           Escape(message + "\n" + link) + "</failure>\n    </testcase>\n";
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

bool WriteJUnitReport(const std::string& path, const std::string& log_path) {
  const JsonImportReport& report = JsonImportReport::Instance();
  if (!report.IsEnabled()) return false;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << FormatJUnitReport(report.GetDocument(), log_path);
  file.flush();
  return static_cast<bool>(file);
}

}  // namespace Qva
