#include "cli/TextReport.h"

#include "cli/ImageFormatName.h"
#include "cli/TerminalText.h"
#include "doc/Ctsn_viewerDoc.h"
#include "view/CardPageLines.h"

namespace {

constexpr const char* kIndent = "  ";

std::string SizeText(const Size& size) {
    return std::to_string(size.cx) + " x " + std::to_string(size.cy);
}

class ReportWriter {
public:
    ReportWriter(std::ostream& out, const ReportInput& input)
        : m_out(out), m_input(input), m_doc(input.doc), m_card(input.doc.m_card) {}

    void Write() {
        m_out << "== " << TerminalPath(m_input.path) << " ==\n";
        for (const std::string& notice : m_input.notices)
            m_out << TerminalText(notice) << "\n";
        if (m_doc.m_loadResult != 0) {
            m_out << "No Image Selected.\n";
            if (!m_input.failure.empty())
                m_out << TerminalText(m_input.failure) << "\n";
            m_out << "\n";
            return;
        }
        WritePicture();
        if (m_doc.m_found)
            WriteCards();
        WritePage(OtherCommentsLines(m_doc.m_image));
        m_out << "\n";
    }

private:
    void WritePicture() {
        const char* format = ImageFormatName(m_doc.m_image.m_format);
        m_out << "Format : " << (format ? format : "none") << "\n";
        m_out << "Image size : " << SizeText(m_doc.m_imageSize) << "\n";
        m_out << "Preview size : " << SizeText(m_doc.m_previewSize) << "\n";
        if (!m_doc.m_damage.empty())
            m_out << "Damage : " << TerminalText(m_doc.m_damage) << "\n";
    }

    void WriteCards() {
        if (m_card.m_hasGeneral)
            WritePage(GeneralCardLines(m_card));
        if (m_card.m_hasBusiness)
            WriteBusinessCard();
        if (m_card.m_hasCollection)
            WritePage(CollectionCardLines(m_card));
        if (m_card.m_hasCopyright)
            WritePage(CopyrightCardLines(m_card));
        WritePage(ProtocolDetailsLines(m_card));
    }

    // The business card's page, with the number of its layout under the title.
    void WriteBusinessCard() {
        PageLines lines = BusinessCardLines(m_card);
        const std::string layout = "Layout : " + std::to_string(m_card.m_layout->m_number);
        lines.insert(lines.begin() + 1, PageLine{LineStyle::kBody, 0, layout, {}});
        WritePage(lines);
    }

    // The title after a blank line, the lines below it indented.
    void WritePage(const PageLines& lines) {
        m_out << "\n" << TerminalText(lines.front().text) << "\n";
        for (auto line = lines.begin() + 1; line != lines.end(); ++line)
            WriteLine(*line);
    }

    // A split value's further lines line up under its first.
    void WriteLine(const PageLine& line) {
        if (line.valueLines.empty()) {
            m_out << kIndent << TerminalText(line.text) << "\n";
            return;
        }
        const std::string continuation(line.text.size(), ' ');
        for (std::size_t i = 0; i < line.valueLines.size(); ++i)
            m_out << kIndent << TerminalText(i == 0 ? line.text : continuation)
                  << TerminalText(line.valueLines[i]) << "\n";
    }

    std::ostream& m_out;
    const ReportInput& m_input;
    const Ctsn_viewerDoc& m_doc;
    const CardInfo& m_card;
};

}  // namespace

void WriteTextReport(std::ostream& out, const ReportInput& input) {
    ReportWriter(out, input).Write();
}
