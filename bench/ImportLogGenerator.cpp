#include "ImportLogGenerator.h"

#include <array>
#include <random>
#include <string_view>

namespace Qva::bench {
namespace {

constexpr std::string_view kDir = "C:\\Movarin\\import";

constexpr std::array<std::string_view, 16> kToolOutput = {
    "SQL*Plus: Release 19.0.0.0.0 - Production on Mon Dec 4 22:36:11 2026",
    "Version 19.3.0.0.0",
    "Copyright (c) 1982, 2019, Oracle.  All rights reserved.",
    "Connected to:",
    "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production",
    "Table created.",
    "Index created.",
    "Commit complete.",
    "1 row created.",
    "PL/SQL procedure successfully completed.",
    "Grant succeeded.",
    "Path used:      Conventional",
    "Commit point reached - logical record count 64",
    "Load completed - logical record count 1000.",
    "  Column Name                  Position   Len  Term Encl Datatype",
    "Table \"HR\".\"EMPLOYEES\":  1000 Rows successfully loaded.",
};

constexpr std::array<std::string_view, 8> kObjectTypes = {
    "Table", "View", "Sequence", "Trigger", "Function", "Package", "StoredProcedure", "Synonym"};

constexpr std::array<std::string_view, 6> kOracleErrors = {
    "ORA-00942: table or view does not exist",
    "ORA-00955: name is already used by an existing object",
    "ORA-01031: insufficient privileges",
    "ORA-00001: unique constraint (HR.EMP_PK) violated",
    "ORA-02291: integrity constraint (HR.EMP_DEPT_FK) violated - parent key not found",
    "ORA-06550: line 1, column 7:",
};

class Writer {
 public:
  explicit Writer(uint32_t seed) : random_(seed) {}

  uint32_t Pick(uint32_t n) { return static_cast<uint32_t>(random_() % n); }
  std::string Name() { return "OBJ_" + std::to_string(Pick(100000)); }

  void Line(std::string_view text) {
    out_.append(text);
    out_.append("\r\n");
    ++written_;
  }
  void Echo(std::string_view command) {
    out_.append(kDir);
    out_.push_back('>');
    Line(command);
  }

  void ToolOutput() { Line(kToolOutput[Pick(kToolOutput.size())]); }

  void Announcement() {
    const std::string name = "HR." + Name();
    if (Pick(4) == 0) {
      Line("Importing data using the SQL*Loader");
      return;
    }
    Line("Importing " + std::string(kObjectTypes[Pick(kObjectTypes.size())]) + " " + name +
         " to Oracle");
  }

  void Error() {
    switch (Pick(8)) {
      case 0:  // sqlplus reports the statement, a marker line, the line number and the error
        Line("  \"" + Name() + "\" NUMBER(7,2),");
        Line("             *");
        Line("ERROR at line " + std::to_string(1 + Pick(40)) + ":");
        Line("ORA-00904: \"" + Name() + "\": invalid identifier");
        break;
      case 1:
        Line("SQL*Loader-350: Syntax error at line " + std::to_string(1 + Pick(20)) + ".");
        Line("Expecting \",\" or \")\", found \"NUMBER\".");
        Line("  " + Name() + " NUMBER,");
        Line("        ^");
        break;
      case 2:
        Line("SQL*Loader-522: Error lfiopn failed for file (" + Name() + ".log)");
        break;
      default:
        Line(kOracleErrors[Pick(kOracleErrors.size())]);
        break;
    }
  }

  void Command() {
    const std::string name = Name();
    switch (Pick(6)) {
      case 0:
        Echo("sqlplus HR/secret@ORCL @\"" + std::string(kDir) + "\\tables\\" + name + ".sql\"");
        break;
      case 1:
        Echo("sqlldr userid=HR/secret@ORCL control=" + name + ".ctl log=" + name +
             ".log rows=1000 readsize=1048576 bindsize=1048576");
        break;
      case 2:
        Echo("rem Import table " + name);
        break;
      case 3:
        Line("Disconnected from Oracle Database 19c Enterprise Edition Release 19.0.0.0.0");
        break;
      case 4:
        Echo("echo Importing Table HR." + name);
        break;
      default:
        Echo("if errorlevel 1 goto error_" + name);
        break;
    }
  }

  std::string Take() { return std::move(out_); }
  uint64_t Written() const { return written_; }

 private:
  std::mt19937 random_;  // the engine's sequence is fixed by the standard
  std::string out_;
  uint64_t written_ = 0;
};

}  // namespace

std::string GenerateImportLog(uint64_t lines, uint32_t seed) {
  Writer writer(seed);
  writer.Line("Import started");
  writer.Line("Importing database objects to Oracle");
  while (writer.Written() < lines) {
    const uint32_t roll = writer.Pick(100);
    if (roll < 70) {
      writer.ToolOutput();
    } else if (roll < 80) {
      writer.Announcement();
    } else if (roll < 90) {
      writer.Error();
    } else {
      writer.Command();
    }
  }
  return writer.Take();
}

std::string GenerateObjectsLog(uint64_t objects, uint64_t lines, uint32_t seed) {
  Writer writer(seed);
  writer.Line("Import started");
  writer.Line("Importing database objects to Oracle");
  for (uint64_t object = 0; object < objects; ++object) {
    writer.Line("Importing Table HR.TABLE_" + std::to_string(object) + " to Oracle");
    if (object % 10 == 9) writer.Line(kOracleErrors[object / 10 % kOracleErrors.size()]);
    const uint64_t until = (object + 1) * lines / objects;
    while (writer.Written() < until) writer.ToolOutput();
  }
  return writer.Take();
}

std::string ReplayCapturedLog(const std::string& captured, uint64_t lines) {
  std::string_view text = captured;
  while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  const size_t first_end = text.find('\n');
  const size_t last_start = text.rfind('\n');
  if (first_end == std::string_view::npos || first_end == last_start) return captured;
  const std::string_view middle = text.substr(first_end + 1, last_start - first_end);
  uint64_t middle_lines = 0;
  for (char c : middle) middle_lines += c == '\n' ? 1 : 0;

  std::string out(text.substr(0, first_end + 1));
  uint64_t written = 1;
  while (written + middle_lines + 1 <= lines) {
    out.append(middle);
    written += middle_lines;
  }
  out.append(text.substr(last_start + 1));
  out.push_back('\n');
  return out;
}

}  // namespace Qva::bench
