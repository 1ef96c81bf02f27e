#include "cli/JsonRecord.h"

#include <nlohmann/json.hpp>

#include "cli/ImageFormatName.h"
#include "doc/Ctsn_viewerDoc.h"
#include "platform/Win1252.h"

namespace {

using Json = nlohmann::ordered_json;

// Card bytes are Windows-1252; JSON strings are UTF-8.
Json Text(const std::string& bytes) {
    return Win1252ToUtf8(bytes);
}

Json TextArray(const std::vector<std::string>& items) {
    Json array = Json::array();
    for (const std::string& item : items)
        array.push_back(Text(item));
    return array;
}

Json SizeArray(const Size& size) {
    return Json::array({size.cx, size.cy});
}

Json Protocol(const CardInfo& card) {
    return Json{{"revision", Text(card.m_protocolRevision)},
                {"creation_date", Text(card.m_creationDate)},
                {"creator_name", Text(card.m_creatorName)},
                {"creator_version", Text(card.m_creatorVersion)}};
}

Json General(const CardInfo& card) {
    return Json{{"present", card.m_hasGeneral != 0},
                {"title", Text(card.m_title)},
                {"description", Text(card.m_description)}};
}

Json Business(const CardInfo& card) {
    return Json{{"present", card.m_hasBusiness != 0},
                {"layout", card.m_layout->m_number},
                {"name", Text(card.m_name)},
                {"street", Text(card.m_street)},
                {"phone", Text(card.m_phone)},
                {"fax", Text(card.m_fax)},
                {"url", Text(card.m_url)},
                {"email", Text(card.m_email)},
                {"message", Text(card.m_message)}};
}

Json Collection(const CardInfo& card) {
    return Json{{"present", card.m_hasCollection != 0},
                {"code", Text(card.m_collectionCode)},
                {"name", Text(card.m_collectionName)},
                {"labels", TextArray(card.m_fieldLabels)},
                {"values", TextArray(card.m_fieldValues)}};
}

Json Copyright(const CardInfo& card) {
    return Json{{"present", card.m_hasCopyright != 0},
                {"status", card.m_copyrightStatus},
                {"credits", Text(card.m_credits)},
                {"holder", Text(card.m_holder)}};
}

Json Comments(const ImageFile& image) {
    Json array = Json::array();
    const int count = image.GetCommentCount();
    for (int i = 0; i < count; ++i)
        array.push_back(Text(image.GetComment(i)));
    return array;
}

Json FormatOf(const ImageFile& image) {
    const char* name = ImageFormatName(image.m_format);
    return name ? Json(name) : Json(nullptr);
}

}  // namespace

std::string WithoutShortEscapes(const std::string& dumped) {
    std::string out;
    out.reserve(dumped.size());
    for (std::size_t i = 0; i < dumped.size(); ++i) {
        char c = dumped[i];
        if (c != '\\' || i + 1 == dumped.size()) {
            out += c;
            continue;
        }
        // A backslash always starts an escape here, so step over the pair.
        char escaped = dumped[++i];
        if (escaped == 'b')
            out += "\\u0008";
        else if (escaped == 'f')
            out += "\\u000c";
        else
            (out += '\\') += escaped;
    }
    return out;
}

std::string JsonRecord(const Ctsn_viewerDoc& doc, const std::string& path,
                       const std::optional<std::string>& openError) {
    // The path is shown as the viewer shows text: its bytes read as Windows-1252.
    Json record{{"path", Text(path)},
                {"error", openError ? Text(*openError) : Json(nullptr)},
                {"load_result", doc.m_loadResult},
                {"found", doc.m_found != 0},
                {"format", FormatOf(doc.m_image)},
                {"image_size", SizeArray(doc.m_imageSize)},
                {"preview_size", SizeArray(doc.m_previewSize)},
                {"protocol", Protocol(doc.m_card)},
                {"general", General(doc.m_card)},
                {"business", Business(doc.m_card)},
                {"collection", Collection(doc.m_card)},
                {"copyright", Copyright(doc.m_card)},
                {"comments", Comments(doc.m_image)}};
    return WithoutShortEscapes(record.dump());
}
