#include "cli/JsonRecord.h"

#include <string>
#include <vector>

#include "cli/ImageFormatName.h"
#include "doc/Ctsn_viewerDoc.h"
#include "platform/PathText.h"
#include "platform/Win1252.h"

namespace {

// The record is written straight into one string: with thousands of files a second
// (--no-pixels), building a document tree first costs more than the reading.
class ObjectWriter {
public:
    explicit ObjectWriter(std::string& out) : m_out(out) { m_out += '{'; }
    ~ObjectWriter() { m_out += '}'; }
    ObjectWriter(const ObjectWriter&) = delete;
    ObjectWriter& operator=(const ObjectWriter&) = delete;

    std::string& Key(const char* key) {
        if (!m_first)
            m_out += ',';
        m_first = false;
        m_out += '"';
        m_out += key;
        m_out += "\":";
        return m_out;
    }
    // Card bytes are Windows-1252; JSON strings are UTF-8.
    void Text(const char* key, const std::string& bytes) { AppendJsonQuoted(Key(key), bytes); }
    void Bool(const char* key, bool value) { Key(key) += value ? "true" : "false"; }
    void Int(const char* key, int value) { Key(key) += std::to_string(value); }
    void Texts(const char* key, const std::vector<std::string>& items) {
        std::string& out = Key(key);
        out += '[';
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i > 0)
                out += ',';
            AppendJsonQuoted(out, items[i]);
        }
        out += ']';
    }
    void SizePair(const char* key, const Size& size) {
        Key(key) += '[' + std::to_string(size.cx) + ',' + std::to_string(size.cy) + ']';
    }

private:
    std::string& m_out;
    bool m_first = true;
};

void Protocol(std::string& out, const CardInfo& card) {
    ObjectWriter o(out);
    o.Text("revision", card.m_protocolRevision);
    o.Text("creation_date", card.m_creationDate);
    o.Text("creator_name", card.m_creatorName);
    o.Text("creator_version", card.m_creatorVersion);
}

void General(std::string& out, const CardInfo& card) {
    ObjectWriter o(out);
    o.Bool("present", card.m_hasGeneral != 0);
    o.Text("title", card.m_title);
    o.Text("description", card.m_description);
}

void Business(std::string& out, const CardInfo& card) {
    ObjectWriter o(out);
    o.Bool("present", card.m_hasBusiness != 0);
    o.Int("layout", card.m_layout->m_number);
    o.Text("name", card.m_name);
    o.Text("street", card.m_street);
    o.Text("phone", card.m_phone);
    o.Text("fax", card.m_fax);
    o.Text("url", card.m_url);
    o.Text("email", card.m_email);
    o.Text("message", card.m_message);
}

void Collection(std::string& out, const CardInfo& card) {
    ObjectWriter o(out);
    o.Bool("present", card.m_hasCollection != 0);
    o.Text("code", card.m_collectionCode);
    o.Text("name", card.m_collectionName);
    o.Texts("labels", card.m_fieldLabels);
    o.Texts("values", card.m_fieldValues);
}

void Copyright(std::string& out, const CardInfo& card) {
    ObjectWriter o(out);
    o.Bool("present", card.m_hasCopyright != 0);
    o.Int("status", card.m_copyrightStatus);
    o.Text("credits", card.m_credits);
    o.Text("holder", card.m_holder);
}

std::vector<std::string> Comments(const ImageFile& image) {
    std::vector<std::string> comments;
    const int count = image.GetCommentCount();
    for (int i = 0; i < count; ++i)
        comments.push_back(image.GetComment(i));
    return comments;
}

}  // namespace

std::string JsonRecord(const Ctsn_viewerDoc& doc, const std::string& path,
                       const std::optional<std::string>& openError) {
    std::string out;
    out.reserve(2048);
    {
        ObjectWriter record(out);
        // A file name: the system's text, not card bytes.
        record.Key("path") += JsonQuotePath(path);
        if (openError)
            record.Text("error", *openError);
        else
            record.Key("error") += "null";
        record.Int("load_result", doc.m_loadResult);
        record.Bool("found", doc.m_found != 0);
        const char* format = ImageFormatName(doc.m_image.m_format);
        std::string& formatValue = record.Key("format");
        if (format)
            formatValue += '"' + std::string(format) + '"';
        else
            formatValue += "null";
        std::string& damage = record.Key("damage");
        if (doc.m_loadResult == ImageFile::kSuccess && !doc.m_damage.empty())
            damage += JsonQuote(doc.m_damage);
        else
            damage += "null";
        record.SizePair("image_size", doc.m_imageSize);
        record.SizePair("preview_size", doc.m_previewSize);
        Protocol(record.Key("protocol"), doc.m_card);
        General(record.Key("general"), doc.m_card);
        Business(record.Key("business"), doc.m_card);
        Collection(record.Key("collection"), doc.m_card);
        Copyright(record.Key("copyright"), doc.m_card);
        record.Texts("comments", Comments(doc.m_image));
    }
    return out;
}
