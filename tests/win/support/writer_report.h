// What the ASF writer stand-in wrote into a recording's file: its "key=value" lines.
#pragma once
#include <map>
#include <string>

namespace testsupport {

using WriterReport = std::map<std::string, std::string>;

// Empty when the file is missing or holds no such lines.
WriterReport ReadWriterReport(const std::wstring& path);
// A count of the report as a number, -1 when missing.
long long ReportNumber(const WriterReport& report, const std::string& key);

}  // namespace testsupport
