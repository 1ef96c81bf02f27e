#include "cli/XmpExport.h"

#include <string_view>

#include "card/CardInfo.h"
#include "platform/Win1252.h"

namespace {

// XML text: the five markup characters escaped, CR kept as a reference (a parser
// would turn a bare one into LF); the other controls, which XML 1.0 cannot hold at
// all, are left out.
std::string XmlText(std::string_view bytes) {
    std::string out;
    for (char c : bytes) {
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
            case '\'':
                out += "&apos;";
                break;
            case '\r':
                out += "&#xD;";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n')
                    out += c;
        }
    }
    return Win1252ToUtf8(out);
}

const char* RightsStatement(int status) {
    switch (status) {
        case 0:
            return "Copyrighted";
        case 1:
            return "Protected (Contact Author)";
        default:
            return "Public Domain";
    }
}

class PacketWriter {
public:
    std::string& out() { return m_out; }

    void Simple(const char* name, const std::string& value, const char* indent = "   ") {
        m_out += indent + std::string("<") + name + ">" + XmlText(value) + "</" + name + ">\n";
    }
    // A language alternative with only the default language.
    void Alt(const char* name, const std::string& value) {
        m_out += std::string("   <") + name + "><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
                 XmlText(value) + "</rdf:li></rdf:Alt></" + name + ">\n";
    }
    void Bag(const char* name, const std::string& value) {
        m_out += std::string("   <") + name + "><rdf:Bag><rdf:li>" + XmlText(value) +
                 "</rdf:li></rdf:Bag></" + name + ">\n";
    }

private:
    std::string m_out;
};

void General(PacketWriter& w, const CardInfo& card) {
    w.Alt("dc:title", card.m_title);
    w.Alt("dc:description", card.m_description);
}

void Copyright(PacketWriter& w, const CardInfo& card) {
    w.Alt("dc:rights", RightsStatement(card.m_copyrightStatus));
    w.out() += std::string("   <xmpRights:Marked>") +
               (card.m_copyrightStatus == 0 || card.m_copyrightStatus == 1 ? "True" : "False") +
               "</xmpRights:Marked>\n";
    w.Bag("xmpRights:Owner", card.m_holder);
    w.Simple("photoshop:Credit", card.m_credits);
}

void Business(PacketWriter& w, const CardInfo& card) {
    w.out() += "   <Iptc4xmpCore:CreatorContactInfo rdf:parseType=\"Resource\">\n";
    const char* indent = "    ";
    w.Simple("Iptc4xmpCore:CiAdrExtadr", card.m_street, indent);
    w.Simple("Iptc4xmpCore:CiTelWork", card.m_phone, indent);
    w.Simple("Iptc4xmpCore:CiEmailWork", card.m_email, indent);
    w.Simple("Iptc4xmpCore:CiUrlWork", card.m_url, indent);
    w.out() += "   </Iptc4xmpCore:CreatorContactInfo>\n";
}

void Collection(PacketWriter& w, const CardInfo& card) {
    std::string& out = w.out();
    out += "   <tsnCard:Collection rdf:parseType=\"Resource\">\n";
    w.Simple("tsnCard:Code", card.m_collectionCode, "    ");
    w.Simple("tsnCard:Name", card.m_collectionName, "    ");
    out += "    <tsnCard:Fields><rdf:Seq>\n";
    for (std::size_t i = 0; i < card.m_fieldLabels.size(); ++i) {
        out += "     <rdf:li rdf:parseType=\"Resource\">";
        out += "<tsnCard:Label>" + XmlText(card.m_fieldLabels[i]) + "</tsnCard:Label>";
        out += "<tsnCard:Value>" + XmlText(card.m_fieldValues[i]) + "</tsnCard:Value>";
        out += "</rdf:li>\n";
    }
    out += "    </rdf:Seq></tsnCard:Fields>\n";
    out += "   </tsnCard:Collection>\n";
}

}  // namespace

std::string XmpExport(const CardInfo& card) {
    PacketWriter w;
    std::string& out = w.out();
    out += "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n";
    out += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n";
    out += " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
    out += "  <rdf:Description rdf:about=\"\"\n";
    out += "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n";
    out += "    xmlns:xmpRights=\"http://ns.adobe.com/xap/1.0/rights/\"\n";
    out += "    xmlns:photoshop=\"http://ns.adobe.com/photoshop/1.0/\"\n";
    out += "    xmlns:Iptc4xmpCore=\"http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/\"\n";
    out += std::string("    xmlns:tsnCard=\"") + kTsnXmpNamespace + "\">\n";
    if (card.m_hasGeneral)
        General(w, card);
    if (card.m_hasCopyright)
        Copyright(w, card);
    if (card.m_hasBusiness)
        Business(w, card);
    if (card.m_hasCollection)
        Collection(w, card);
    out += "  </rdf:Description>\n";
    out += " </rdf:RDF>\n";
    out += "</x:xmpmeta>\n";
    out += "<?xpacket end=\"r\"?>\n";
    return std::move(out);
}
