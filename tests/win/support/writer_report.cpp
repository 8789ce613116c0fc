// Reading the ASF writer stand-in's report.
#include "writer_report.h"

#include <cstdlib>
#include <sstream>

#include "support/scratch_directory.h"

namespace testsupport {

WriterReport ReadWriterReport(const std::wstring& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    WriterReport report;
    for (std::string line; std::getline(lines, line);) {
        size_t equals = line.find('=');
        if (equals != std::string::npos) report[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return report;
}

long long ReportNumber(const WriterReport& report, const std::string& key) {
    auto found = report.find(key);
    return found == report.end() ? -1 : std::strtoll(found->second.c_str(), nullptr, 10);
}

}  // namespace testsupport
