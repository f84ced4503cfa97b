#include "reports/JUnitReport.h"

#include <gtest/gtest.h>

namespace Qva {
namespace {

// One suite per object type in order of appearance; failed, warned, passed and never imported
// objects; markup in the texts escaped.
TEST(JUnitReportTest, SuitesCasesAndTexts) {
  rapidjson::Document report;
  report.Parse(R"({"objects":[
    {"object_name":"HR.JOBS","object_type":"Table","import_status":"Failed",
     "error_message":"relation \"jobs\" <already> exists & more","error_link":"import_log.html#16",
     "time_import":3},
    {"object_name":"HR.V","object_type":"View","import_status":"Warning","comments":"a \u0001 gap"},
    {"object_name":"HR.REGIONS","object_type":"Table","import_status":"Ok","time_import":1},
    {"object_name":"HR.LATER","object_type":"Table"},
    {"object_type":"Table"}, 7]})");
  ASSERT_FALSE(report.HasParseError());
  EXPECT_EQ(FormatJUnitReport(report, "imp/reports/Import/import_log.html"),
            R"(<?xml version="1.0" encoding="UTF-8"?>
<testsuites name="Import" tests="4" failures="1" errors="0" skipped="1" time="4.000000">
  <testsuite name="Table" tests="3" failures="1" errors="0" skipped="1" time="4.000000">
    <testcase name="HR.JOBS" classname="Table" time="3.000000">
      <failure message="relation &quot;jobs&quot; &lt;already&gt; exists &amp; more" type="Import">relation &quot;jobs&quot; &lt;already&gt; exists &amp; more&#10;imp/reports/Import/import_log.html#16</failure>
    </testcase>
    <testcase name="HR.REGIONS" classname="Table" time="1.000000"/>
    <testcase name="HR.LATER" classname="Table" time="0.000000">
      <skipped message="not imported"/>
    </testcase>
  </testsuite>
  <testsuite name="View" tests="1" failures="0" errors="0" skipped="0" time="0.000000">
    <testcase name="HR.V" classname="View" time="0.000000">
      <system-out>a  gap</system-out>
    </testcase>
  </testsuite>
</testsuites>
)");
}

}  // namespace
}  // namespace Qva
