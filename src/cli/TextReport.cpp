#include "cli/TextReport.h"

#include "card/CardComment.h"
#include "cli/ImageFormatName.h"
#include "cli/TerminalText.h"
#include "doc/Ctsn_viewerDoc.h"
#include "view/ProtocolText.h"

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
        WriteOtherComments();
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
            WriteGeneralCard();
        if (m_card.m_hasBusiness)
            WriteBusinessCard();
        if (m_card.m_hasCollection)
            WriteCollectionCard();
        if (m_card.m_hasCopyright)
            WriteCopyrightCard();
        WriteProtocolDetails();
    }

    void Heading(const std::string& title) { m_out << "\n" << TerminalText(title) << "\n"; }

    void Line(const std::string& label, const std::string& value) {
        m_out << kIndent << label << TerminalText(value) << "\n";
    }

    void LineIfSet(const std::string& label, const std::string& value) {
        if (!value.empty())
            Line(label, value);
    }

    // As the pages split a multi-line value: at each carriage return, dropping the
    // byte after it; further lines line up under the first.
    void MultiLine(const std::string& label, const std::string& value) {
        if (value.empty())
            return;
        const std::string continuation(label.size(), ' ');
        const std::string* prefix = &label;
        std::string line;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] != '\r') {
                line += value[i];
                continue;
            }
            m_out << kIndent << *prefix << TerminalText(line) << "\n";
            prefix = &continuation;
            line.clear();
            ++i;
        }
        if (!line.empty())
            m_out << kIndent << *prefix << TerminalText(line) << "\n";
    }

    void WriteGeneralCard() {
        Heading("General Card :");
        LineIfSet("Title : ", m_card.m_title);
        MultiLine("Description : ", m_card.m_description);
    }

    void WriteBusinessCard() {
        Heading("Business E-Card :");
        Line("Layout : ", std::to_string(m_card.m_layout->m_number));
        LineIfSet("Personal/Company : ", m_card.m_name);
        MultiLine("Street Address : ", m_card.m_street);
        LineIfSet("Phone : ", m_card.m_phone);
        LineIfSet("Fax : ", m_card.m_fax);
        LineIfSet("URL : ", m_card.m_url);
        LineIfSet("E-mail : ", m_card.m_email);
        LineIfSet("Message : ", m_card.m_message);
    }

    void WriteCollectionCard() {
        Heading("Collection Card :");
        if (m_card.m_collectionName == "?")
            return;
        m_out << kIndent << TerminalText(m_card.m_collectionName) << "\n";
        for (std::size_t i = 0; i < m_card.m_fieldLabels.size(); ++i) {
            const std::string value =
                i < m_card.m_fieldValues.size() ? m_card.m_fieldValues[i] : std::string();
            m_out << kIndent << TerminalText(m_card.m_fieldLabels[i]) << " : "
                  << TerminalText(value) << "\n";
        }
    }

    void WriteCopyrightCard() {
        Heading("Copyright Card :");
        switch (m_card.m_copyrightStatus) {
            case 0:
                Line("Image Status : ", "Copyrighted");
                break;
            case 1:
                Line("Image Status : ", "Protected (Contact Author)");
                break;
            case 2:
                Line("Image Status : ", "Public Domain");
                break;
            default:
                break;
        }
        LineIfSet("Image Credits : ", m_card.m_credits);
        LineIfSet("Copyright Holder : ", m_card.m_holder);
    }

    void WriteProtocolDetails() {
        Heading("Tessellon information");
        Line("tSN Protocol Revision : ", TwoPartForm(m_card.m_protocolRevision));
        Line("Creation Date : ", DateForm(m_card.m_creationDate));
        Line("Created By : ", m_card.m_creatorName);
        Line("Creator Version : ", TwoPartForm(m_card.m_creatorVersion));
    }

    void WriteOtherComments() {
        bool any = false;
        const int count = m_doc.m_image.GetCommentCount();
        for (int i = 0; i < count; ++i) {
            const std::string comment = m_doc.m_image.GetComment(i);
            if (IsCardComment(comment))
                continue;
            if (!any)
                Heading("Other Comments :");
            any = true;
            Line("", comment);
        }
        if (!any)
            m_out << "\nNo additional comments found.\n";
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
