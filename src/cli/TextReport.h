#pragma once
// The readable report of tsn-dump: one image's cards as the viewer's pages show
// them, for people at a terminal. Free form; scripts use --json.

#include <ostream>
#include <string>
#include <vector>

class Ctsn_viewerDoc;

struct ReportInput {
    const Ctsn_viewerDoc& doc;
    std::string path;
    std::string failure;               // why the file could not be opened or loaded
    std::vector<std::string> notices;  // what the document told the user
};

void WriteTextReport(std::ostream& out, const ReportInput& input);
