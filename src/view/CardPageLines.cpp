#include "view/CardPageLines.h"

#include "card/CardComment.h"
#include "card/CardFields.h"
#include "view/ProtocolText.h"

namespace {

constexpr int kListStep = 20;  // between entries of a list
constexpr char kCarriageReturn = '\r';

// By copyright status 0, 1 and 2; any other status has no words.
constexpr std::string_view kStatusWords[] = {"Copyrighted", "Protected (Contact Author)",
                                             "Public Domain"};

PageLine Line(LineStyle style, int top, std::string text) {
    return {style, top, std::move(text), {}};
}

PageLines Titled(std::string_view title) {
    return {Line(LineStyle::kHeading, 0, std::string(title))};
}

// A carriage return ends a line and swallows the byte after it (the line feed,
// whatever it is); a last line without one counts when it is not empty.
std::vector<std::string> SplitAtCarriageReturns(const std::string& value) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != kCarriageReturn) {
            line += value[i];
            continue;
        }
        lines.push_back(std::move(line));
        line.clear();
        ++i;
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

std::string Shown(const CardField& field, const std::string& value) {
    switch (field.form) {
        case ValueForm::kVersion:
            return TwoPartForm(value);
        case ValueForm::kDate:
            return DateForm(value);
        default:
            return value;
    }
}

// The section's fields that hold a value, as labelled lines from `top` down.
void AddFilledFields(PageLines& lines, const CardInfo& card, CardSection section, int top) {
    for (const CardField& field : FieldsOf(section)) {
        const std::string& value = card.*field.member;
        if (value.empty())
            continue;
        PageLine line = Line(LineStyle::kBody, top, std::string(field.label));
        if (field.form == ValueForm::kLines) {
            line.valueLines = SplitAtCarriageReturns(value);
            top += kLineStep * int(line.valueLines.size());
        } else {
            line.text += Shown(field, value);
            top += kLineStep;
        }
        lines.push_back(std::move(line));
    }
}

}  // namespace

PageLines GeneralCardLines(const CardInfo& card) {
    PageLines lines = Titled("General Card :");
    AddFilledFields(lines, card, CardSection::kGeneral, kTitleStep);
    return lines;
}

PageLines BusinessCardLines(const CardInfo& card) {
    PageLines lines = Titled(kBusinessCardTitle);
    AddFilledFields(lines, card, CardSection::kBusiness, kTitleStep);
    return lines;
}

PageLines CollectionCardLines(const CardInfo& card) {
    PageLines lines = Titled("Collection Card :");
    if (card.m_collectionName == "?")
        return lines;
    // The name is a second heading line; an empty name still takes its line.
    lines.push_back(Line(LineStyle::kHeading, kTitleStep, card.m_collectionName));
    int top = kTitleStep + kListStep;
    for (std::size_t i = 0; i < card.m_fieldLabels.size(); ++i) {
        const std::string value = i < card.m_fieldValues.size() ? card.m_fieldValues[i] : "";
        lines.push_back(Line(LineStyle::kBody, top, card.m_fieldLabels[i] + " : " + value));
        top += kListStep;
    }
    return lines;
}

PageLines CopyrightCardLines(const CardInfo& card) {
    PageLines lines = Titled("Copyright Card :");
    // Closer under its title than the other pages; an unknown status keeps its
    // line, empty.
    const int statusTop = 20;
    const int status = card.m_copyrightStatus;
    if (status >= 0 && status < int(std::size(kStatusWords)))
        lines.push_back(Line(LineStyle::kBody, statusTop,
                             "Image Status : " + std::string(kStatusWords[status])));
    AddFilledFields(lines, card, CardSection::kCopyright, statusTop + kLineStep);
    return lines;
}

// Every line always, empty values included.
PageLines ProtocolDetailsLines(const CardInfo& card) {
    PageLines lines = Titled("Tessellon information");
    int top = kTitleStep;
    for (const CardField& field : FieldsOf(CardSection::kProtocol)) {
        const std::string& value = card.*field.member;
        lines.push_back(
            Line(LineStyle::kBody, top, std::string(field.label) + Shown(field, value)));
        top += kListStep;
    }
    return lines;
}

// Each comment as one line, line breaks and all; no title when there is none.
PageLines OtherCommentsLines(const ImageFile& image) {
    PageLines lines;
    int top = kTitleStep;
    const int count = image.GetCommentCount();
    for (int i = 0; i < count; ++i) {
        std::string comment = image.GetComment(i);
        if (IsCardComment(comment))
            continue;
        if (lines.empty())
            lines = Titled("Other Comments :");
        lines.push_back(Line(LineStyle::kBody, top, std::move(comment)));
        top += kLineStep;
    }
    if (lines.empty())
        lines.push_back(Line(LineStyle::kBody, 0, "No additional comments found."));
    return lines;
}
