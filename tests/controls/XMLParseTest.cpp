#include "base/XMLParse.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using qv::XMLParse;

class XMLParseTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    std::string Write(const std::string& data) {
        std::string path = dir / "f.xml";
        qvtest::WriteFile(path, data);
        return path;
    }
};

TEST_F(XMLParseTest, IndexedElementsCountAndTexts) {
    XMLParse x;
    ASSERT_EQ(x.Open(Write("<Skin><Buttons><BmpButton><Id>1</Id></BmpButton><Other/>"
                           "<BmpButton><Id>2</Id></BmpButton><BmpButton><Id> 3 </Id>"
                           "</BmpButton></Buttons></Skin>")
                         .c_str()),
              1);
    XMLParse::Node skin = x.FindNode({}, "Skin");
    ASSERT_TRUE(skin);
    XMLParse::Node list = x.FindNode(skin, "Buttons");
    EXPECT_EQ(x.CountNodes("BmpButton", list), 3);
    EXPECT_EQ(x.CountNodes(nullptr, list), 4);
    EXPECT_EQ(x.CountNodes("*", list), 4);
    EXPECT_EQ(x.CountNodes("BmpButton", {}), 0);
    for (int k = 0; k < 3; ++k) {
        std::string id;
        ASSERT_EQ(x.NodeText("Id", x.FindNode(list, "BmpButton", k), id), 1);
        EXPECT_EQ(id, k == 2 ? " 3 " : std::to_string(k + 1));
    }
    EXPECT_FALSE(x.FindNode(list, "BmpButton", 3));
    EXPECT_FALSE(x.FindNode({}, "Buttons")); // only the top element from the document
    std::string kept = "kept";
    EXPECT_EQ(x.NodeText("Missing", list, kept), 0);
    EXPECT_EQ(kept, "kept");
    EXPECT_EQ(x.NodeText(nullptr, list, kept), 0);
    // Names longer than the 63-character query select nothing.
    EXPECT_FALSE(x.FindNode(skin, std::string(64, 'B').c_str()));
}

TEST_F(XMLParseTest, BadFilesDoNotOpen) {
    XMLParse x;
    EXPECT_EQ(x.Open(nullptr), 0);
    EXPECT_EQ(x.Open((dir / "missing.xml").c_str()), 0);
    EXPECT_EQ(x.Open(dir.path().c_str()), 0);
    for (std::string bad : {std::string(), std::string("<IconList><Icon>"), std::string("plain"),
                            std::string("\0\1\2\3\xff\xfe", 6), std::string("<a></b>")}) {
        EXPECT_EQ(x.Open(Write(bad).c_str()), 0) << bad;
        std::string out;
        EXPECT_EQ(x.NodeText("a", {}, out), 0);
        EXPECT_FALSE(x.FindNode({}, "IconList"));
    }
}

TEST_F(XMLParseTest, TextsArriveInUtf8WhateverTheFileDeclares) {
    XMLParse x;
    // "皮肤" in GBK
    ASSERT_EQ(
        x.Open(Write("<?xml version=\"1.0\" encoding=\"GB2312\"?><S><N>\xC6\xA4\xB7\xF4</N></S>")
                   .c_str()),
        1);
    std::string text;
    ASSERT_EQ(x.NodeText("N", x.FindNode({}, "S"), text), 1);
    EXPECT_EQ(text, "皮肤");
    // An encoding the XML parser also knows is converted once, not twice.
    ASSERT_EQ(
        x.Open(Write("<?xml version='1.0' encoding='ISO-8859-1'?><S><N>caf\xE9</N></S>").c_str()),
        1);
    ASSERT_EQ(x.NodeText("N", x.FindNode({}, "S"), text), 1);
    EXPECT_EQ(text, "café");
    // UTF-16 with a byte-order mark.
    std::string u16 = "\xFF\xFE";
    for (char c : std::string("<S><N>ok</N></S>")) {
        u16 += c;
        u16 += '\0';
    }
    ASSERT_EQ(x.Open(Write(u16).c_str()), 1);
    ASSERT_EQ(x.NodeText("N", x.FindNode({}, "S"), text), 1);
    EXPECT_EQ(text, "ok");
}
