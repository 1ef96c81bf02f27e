#include "collection/ColDef.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<ColDef> MakeDef(const std::string& code, const std::string& name) {
    auto definition = std::make_unique<ColDef>();
    definition->SetCode(code);
    definition->SetName(name);
    return definition;
}

TEST(ColDef, AddFieldAppendsASpaceToBothArrays) {
    ColDef definition;
    definition.AddField();
    ASSERT_EQ(definition.GetFieldCount(), 1);
    EXPECT_EQ(definition.GetFieldCode(0), " ");
    EXPECT_EQ(definition.GetFieldLabel(0), " ");
    ASSERT_EQ(definition.m_fieldLabels.size(), 1u);
}

TEST(ColDef, FindFieldGivesTheFirstExactMatch) {
    ColDef definition;
    for (const char* code : {"NAM", "LOC", "NAM", ""}) {
        const int index = definition.GetFieldCount();
        definition.AddField();
        definition.SetFieldCode(index, code);
    }
    EXPECT_EQ(definition.FindField("NAM"), 0);
    EXPECT_EQ(definition.FindField("LOC"), 1);
    EXPECT_EQ(definition.FindField(""), 3);
    EXPECT_EQ(definition.FindField("nam"), -1);  // case-sensitive
    EXPECT_EQ(definition.FindField("NA"), -1);   // no prefix match
    EXPECT_EQ(definition.FindField("NAM "), -1);
    EXPECT_EQ(definition.FindField(" "), -1);
}

TEST(FindCollection, FirstExactMatchInListOrder) {
    ColDefList list;
    list.push_back(MakeDef("MIN", "First"));
    list.push_back(MakeDef("MIN", "Second"));
    list.push_back(MakeDef("", "Empty code"));
    EXPECT_EQ(FindCollection(list, "MIN")->GetName(), "First");
    EXPECT_EQ(FindCollection(list, "")->GetName(), "Empty code");
    EXPECT_EQ(FindCollection(list, "min"), nullptr);
    EXPECT_EQ(FindCollection(list, "MI"), nullptr);
    EXPECT_EQ(FindCollection(ColDefList{}, "MIN"), nullptr);
}

}  // namespace
