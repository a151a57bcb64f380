// Walking and creating paths of child elements in a TinyXML-2 document.
#include "support/TiXmlHelper.h"

#include <gtest/gtest.h>

#include <tinyxml2.h>

using TiXmlHelper::GetTiXmlChildElement;
using TiXmlHelper::GetTiXmlChildElementCreate;

namespace
{

std::string Print(const tinyxml2::XMLDocument &document)
{
    tinyxml2::XMLPrinter printer(nullptr, true);
    document.Print(&printer);
    return printer.CStr();
}

} // namespace

TEST(TiXmlChildElement, WalkTakesTheFirstChildOfEachName)
{
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse("<r><a n=\"1\"><b n=\"x\"/></a><a n=\"2\"><c/></a></r>"), tinyxml2::XML_SUCCESS);
    tinyxml2::XMLElement *root = document.RootElement();
    const tinyxml2::XMLElement *b = GetTiXmlChildElement(root, {"a", "b"});
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(b->Attribute("n"), "x");
    EXPECT_EQ(GetTiXmlChildElement(root, {}), root);
    // Only the first "a" is walked, so its sibling's "c" is not found.
    EXPECT_EQ(GetTiXmlChildElement(root, {"a", "c"}), nullptr);
    EXPECT_EQ(GetTiXmlChildElement(root, {"a", nullptr}), nullptr);
    EXPECT_EQ(GetTiXmlChildElement(root, {"a", ""}), nullptr);
    EXPECT_EQ(GetTiXmlChildElement(static_cast<tinyxml2::XMLElement *>(nullptr), {"a"}), nullptr);
}

TEST(TiXmlChildElement, CreateAddsOnlyTheMissingSteps)
{
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse("<r><a><b/></a></r>"), tinyxml2::XML_SUCCESS);
    tinyxml2::XMLElement *root = document.RootElement();
    tinyxml2::XMLElement *d = GetTiXmlChildElementCreate(root, {"a", "c", "d"});
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->Name(), "d");
    EXPECT_EQ(Print(document), "<r><a><b/><c><d/></c></a></r>");
    // Walking the same path again finds what was created and adds nothing.
    EXPECT_EQ(GetTiXmlChildElementCreate(root, {"a", "c", "d"}), d);
    EXPECT_EQ(GetTiXmlChildElement(root, {"a", "c", "d"}), d);
    // A bad name creates nothing, not even the steps before it.
    EXPECT_EQ(GetTiXmlChildElementCreate(root, {"x", ""}), nullptr);
    EXPECT_EQ(GetTiXmlChildElementCreate(nullptr, {"x"}), nullptr);
    EXPECT_EQ(Print(document), "<r><a><b/><c><d/></c></a></r>");
}
